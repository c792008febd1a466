// Forming file paths in the program's fixed text buffers. Portable.
#pragma once

#include <cstddef>

// Names of the data folder and the files the program keeps. The data files
// are joined to the data folder with a forward slash, the default prompts
// file to the program folder with a backslash; Windows accepts both.
constexpr const char kDataFolderName[] = "larkmoor";
constexpr const char kSettingsFileName[] = "/larkmoor.cfg";
constexpr const char kLogFileName[] = "/larkmoorlog.txt";
constexpr const char kPromptsFileName[] = "/larkmoorqtx.txt";
constexpr const char kDatabaseFileName[] = "/larkmoor.3db";
constexpr const char kDefaultPromptsFileName[] = "\\larkmoorqtx.txt";
constexpr const char kHelpFileName[] = "larkmoorhelp.chm";

// destination := folder followed directly by name (plain concatenation, no
// separator added or removed). Never writes past size bytes; returns false
// and leaves an empty text when the joined path would not fit.
bool JoinPath(char* destination, std::size_t size, const char* folder, const char* name);
