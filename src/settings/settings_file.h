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

// What reading a settings file found wrong with it, if anything.
enum class SettingsDamage {
    None,
    EndsEarly,   // the file ends before its seventh number
    NotANumber,  // one of the seven number lines holds no number
    NoPassword,  // the password line is missing, empty or only blanks
    Unreadable,  // the file is there but cannot be read: a folder, no permission, a read error
};

struct SettingsReading {
    SettingsDamage damage = SettingsDamage::None;
    int line = 0;  // EndsEarly: the numbers read (0 to 6); NotANumber: its line (1 to 7)
};

// Reads the record from an open settings file (opened "rb"). A number that
// cannot be read leaves its field as it was. A file that ends before the
// password line, whose password line is empty, or one of whose seven number
// lines is not a number, gets the initial password back, so that a damaged
// file can neither let anyone in without a password nor lock the user out
// for good. Says what was wrong; a read error is not looked at here.
SettingsReading ReadSettingsFrom(std::FILE* file);

// How LoadSettingsFrom found the settings.
enum class SettingsSource {
    FirstStart,  // there is no settings file: the first-start settings apply,
                 // and the caller saves them at once
    Read,        // read whole
    Damaged,     // read as far as it goes, or not at all: see reading
};

struct SettingsLoad {
    SettingsSource source = SettingsSource::Read;
    SettingsReading reading;
    int error = 0;  // Unreadable: the errno of the failed open or read
};

// Loads the record as the program does at its start, and as larkmoor-tool
// does before it asks for the password: one rule for both. file is the
// settings file opened "rb", or null when it could not be opened, openError
// then being the errno of the failed open.
// - No file (ENOENT): the first-start settings (automatic login on).
// - A file that cannot be opened or read (a folder in its place, no
//   permission, a read error): every number 0 and the initial password, so
//   automatic login is off and the password is asked for.
// - Otherwise the file is read into a record whose numbers start at 0; a
//   damaged file gets the initial password (ReadSettingsFrom).
SettingsLoad LoadSettingsFrom(std::FILE* file, int openError);

// Writes the whole record to an open file (opened "wb"). Returns false when a
// write failed.
bool WriteSettingsTo(std::FILE* file);
