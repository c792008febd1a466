// The program log: one time-stamped line per event, appended to the log file.
#pragma once

#include <windows.h>

// Each writes its one line; callers decide from LogEnabled whether to call.
void LogSessionStart();
void LogSessionEnd();
void LogLoggingEnabled();
void LogLoggingDisabled();
void LogIncorrectPassword();

// Appends the line built by ComposeLogLine and a line feed to the log file.
// A log that cannot be opened shows "Program log write error!" and the line
// is lost.
void AppendLogLine();

INT_PTR CALLBACK ViewLogDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
