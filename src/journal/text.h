// Text helpers shared by the whole program: fixed text buffers, clearing,
// scrambling (stored passwords and entry texts), SQL quoting and the
// timestamp text. Portable: no Windows headers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

// Sizes of the program's fixed buffers, in bytes, terminator included.
constexpr std::size_t kTextSize = 780;        // paths, subjects, log lines, passwords...
constexpr std::size_t kEntrySize = 32767;     // one journal entry text
constexpr std::size_t kTimestampSize = 80;    // the shared timestamp buffer

// Quoted forms may be up to twice as long as their texts (a text made only of
// single quotes), so the buffers that carry them hold twice the longest text.
constexpr std::size_t kQuotedTextSize = 2 * (kTextSize - 1) + 1;
constexpr std::size_t kQuotedEntrySize = 2 * (kEntrySize - 1) + 1;

// Every stored password and entry text is XOR-ed with this byte.
constexpr unsigned char kScrambleKey = 0xA5;

// Stores count zero bytes from the start of buffer.
void ClearText(char* buffer, std::uint32_t count);

// Writes source XOR kScrambleKey into destination, byte for byte up to (not
// including) the source's terminator. Writes no terminator: the caller clears
// the destination first. Applying it twice gives the text back. Each byte
// depends on the byte at the same position only, so destination may be
// source itself.
void ScrambleText(const char* source, char* destination);

// Writes source with every single quote doubled, so that it can stand between
// the quotes of an SQL string literal. Writes no terminator.
void QuoteSqlText(const char* source, char* destination);

// Number of bytes QuoteSqlText writes for source (terminator not counted).
std::size_t QuotedLength(const char* source);

// True when the text holds the scramble key byte, whose scrambled form is a
// zero byte: such a text cannot be stored whole in scrambled form.
bool HoldsScrambleKey(const char* text);

// Copies source into destination, cut to size - 1 bytes, always terminated.
// A null source gives the empty text. size must be at least 1.
void CopyText(char* destination, std::size_t size, const char* source);

// Writes the timestamp text "YYYY-MM-DD hh:mm:ss" of the given date and time
// into buffer (at least 20 bytes), with its terminator.
void FormatTimestampFields(char* buffer, std::size_t size, int year, int month, int day,
                           int hour, int minute, int second);

// True when text is a timestamp text of a real local time, as the program
// writes one: "YYYY-MM-DD hh:mm:ss", a month of 1 to 12, a day that month
// has (29 February in leap years only), hours 0 to 23, minutes and seconds
// 0 to 59.
bool IsTimestampText(std::string_view text);
