// File helpers shared by the Win32 and the end-to-end tests: see files.h.
#include "support/files.h"

#include <windows.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <cstdio>
#include <cstdlib>

#include "shell/paths.h"
#include "support/oracles.h"

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

std::string EmptyTempFolder(const char* name) {
    char base[MAX_PATH] = {};
    GetTempPathA(sizeof base, base);
    const std::string folder = std::string(base) + name;
    RemoveTree(folder);
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
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

std::map<std::string, std::string> ReadTree(const std::string& folder) {
    std::map<std::string, std::string> files;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return files;
    do {
        const std::string name = found.cFileName;
        if (name == "." || name == "..") continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            for (const auto& [path, bytes] : ReadTree(folder + "\\" + name))
                files[name + "\\" + path] = bytes;
        } else {
            files[name] = ReadFileBytes(folder + "\\" + name);
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return files;
}

bool PathExists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void WriteSettingsFile(int left, int top, int width, int height, int startup, int log,
                       int autoLogin, const std::string& password) {
    CreateDirectoryA(DataFolderPath().c_str(), nullptr);
    WriteFileBytes(DataFolderPath() + kSettingsFileName,
                   oracle::SettingsFile(left, top, width, height, startup, log, autoLogin, password));
}

void RecordBox(const std::string& captionUtf8, const std::string& textUtf8) {
    const char* path = std::getenv("LARKMOOR_BOXES");
    if (path == nullptr || *path == '\0') return;
    auto escaped = [](const std::string& text) {
        std::string out;
        for (char c : text)
            out += c == '\\' ? "\\\\" : c == '\t' ? "\\t" : c == '\r' ? "\\r"
                 : c == '\n' ? "\\n" : std::string(1, c);
        return out;
    };
    const std::string line = escaped(captionUtf8) + "\t" + escaped(textUtf8) + "\n";
    std::FILE* file = std::fopen(path, "ab");
    if (file == nullptr) return;
    std::fwrite(line.data(), 1, line.size(), file);
    std::fclose(file);
}
