// The program log's event routines: each stamps the current local time on
// its event text and appends the line to the log file, which is opened and
// closed again for every line.
#include "log/program_log.h"

#include <cstdio>

#include "journal/clock.h"
#include "log/log_file.h"
#include "shell/shell.h"

namespace {

char Timestamp[kTimestampSize];

void LogEvent(const char* eventText) {
    FormatTimestamp(Timestamp);
    ComposeLogLine(Timestamp, eventText, "");
    AppendLogLine();
}

}  // namespace

void AppendLogLine() {
    std::FILE* file = std::fopen(LogPath, "ab+");
    if (file == nullptr) {
        MessageBoxA(MainWindow, "Program log write error!", "An unexpected error has occurred!",
                    MB_SYSTEMMODAL | MB_ICONERROR);
        return;
    }
    WriteLogLineTo(file);
    std::fclose(file);
}

void LogSessionStart() { LogEvent(kSessionStartText); }
void LogSessionEnd() { LogEvent(kSessionEndText); }
void LogLoggingEnabled() { LogEvent(kLoggingEnabledText); }
void LogLoggingDisabled() { LogEvent(kLoggingDisabledText); }
void LogIncorrectPassword() { LogEvent(kIncorrectPasswordText); }
