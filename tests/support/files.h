// File helpers shared by the Win32 and the end-to-end tests.
#pragma once

#include <map>
#include <string>

// The program's data folder in this Wine prefix (application data + "larkmoor").
std::string DataFolderPath();
// Deletes the data folder and everything in it, so the next start is a first start.
void RemoveDataFolder();
// Deletes a folder and everything below it; a missing folder is fine.
void RemoveTree(const std::string& folder);
// An empty folder of this name in the temporary folder.
std::string EmptyTempFolder(const char* name);

bool WriteFileBytes(const std::string& path, const std::string& bytes);
std::string ReadFileBytes(const std::string& path);
bool PathExists(const std::string& path);
// Every file below a folder, by its path relative to the folder, with its
// bytes; empty for a missing folder.
std::map<std::string, std::string> ReadTree(const std::string& folder);

// Writes a settings file into the data folder: geometry, switches and the
// plain password (stored scrambled, as the program stores it).
void WriteSettingsFile(int left, int top, int width, int height, int startup, int log,
                       int autoLogin, const std::string& password = "granite");

// Adds a message box the tests saw to the file named by LARKMOOR_BOXES (one
// line each: caption, a tab, the text; backslashes, tabs and line ends
// written as \\, \t, \r and \n), so that the help file's check can find each
// on the troubleshooting page. Nothing when the variable is not set.
void RecordBox(const std::string& captionUtf8, const std::string& textUtf8);
