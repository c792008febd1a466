// The Change password dialog. OK checks the current password, then that the
// new one reads back whole from the settings file, and only then stores its
// scrambled form and saves the settings. Cancel, Escape and the close box
// change nothing.
#include <cstring>

#include "journal/text.h"
#include "resource.h"
#include "settings/password.h"
#include "settings/settings.h"
#include "shell/ansi_text.h"
#include "shell/message_box.h"

namespace {

constexpr const char kPasswordChanged[] = "Your password has been changed.";
constexpr const char kPasswordNotChanged[] = "The password was not changed.";

// Puts the focus back on the field to correct, with its text selected.
void FocusField(HWND dialog, int id) {
    HWND field = GetDlgItem(dialog, id);
    SendMessageA(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(field), TRUE);
    SendMessageA(field, EM_SETSEL, 0, -1);
}

// Why the new password cannot be stored as typed, and the message that says
// so (UTF-8).
NewPasswordProblem CheckTypedPassword(const ControlText& typed, const char* password, char* message,
                                      std::size_t size) {
    NewPasswordProblem problem = NewPasswordProblem::OutsideCharacterSet;
    std::u32string atFault = typed.ansi.refused;
    if (atFault.empty()) {
        problem = CheckNewPassword(password);
        // The one character whose byte the settings file cannot hold, named
        // as the user typed it.
        if (problem != NewPasswordProblem::None && problem != NewPasswordProblem::Empty)
            atFault = CharactersHoldingByte(typed.typed, EncodeAnsiCharacter, nullptr,
                                            PasswordProblemByte(problem, password))
                          .substr(0, 1);
    }
    DescribePasswordProblem(problem, password, DescribeCharacters(atFault).c_str(), message, size);
    return problem;
}

// Returns true when the dialog may end.
bool ChangePassword(HWND dialog) {
    ControlText typedCurrent = ReadControlText(GetDlgItem(dialog, IDC_CURRENT_PASSWORD));
    ControlText typedFresh = ReadControlText(GetDlgItem(dialog, IDC_NEW_PASSWORD));
    char current[kTextSize];
    char fresh[kTextSize];
    CopyAnsiText(typedCurrent.ansi.bytes, current, sizeof current);
    CopyAnsiText(typedFresh.ansi.bytes, fresh, sizeof fresh);

    bool done = false;
    char message[kTextSize];
    const LoginAnswer answer = CheckLoginPassword(
        typedCurrent.typed.empty(), !typedCurrent.ansi.refused.empty(), current, StoredPassword);
    if (answer == LoginAnswer::PasswordRequired) {
        ShowMessage(dialog, kNoticeCaption, kPasswordRequired, MB_ICONWARNING);
        FocusField(dialog, IDC_CURRENT_PASSWORD);
    } else if (answer == LoginAnswer::IncorrectPassword) {
        ShowMessage(dialog, kNoticeCaption, kIncorrectPassword, MB_ICONERROR);
        FocusField(dialog, IDC_CURRENT_PASSWORD);
    } else if (CheckTypedPassword(typedFresh, fresh, message, sizeof message) !=
               NewPasswordProblem::None) {
        ShowMessage(dialog, kNoticeCaption, message, MB_ICONWARNING);
        FocusField(dialog, IDC_NEW_PASSWORD);
    } else {
        char previous[kTextSize];
        std::memcpy(previous, StoredPassword, sizeof previous);
        ClearText(StoredPassword, sizeof StoredPassword);
        ScrambleText(fresh, StoredPassword);
        if (SaveSettings()) {
            ShowMessage(dialog, kNoticeCaption, kPasswordChanged, MB_ICONINFORMATION);
            done = true;
        } else {
            // The settings file still holds the old password: keep using it,
            // so that the next start asks for the same password as this run.
            std::memcpy(StoredPassword, previous, sizeof previous);
            ShowMessage(dialog, kNoticeCaption, kPasswordNotChanged, MB_ICONERROR);
        }
        ClearText(previous, sizeof previous);
    }
    ClearText(current, sizeof current);
    ClearText(fresh, sizeof fresh);
    WipeControlText(&typedCurrent);
    WipeControlText(&typedFresh);
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
