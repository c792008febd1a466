// Text helpers: see text.h.
#include "journal/text.h"

#include <cstdio>
#include <cstring>

void ClearText(char* buffer, std::uint32_t count) {
    if (count != 0) std::memset(buffer, 0, count);
}

void ScrambleText(const char* source, char* destination) {
    // The end test looks at the source byte: a source byte equal to the key
    // becomes a zero byte in the destination and the copy goes on past it.
    for (std::size_t i = 0; source[i] != '\0'; ++i)
        destination[i] = static_cast<char>(static_cast<unsigned char>(source[i]) ^ kScrambleKey);
}

void QuoteSqlText(const char* source, char* destination) {
    std::size_t out = 0;
    for (std::size_t i = 0; source[i] != '\0'; ++i) {
        destination[out++] = source[i];
        if (source[i] == '\'') destination[out++] = '\'';
    }
}

std::size_t QuotedLength(const char* source) {
    std::size_t length = 0;
    for (std::size_t i = 0; source[i] != '\0'; ++i) length += (source[i] == '\'') ? 2 : 1;
    return length;
}

bool HoldsScrambleKey(const char* text) {
    return std::strchr(text, static_cast<char>(kScrambleKey)) != nullptr;
}

void CopyText(char* destination, std::size_t size, const char* source) {
    std::size_t length = 0;
    if (source != nullptr)
        while (length + 1 < size && source[length] != '\0') ++length;
    if (length != 0) std::memcpy(destination, source, length);
    destination[length] = '\0';
}

void FormatTimestampFields(char* buffer, std::size_t size, int year, int month, int day,
                           int hour, int minute, int second) {
    std::snprintf(buffer, size, "%.2d-%.2d-%.2d %.2d:%.2d:%.2d", year, month, day, hour, minute,
                  second);
}
