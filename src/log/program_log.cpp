// The program log's event routines: each stamps the current local time on
// its event text and appends the line to the log file, which is opened and
// closed again for every line.
#include "log/program_log.h"

#include <cstdint>
#include <cstdio>

#include "journal/clock.h"
#include "log/log_file.h"
#include "shell/message_box.h"
#include "shell/shell.h"

namespace {

constexpr const char kLogWriteError[] = "Program log write error!";

char Timestamp[kTimestampSize];

std::FILE* OpenLog(const void* path) {
    return std::fopen(static_cast<const char*>(path), "ab+");
}

bool LogSize(const void* path, std::uint64_t* bytes) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(static_cast<const char*>(path), GetFileExInfoStandard, &data))
        return false;
    *bytes = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    return true;
}

void CutLogBack(const void* path, std::uint64_t bytes) {
    HANDLE file = CreateFileA(static_cast<const char*>(path), GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    LARGE_INTEGER end;
    end.QuadPart = static_cast<LONGLONG>(bytes);
    LARGE_INTEGER now;
    if (GetFileSizeEx(file, &now) && now.QuadPart > end.QuadPart &&
        SetFilePointerEx(file, end, nullptr, FILE_BEGIN))
        SetEndOfFile(file);
    CloseHandle(file);
}

constexpr LogFileAccess kLogAccess = {OpenLog, LogSize, CutLogBack};

void LogEvent(const char* eventText) {
    FormatTimestamp(Timestamp);
    ComposeLogLine(Timestamp, eventText, "");
    AppendLogLine();
}

}  // namespace

void AppendLogLine() {
    if (AppendLogLineTo(kLogAccess, LogPath) != LogAppend::Written) ShowFileError(kLogWriteError);
}

void LogSessionStart() { LogEvent(kSessionStartText); }
void LogSessionEnd() { LogEvent(kSessionEndText); }
void LogLoggingEnabled() { LogEvent(kLoggingEnabledText); }
void LogLoggingDisabled() { LogEvent(kLoggingDisabledText); }
void LogIncorrectPassword() { LogEvent(kIncorrectPasswordText); }
