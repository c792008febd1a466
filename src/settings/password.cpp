// Password checks: see password.h.
#include "settings/password.h"

#include <cstdio>
#include <cstring>

#include "journal/text.h"
#include "settings/settings_file.h"

namespace {

constexpr unsigned char kLineFeed = '\n';

constexpr const char kEmptyPassword[] = "The new password must not be empty.";
constexpr const char kPasswordOutsideCharacterSet[] =
    "The new password contains %s, which this computer's character set cannot hold. Choose a "
    "password without such characters.";
constexpr const char kPasswordByteNotHeld[] =
    "The new password cannot contain the character %s (code %d): the settings file cannot "
    "hold it.";
constexpr const char kPasswordFirstByteNotHeld[] =
    "The new password cannot begin with the character %s (code %d): the settings file cannot "
    "hold it there.";

unsigned char Scrambled(unsigned char byte) {
    return static_cast<unsigned char>(byte ^ kScrambleKey);
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

LoginAnswer CheckLoginPassword(bool nothingTyped, bool refused, const char* password,
                               const char* stored) {
    if (nothingTyped) return LoginAnswer::PasswordRequired;
    if (refused) return LoginAnswer::IncorrectPassword;
    char cut[kTextSize];
    CopyText(cut, sizeof cut, password);
    const bool right = MatchesStoredPassword(cut, stored);
    ClearText(cut, sizeof cut);
    return right ? LoginAnswer::Right : LoginAnswer::IncorrectPassword;
}

NewPasswordProblem CheckNewPassword(const char* password) {
    if (password[0] == '\0') return NewPasswordProblem::Empty;
    if (HoldsScrambleKey(password)) return NewPasswordProblem::HoldsScrambleKey;
    for (const char* p = password; *p != '\0'; ++p)
        if (Scrambled(static_cast<unsigned char>(*p)) == kLineFeed)
            return NewPasswordProblem::HoldsLineEnd;
    // The reader of the settings file skips blanks after the last number.
    if (IsSettingsBlank(Scrambled(static_cast<unsigned char>(password[0]))))
        return NewPasswordProblem::BadFirstByte;
    return NewPasswordProblem::None;
}

unsigned char PasswordProblemByte(NewPasswordProblem problem, const char* password) {
    switch (problem) {
    case NewPasswordProblem::HoldsScrambleKey:
        return kScrambleKey;
    case NewPasswordProblem::HoldsLineEnd:
        return Scrambled(kLineFeed);
    case NewPasswordProblem::BadFirstByte:
        return static_cast<unsigned char>(password[0]);
    case NewPasswordProblem::None:
    case NewPasswordProblem::Empty:
    case NewPasswordProblem::OutsideCharacterSet:
        break;
    }
    return 0;
}

void DescribePasswordProblem(NewPasswordProblem problem, const char* password,
                             const char* characters, char* buffer, std::size_t size) {
    if (size == 0) return;
    const int code = PasswordProblemByte(problem, password);
    switch (problem) {
    case NewPasswordProblem::None:
        buffer[0] = '\0';
        break;
    case NewPasswordProblem::Empty:
        std::snprintf(buffer, size, "%s", kEmptyPassword);
        break;
    case NewPasswordProblem::OutsideCharacterSet:
        std::snprintf(buffer, size, kPasswordOutsideCharacterSet, characters);
        break;
    case NewPasswordProblem::HoldsScrambleKey:
    case NewPasswordProblem::HoldsLineEnd:
        std::snprintf(buffer, size, kPasswordByteNotHeld, characters, code);
        break;
    case NewPasswordProblem::BadFirstByte:
        std::snprintf(buffer, size, kPasswordFirstByteNotHeld, characters, code);
        break;
    }
}
