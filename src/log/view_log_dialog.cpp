// The View Program Log dialog: the lines of the log in file order with the
// newest in view, a button that opens the folder holding the log, and one
// that deletes the log. A missing log shows an empty list.
//
// The log is read once. A long log shows only its newest lines, under a
// first line that says how many older lines are left out, so that even a
// log of millions of lines opens at once.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <string>

#include "log/log_file.h"
#include "log/program_log.h"
#include "resource.h"
#include "shell/message_box.h"
#include "shell/shell.h"

namespace {

constexpr const char kFolderNotOpened[] = "The log folder could not be opened.";
constexpr const char kConfirmDelete[] = "Delete the program log? Its lines cannot be brought back.";
constexpr const char kLogNotDeleted[] = "The program log could not be deleted.";

struct FileCloser {
    std::FILE* file;
    ~FileCloser() {
        if (file != nullptr) std::fclose(file);
    }
};

// The width in pixels of the widest item, for the horizontal scroll bar.
int WidestItem(HWND list, const std::vector<std::string>& items) {
    HDC dc = GetDC(list);
    HGDIOBJ oldFont =
        SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(list, WM_GETFONT, 0, 0)));
    int widest = 0;
    for (const std::string& item : items) {
        SIZE size = {};
        GetTextExtentPoint32A(dc, item.c_str(), static_cast<int>(item.size()), &size);
        if (size.cx > widest) widest = size.cx;
    }
    SelectObject(dc, oldFont);
    ReleaseDC(list, dc);
    // A little room after the text, as after the list's left margin.
    return widest + 2 * GetSystemMetrics(SM_CXBORDER) + 4;
}

// Fills the list from the log file; returns false when there is no log.
bool FillList(HWND dialog) {
    HWND list = GetDlgItem(dialog, IDC_LOG_LIST);
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
    SendMessageA(list, LB_SETHORIZONTALEXTENT, 0, 0);

    FileCloser log = {std::fopen(LogPath, "rb")};
    if (log.file == nullptr) return false;
    LogLines read = ReadLogLines(log.file);
    if (read.olderCount > 0) read.lines.insert(read.lines.begin(), OlderLinesNote(read.olderCount));
    if (read.lines.empty()) return true;

    std::size_t bytes = 0;
    for (const std::string& line : read.lines) bytes += line.size() + 1;
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    SendMessageA(list, LB_INITSTORAGE, read.lines.size(), static_cast<LPARAM>(bytes));
    for (const std::string& line : read.lines)
        SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
    SendMessageA(list, LB_SETHORIZONTALEXTENT, WidestItem(list, read.lines), 0);
    // The list scrolls as far as it can towards the last line.
    SendMessageA(list, LB_SETTOPINDEX, read.lines.size() - 1, 0);
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
    return true;
}

void EnableDelete(HWND dialog, bool enable) {
    HWND button = GetDlgItem(dialog, IDC_DELETE_LOG);
    // A disabled button cannot keep the focus: hand it to OK first.
    if (!enable && GetFocus() == button)
        SendMessageA(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(dialog, IDOK)),
                     TRUE);
    EnableWindow(button, enable);
}

void BrowseLogFolder(HWND dialog) {
    HINSTANCE result = ShellExecuteA(dialog, "open", DataFolder, nullptr, nullptr, SW_SHOWNORMAL);
    if (ShellOpenFailed(result))
        ShowMessage(dialog, kNoticeCaption, kFolderNotOpened, MB_ICONERROR);
}

void DeleteLog(HWND dialog) {
    if (ShowMessage(dialog, kNoticeCaption, kConfirmDelete,
                    MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES)
        return;
    if (!DeleteFileA(LogPath) && GetFileAttributesA(LogPath) != INVALID_FILE_ATTRIBUTES) {
        ShowMessage(dialog, kNoticeCaption, kLogNotDeleted, MB_ICONERROR);
        return;
    }
    SendMessageA(GetDlgItem(dialog, IDC_LOG_LIST), LB_RESETCONTENT, 0, 0);
    SendDlgItemMessageA(dialog, IDC_LOG_LIST, LB_SETHORIZONTALEXTENT, 0, 0);
    EnableDelete(dialog, false);
}

}  // namespace

INT_PTR CALLBACK ViewLogDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        EnableDelete(dialog, FillList(dialog));
        return TRUE;
    case WM_COMMAND:
        switch (wParam) {
        case IDOK:
        case IDCANCEL:
            EndDialog(dialog, 0);
            return TRUE;
        case IDC_BROWSE_LOG_FOLDER:
            BrowseLogFolder(dialog);
            return TRUE;
        case IDC_DELETE_LOG:
            DeleteLog(dialog);
            return TRUE;
        }
        return FALSE;
    case WM_CLOSE:
        EndDialog(dialog, 0);
        return TRUE;
    }
    return FALSE;
}
