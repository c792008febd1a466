// The Change password dialog. OK checks the current password, then that the
// new one reads back whole from the settings file, and only then stores its
// scrambled form and saves the settings. Cancel, Escape and the close box
// change nothing.
#include <cstring>

#include "journal/text.h"
#include "resource.h"
#include "settings/password.h"
#include "settings/settings.h"

namespace {

// Puts the focus back on the field to correct, with its text selected.
void FocusField(HWND dialog, int id) {
    HWND field = GetDlgItem(dialog, id);
    SendMessageA(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(field), TRUE);
    SendMessageA(field, EM_SETSEL, 0, -1);
}

// Returns true when the dialog may end.
bool ChangePassword(HWND dialog) {
    char current[kTextSize];
    char fresh[kTextSize];
    ClearText(current, sizeof current);
    ClearText(fresh, sizeof fresh);
    GetDlgItemTextA(dialog, IDC_CURRENT_PASSWORD, current, sizeof current);
    GetDlgItemTextA(dialog, IDC_NEW_PASSWORD, fresh, sizeof fresh);

    bool done = false;
    char message[kTextSize];
    if (current[0] == '\0') {
        MessageBoxA(dialog, "Password required!", "Notice", MB_ICONWARNING);
        FocusField(dialog, IDC_CURRENT_PASSWORD);
    } else if (!MatchesStoredPassword(current, StoredPassword)) {
        MessageBoxA(dialog, "Incorrect password!", "Notice", MB_ICONERROR);
        FocusField(dialog, IDC_CURRENT_PASSWORD);
    } else if (const NewPasswordProblem problem = CheckNewPassword(fresh);
               problem != NewPasswordProblem::None) {
        DescribePasswordProblem(problem, fresh, message, sizeof message);
        MessageBoxA(dialog, message, "Notice", MB_ICONWARNING);
        FocusField(dialog, IDC_NEW_PASSWORD);
    } else {
        char previous[kTextSize];
        std::memcpy(previous, StoredPassword, sizeof previous);
        ClearText(StoredPassword, sizeof StoredPassword);
        ScrambleText(fresh, StoredPassword);
        if (SaveSettings()) {
            MessageBoxA(dialog, "Your password has been changed.", "Notice", MB_ICONINFORMATION);
            done = true;
        } else {
            // The settings file still holds the old password: keep using it,
            // so that the next start asks for the same password as this run.
            std::memcpy(StoredPassword, previous, sizeof previous);
            MessageBoxA(dialog, "The password was not changed.", "Notice", MB_ICONERROR);
        }
        ClearText(previous, sizeof previous);
    }
    ClearText(current, sizeof current);
    ClearText(fresh, sizeof fresh);
    return done;
}

}  // namespace

INT_PTR CALLBACK ChangePasswordDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        // The settings file holds at most this much of a password.
        SendDlgItemMessageA(dialog, IDC_CURRENT_PASSWORD, EM_LIMITTEXT, kTextSize - 1, 0);
        SendDlgItemMessageA(dialog, IDC_NEW_PASSWORD, EM_LIMITTEXT, kTextSize - 1, 0);
        return TRUE;
    case WM_COMMAND:
        if (wParam == IDOK) {
            if (ChangePassword(dialog)) EndDialog(dialog, 0);
            return TRUE;
        }
        if (wParam == IDCANCEL) {
            EndDialog(dialog, 0);
            return TRUE;
        }
        return FALSE;
    case WM_CLOSE:
        EndDialog(dialog, 0);
        return TRUE;
    }
    return FALSE;
}
