// Browse baseline: the Entries dialog template (the same list box, sorted,
// the same size and styles) filled with the same subjects as the program
// lists, with no database work in the timed part. The subjects are read
// with the program's own listing statement from the journal file given on
// the command line once, at start-up, before the window shows.
//
// The main window answers three fill commands (see bench_ids.h); each opens
// the dialog modally and fills the list in WM_INITDIALOG, then selects the
// first line and fills the four record fields, so that the benchmark sees
// the record number field filled exactly as it does in the program. A fourth
// command shows the compaction's notice box alone.
#include <windows.h>

#include <sqlite3.h>

#include <algorithm>
#include <string>
#include <vector>

#include "bench/bench_ids.h"
#include "journal/journal_store.h"
#include "resource.h"

namespace {

HINSTANCE ProgramInstance;
HWND TextView;

// The subjects in the order the program's listing statement gives them and
// in the list box's own order (its case-blind comparison).
std::vector<std::string> QueryOrder;
std::vector<std::string> ListOrder;
std::size_t SubjectBytes;

bool ReadSubjects(const char* path) {
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path, &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        return false;
    }
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, kListSubjectsStatement, -1, &statement, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        return false;
    }
    // The subject is the statement's last column.
    const int column = sqlite3_column_count(statement) - 1;
    while (sqlite3_step(statement) == SQLITE_ROW) {
        const unsigned char* text = sqlite3_column_text(statement, column);
        QueryOrder.emplace_back(text != nullptr ? reinterpret_cast<const char*>(text) : "");
        SubjectBytes += QueryOrder.back().size() + 1;
    }
    sqlite3_finalize(statement);
    sqlite3_close(db);
    return true;
}

// Sorts with the comparison the list box itself uses for its lines.
void MakeListOrder() {
    std::vector<std::wstring> wide;
    wide.reserve(QueryOrder.size());
    for (const std::string& subject : QueryOrder) {
        wchar_t buffer[1024] = {};
        MultiByteToWideChar(CP_ACP, 0, subject.c_str(), -1, buffer, 1023);
        wide.emplace_back(buffer);
    }
    std::vector<std::size_t> order(QueryOrder.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, wide[a].c_str(), -1,
                              wide[b].c_str(), -1) == CSTR_LESS_THAN;
    });
    ListOrder.reserve(order.size());
    for (std::size_t index : order) ListOrder.push_back(QueryOrder[index]);
}

void FillInListOrder(HWND list) {
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    SendMessageA(list, LB_INITSTORAGE, ListOrder.size(), static_cast<LPARAM>(SubjectBytes));
    for (const std::string& subject : ListOrder)
        SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(subject.c_str()));
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
}

void FillByAppending(HWND list) {
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    SendMessageA(list, LB_INITSTORAGE, ListOrder.size(), static_cast<LPARAM>(SubjectBytes));
    for (const std::string& subject : ListOrder)
        SendMessageA(list, LB_INSERTSTRING, static_cast<WPARAM>(-1),
                     reinterpret_cast<LPARAM>(subject.c_str()));
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
}

void FillInQueryOrder(HWND list) {
    for (const std::string& subject : QueryOrder)
        SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(subject.c_str()));
}

INT_PTR CALLBACK FilledDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: {
        SetWindowTextA(dialog, "Browse Larkmoor entries");
        EnableWindow(GetDlgItem(dialog, IDC_SEARCH_TEXT), FALSE);
        EnableWindow(GetDlgItem(dialog, IDC_SEARCH_GO), FALSE);
        HWND list = GetDlgItem(dialog, IDC_SUBJECT_LIST);
        SendMessageA(list, LB_SETHORIZONTALEXTENT, 2048, 0);
        if (lParam == kFillInListOrder)
            FillInListOrder(list);
        else if (lParam == kFillByAppending)
            FillByAppending(list);
        else
            FillInQueryOrder(list);
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

LRESULT CALLBACK BaselineWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SIZE: {
        RECT client;
        GetClientRect(window, &client);
        SetWindowPos(TextView, HWND_TOP, 0, 0, client.right, client.bottom, SWP_SHOWWINDOW);
        return 0;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == kShowNotice)
            MessageBoxA(window, "Database compacted.", "Notice", MB_ICONINFORMATION);
        if (LOWORD(wParam) == kFillInListOrder || LOWORD(wParam) == kFillInQueryOrder ||
            LOWORD(wParam) == kFillByAppending)
            DialogBoxParamA(ProgramInstance, MAKEINTRESOURCEA(IDD_ENTRIES), window, FilledDlgProc,
                            LOWORD(wParam));
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
    ProgramInstance = instance;
    std::string path = commandLine;
    path.erase(std::remove(path.begin(), path.end(), '"'), path.end());
    if (!ReadSubjects(path.c_str())) return 1;
    MakeListOrder();

    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = BaselineWndProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
    windowClass.lpszClassName = kBaselineListClass;
    if (RegisterClassA(&windowClass) == 0) return 1;
    HWND window = CreateWindowExA(0, kBaselineListClass, "Baseline list", WS_OVERLAPPEDWINDOW, 60,
                                  50, 480, 360, nullptr, nullptr, instance, nullptr);
    if (window == nullptr) return 1;
    RECT client;
    GetClientRect(window, &client);
    TextView = CreateWindowExA(0, "edit", nullptr,
                               WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_READONLY | ES_MULTILINE, 0, 0,
                               client.right, client.bottom, window, nullptr, instance, nullptr);
    ShowWindow(window, SW_SHOW);
    SetWindowTextA(TextView, kBaselineLine);
    UpdateWindow(window);

    MSG message = {};
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return static_cast<int>(message.wParam);
}
