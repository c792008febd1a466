// Menu and accelerator commands of the main window. Each command runs one
// action or one modal dialog owned by the main window, then returns.
#include "journal/journal.h"
#include "log/program_log.h"
#include "prompts/prompts.h"
#include "resource.h"
#include "settings/settings.h"
#include "shell/message_box.h"
#include "shell/shell.h"

namespace {

constexpr const char kDatabaseCompacted[] = "Database compacted.";
constexpr const char kLoggedOut[] = "You have logged out.";

void RunDialog(HWND owner, int templateId, DLGPROC procedure) {
    DialogBoxParamA(Instance, MAKEINTRESOURCEA(templateId), owner, procedure, 0);
}

// The Entries dialog reads its mode for its whole life; the mode is none
// again once it has closed.
void RunEntriesDialog(HWND owner, EntryMode mode) {
    EntriesMode = mode;
    RunDialog(owner, IDD_ENTRIES, EntriesDlgProc);
    EntriesMode = EntryMode::None;
}

void CompactDatabase(HWND owner) {
    if (CompactJournalDatabase())
        ShowMessage(owner, kNoticeCaption, kDatabaseCompacted, MB_ICONINFORMATION);
}

void Logout(HWND owner) {
    ShowMessage(owner, kNoticeCaption, kLoggedOut, MB_ICONINFORMATION);
    RunDialog(owner, IDD_LOGIN, LoginDlgProc);
}

}  // namespace

void DispatchCommand(HWND window, WPARAM wParam) {
    switch (LOWORD(wParam)) {
    case IDM_EXIT:
        SendMessageA(window, WM_CLOSE, 0, 0);
        break;
    case IDM_COMPACT_DATABASE:
        CompactDatabase(window);
        break;
    case IDM_LOGOUT:
        Logout(window);
        break;
    case IDM_ADD_ENTRY:
        RunEntriesDialog(window, EntryMode::Add);
        break;
    case IDM_SEARCH_ENTRIES:
        RunEntriesDialog(window, EntryMode::Search);
        break;
    case IDM_BROWSE_ENTRIES:
        RunEntriesDialog(window, EntryMode::Browse);
        break;
    case IDM_GET_PROMPT:
        ShowRandomPrompt();
        break;
    case IDM_PREFERENCES:
        RunDialog(window, IDD_PREFERENCES, PreferencesDlgProc);
        break;
    case IDM_HELP_CONTENTS:
        OpenHelpFile(window);
        break;
    case IDM_ABOUT:
        RunDialog(window, IDD_ABOUT, AboutDlgProc);
        break;
    case IDM_EDIT_PROMPTS:
        RunDialog(window, IDD_EDIT_PROMPTS, EditPromptsDlgProc);
        break;
    case IDM_CHANGE_PASSWORD:
        RunDialog(window, IDD_CHANGE_PASSWORD, ChangePasswordDlgProc);
        break;
    case IDM_VIEW_LOG:
        RunDialog(window, IDD_VIEW_LOG, ViewLogDlgProc);
        break;
    }
}
