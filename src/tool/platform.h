// What larkmoor-tool needs from the system, in one small interface with one
// implementation for Windows and one for POSIX systems. Paths are UTF-8
// everywhere; the Windows implementation converts them to UTF-16.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "shell/replace_file.h"

namespace platform {

// The command line as UTF-8 texts, without the program name.
std::vector<std::string> Arguments(int argc, char** argv);

// Standard output and error in binary mode, so that what is written arrives
// byte for byte (no line-end translation).
void PrepareStandardStreams();

// Writes UTF-8 text to standard output or standard error. A Windows console
// is given the text as UTF-16, so that every character shows as itself.
// Returns false when the write failed.
bool WriteOut(std::string_view text);
bool WriteError(std::string_view text);

// The program's own data folder (%APPDATA%\larkmoor); empty where the
// program has none (any system but Windows).
std::string DefaultDataFolder();
// The system's ANSI code page; 0 where there is none.
int SystemCodePage();
// True when a running Larkmoor can be seen (its single-instance mutex).
bool ProgramRunning();

// Reads a line typed at the console without showing it, after showing the
// prompt. False when there is no console to read from.
bool ReadHiddenLine(const char* prompt, std::string* line);

std::FILE* OpenFile(const std::string& path, const char* mode);
bool IsFile(const std::string& path);
bool IsDirectory(const std::string& path);
bool MakeDirectory(const std::string& path);  // true when made or already there
// Renames a file or folder; fails when the target exists.
bool Rename(const std::string& from, const std::string& to);
bool RemoveFile(const std::string& path);
// Removes a folder and everything in it.
bool RemoveTree(const std::string& path);
// The names in a folder (not "." and ".."), unsorted; empty when unreadable.
std::vector<std::string> ListFolder(const std::string& path);
// ReplaceFileContents for a UTF-8 path.
bool ReplaceWholeFile(const std::string& path, FileWriter write, void* context);

// Local date and time: year, month, day, hour, minute, second.
void LocalTime(int fields[6]);
void SleepMilliseconds(int milliseconds);

}  // namespace platform
