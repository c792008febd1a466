// Replacing a file's contents in one step: see replace_file.h. Needs only
// kernel32 and the C runtime, so that console tools can link it too.
#include "shell/replace_file.h"

#include <windows.h>
#include <io.h>

#include <string>

namespace {

constexpr char kNewFileSuffix[] = ".new";

// Writes the new file and flushes it to the disk; true when all of it got there.
bool WriteNewFile(const char* newPath, FileWriter write, void* context) {
    std::FILE* file = std::fopen(newPath, "wb");
    if (file == nullptr) return false;
    bool written = write(file, context);
    written = std::fflush(file) == 0 && written;
    written = _commit(_fileno(file)) == 0 && written;
    return std::fclose(file) == 0 && written;
}

}  // namespace

bool ReplaceFileContents(const char* path, FileWriter write, void* context) {
    // A replacing move does not refuse a read-only target everywhere; such a
    // file stays as it is, as it would if it were written in place.
    const DWORD attributes = GetFileAttributesA(path);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0)
        return false;
    const std::string newPath = std::string(path) + kNewFileSuffix;
    // The new file reaches the disk before it takes the old one's place, so a
    // power cut leaves either the old contents or the new, never a part.
    if (WriteNewFile(newPath.c_str(), write, context) &&
        MoveFileExA(newPath.c_str(), path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    DeleteFileA(newPath.c_str());
    return false;
}
