// Text in the Windows ANSI code pages, and the rule that turns what the user
// typed into them. Portable: no Windows headers.
//
// The program keeps every text as bytes of the computer's ANSI code page.
// Controls hand their text over in UTF-16; ConvertTypedText turns it into
// those bytes exactly, or says which characters the code page cannot hold.
// No character is ever replaced by a look-alike ("best fit") or by a
// question mark: a text either arrives whole or is refused.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// A single-byte Windows code page. Bytes 0x00 to 0x7F are ASCII.
struct CodePage {
    int number;
    char16_t upper[128];       // the character of byte 0x80 + i
    unsigned char lower[128];  // the byte of the lower-case letter of byte 0x80 + i
};

// The code pages 1250 to 1258 (Central European, Cyrillic, Western, Greek,
// Turkish, Hebrew, Arabic, Baltic, Vietnamese), as Windows maps them.
constexpr std::size_t kCodePageCount = 9;
extern const CodePage kCodePages[kCodePageCount];

// The table of the code page with this number; null when there is none.
const CodePage* FindCodePage(int number);

// The character of a byte.
char16_t DecodeByte(const CodePage& page, unsigned char byte);

// The byte of exactly this character; false when the code page has none.
bool EncodeCharacter(const CodePage& page, char32_t character, unsigned char* byte);

// The byte of the lower-case letter of a byte (the byte itself when it is no
// capital letter), by the code page's own letters, not only ASCII.
unsigned char LowerByte(const CodePage& page, unsigned char byte);

// Case-blind search in the bytes of a code page: letters are folded by the
// code page's own case rules (LowerByte), not only ASCII.
class CaseBlindMatcher {
public:
    CaseBlindMatcher(const CodePage& page, std::string_view pattern);
    // Offset of the first occurrence of the pattern in text, or npos. An
    // empty pattern is found at 0.
    std::size_t Find(std::string_view text) const;

private:
    // True when the pattern stands at at (at least its length of bytes).
    bool Matches(const char* at) const;

    unsigned char lower_[256];
    std::string pattern_;  // folded
    // The bytes whose lower-case letter is the pattern's first: the letter
    // itself, its capital, and in some code pages more.
    unsigned char firsts_[256];
    std::size_t firstCount_ = 0;
};

// Appends the bytes of one character (a Unicode scalar value) in the target
// code page to bytes. Returns false, appending nothing, when the code page
// holds no exact form of the character.
using EncodeFunction = bool (*)(char32_t character, std::string* bytes, const void* context);

// Typed text, turned into the bytes of a code page.
struct TypedText {
    std::string bytes;       // the text; whole only when nothing was refused
    std::u32string refused;  // what the code page cannot hold: each character
                             // once, in the order it was typed
};

// The one rule for text that enters from a control. A surrogate without its
// partner is no character and is refused as it stands.
TypedText ConvertTypedText(std::u16string_view text, EncodeFunction encode, const void* context);
TypedText ConvertTypedText(std::u16string_view text, const CodePage& page);

// The characters of text whose bytes in the target code page include byte,
// each once, in the order typed: what a rule on the stored bytes refuses,
// named as the user typed it. Characters the code page cannot hold are not
// among them.
std::u32string CharactersHoldingByte(std::u16string_view text, EncodeFunction encode,
                                     const void* context, unsigned char byte);

// Where the first character of text that is one of characters stands, in
// UTF-16 units from the start; text.size() when there is none.
std::size_t FindFirstOf(std::u16string_view text, std::u32string_view characters);

// Bytes of a code page as UTF-16.
std::u16string DecodeText(std::string_view bytes, const CodePage& page);

// UTF-8 and UTF-16. A lone surrogate, or a byte sequence that is not UTF-8,
// becomes U+FFFD.
void AppendUtf8(char32_t character, std::string* out);
std::string Utf8FromUtf16(std::u16string_view text);
std::u16string Utf16FromUtf8(std::string_view text);

// The first `shown` characters of a list as a message names them, in UTF-8:
// "ż", "ó" and "ł"; with "and N more" when the list is longer. Characters
// that do not show (controls, lone surrogates, spaces other than the plain
// one) are named by their code, U+XXXX.
std::string DescribeCharacters(std::u32string_view characters, std::size_t shown = 5);
