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

bool IsTimestampText(std::string_view text) {
    // "YYYY-MM-DD hh:mm:ss": every field its digits, every separator in place.
    static constexpr char kShape[] = "0000-00-00 00:00:00";
    if (text.size() != sizeof kShape - 1) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool digit = text[i] >= '0' && text[i] <= '9';
        if (kShape[i] == '0' ? !digit : text[i] != kShape[i]) return false;
    }
    const auto number = [&](std::size_t at, std::size_t digits) {
        int value = 0;
        for (std::size_t i = at; i < at + digits; ++i) value = value * 10 + (text[i] - '0');
        return value;
    };
    const int year = number(0, 4);
    const int month = number(5, 2);
    const int day = number(8, 2);
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (year < 1 || month < 1 || month > 12) return false;
    const int days = kDays[month - 1] + (month == 2 && leap ? 1 : 0);
    return day >= 1 && day <= days && number(11, 2) <= 23 && number(14, 2) <= 59 &&
           number(17, 2) <= 59;
}
