// Password checks: see password.h.
#include "settings/password.h"

#include <cstdio>
#include <cstring>

#include "journal/text.h"

namespace {

constexpr unsigned char kLineFeed = '\n';

unsigned char Scrambled(unsigned char byte) {
    return static_cast<unsigned char>(byte ^ kScrambleKey);
}

// The bytes the reader of the settings numbers skips after the last number.
bool IsSkippedBlank(unsigned char byte) {
    return byte == ' ' || byte == '\t' || byte == '\n' || byte == '\v' || byte == '\f' ||
           byte == '\r';
}

}  // namespace

bool MatchesStoredPassword(const char* typed, const char* stored) {
    char scrambled[kTextSize];
    ClearText(scrambled, sizeof scrambled);
    ScrambleText(typed, scrambled);
    const bool same = std::strcmp(scrambled, stored) == 0;
    ClearText(scrambled, sizeof scrambled);
    return same;
}

NewPasswordProblem CheckNewPassword(const char* password) {
    if (password[0] == '\0') return NewPasswordProblem::Empty;
    if (HoldsScrambleKey(password)) return NewPasswordProblem::HoldsScrambleKey;
    for (const char* p = password; *p != '\0'; ++p)
        if (Scrambled(static_cast<unsigned char>(*p)) == kLineFeed)
            return NewPasswordProblem::HoldsLineEnd;
    if (IsSkippedBlank(Scrambled(static_cast<unsigned char>(password[0]))))
        return NewPasswordProblem::BadFirstByte;
    return NewPasswordProblem::None;
}

void DescribePasswordProblem(NewPasswordProblem problem, const char* password, char* buffer,
                             std::size_t size) {
    if (size == 0) return;
    const unsigned char lineEnd = Scrambled(kLineFeed);
    switch (problem) {
    case NewPasswordProblem::None:
        buffer[0] = '\0';
        break;
    case NewPasswordProblem::Empty:
        std::snprintf(buffer, size, "The new password must not be empty.");
        break;
    case NewPasswordProblem::HoldsScrambleKey:
        std::snprintf(buffer, size,
                      "The new password cannot contain the character \"%c\" (code %d): "
                      "the settings file cannot hold it.",
                      static_cast<char>(kScrambleKey), kScrambleKey);
        break;
    case NewPasswordProblem::HoldsLineEnd:
        std::snprintf(buffer, size,
                      "The new password cannot contain the character \"%c\" (code %d): "
                      "the settings file cannot hold it.",
                      static_cast<char>(lineEnd), lineEnd);
        break;
    case NewPasswordProblem::BadFirstByte:
        std::snprintf(buffer, size,
                      "The new password cannot begin with the character \"%c\" (code %d): "
                      "the settings file cannot hold it there.",
                      password[0], static_cast<unsigned char>(password[0]));
        break;
    }
}
