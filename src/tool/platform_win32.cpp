// The system interface of larkmoor-tool on Windows: see platform.h. The only
// file of the tool that includes windows.h.
#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstdio>
#include <string>

#include "journal/codepage.h"
#include "shell/paths.h"
#include "shell/shell.h"
#include "tool/platform.h"

namespace {

std::wstring Wide(const std::string& text) {
    const std::u16string wide = Utf16FromUtf8(text);
    return std::wstring(wide.begin(), wide.end());
}

std::string Narrow(const wchar_t* text) {
    const std::wstring wide(text);
    return Utf8FromUtf16(std::u16string(wide.begin(), wide.end()));
}

// Writes to a console as UTF-16, to anything else as the bytes given.
bool WriteTo(DWORD which, std::FILE* stream, std::string_view text) {
    HANDLE handle = GetStdHandle(which);
    DWORD mode = 0;
    if (handle != INVALID_HANDLE_VALUE && handle != nullptr && GetConsoleMode(handle, &mode)) {
        const std::u16string wide = Utf16FromUtf8(text);
        const wchar_t* data = reinterpret_cast<const wchar_t*>(wide.data());
        std::size_t left = wide.size();
        while (left > 0) {
            DWORD written = 0;
            const DWORD chunk = left > 16384 ? 16384 : static_cast<DWORD>(left);
            if (!WriteConsoleW(handle, data, chunk, &written, nullptr) || written == 0)
                return false;
            data += written;
            left -= written;
        }
        return true;
    }
    return std::fwrite(text.data(), 1, text.size(), stream) == text.size() &&
           std::fflush(stream) == 0;
}

}  // namespace

namespace platform {

std::vector<std::string> Arguments(int, char**) {
    std::vector<std::string> arguments;
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (wide == nullptr) return arguments;
    for (int i = 1; i < count; ++i) arguments.push_back(Narrow(wide[i]));
    LocalFree(wide);
    return arguments;
}

void PrepareStandardStreams() {
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
}

bool WriteOut(std::string_view text) {
    return WriteTo(STD_OUTPUT_HANDLE, stdout, text);
}

bool WriteError(std::string_view text) {
    return WriteTo(STD_ERROR_HANDLE, stderr, text);
}

std::string DefaultDataFolder() {
    wchar_t folder[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, 0, folder))) return std::string();
    return Narrow(folder) + "\\" + kDataFolderName;
}

int SystemCodePage() {
    return static_cast<int>(GetACP());
}

bool ProgramRunning() {
    HANDLE mutex = OpenMutexA(SYNCHRONIZE, FALSE, kMutexName);
    if (mutex == nullptr) return GetLastError() == ERROR_ACCESS_DENIED;
    CloseHandle(mutex);
    return true;
}

bool ReadHiddenLine(const char* prompt, std::string* line) {
    HANDLE input =
        CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, 0, nullptr);
    if (input == INVALID_HANDLE_VALUE) return false;
    DWORD saved = 0;
    if (!GetConsoleMode(input, &saved)) {
        CloseHandle(input);
        return false;
    }
    SetConsoleMode(input, (saved | ENABLE_LINE_INPUT | ENABLE_PROCESSED_INPUT) &
                              ~static_cast<DWORD>(ENABLE_ECHO_INPUT));
    WriteError(prompt);
    std::u16string typed;
    wchar_t buffer[256];
    DWORD got = 0;
    bool ended = false;
    while (!ended && ReadConsoleW(input, buffer, 256, &got, nullptr) && got > 0) {
        for (DWORD i = 0; i < got && !ended; ++i) {
            if (buffer[i] == L'\n')
                ended = true;
            else if (buffer[i] != L'\r')
                typed.push_back(static_cast<char16_t>(buffer[i]));
        }
    }
    SetConsoleMode(input, saved);
    CloseHandle(input);
    WriteError("\n");
    *line = Utf8FromUtf16(typed);
    return true;
}

std::FILE* OpenFile(const std::string& path, const char* mode) {
    return _wfopen(Wide(path).c_str(), Wide(mode).c_str());
}

bool IsFile(const std::string& path) {
    const DWORD attributes = GetFileAttributesW(Wide(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool IsDirectory(const std::string& path) {
    const DWORD attributes = GetFileAttributesW(Wide(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool MakeDirectory(const std::string& path) {
    return CreateDirectoryW(Wide(path).c_str(), nullptr) ||
           (GetLastError() == ERROR_ALREADY_EXISTS && IsDirectory(path));
}

bool Rename(const std::string& from, const std::string& to) {
    return MoveFileExW(Wide(from).c_str(), Wide(to).c_str(), MOVEFILE_WRITE_THROUGH) != FALSE;
}

bool RemoveFile(const std::string& path) {
    return DeleteFileW(Wide(path).c_str()) != FALSE;
}

bool RemoveTree(const std::string& path) {
    if (!IsDirectory(path)) return RemoveFile(path) || !IsFile(path);
    bool ok = true;
    for (const std::string& name : ListFolder(path)) ok = RemoveTree(path + "\\" + name) && ok;
    return RemoveDirectoryW(Wide(path).c_str()) && ok;
}

std::vector<std::string> ListFolder(const std::string& path) {
    std::vector<std::string> names;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(Wide(path + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        const std::wstring name = found.cFileName;
        if (name != L"." && name != L"..") names.push_back(Narrow(found.cFileName));
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return names;
}

bool ReplaceWholeFile(const std::string& path, FileWriter write, void* context) {
    // The program's routine takes an ANSI path, as the program's own paths
    // are. A path the code page cannot hold exactly is refused rather than
    // passed on with look-alike characters.
    const std::wstring wide = Wide(path);
    BOOL lossy = FALSE;
    const int size = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.c_str(), -1, nullptr, 0,
                                         nullptr, &lossy);
    if (size <= 0 || lossy) return false;
    std::string ansi(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.c_str(), -1, &ansi[0], size, nullptr,
                        &lossy);
    return !lossy && ReplaceFileContents(ansi.c_str(), write, context);
}

void LocalTime(int fields[6]) {
    SYSTEMTIME now;
    GetLocalTime(&now);
    fields[0] = now.wYear;
    fields[1] = now.wMonth;
    fields[2] = now.wDay;
    fields[3] = now.wHour;
    fields[4] = now.wMinute;
    fields[5] = now.wSecond;
}

void SleepMilliseconds(int milliseconds) {
    Sleep(static_cast<DWORD>(milliseconds));
}

}  // namespace platform
