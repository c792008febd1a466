// Code pages and typed text: see codepage.h.
#include "journal/codepage.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool IsHighSurrogate(char32_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}
bool IsLowSurrogate(char32_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

// The character that starts at text[*i], which is advanced past it. A
// surrogate without its partner stands for itself.
char32_t NextCharacter(std::u16string_view text, std::size_t* i) {
    char32_t character = text[*i];
    if (IsHighSurrogate(character) && *i + 1 < text.size() && IsLowSurrogate(text[*i + 1])) {
        character = 0x10000 + ((character - 0xD800) << 10) + (text[*i + 1] - 0xDC00);
        ++*i;
    }
    ++*i;
    return character;
}

bool IsLoneSurrogate(char32_t character) {
    return IsHighSurrogate(character) || IsLowSurrogate(character);
}

void AddOnce(char32_t character, std::u32string* characters) {
    if (characters->find(character) == std::u32string::npos) characters->push_back(character);
}

bool EncodeWithTable(char32_t character, std::string* bytes, const void* context) {
    unsigned char byte = 0;
    if (!EncodeCharacter(*static_cast<const CodePage*>(context), character, &byte)) return false;
    bytes->push_back(static_cast<char>(byte));
    return true;
}

// A character a message box would not show as itself.
bool ShowsAsCode(char32_t character) {
    return character < 0x20 || (character >= 0x7F && character <= 0xA0) ||
           (character >= 0xD800 && character <= 0xDFFF) || character == 0xFEFF ||
           (character >= 0x2000 && character <= 0x200F) ||
           (character >= 0x2028 && character <= 0x202F);
}

}  // namespace

const CodePage* FindCodePage(int number) {
    for (const CodePage& page : kCodePages)
        if (page.number == number) return &page;
    return nullptr;
}

char16_t DecodeByte(const CodePage& page, unsigned char byte) {
    return byte < 0x80 ? static_cast<char16_t>(byte) : page.upper[byte - 0x80];
}

bool EncodeCharacter(const CodePage& page, char32_t character, unsigned char* byte) {
    if (character < 0x80) {
        *byte = static_cast<unsigned char>(character);
        return true;
    }
    if (character > 0xFFFF) return false;
    for (unsigned i = 0; i < 128; ++i) {
        if (page.upper[i] == character) {
            *byte = static_cast<unsigned char>(0x80 + i);
            return true;
        }
    }
    return false;
}

unsigned char LowerByte(const CodePage& page, unsigned char byte) {
    if (byte < 0x80)
        return (byte >= 'A' && byte <= 'Z') ? static_cast<unsigned char>(byte + 32) : byte;
    return page.lower[byte - 0x80];
}

CaseBlindMatcher::CaseBlindMatcher(const CodePage& page, std::string_view pattern) {
    for (unsigned byte = 0; byte < 256; ++byte)
        lower_[byte] = LowerByte(page, static_cast<unsigned char>(byte));
    pattern_.reserve(pattern.size());
    for (char byte : pattern)
        pattern_.push_back(static_cast<char>(lower_[static_cast<unsigned char>(byte)]));
    if (pattern_.empty()) return;
    for (unsigned byte = 0; byte < 256; ++byte)
        if (lower_[byte] == static_cast<unsigned char>(pattern_[0]))
            firsts_[firstCount_++] = static_cast<unsigned char>(byte);
}

std::size_t CaseBlindMatcher::Find(std::string_view text) const {
    const std::size_t length = pattern_.size();
    if (length == 0) return 0;
    if (text.size() < length) return std::string_view::npos;
    // The places where a match may start are found with memchr, one search
    // for each form of the first letter, each taken up again only when its
    // place has been tried; the rest of the pattern is compared folded. Where
    // the first letter is frequent, trying byte after byte is quicker.
    constexpr std::size_t kMaxForms = 8;
    constexpr std::size_t kDenseGap = 16;            // bytes per place tried below which
    constexpr std::size_t kTriesBeforeJudging = 32;  // scanning takes over
    const char* const start = text.data();
    const char* const end = start + (text.size() - length + 1);
    const char* from = start;
    if (firstCount_ <= kMaxForms) {
        const char* next[kMaxForms];
        auto seek = [&](std::size_t form, const char* at) {
            const void* found = std::memchr(at, firsts_[form], static_cast<std::size_t>(end - at));
            next[form] = found == nullptr ? end : static_cast<const char*>(found);
        };
        for (std::size_t form = 0; form < firstCount_; ++form) seek(form, start);
        for (std::size_t tries = 1;; ++tries) {
            const char* at = end;
            for (std::size_t form = 0; form < firstCount_; ++form)
                if (next[form] < at) at = next[form];
            if (at == end) return std::string_view::npos;
            if (Matches(at)) return static_cast<std::size_t>(at - start);
            from = at + 1;
            if (tries >= kTriesBeforeJudging &&
                static_cast<std::size_t>(from - start) < tries * kDenseGap)
                break;
            for (std::size_t form = 0; form < firstCount_; ++form)
                if (next[form] == at) seek(form, from);
        }
    }
    // Two letters are tested at once, without a branch between them, so that
    // the frequent first letter alone does not stop the loop.
    const unsigned char first = static_cast<unsigned char>(pattern_[0]);
    const unsigned char second = static_cast<unsigned char>(length > 1 ? pattern_[1] : 0);
    for (const char* at = from; at < end; ++at) {
        const bool firstSame = lower_[static_cast<unsigned char>(at[0])] == first;
        const bool secondSame = length == 1 || lower_[static_cast<unsigned char>(at[1])] == second;
        if ((firstSame & secondSame) && Matches(at)) return static_cast<std::size_t>(at - start);
    }
    return std::string_view::npos;
}

bool CaseBlindMatcher::Matches(const char* at) const {
    for (std::size_t k = 0; k < pattern_.size(); ++k)
        if (lower_[static_cast<unsigned char>(at[k])] != static_cast<unsigned char>(pattern_[k]))
            return false;
    return true;
}

TypedText ConvertTypedText(std::u16string_view text, EncodeFunction encode, const void* context) {
    TypedText result;
    result.bytes.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const char32_t character = NextCharacter(text, &i);
        if (!IsLoneSurrogate(character) && encode(character, &result.bytes, context)) continue;
        AddOnce(character, &result.refused);
    }
    return result;
}

TypedText ConvertTypedText(std::u16string_view text, const CodePage& page) {
    return ConvertTypedText(text, EncodeWithTable, &page);
}

std::u32string CharactersHoldingByte(std::u16string_view text, EncodeFunction encode,
                                     const void* context, unsigned char byte) {
    std::u32string holding;
    std::string bytes;
    for (std::size_t i = 0; i < text.size();) {
        const char32_t character = NextCharacter(text, &i);
        bytes.clear();
        if (IsLoneSurrogate(character) || !encode(character, &bytes, context)) continue;
        if (bytes.find(static_cast<char>(byte)) != std::string::npos) AddOnce(character, &holding);
    }
    return holding;
}

std::size_t FindFirstOf(std::u16string_view text, std::u32string_view characters) {
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t start = i;
        if (characters.find(NextCharacter(text, &i)) != std::u32string_view::npos) return start;
    }
    return text.size();
}

std::u16string DecodeText(std::string_view bytes, const CodePage& page) {
    std::u16string text;
    text.reserve(bytes.size());
    for (char byte : bytes) text.push_back(DecodeByte(page, static_cast<unsigned char>(byte)));
    return text;
}

void AppendUtf8(char32_t character, std::string* out) {
    if ((character >= 0xD800 && character <= 0xDFFF) || character > 0x10FFFF)
        character = kReplacement;
    if (character < 0x80) {
        out->push_back(static_cast<char>(character));
    } else if (character < 0x800) {
        out->push_back(static_cast<char>(0xC0 | (character >> 6)));
        out->push_back(static_cast<char>(0x80 | (character & 0x3F)));
    } else if (character < 0x10000) {
        out->push_back(static_cast<char>(0xE0 | (character >> 12)));
        out->push_back(static_cast<char>(0x80 | ((character >> 6) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | (character & 0x3F)));
    } else {
        out->push_back(static_cast<char>(0xF0 | (character >> 18)));
        out->push_back(static_cast<char>(0x80 | ((character >> 12) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | ((character >> 6) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | (character & 0x3F)));
    }
}

std::string Utf8FromUtf16(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) AppendUtf8(NextCharacter(text, &i), &out);
    return out;
}

std::u16string Utf16FromUtf8(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const unsigned char lead = static_cast<unsigned char>(text[i]);
        std::size_t length = 0;
        char32_t character = kReplacement;
        char32_t least = 0;
        if (lead < 0x80) {
            length = 1;
            character = lead;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
            character = lead & 0x1F;
            least = 0x80;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            character = lead & 0x0F;
            least = 0x800;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            character = lead & 0x07;
            least = 0x10000;
        }
        bool valid = length > 0 && i + length <= text.size();
        for (std::size_t k = 1; valid && k < length; ++k) {
            const unsigned char next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) valid = false;
            character = (character << 6) | (next & 0x3F);
        }
        if (valid && length > 1 &&
            (character < least || character > 0x10FFFF ||
             (character >= 0xD800 && character <= 0xDFFF)))
            valid = false;
        if (!valid) {
            // One replacement for the lead byte; the next byte starts afresh.
            out.push_back(static_cast<char16_t>(kReplacement));
            ++i;
            continue;
        }
        if (character >= 0x10000) {
            character -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (character >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (character & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(character));
        }
        i += length;
    }
    return out;
}

std::string DescribeCharacters(std::u32string_view characters, std::size_t shown) {
    std::string out;
    const std::size_t named = characters.size() < shown ? characters.size() : shown;
    for (std::size_t i = 0; i < named; ++i) {
        if (i > 0) out += (i + 1 == named && named == characters.size()) ? " and " : ", ";
        const char32_t character = characters[i];
        if (ShowsAsCode(character)) {
            char code[16];
            std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(character));
            out += code;
        } else {
            out += '"';
            AppendUtf8(character, &out);
            out += '"';
        }
    }
    if (named < characters.size()) {
        char more[48];
        std::snprintf(more, sizeof more, " and %lu more",
                      static_cast<unsigned long>(characters.size() - named));
        out += more;
    }
    return out;
}
