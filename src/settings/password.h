// Checking a typed password against the stored one, and the rule a new
// password must follow so that it reads back whole from the settings file.
// Portable: no Windows headers.
#pragma once

#include <cstddef>

// The answers of the password checks (Login and Change password).
constexpr const char kPasswordRequired[] = "Password required!";
constexpr const char kIncorrectPassword[] = "Incorrect password!";

// True when typed (at most kTextSize - 1 bytes) scrambles to exactly stored.
// Letter case and every byte count.
bool MatchesStoredPassword(const char* typed, const char* stored);

// The answer to a password typed where the password is asked for.
enum class LoginAnswer { Right, PasswordRequired, IncorrectPassword };

// The one check of a typed password, for the Login dialog, the current
// password of Change password and larkmoor-tool alike. nothingTyped: the
// field (or line) was empty. refused: the text holds characters the code
// page cannot hold; such a password is incorrect, never compared in an
// altered form. password: the text in the code page, cut by the caller to
// at most kTextSize - 1 bytes at the end of a character.
LoginAnswer CheckLoginPassword(bool nothingTyped, bool refused, const char* password,
                               const char* stored);

// Why a new password cannot be stored as it is.
enum class NewPasswordProblem {
    None,
    Empty,
    OutsideCharacterSet,  // holds characters that the code page cannot hold
    HoldsScrambleKey,     // scrambles to a zero byte: the rest would be cut off
    HoldsLineEnd,         // scrambles to a line feed: the password line would end there
    BadFirstByte,         // scrambles to white space, which the reader skips
};

// The first reason, if any, why the new password (its bytes in the code
// page) would not read back from the settings file exactly as it was typed.
NewPasswordProblem CheckNewPassword(const char* password);

// The byte that a problem of CheckNewPassword is about: the key byte, the
// byte that scrambles to a line feed, or the password's first byte.
unsigned char PasswordProblemByte(NewPasswordProblem problem, const char* password);

// The message, in UTF-8, that tells the user why the new password was
// refused. characters names the characters at fault as DescribeCharacters
// does: those the code page cannot hold, or the one typed character whose
// byte the settings file cannot hold.
void DescribePasswordProblem(NewPasswordProblem problem, const char* password,
                             const char* characters, char* buffer, std::size_t size);
