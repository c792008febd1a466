// The Login dialog: asks for the password at start-up (when automatic login
// is off) and after every logout. It ends only on the right password; Cancel
// and Escape ask the whole program to end.
#include <cstring>

#include "journal/text.h"
#include "log/program_log.h"
#include "resource.h"
#include "settings/password.h"
#include "settings/settings.h"

namespace {

// OK, Enter and the close box all come here.
void CheckPassword(HWND dialog) {
    char typed[kTextSize];
    ClearText(typed, sizeof typed);
    GetDlgItemTextA(dialog, IDC_PASSWORD, typed, sizeof typed);
    if (typed[0] == '\0') {
        MessageBoxA(dialog, "Password required!", "Notice", MB_ICONWARNING);
        return;
    }
    const bool right = MatchesStoredPassword(typed, StoredPassword);
    ClearText(typed, sizeof typed);
    if (!right) {
        MessageBoxA(dialog, "Incorrect password!", "Notice", MB_ICONERROR);
        // Written once the user has closed the box.
        if (LogEnabled == 1) LogIncorrectPassword();
        return;
    }
    EndDialog(dialog, 0);
}

}  // namespace

INT_PTR CALLBACK LoginDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        return TRUE;
    case WM_COMMAND:
        // The whole parameter is compared: only notification code 0 counts.
        if (wParam == IDOK) {
            CheckPassword(dialog);
            return TRUE;
        }
        if (wParam == IDCANCEL) {
            // The dialog's own loop meets the quit message, closes the dialog
            // and passes the message on, so the program ends once the caller
            // returns to the main loop; the main window is never destroyed.
            PostQuitMessage(0);
            return TRUE;
        }
        return FALSE;
    case WM_CLOSE:
        CheckPassword(dialog);
        return TRUE;
    }
    return FALSE;
}
