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
// In a single-byte code page a line is as wide as its characters' widths
// together, read once from the font, which spares one measuring call per
// line; in other code pages each line is measured.
int WidestItem(HWND list, const std::vector<std::string>& items) {
    HDC dc = GetDC(list);
    HGDIOBJ oldFont =
        SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(list, WM_GETFONT, 0, 0)));
    CPINFO codePage = {};
    INT widths[256] = {};
    const bool singleByte = GetCPInfo(CP_ACP, &codePage) && codePage.MaxCharSize == 1 &&
                            GetCharWidth32A(dc, 0, 255, widths);
    int widest = 0;
    for (const std::string& item : items) {
        int width = 0;
        if (singleByte) {
            for (const char c : item) width += widths[static_cast<unsigned char>(c)];
        } else {
            SIZE size = {};
            GetTextExtentPoint32A(dc, item.c_str(), static_cast<int>(item.size()), &size);
            width = size.cx;
        }
        if (width > widest) widest = width;
    }
    SelectObject(dc, oldFont);
    ReleaseDC(list, dc);
    // A little room after the text, as after the list's left margin.
    return widest + 2 * GetSystemMetrics(SM_CXBORDER) + 4;
}

// Where the newest lines of the open log begin: just after the line feed
// that has enough lines after it for the list, found by reading back from
// the end. *older is the number of lines before that place, counted
// without splitting them. 0 (read it all) for a short log, or when the file
// cannot be read this way.
long long NewestLinesStart(std::FILE* file, std::size_t* older) {
    *older = 0;
    if (_fseeki64(file, 0, SEEK_END) != 0) return 0;
    long long end = _ftelli64(file);
    // One line feed more than the lines shown: the last line may end in one.
    std::size_t wanted = kShownLogLines + 2;
    static char chunk[64 * 1024];
    long long start = 0;
    while (end > 0 && start == 0) {
        const long long from = end > static_cast<long long>(sizeof chunk) ? end - sizeof chunk : 0;
        const std::size_t size = static_cast<std::size_t>(end - from);
        if (_fseeki64(file, from, SEEK_SET) != 0 || std::fread(chunk, 1, size, file) != size)
            return 0;
        for (std::size_t i = size; i-- > 0;) {
            if (chunk[i] == '\n' && --wanted == 0) {
                start = from + static_cast<long long>(i) + 1;
                break;
            }
        }
        end = from;
    }
    if (_fseeki64(file, 0, SEEK_SET) != 0) return 0;
    std::size_t lines = 0;
    for (long long left = start; left > 0;) {
        const std::size_t size = static_cast<std::size_t>(
            left < static_cast<long long>(sizeof chunk) ? left : sizeof chunk);
        if (std::fread(chunk, 1, size, file) != size) return 0;
        lines += CountLineFeeds(chunk, size);
        left -= static_cast<long long>(size);
    }
    *older = lines;
    return start;
}

// Fills the list from the log file; returns false when there is no log.
bool FillList(HWND dialog) {
    HWND list = GetDlgItem(dialog, IDC_LOG_LIST);
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
    SendMessageA(list, LB_SETHORIZONTALEXTENT, 0, 0);

    FileCloser log = {std::fopen(LogPath, "rb")};
    if (log.file == nullptr) return false;
    // A long log is split into lines only where its newest lines begin.
    std::size_t older = 0;
    const long long start = NewestLinesStart(log.file, &older);
    if (_fseeki64(log.file, start, SEEK_SET) != 0 || std::ferror(log.file)) {
        older = 0;
        std::clearerr(log.file);
        std::rewind(log.file);
    }
    LogLines read = ReadLogLines(log.file);
    read.olderCount += older;
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
