// File helpers shared by the Win32 and the end-to-end tests: see files.h.
#include "support/files.h"

#include <windows.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <cstdio>

#include "journal/text.h"
#include "shell/paths.h"

std::string DataFolderPath() {
    char folder[MAX_PATH] = {};
    SHGetSpecialFolderPathA(nullptr, folder, CSIDL_APPDATA, FALSE);
    PathAppendA(folder, kDataFolderName);
    return folder;
}

void RemoveDataFolder() {
    RemoveTree(DataFolderPath());
}

void RemoveTree(const std::string& folder) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            // A name the code page cannot hold is reached by its short form.
            const std::string name =
                found.cAlternateFileName[0] != '\0' ? found.cAlternateFileName : found.cFileName;
            if (name == "." || name == "..") continue;
            const std::string path = folder + "\\" + name;
            SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(path);
            else
                DeleteFileA(path.c_str());
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    SetFileAttributesA(folder.c_str(), FILE_ATTRIBUTE_NORMAL);
    RemoveDirectoryA(folder.c_str());
}

bool WriteFileBytes(const std::string& path, const std::string& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && ok;
}

std::string ReadFileBytes(const std::string& path) {
    std::string bytes;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return bytes;
    char chunk[4096];
    std::size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) bytes.append(chunk, got);
    std::fclose(file);
    return bytes;
}

bool PathExists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void WriteSettingsFile(int left, int top, int width, int height, int startup, int log,
                       int autoLogin, const char* password) {
    char scrambled[kTextSize];
    ClearText(scrambled, sizeof scrambled);
    ScrambleText(password, scrambled);
    char text[2 * kTextSize];
    std::snprintf(text, sizeof text, "%d\n%d\n%d\n%d\n%d\n%d\n%d\n%s\n", left, top, width, height,
                  startup, log, autoLogin, scrambled);
    CreateDirectoryA(DataFolderPath().c_str(), nullptr);
    WriteFileBytes(DataFolderPath() + kSettingsFileName, text);
}
