// The Login dialog: asks for the password at start-up (when automatic login
// is off) and after every logout. It ends only on the right password; Cancel
// and Escape ask the whole program to end.
#include "journal/text.h"
#include "log/program_log.h"
#include "resource.h"
#include "settings/password.h"
#include "settings/settings.h"
#include "shell/ansi_text.h"
#include "shell/message_box.h"

namespace {

// OK, Enter and the close box all come here.
void CheckPassword(HWND dialog) {
    ControlText typed = ReadControlText(GetDlgItem(dialog, IDC_PASSWORD));
    char password[kTextSize];
    CopyAnsiText(typed.ansi.bytes, password, sizeof password);
    const LoginAnswer answer = CheckLoginPassword(typed.typed.empty(), !typed.ansi.refused.empty(),
                                                  password, StoredPassword);
    ClearText(password, sizeof password);
    WipeControlText(&typed);
    if (answer == LoginAnswer::PasswordRequired) {
        ShowMessage(dialog, kNoticeCaption, kPasswordRequired, MB_ICONWARNING);
        return;
    }
    if (answer == LoginAnswer::IncorrectPassword) {
        ShowMessage(dialog, kNoticeCaption, kIncorrectPassword, MB_ICONERROR);
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
