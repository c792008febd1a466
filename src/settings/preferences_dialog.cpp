// The Preferences dialog: the startup screen, program log and automatic
// login switches. OK stores them, logs the state of logging and saves the
// settings; the close box discards; Escape does nothing.
#include "log/program_log.h"
#include "resource.h"
#include "settings/settings.h"

namespace {

// A switch read from the settings file may hold another value than 0 or 1;
// its box shows whether it acts as on: the startup screen and the log only
// at exactly 1, automatic login at anything but 0.
void ShowSwitch(HWND dialog, int id, bool on) {
    SendDlgItemMessageA(dialog, id, BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
}

int ReadSwitch(HWND dialog, int id) {
    return SendDlgItemMessageA(dialog, id, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
}

void Confirm(HWND dialog) {
    ShowStartupScreen = ReadSwitch(dialog, IDC_SHOW_STARTUP_SCREEN);
    LogEnabled = ReadSwitch(dialog, IDC_ENABLE_LOG);
    AutoLogin = ReadSwitch(dialog, IDC_AUTO_LOGIN);
    // One of the two lines on every OK, also when logging is now off.
    if (LogEnabled == 1)
        LogLoggingEnabled();
    else
        LogLoggingDisabled();
    SaveSettings();
    EndDialog(dialog, 0);
}

}  // namespace

INT_PTR CALLBACK PreferencesDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        ShowSwitch(dialog, IDC_SHOW_STARTUP_SCREEN, ShowStartupScreen == 1);
        ShowSwitch(dialog, IDC_ENABLE_LOG, LogEnabled == 1);
        ShowSwitch(dialog, IDC_AUTO_LOGIN, AutoLogin != 0);
        return TRUE;
    case WM_COMMAND:
        // Only OK with notification code 0; Escape's IDCANCEL is ignored.
        if (wParam == IDOK) {
            Confirm(dialog);
            return TRUE;
        }
        return FALSE;
    case WM_CLOSE:
        EndDialog(dialog, 0);
        return TRUE;
    }
    return FALSE;
}
