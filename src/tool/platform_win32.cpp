// The system interface of larkmoor-tool on Windows: see platform.h. The only
// file of the tool that includes windows.h. Text goes through the program's
// own conversion (shell/ansi_text.h).
#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "journal/codepage.h"
#include "shell/ansi_text.h"
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

// Puts the null device on a standard stream that has no file behind it.
void OpenOnNullDevice(std::FILE* stream, const char* mode) {
    const int descriptor = _fileno(stream);
    if (descriptor >= 0 && _get_osfhandle(descriptor) != -1 && _get_osfhandle(descriptor) != -2)
        return;
    if (std::freopen("NUL", mode, stream) == nullptr) return;
}

bool Look(const std::string& path, bool followLinks, platform::FileInfo* info) {
    *info = platform::FileInfo();
    const std::wstring wide = Wide(path);
    HANDLE file = CreateFileW(
        wide.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
        OPEN_EXISTING,
        FILE_FLAG_BACKUP_SEMANTICS | (followLinks ? 0 : FILE_FLAG_OPEN_REPARSE_POINT), nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
            error == ERROR_INVALID_NAME)
            return true;
        // Held open by another program without sharing: its attributes still say what it is.
        WIN32_FILE_ATTRIBUTE_DATA data;
        if (!GetFileAttributesExW(wide.c_str(), GetFileExInfoStandard, &data)) return false;
        info->kind = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0
                         ? platform::FileKind::Directory
                         : platform::FileKind::Regular;
        info->size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
        info->readOnly = (data.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0;
        return true;
    }
    const DWORD type = GetFileType(file);
    BY_HANDLE_FILE_INFORMATION data;
    if (type != FILE_TYPE_DISK || !GetFileInformationByHandle(file, &data)) {
        CloseHandle(file);
        info->kind = platform::FileKind::Other;
        info->what = type == FILE_TYPE_CHAR ? "a device" : type == FILE_TYPE_PIPE ? "a pipe"
                                                                                  : "a device";
        return true;
    }
    CloseHandle(file);
    if ((data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 && !followLinks)
        info->kind = platform::FileKind::Link;
    else if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        info->kind = platform::FileKind::Directory;
    else
        info->kind = platform::FileKind::Regular;
    info->size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    info->readOnly = (data.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0;
    info->device = data.dwVolumeSerialNumber;
    info->index = (static_cast<std::uint64_t>(data.nFileIndexHigh) << 32) | data.nFileIndexLow;
    return true;
}

std::string MessageOf(DWORD code) {
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string message = length > 0 && text != nullptr ? Narrow(text) : std::string();
    if (text != nullptr) LocalFree(text);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' ||
                                message.back() == ' ' || message.back() == '.'))
        message.pop_back();
    return message.empty() ? "error " + std::to_string(code) : message;
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
    OpenOnNullDevice(stdin, "rb");
    OpenOnNullDevice(stdout, "wb");
    OpenOnNullDevice(stderr, "wb");
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

std::u16string DecodeSystemText(std::string_view bytes) {
    return Utf16FromAnsi(bytes);
}

bool EncodeSystemCharacter(char32_t character, std::string* bytes, const void* context) {
    return EncodeAnsiCharacter(character, bytes, context);
}

std::string CutSystemText(const std::string& bytes, std::size_t size) {
    if (size == 0) return std::string();
    std::string buffer(size, '\0');
    CopyAnsiText(bytes, &buffer[0], size);
    buffer.resize(std::strlen(buffer.c_str()));
    return buffer;
}

void LowerSystemCase(std::u16string* text) {
    if (text->empty()) return;
    CharLowerBuffW(reinterpret_cast<WCHAR*>(&(*text)[0]), static_cast<DWORD>(text->size()));
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
    SecureZeroMemory(&typed[0], typed.size() * sizeof(char16_t));
    return true;
}

bool Inspect(const std::string& path, FileInfo* info) {
    return Look(path, false, info);
}

bool InspectTarget(const std::string& path, FileInfo* info) {
    return Look(path, true, info);
}

bool SameFile(const FileInfo& a, const FileInfo& b) {
    return a.kind != FileKind::Missing && b.kind != FileKind::Missing && a.index != 0 &&
           a.device == b.device && a.index == b.index;
}

std::FILE* OpenFile(const std::string& path, const char* mode) {
    return _wfopen(Wide(path).c_str(), Wide(mode).c_str());
}

std::FILE* CreateNewFile(const std::string& path) {
    HANDLE handle = CreateFileW(Wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return nullptr;
    const int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_BINARY);
    if (descriptor < 0) {
        CloseHandle(handle);
        DeleteFileW(Wide(path).c_str());
        return nullptr;
    }
    std::FILE* file = _fdopen(descriptor, "wb");
    if (file == nullptr) {
        _close(descriptor);
        DeleteFileW(Wide(path).c_str());
    }
    return file;
}

bool SyncFile(std::FILE* file) {
    return _commit(_fileno(file)) == 0;
}

bool SetMode(const std::string&, unsigned) {
    return true;
}

unsigned NewFileMode() {
    return 0;
}

bool MakeDirectory(const std::string& path) {
    if (CreateDirectoryW(Wide(path).c_str(), nullptr)) return true;
    if (GetLastError() != ERROR_ALREADY_EXISTS) return false;
    const DWORD attributes = GetFileAttributesW(Wide(path).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return true;
    SetLastError(ERROR_DIRECTORY);
    return false;
}

bool MakeNewDirectory(const std::string& path, unsigned) {
    return CreateDirectoryW(Wide(path).c_str(), nullptr) != FALSE;
}

bool Rename(const std::string& from, const std::string& to) {
    return MoveFileExW(Wide(from).c_str(), Wide(to).c_str(), MOVEFILE_WRITE_THROUGH) != FALSE;
}

bool MoveOver(const std::string& from, const std::string& to) {
    return MoveFileExW(Wide(from).c_str(), Wide(to).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
}

bool RemoveFile(const std::string& path) {
    return DeleteFileW(Wide(path).c_str()) != FALSE;
}

bool RemoveFolder(const std::string& path) {
    return RemoveDirectoryW(Wide(path).c_str()) != FALSE;
}

bool RemoveTree(const std::string& path) {
    const DWORD attributes = GetFileAttributesW(Wide(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return GetLastError() == ERROR_FILE_NOT_FOUND;
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return RemoveFile(path);
    // A linked folder goes as a link; what it leads to stays.
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) return RemoveFolder(path);
    bool ok = true;
    for (const std::string& name : ListFolder(path)) ok = RemoveTree(path + "\\" + name) && ok;
    return RemoveFolder(path) && ok;
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

bool CutFile(const std::string& path, std::uint64_t size) {
    HANDLE file = CreateFileW(Wide(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER end;
    end.QuadPart = static_cast<LONGLONG>(size);
    const bool cut = SetFilePointerEx(file, end, nullptr, FILE_BEGIN) && SetEndOfFile(file);
    CloseHandle(file);
    return cut;
}

std::string ErrorText() {
    const DWORD code = GetLastError();
    if (code != 0) return MessageOf(code);
    return std::strerror(errno);
}

std::string ErrnoText(int error) {
    return std::strerror(error);
}

std::string SystemErrorText(int code) {
    return MessageOf(static_cast<DWORD>(code));
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

unsigned long ProcessId() {
    return GetCurrentProcessId();
}

char Separator() {
    return '\\';
}

bool CaseBlindNames() {
    return true;
}

}  // namespace platform
