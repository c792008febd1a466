// What backup and restore share: the files a backup holds, the naming of
// backup folders, and copies of a journal through SQLite. Portable.
#pragma once

#include <string>

#include "shell/paths.h"

// The data files a backup holds, under the same names as in the data folder
// (without the data folder's leading slash), so that a backup folder is
// itself a data folder the tool can verify or export.
constexpr const char* kJournalName = kDatabaseFileName + 1;
constexpr const char* kSettingsName = kSettingsFileName + 1;
constexpr const char* kPromptsName = kPromptsFileName + 1;

// The file in every backup folder the tool makes, and its contents: --keep
// deletes only folders that hold it.
constexpr const char kBackupMarkName[] = "larkmoor-tool-backup.txt";
constexpr const char kBackupMarkText[] =
    "This folder is a backup made by larkmoor-tool. larkmoor-tool backup --keep deletes it "
    "when it is among the oldest.\n";

// The names of backup folders: prefix + "YYYY-MM-DD-hhmmss", with "-2", "-3"
// ... after it for a second backup in the same second.
constexpr const char kBackupPrefix[] = "larkmoor-";
constexpr const char kKeptPrefix[] = "before-restore-";

// True when name is a backup folder's name; *stamp and *serial then give its
// time and its number within that second (1 for the first), for ordering.
bool ParseBackupName(const std::string& name, const char* prefix, std::string* stamp,
                     unsigned long* serial);

// Makes a new folder prefix + stamp (+ "-N") in folder, named after now, that
// nothing had before, with the given permission bits. Returns its path, or
// an empty text (with *why) when none can be made.
std::string MakeStampedFolder(const std::string& folder, const char* prefix, unsigned mode,
                              std::string* why);

// Copies a journal with SQLite's online backup into a new file: the whole
// file in one step under one read lock, so the copy is one consistent state
// of the journal, never a half-written one. Waits for a lock another program
// holds. The copy gets the permission bits mode (0: the system's default).
bool CopyJournal(const std::string& from, const std::string& to, unsigned mode,
                 std::string* why);

// True when the journal file passes SQLite's integrity check and holds the
// program's table; otherwise *why says what is wrong.
bool JournalIsSound(const std::string& path, std::string* why);
