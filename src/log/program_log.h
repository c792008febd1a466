// The program log: one time-stamped line per event, appended to the log file.
#pragma once

#include <windows.h>

// Each writes its one line; callers decide from LogEnabled whether to call.
void LogSessionStart();
void LogSessionEnd();
void LogLoggingEnabled();
void LogLoggingDisabled();
void LogIncorrectPassword();

INT_PTR CALLBACK ViewLogDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
