// The one way larkmoor-tool writes a file (an export, the files of a backup,
// the files restore puts back): written whole under a new, unique name
// beside the target, flushed to the disk, then moved over the target in one
// step. Portable: no Windows headers.
#pragma once

#include <cstdio>
#include <string>

// Writes the file's contents; false when a write failed.
using OutputWriter = bool (*)(std::FILE* file, void* context);

struct OutputRules {
    // When set, the target may not be one of this data folder's own files
    // (the journal and its companions, the settings, log and prompts files).
    const std::string* dataFolder = nullptr;
    // Permission bits for a target that is not there yet (POSIX); 0 gives the
    // system's default for new files. An existing target keeps its own.
    unsigned newMode = 0;
};

// Writes target through write. Refuses a target that is not a regular file
// (a link, a folder, a FIFO, a device), a read-only one, and one the rules
// protect; never touches any other file: the temporary name is made new,
// and goes again on any failure. On failure *why says what and why.
bool WriteFileSafely(const std::string& target, const OutputRules& rules, OutputWriter write,
                     void* context, std::string* why);

// Copies the file at from to target through WriteFileSafely; a new target
// takes the source's permission bits.
bool CopyFileSafely(const std::string& from, const std::string& target, OutputRules rules,
                    std::string* why);

// True when path names one of the data folder's own files, or the same file
// as one of them: the journal (and its -journal, -wal and -shm files), the
// settings file, the log and the prompts file, with the files the program
// writes beside them while saving.
bool IsDataFolderFile(const std::string& path, const std::string& dataFolder);
