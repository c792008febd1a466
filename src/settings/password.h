// Checking a typed password against the stored one, and the rule a new
// password must follow so that it reads back whole from the settings file.
// Portable: no Windows headers.
#pragma once

#include <cstddef>

// True when typed (at most kTextSize - 1 bytes) scrambles to exactly stored.
// Letter case and every byte count.
bool MatchesStoredPassword(const char* typed, const char* stored);

// Why a new password cannot be stored as it is.
enum class NewPasswordProblem {
    None,
    Empty,
    HoldsScrambleKey,  // scrambles to a zero byte: the rest would be cut off
    HoldsLineEnd,      // scrambles to a line feed: the password line would end there
    BadFirstByte,      // scrambles to white space, which the reader skips
};

// The first reason, if any, why the new password would not read back from
// the settings file exactly as it was typed.
NewPasswordProblem CheckNewPassword(const char* password);

// The message that tells the user why the new password was refused.
void DescribePasswordProblem(NewPasswordProblem problem, const char* password, char* buffer,
                             std::size_t size);
