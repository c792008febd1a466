// Dialog baseline: the program's own dialog templates (the same controls,
// sizes and styles) filled with the same lines and text as the program
// shows, with no database or file work in the timed part. What it shows is
// read at start-up, before the window shows, from the files named on the
// command line (see bench_ids.h): the subjects with the program's listing
// and search statements, the prompts file, the log.
//
// Each command (see bench_ids.h) opens its dialog modally and fills it in
// WM_INITDIALOG the fastest standard way. In the Entries dialog the first
// line is then selected and the four record fields filled, so that the
// benchmark sees the record number field filled exactly as in the program.
#include <windows.h>

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bench/baseline_window.h"
#include "journal/journal_store.h"
#include "journal/text.h"
#include "log/log_file.h"
#include "prompts/prompt_file.h"
#include "resource.h"
#include "support/files.h"

namespace {

HINSTANCE ProgramInstance;
HWND PromptList;

// The subjects in the order the program's listing statement gives them;
// the listing's and the search's lines in the list box's own order.
std::vector<const char*> QueryOrder;
std::vector<const char*> ListOrder;
std::vector<const char*> SearchLines;
std::vector<const char*> SearchOrder;
std::vector<std::string> PromptLines;
std::wstring EditText;
std::vector<std::string> LogShown;

// Reads the subjects as the program does, as a whole result table, which
// is kept: it holds their text.
bool ReadSubjects(const char* path, const char* statement, std::vector<const char*>* subjects) {
    sqlite3* db = nullptr;
    char** table = nullptr;
    int rows = 0;
    int columns = 0;
    const bool ok = sqlite3_open_v2(path, &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK &&
                    sqlite3_get_table(db, statement, &table, &rows, &columns, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    // The subject is the statement's last column.
    for (int row = 1; ok && row <= rows; ++row) {
        const char* subject = table[row * columns + columns - 1];
        subjects->push_back(subject != nullptr ? subject : "");
    }
    return ok;
}

// The lines sorted with the comparison the list box itself uses.
std::vector<const char*> InListOrder(std::vector<const char*> order) {
    std::stable_sort(order.begin(), order.end(), [](const char* a, const char* b) {
        return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a, -1, b, -1) == CSTR_LESS_THAN;
    });
    return order;
}

void ReadPromptsFile(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return;
    ReadPrompts(
        file, LineEnds::Raw,
        [](const char* prompt, void*) { PromptLines.emplace_back(prompt); }, nullptr);
    std::fclose(file);
    const std::string bytes = ReadFileBytes(path);
    const std::string text = ToEditText(bytes.data(), bytes.size());
    EditText.resize(text.size());
    EditText.resize(static_cast<std::size_t>(MultiByteToWideChar(
        CP_ACP, 0, text.data(), static_cast<int>(text.size()), &EditText[0],
        static_cast<int>(EditText.size()))));
}

void ReadLog(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return;
    LogLines read = ReadLogLines(file);
    std::fclose(file);
    if (read.olderCount > 0) read.lines.insert(read.lines.begin(), OlderLinesNote(read.olderCount));
    LogShown = std::move(read.lines);
}

// The standard quick fill: drawing held, storage reserved, one add a line.
template <typename Lines>
void Fill(HWND list, const Lines& lines, UINT message = LB_ADDSTRING, WPARAM where = 0) {
    std::size_t bytes = 0;
    for (const auto& line : lines) bytes += std::char_traits<char>::length(&line[0]) + 1;
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    SendMessageA(list, LB_INITSTORAGE, lines.size(), static_cast<LPARAM>(bytes));
    for (const auto& line : lines)
        SendMessageA(list, message, where, reinterpret_cast<LPARAM>(&line[0]));
}

void Redraw(HWND control) {
    SendMessageA(control, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(control, nullptr, TRUE);
}

void EmptyFields(HWND dialog) {
    for (int field : {IDC_RECORD_NUMBER, IDC_DATE, IDC_SUBJECT, IDC_ENTRY_TEXT})
        SetDlgItemTextA(dialog, field, "");
}

INT_PTR CALLBACK EntriesDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    HWND list = GetDlgItem(dialog, IDC_SUBJECT_LIST);
    switch (message) {
    case WM_INITDIALOG: {
        SetWindowTextA(dialog, "Browse Larkmoor entries");
        SendMessageA(list, LB_SETHORIZONTALEXTENT, 2048, 0);
        if (lParam == kFillInListOrder) {
            Fill(list, ListOrder);
        } else if (lParam == kFillByAppending) {
            Fill(list, ListOrder, LB_INSERTSTRING, static_cast<WPARAM>(-1));
        } else if (lParam == kFillInQueryOrder) {
            for (const char* subject : QueryOrder)
                SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(subject));
        }
        Redraw(list);
        if (SendMessageA(list, LB_GETCOUNT, 0, 0) > 0) {
            SendMessageA(list, LB_SETCURSEL, 0, 0);
            WCHAR subject[1024] = {};
            if (SendMessageW(list, LB_GETTEXTLEN, 0, 0) < 1024)
                SendMessageW(list, LB_GETTEXT, 0, reinterpret_cast<LPARAM>(subject));
            SetDlgItemTextA(dialog, IDC_RECORD_NUMBER, "1");
            SetDlgItemTextA(dialog, IDC_DATE, "2026-01-01 00:00:00");
            SetDlgItemTextW(dialog, IDC_SUBJECT, subject);
            SetDlgItemTextA(dialog, IDC_ENTRY_TEXT, kBaselineLine);
        }
        return TRUE;
    }
    case WM_COMMAND:
        if (wParam == IDC_SEARCH_GO || wParam == IDC_SAVE) {
            SendMessageA(list, LB_RESETCONTENT, 0, 0);
            if (wParam == IDC_SEARCH_GO) {
                Fill(list, SearchOrder);
            } else {
                Fill(list, ListOrder);
                EmptyFields(dialog);
            }
            Redraw(list);
            return TRUE;
        }
        if (wParam == IDC_ENTRIES_OK) {
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

// The prompts editor and the log viewer, bare: their text or lines put in,
// OK and Cancel close.
INT_PTR CALLBACK BareDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        if (lParam == kEditPrompts) {
            // Under Wine one replacement of the empty text lays the lines
            // out once, where WM_SETTEXT lays a long line out twice.
            HWND field = GetDlgItem(dialog, IDC_PROMPTS_TEXT);
            SendMessageW(field, EM_SETLIMITTEXT, 0, 0);
            SendMessageW(field, WM_SETREDRAW, FALSE, 0);
            SendMessageW(field, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(EditText.c_str()));
            SendMessageW(field, EM_SETSEL, 0, 0);
            SendMessageW(field, EM_SCROLLCARET, 0, 0);
            Redraw(field);
            SetFocus(field);
            return FALSE;
        } else {
            HWND list = GetDlgItem(dialog, IDC_LOG_LIST);
            Fill(list, LogShown);
            SendMessageA(list, LB_SETTOPINDEX, LogShown.empty() ? 0 : LogShown.size() - 1, 0);
            Redraw(list);
        }
        return TRUE;
    case WM_COMMAND:
        if (wParam == IDOK || wParam == IDCANCEL) EndDialog(dialog, 0);
        return TRUE;
    case WM_CLOSE:
        EndDialog(dialog, 0);
        return TRUE;
    }
    return FALSE;
}

// Runs one statement on a database file, with one open and one close, as the
// program does: a query through sqlite3_get_table, anything else through
// sqlite3_exec. The data holds the file's path and the statement, each
// ended by a zero byte. Answers 1 when the statement ran.
LRESULT RunStatement(const COPYDATASTRUCT& data) {
    const char* path = static_cast<const char*>(data.lpData);
    const char* statement = path + std::strlen(path) + 1;
    sqlite3* db = nullptr;
    int result = sqlite3_open(path, &db);
    if (result == SQLITE_OK && data.dwData == kRunQuery) {
        char** table = nullptr;
        int rows = 0;
        int columns = 0;
        result = sqlite3_get_table(db, statement, &table, &rows, &columns, nullptr);
        sqlite3_free_table(table);
    } else if (result == SQLITE_OK) {
        result = sqlite3_exec(db, statement, nullptr, nullptr, nullptr);
    }
    sqlite3_close(db);
    return result == SQLITE_OK ? 1 : 0;
}

LRESULT OnCommand(HWND window, int command) {
    switch (command) {
    case kShowNotice:
        MessageBoxA(window, "Database compacted.", "Notice", MB_ICONINFORMATION);
        return 0;
    case kFillInListOrder:
    case kFillInQueryOrder:
    case kFillByAppending:
    case 0:  // the Entries dialog with nothing listed
        DialogBoxParamA(ProgramInstance, MAKEINTRESOURCEA(IDD_ENTRIES), window, EntriesDlgProc,
                        command);
        return 0;
    case kEditPrompts:
        DialogBoxParamA(ProgramInstance, MAKEINTRESOURCEA(IDD_EDIT_PROMPTS), window, BareDlgProc,
                        command);
        return 0;
    case kViewLog:
        DialogBoxParamA(ProgramInstance, MAKEINTRESOURCEA(IDD_VIEW_LOG), window, BareDlgProc,
                        command);
        return 0;
    case kFillPromptList:
        PromptList = CreateWindowExA(0, "listbox", nullptr, WS_CHILD, 0, 0, 10, 10, window,
                                     nullptr, ProgramInstance, nullptr);
        Fill(PromptList, PromptLines);
        SendMessageA(PromptList, WM_SETREDRAW, TRUE, 0);
        return SendMessageA(PromptList, LB_GETCOUNT, 0, 0);
    }
    return 0;
}

LRESULT CALLBACK ListWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
        return OnCommand(window, LOWORD(wParam));
    case WM_COPYDATA:
        return RunStatement(*reinterpret_cast<const COPYDATASTRUCT*>(lParam));
    }
    return BaselineWndProc(window, message, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
    ProgramInstance = instance;
    std::string argument = commandLine;
    argument.erase(std::remove(argument.begin(), argument.end(), '"'), argument.end());
    std::vector<std::string> parts(4);
    for (std::size_t part = 0, start = 0; part < parts.size() && start <= argument.size(); ++part) {
        std::size_t end = argument.find(kArgumentSeparator, start);
        if (end == std::string::npos) end = argument.size();
        parts[part] = argument.substr(start, end - start);
        start = end + 1;
    }
    if (!parts[0].empty()) {
        static char statement[kStatementSize];
        static char quoted[kQuotedTextSize];
        ClearText(quoted, sizeof quoted);
        QuoteSqlText(parts[1].c_str(), quoted);
        BuildSearchStatement(statement, sizeof statement, quoted);
        if (!ReadSubjects(parts[0].c_str(), kListSubjectsStatement, &QueryOrder) ||
            !ReadSubjects(parts[0].c_str(), statement, &SearchLines))
            return 1;
        ListOrder = InListOrder(QueryOrder);
        SearchOrder = InListOrder(SearchLines);
    }
    if (!parts[2].empty()) ReadPromptsFile(parts[2]);
    if (!parts[3].empty()) ReadLog(parts[3]);
    return RunBaselineWindow(instance, kBaselineListClass, "Baseline list", 60, 50, ListWndProc);
}
