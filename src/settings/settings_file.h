// The settings record and its file format. Portable: no Windows headers.
//
// The settings file has eight lines, each ended by a single line feed:
// seven signed decimal numbers (window left, top, width, height, then the
// startup-screen, logging and automatic-login switches) and the scrambled
// password as its raw bytes.
#pragma once

#include <cstdio>

#include "journal/text.h"

extern int WindowLeft;
extern int WindowTop;
extern int WindowWidth;
extern int WindowHeight;
extern int ShowStartupScreen;  // on only when exactly 1
extern int LogEnabled;         // on only when exactly 1
extern int AutoLogin;          // off only when exactly 0
extern char StoredPassword[kTextSize];  // scrambled form of the password

constexpr const char kInitialPassword[] = "granite";

// The blanks that the reader skips after each number, as the format "%d\n"
// would: space, tab, line feed, vertical tab, form feed, carriage return.
// A password whose scrambled form starts with one would not read back whole.
bool IsSettingsBlank(int byte);

// Sets every field to the settings of a first start.
void ApplyDefaultSettings();

// Reads the record from an open settings file (opened "rb"). A number that
// cannot be read leaves its field as it was. A file that ends before the
// password line, whose password line is empty, or one of whose seven number
// lines is not a number, gets the initial password back, so that a damaged
// file can neither let anyone in without a password nor lock the user out
// for good.
void ReadSettingsFrom(std::FILE* file);

// Writes the whole record to an open file (opened "wb"). Returns false when a
// write failed.
bool WriteSettingsTo(std::FILE* file);
