// What larkmoor-tool needs from the system, in one small interface with one
// implementation for Windows and one for POSIX systems. Paths are UTF-8
// everywhere; the Windows implementation converts them to UTF-16. A routine
// that fails leaves the system's reason for ErrorText().
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "journal/codepage.h"

namespace platform {

// The command line as UTF-8 texts, without the program name.
std::vector<std::string> Arguments(int argc, char** argv);

// Standard input, output and error made safe to use: any of them that is
// closed is opened on the null device (/dev/null, NUL), so that no file the
// tool opens later takes its place and receives messages; output in binary
// mode, so that what is written arrives byte for byte.
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
// The system's conversion between its ANSI code page and Unicode, the
// program's own (Windows only; never called where SystemCodePage() is 0):
// bytes as UTF-16; the EncodeFunction of one character, exact or refused;
// bytes cut to at most size - 1 bytes at the end of a character; letters in
// lower case.
std::u16string DecodeSystemText(std::string_view bytes);
bool EncodeSystemCharacter(char32_t character, std::string* bytes, const void* context);
std::string CutSystemText(const std::string& bytes, std::size_t size);
void LowerSystemCase(std::u16string* text);

// True when a running Larkmoor can be seen (its single-instance mutex).
bool ProgramRunning();

// Reads a line typed at the console without showing it, after showing the
// prompt. False when there is no console to read from.
bool ReadHiddenLine(const char* prompt, std::string* line);

// --- Files -------------------------------------------------------------------------

enum class FileKind { Missing, Regular, Directory, Link, Other };

struct FileInfo {
    FileKind kind = FileKind::Missing;
    std::uint64_t size = 0;
    unsigned mode = 0;      // permission bits (POSIX); 0 on Windows
    bool readOnly = false;  // no write permission bit (POSIX), read-only attribute (Windows)
    // The file's identity on its system (device and inode, volume and index).
    std::uint64_t device = 0;
    std::uint64_t index = 0;
    // What an Other file is, for messages: "a FIFO", "a device", ...
    const char* what = "";
};

// What is at path, a link itself rather than what it points to. False (with
// ErrorText()) when that cannot be told; a missing file is FileKind::Missing.
bool Inspect(const std::string& path, FileInfo* info);
// The same for what path leads to, following links.
bool InspectTarget(const std::string& path, FileInfo* info);
// True when both name the same file (same identity).
bool SameFile(const FileInfo& a, const FileInfo& b);

std::FILE* OpenFile(const std::string& path, const char* mode);
// Creates a file that must not exist yet, for writing in binary mode;
// readable and writable by its owner alone until SetMode. Null when it
// exists or cannot be made.
std::FILE* CreateNewFile(const std::string& path);
// Flushes an open file to the disk.
bool SyncFile(std::FILE* file);
// Gives a file these permission bits (POSIX; Windows keeps its own).
bool SetMode(const std::string& path, unsigned mode);
// The permission bits a new file gets from the system (POSIX: 0666 less the
// umask); 0 on Windows.
unsigned NewFileMode();
// Makes the folder if it is not there; true when it is there afterwards.
bool MakeDirectory(const std::string& path);
// Makes a new folder; false when anything is there already.
bool MakeNewDirectory(const std::string& path, unsigned mode);
// Renames a file or folder; fails when the target exists.
bool Rename(const std::string& from, const std::string& to);
// Moves a file over another (or to a free name) in one step.
bool MoveOver(const std::string& from, const std::string& to);
bool RemoveFile(const std::string& path);
// Removes an empty folder.
bool RemoveFolder(const std::string& path);
// Removes a folder and everything in it, without following links.
bool RemoveTree(const std::string& path);
// The names in a folder (not "." and ".."), unsorted; empty when unreadable.
std::vector<std::string> ListFolder(const std::string& path);
// Shortens a file to size bytes.
bool CutFile(const std::string& path, std::uint64_t size);

// The reason of the last failure of the system, in words.
std::string ErrorText();
// The words of a C library error number (errno).
std::string ErrnoText(int error);
// The words of the system's own error code (errno, or Windows' GetLastError).
std::string SystemErrorText(int code);

// Local date and time: year, month, day, hour, minute, second.
void LocalTime(int fields[6]);
void SleepMilliseconds(int milliseconds);
unsigned long ProcessId();
// The separator of path parts: '\\' on Windows, '/' elsewhere.
char Separator();
// True when file names differ only in letter case name the same file.
bool CaseBlindNames();

}  // namespace platform
