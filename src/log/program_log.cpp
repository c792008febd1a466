// The program log's event routines: each stamps the current local time on
// its event text and appends the line to the log file, which is opened and
// closed again for every line.
#include "log/program_log.h"

#include <cstdio>

#include "journal/clock.h"
#include "log/log_file.h"
#include "shell/message_box.h"
#include "shell/shell.h"

namespace {

constexpr const char kLogWriteError[] = "Program log write error!";

char Timestamp[kTimestampSize];

// Cuts the log back to the given size (shortening a file needs no room).
void CutLogBack(ULARGE_INTEGER size) {
    HANDLE file = CreateFileA(LogPath, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    LARGE_INTEGER end;
    end.QuadPart = static_cast<LONGLONG>(size.QuadPart);
    LARGE_INTEGER now;
    if (GetFileSizeEx(file, &now) && now.QuadPart > end.QuadPart &&
        SetFilePointerEx(file, end, nullptr, FILE_BEGIN))
        SetEndOfFile(file);
    CloseHandle(file);
}

void LogEvent(const char* eventText) {
    FormatTimestamp(Timestamp);
    ComposeLogLine(Timestamp, eventText, "");
    AppendLogLine();
}

}  // namespace

void AppendLogLine() {
    // The log's size before the line, so that a line that cannot be written
    // whole (a full disk) can be taken out again: a half line would run
    // into the next one.
    WIN32_FILE_ATTRIBUTE_DATA before;
    ULARGE_INTEGER size = {};
    if (GetFileAttributesExA(LogPath, GetFileExInfoStandard, &before)) {
        size.LowPart = before.nFileSizeLow;
        size.HighPart = before.nFileSizeHigh;
    }
    std::FILE* file = std::fopen(LogPath, "ab+");
    if (file == nullptr) {
        ShowFileError(kLogWriteError);
        return;
    }
    const bool written = WriteLogLineTo(file);
    // The line reaches the file when the stream is closed.
    if (std::fclose(file) == 0 && written) return;
    CutLogBack(size);
    ShowFileError(kLogWriteError);
}

void LogSessionStart() { LogEvent(kSessionStartText); }
void LogSessionEnd() { LogEvent(kSessionEndText); }
void LogLoggingEnabled() { LogEvent(kLoggingEnabledText); }
void LogLoggingDisabled() { LogEvent(kLoggingDisabledText); }
void LogIncorrectPassword() { LogEvent(kIncorrectPasswordText); }
