// Benchmark driver. Starts larkmoor.exe and the baseline programs as their
// own processes, drives them through their windows from this process as the
// end-to-end tests do, and times each step with the performance counter.
// It prints one line per observation for tests/bench/report.py:
//   sample KEY SECONDS      one timed run
//   value KEY NUMBER UNIT   one measured quantity (memory)
//   note KEY TEXT           why a row has no figures, or what it measured
//   check NAME ok|FAIL TEXT a behaviour the timed runs rely on
//
// Usage: larkmoor_bench PROGRAM_FOLDER DATA_FOLDER [option=value...] [section...]
// DATA_FOLDER holds journal-N.3db and journal-N.txt ("SEARCHTEXT MATCHES")
// for each size, and journal-10000-half.3db. Sections: startup browse save
// compact (all when none is named). Options: runs, runs100k, startupruns.
#include <windows.h>
#include <psapi.h>

#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "bench/bench_ids.h"
#include "journal/journal_store.h"
#include "journal/text.h"
#include "resource.h"
#include "support/files.h"

namespace {

constexpr double kStartTimeout = 30.0;
constexpr double kStepTimeout = 120.0;

std::string ProgramFolder;   // larkmoor.exe and its prompts file
std::string BaselineFolder;  // this driver and the baseline programs
std::string DataFolder;      // the generated journals
int Runs = 5;
int Runs100k = 3;
int StartupRuns = 9;

double Now() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER count;
    QueryPerformanceCounter(&count);
    return static_cast<double>(count.QuadPart) / static_cast<double>(frequency.QuadPart);
}

void Sample(const std::string& key, double seconds) {
    std::printf("sample %s %.6f\n", key.c_str(), seconds);
    std::fflush(stdout);
}

void Value(const std::string& key, double number, const char* unit) {
    std::printf("value %s %.0f %s\n", key.c_str(), number, unit);
    std::fflush(stdout);
}

void Note(const std::string& key, const std::string& text) {
    std::printf("note %s %s\n", key.c_str(), text.c_str());
    std::fflush(stdout);
}

void Check(const std::string& name, bool ok, const std::string& text) {
    std::printf("check %s %s %s\n", name.c_str(), ok ? "ok" : "FAIL", text.c_str());
    std::fflush(stdout);
}

// Waits until ready() holds, looking again every millisecond or so.
bool Until(double timeoutSeconds, const std::function<bool()>& ready) {
    const double start = Now();
    for (;;) {
        if (ready()) return true;
        if (Now() - start > timeoutSeconds) return false;
        Sleep(1);
    }
}

// What one look at the other process found.
enum class Seen { NotYet, Answered, Done };

// Waits until look() finds Done. Each look sends the other process a message
// and waits for its answer, so while that process works the wait simply
// lasts; once it has answered for kPatience seconds without being done, it
// is idle and will not get there: gives up.
constexpr double kPatience = 3.0;
bool Settle(double timeoutSeconds, const std::function<Seen()>& look) {
    double idleSince = -1;
    bool done = false;
    Until(timeoutSeconds, [&] {
        const Seen seen = look();
        if (seen == Seen::Done) return done = true;
        if (seen == Seen::Answered) {
            if (idleSince < 0) idleSince = Now();
            return Now() - idleSince > kPatience;
        }
        return false;
    });
    return done;
}

// Sends a message to a window of another process and waits for its answer,
// which comes only when that process's thread takes messages again.
bool Ask(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* answer,
         UINT timeoutMs = 120000) {
    DWORD_PTR result = 0;
    if (SendMessageTimeoutA(window, message, wParam, lParam, SMTO_NORMAL, timeoutMs, &result) == 0)
        return false;
    if (answer != nullptr) *answer = static_cast<LRESULT>(result);
    return true;
}

LRESULT TextLength(HWND window) {
    LRESULT length = -1;
    if (!Ask(window, WM_GETTEXTLENGTH, 0, 0, &length)) return -1;
    return length;
}

std::wstring WideText(HWND window) {
    wchar_t text[2048] = {};
    DWORD_PTR result = 0;
    SendMessageTimeoutW(window, WM_GETTEXT, 2048, reinterpret_cast<LPARAM>(text), SMTO_NORMAL,
                        10000, &result);
    return text;
}

bool SetText(HWND window, const char* text) {
    return Ask(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text), nullptr);
}

std::vector<std::wstring> ListLines(HWND list) {
    std::vector<std::wstring> lines;
    LRESULT count = 0;
    if (!Ask(list, LB_GETCOUNT, 0, 0, &count)) return lines;
    for (LRESULT i = 0; i < count; ++i) {
        wchar_t text[2048] = {};
        DWORD_PTR length = 0;
        SendMessageTimeoutW(list, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0, SMTO_NORMAL, 10000,
                            &length);
        if (length < 2048)
            SendMessageTimeoutW(list, LB_GETTEXT, static_cast<WPARAM>(i),
                                reinterpret_cast<LPARAM>(text), SMTO_NORMAL, 10000, &length);
        lines.emplace_back(text);
    }
    return lines;
}

DWORD OwnerOf(HWND window) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    return process;
}

HWND FindTopWindow(DWORD process, const char* className, bool visibleOnly) {
    HWND window = nullptr;
    while ((window = FindWindowExA(nullptr, window, className, nullptr)) != nullptr) {
        if (OwnerOf(window) == process && (!visibleOnly || IsWindowVisible(window)))
            return window;
    }
    return nullptr;
}

// The Entries dialog of a process (the program's or the list baseline's),
// visible or still being set up.
HWND FindEntriesDialog(DWORD process) {
    HWND window = nullptr;
    while ((window = FindWindowExA(nullptr, window, "#32770", nullptr)) != nullptr) {
        if (OwnerOf(window) == process && GetDlgItem(window, IDC_RECORD_NUMBER) != nullptr &&
            GetDlgItem(window, IDC_SUBJECT_LIST) != nullptr)
            return window;
    }
    return nullptr;
}

// A message box of the process with this caption, or null.
HWND FindMessageBox(DWORD process, const char* caption) {
    HWND window = nullptr;
    while ((window = FindWindowExA(nullptr, window, "#32770", caption)) != nullptr) {
        if (OwnerOf(window) == process && GetDlgItem(window, 0xFFFF) != nullptr) return window;
    }
    return nullptr;
}

// Captions and texts of the dialogs a process shows, for the notes of a row
// that timed out.
std::string DialogsOf(DWORD process) {
    std::string text;
    HWND window = nullptr;
    while ((window = FindWindowExA(nullptr, window, "#32770", nullptr)) != nullptr) {
        if (OwnerOf(window) != process || !IsWindowVisible(window)) continue;
        char caption[256] = {};
        GetWindowTextA(window, caption, sizeof caption);
        text += std::string(" [") + caption;
        HWND message = GetDlgItem(window, 0xFFFF);
        if (message != nullptr) {
            char body[512] = {};
            GetWindowTextA(message, body, sizeof body);
            text += std::string(": ") + body;
        }
        text += "]";
    }
    return text.empty() ? std::string(" (no dialog open)") : text;
}

std::string JournalFile(const std::string& name) {
    return DataFolder + "\\" + name;
}

std::string ProgramDatabase() {
    return DataFolderPath() + "\\larkmoor.3db";
}

bool PlaceJournal(const std::string& file) {
    return CopyFileA(JournalFile(file).c_str(), ProgramDatabase().c_str(), FALSE) != 0;
}

// One running program or baseline.
class Process {
public:
    ~Process() { Close(); }

    // Starts the program and returns the performance-counter time just
    // before the process was created.
    bool Start(const std::string& exe, const std::string& arguments, const std::string& folder,
               const char* className, double* started) {
        className_ = className;
        std::string command = "\"" + exe + "\"";
        if (!arguments.empty()) command += " \"" + arguments + "\"";
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        *started = Now();
        return CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr,
                              folder.c_str(), &startup, &info_) != 0;
    }

    // Waits for the visible main window whose edit child answers; with
    // wantText, also for the edit to hold text. Null on timeout.
    HWND WaitReady(bool wantText, double timeout = kStartTimeout) {
        main_ = nullptr;
        const bool ready = Until(timeout, [&] {
            if (main_ == nullptr) main_ = FindTopWindow(Id(), className_, true);
            if (main_ == nullptr) return false;
            HWND edit = FindWindowExA(main_, nullptr, "Edit", nullptr);
            if (edit == nullptr) return false;
            const LRESULT length = TextLength(edit);
            return length > 0 || (!wantText && length == 0);
        });
        return ready ? main_ : nullptr;
    }

    void Close() {
        if (info_.hProcess == nullptr) return;
        HWND main = main_ != nullptr ? main_ : FindTopWindow(Id(), className_, false);
        if (main != nullptr) PostMessageA(main, WM_CLOSE, 0, 0);
        if (WaitForSingleObject(info_.hProcess, 15000) != WAIT_OBJECT_0) {
            TerminateProcess(info_.hProcess, 1);
            WaitForSingleObject(info_.hProcess, 5000);
        }
        CloseHandle(info_.hProcess);
        CloseHandle(info_.hThread);
        info_ = {};
        main_ = nullptr;
    }

    DWORD Id() const { return info_.dwProcessId; }
    HANDLE Handle() const { return info_.hProcess; }
    HWND Main() const { return main_; }

private:
    PROCESS_INFORMATION info_ = {};
    const char* className_ = "";
    HWND main_ = nullptr;
};

std::string LarkmoorExe() { return ProgramFolder + "\\larkmoor.exe"; }
std::string BaselineExe(const char* name) { return BaselineFolder + "\\" + name; }

bool StartLarkmoor(Process& larkmoor) {
    double started = 0;
    return larkmoor.Start(LarkmoorExe(), "", ProgramFolder, "larkmoorclass", &started) &&
           larkmoor.WaitReady(false) != nullptr;
}

// Sends a menu command and waits until the Entries dialog it opens answers.
HWND OpenEntries(Process& process, int command, bool wantRecord) {
    PostMessageA(process.Main(), WM_COMMAND, MAKEWPARAM(command, 0), 0);
    HWND dialog = nullptr;
    const bool open = Settle(kStepTimeout, [&] {
        if (dialog == nullptr) dialog = FindEntriesDialog(process.Id());
        if (dialog == nullptr) return Seen::NotYet;
        const LRESULT length = TextLength(GetDlgItem(dialog, IDC_RECORD_NUMBER));
        if (length < 0) return Seen::NotYet;
        return length > 0 || !wantRecord ? Seen::Done : Seen::Answered;
    });
    return open ? dialog : nullptr;
}

void CloseEntries(HWND dialog) {
    if (dialog == nullptr) return;
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_ENTRIES_OK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDC_ENTRIES_OK)));
    if (Until(kPatience, [&] { return IsWindow(dialog) == FALSE; })) return;
    // A dialog that ignores its OK button still closes from its close box.
    PostMessageA(dialog, WM_CLOSE, 0, 0);
    Until(kStepTimeout, [&] { return IsWindow(dialog) == FALSE; });
}

// The same statement as the program runs, through SQLite alone, with one
// open and one close as the program does. Returns seconds or -1.
double TimeQuery(const std::string& path, const std::string& statement) {
    const double start = Now();
    sqlite3* db = nullptr;
    if (sqlite3_open(path.c_str(), &db) != SQLITE_OK) {
        sqlite3_close(db);
        return -1;
    }
    char** table = nullptr;
    int rows = 0;
    int columns = 0;
    const int result = sqlite3_get_table(db, statement.c_str(), &table, &rows, &columns, nullptr);
    sqlite3_free_table(table);
    sqlite3_close(db);
    const double seconds = Now() - start;
    return result == SQLITE_OK ? seconds : -1;
}

double TimeStatement(const std::string& path, const std::string& statement) {
    const double start = Now();
    sqlite3* db = nullptr;
    if (sqlite3_open(path.c_str(), &db) != SQLITE_OK) {
        sqlite3_close(db);
        return -1;
    }
    const int result = sqlite3_exec(db, statement.c_str(), nullptr, nullptr, nullptr);
    sqlite3_close(db);
    const double seconds = Now() - start;
    return result == SQLITE_OK ? seconds : -1;
}

// The most memory the process has held in its working set so far.
void ReportPeakMemory(const Process& process, const std::string& key) {
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    if (GetProcessMemoryInfo(process.Handle(), &counters, sizeof counters))
        Value(key, static_cast<double>(counters.PeakWorkingSetSize), "bytes");
}

// ---------------------------------------------------------------- start-up

// Starts a program or baseline and waits until it is ready; the seconds it
// took go to key (none when key is empty). False when it did not get there.
bool TimedStart(const std::string& exe, const std::string& folder, const char* className,
                bool wantText, const std::string& key, const char* memoryKey = nullptr) {
    Process process;
    double started = 0;
    if (!process.Start(exe, "", folder, className, &started) || process.WaitReady(wantText) == nullptr)
        return false;
    if (!key.empty()) Sample(key, Now() - started);
    if (memoryKey != nullptr) ReportPeakMemory(process, memoryKey);
    return true;
}

void RunStartup() {
    PlaceJournal("journal-1000.3db");
    // Warm-up: starts of each that are not counted fill the file caches, and
    // the first tells whether the program shows a prompt at all.
    bool prompts = false;
    for (int warmUp = 0; warmUp < 3; ++warmUp) {
        Process larkmoor;
        double started = 0;
        if (!larkmoor.Start(LarkmoorExe(), "", ProgramFolder, "larkmoorclass", &started) ||
            larkmoor.WaitReady(false) == nullptr) {
            Note("startup.larkmoor", "the program did not show its main window" +
                                         DialogsOf(larkmoor.Id()));
            return;
        }
        if (warmUp == 0) prompts = larkmoor.WaitReady(true, 5.0) != nullptr;
        larkmoor.Close();
        for (const char* exe : {"larkmoor_bench_window.exe", "larkmoor_bench_window_v6.exe"})
            TimedStart(BaselineExe(exe), BaselineFolder, kBaselineWindowClass, true, "");
    }
    Note("startup.larkmoor", prompts ? "to the main window showing its first prompt"
                                     : "to the main window shown and answering; it shows no "
                                       "prompt (prompt store not built yet)");
    for (int run = 0; run < StartupRuns; ++run) {
        TimedStart(LarkmoorExe(), ProgramFolder, "larkmoorclass", prompts, "startup.larkmoor");
        TimedStart(BaselineExe("larkmoor_bench_window.exe"), BaselineFolder, kBaselineWindowClass,
                   true, "startup.window", run == 0 ? "memory.window" : nullptr);
        TimedStart(BaselineExe("larkmoor_bench_window_v6.exe"), BaselineFolder,
                   kBaselineWindowClass, true, "startup.window6");
    }
}

// ------------------------------------------------------------ browse, search

struct Journal {
    int entries;
    std::string file;
    std::string searchText;
    int searchMatches;
};

bool ReadJournal(int entries, Journal* journal) {
    journal->entries = entries;
    journal->file = "journal-" + std::to_string(entries) + ".3db";
    const std::string facts = ReadFileBytes(JournalFile("journal-" + std::to_string(entries) + ".txt"));
    char text[64] = {};
    int matches = 0;
    if (std::sscanf(facts.c_str(), "%63s %d", text, &matches) != 2) return false;
    journal->searchText = text;
    journal->searchMatches = matches;
    return PathExists(JournalFile(journal->file));
}

// Times Browse: from the command to the Entries dialog answering with the
// first record's number in its field. Returns the open dialog, or null.
HWND TimeBrowse(Process& process, int command, const std::string& key) {
    const double start = Now();
    HWND dialog = OpenEntries(process, command, true);
    const double seconds = Now() - start;
    if (dialog == nullptr) {
        Note(key, "no record shown within the time limit;" + DialogsOf(process.Id()));
        return nullptr;
    }
    Sample(key, seconds);
    return dialog;
}

void CheckBrowse(HWND dialog, const Journal& journal, const std::string& name) {
    HWND list = GetDlgItem(dialog, IDC_SUBJECT_LIST);
    LRESULT count = -1;
    Ask(list, LB_GETCOUNT, 0, 0, &count);
    LRESULT selected = -1;
    Ask(list, LB_GETCURSEL, 0, 0, &selected);
    wchar_t first[2048] = {};
    DWORD_PTR length = 0;
    SendMessageTimeoutW(list, LB_GETTEXT, 0, reinterpret_cast<LPARAM>(first), SMTO_NORMAL, 10000,
                        &length);
    const bool shown = WideText(GetDlgItem(dialog, IDC_SUBJECT)) == first;
    Check(name, count == journal.entries && selected == 0 && shown,
          std::to_string(count) + " lines for " + std::to_string(journal.entries) +
              " entries, line " + std::to_string(selected) + " selected, its record shown: " +
              (shown ? "yes" : "no"));
}

// The program's list must read exactly as a plain fill (one LB_ADDSTRING per
// row, in the query's order) leaves the same list box.
void CheckListOrder(Process& larkmoor, Process& baseline, const Journal& journal) {
    HWND ours = OpenEntries(larkmoor, IDM_BROWSE_ENTRIES, true);
    HWND plain = OpenEntries(baseline, kFillInQueryOrder, true);
    if (ours == nullptr || plain == nullptr) {
        Check("list-order-" + std::to_string(journal.entries), false, "a dialog did not open");
    } else {
        const auto a = ListLines(GetDlgItem(ours, IDC_SUBJECT_LIST));
        const auto b = ListLines(GetDlgItem(plain, IDC_SUBJECT_LIST));
        std::size_t differ = a.size() == b.size() ? a.size() : 0;
        for (std::size_t i = 0; i < a.size() && i < b.size(); ++i) {
            if (a[i] != b[i]) {
                differ = i;
                break;
            }
        }
        const bool same = a == b;
        Check("list-order-" + std::to_string(journal.entries), same,
              same ? std::to_string(a.size()) + " lines, line for line as one LB_ADDSTRING a row gives"
                   : "differs from one LB_ADDSTRING a row at line " + std::to_string(differ) +
                         " (" + std::to_string(a.size()) + " vs " + std::to_string(b.size()) +
                         " lines)");
    }
    CloseEntries(ours);
    CloseEntries(plain);
}

// Times Go in the Search dialog: from the click to the list answering with
// its lines. The dialog is opened afresh (untimed) for every run, so the
// list is empty before the search.
void TimeSearch(Process& larkmoor, const Journal& journal, const std::string& key, int runs) {
    for (int run = 0; run < runs; ++run) {
        HWND dialog = OpenEntries(larkmoor, IDM_SEARCH_ENTRIES, false);
        if (dialog == nullptr) {
            Note(key, "the Search dialog did not open;" + DialogsOf(larkmoor.Id()));
            return;
        }
        SetText(GetDlgItem(dialog, IDC_SEARCH_TEXT), journal.searchText.c_str());
        HWND list = GetDlgItem(dialog, IDC_SUBJECT_LIST);
        LRESULT count = 0;
        const double start = Now();
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_SEARCH_GO, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDC_SEARCH_GO)));
        const bool done = Settle(kStepTimeout, [&] {
            if (!Ask(list, LB_GETCOUNT, 0, 0, &count)) return Seen::NotYet;
            return count > 0 ? Seen::Done : Seen::Answered;
        });
        const double seconds = Now() - start;
        if (!done) {
            Note(key, "no search result within the time limit;" + DialogsOf(larkmoor.Id()));
            CloseEntries(dialog);
            return;
        }
        Sample(key, seconds);
        if (run == 0)
            Check("search-" + std::to_string(journal.entries), count == journal.searchMatches,
                  std::to_string(count) + " lines for \"" + journal.searchText + "\", " +
                      std::to_string(journal.searchMatches) + " subjects match");
        CloseEntries(dialog);
    }
}

void RunBrowseAndSearch(const Journal& journal) {
    const std::string size = std::to_string(journal.entries);
    const int runs = journal.entries >= 100000 ? Runs100k : Runs;
    PlaceJournal(journal.file);
    const std::string scratch = DataFolderPath() + "\\bench-scratch.3db";
    CopyFileA(JournalFile(journal.file).c_str(), scratch.c_str(), FALSE);

    Process larkmoor;
    if (!StartLarkmoor(larkmoor)) {
        Note("browse." + size + ".larkmoor", "the program did not start");
        return;
    }
    Process baseline;
    double started = 0;
    if (!baseline.Start(BaselineExe("larkmoor_bench_list.exe"), JournalFile(journal.file),
                        BaselineFolder, kBaselineListClass, &started) ||
        baseline.WaitReady(true, 120.0) == nullptr) {
        Note("browse." + size + ".listbox", "the list baseline did not start");
        return;
    }

    // The program's own statements, timed through SQLite alone.
    char statement[512];
    BuildSearchStatement(statement, sizeof statement, journal.searchText.c_str());

    bool browseWorks = true;
    for (int run = 0; run < runs; ++run) {
        if (browseWorks) {
            HWND dialog = TimeBrowse(larkmoor, IDM_BROWSE_ENTRIES, "browse." + size + ".larkmoor");
            if (dialog == nullptr) {
                browseWorks = false;
                // Whatever the dialog shows, it has to go before the next step.
                CloseEntries(FindEntriesDialog(larkmoor.Id()));
            } else {
                if (run == 0) CheckBrowse(dialog, journal, "browse-" + size);
                CloseEntries(dialog);
            }
        }
        HWND filled = TimeBrowse(baseline, kFillInListOrder, "browse." + size + ".listbox");
        CloseEntries(filled);
        filled = TimeBrowse(baseline, kFillByAppending, "browse." + size + ".append");
        CloseEntries(filled);
        const double query = TimeQuery(scratch, kListSubjectsStatement);
        if (query >= 0) Sample("browse." + size + ".sqlite", query);
    }
    if (journal.entries <= 10000) {
        for (int run = 0; run < runs; ++run) {
            HWND filled = TimeBrowse(baseline, kFillInQueryOrder, "browse." + size + ".plainfill");
            CloseEntries(filled);
        }
        if (browseWorks) CheckListOrder(larkmoor, baseline, journal);
    }
    if (journal.entries >= 100000) {
        if (browseWorks) ReportPeakMemory(larkmoor, "memory." + size + ".larkmoor");
        ReportPeakMemory(baseline, "memory." + size + ".listbox");
    }

    if (browseWorks) {
        TimeSearch(larkmoor, journal, "search." + size + ".larkmoor", runs);
    } else {
        Note("search." + size + ".larkmoor", "not run: the Entries dialog lists nothing yet");
    }
    for (int run = 0; run < runs; ++run) {
        const double query = TimeQuery(scratch, statement);
        if (query >= 0) Sample("search." + size + ".sqlite", query);
    }
    larkmoor.Close();
    baseline.Close();
    DeleteFileA(scratch.c_str());
}

// -------------------------------------------------------------------- save

const char kEntryText[] =
    "Walked the long way round the harbour and counted the boats again.\r\n"
    "Idea: a small calendar of tides on the kitchen wall, one line a day, with "
    "the moon drawn in pencil. Ask Vera whether the print shop still does the "
    "heavy paper. It's cheaper to make twelve than one.";

void RunSave(const Journal& journal) {
    const std::string size = std::to_string(journal.entries);
    PlaceJournal(journal.file);
    Process larkmoor;
    if (!StartLarkmoor(larkmoor)) {
        Note("save.insert." + size + ".larkmoor", "the program did not start");
        return;
    }
    // A new entry, in the Add dialog: the whole Save command, from the click
    // to the emptied fields (inserted, list refilled, fields cleared).
    for (int run = 0; run < Runs; ++run) {
        const std::string key = "save.insert." + size + ".larkmoor";
        HWND dialog = OpenEntries(larkmoor, IDM_ADD_ENTRY, false);
        if (dialog == nullptr) {
            Note(key, "the Add dialog did not open");
            break;
        }
        const std::string subject = "Bench entry " + std::to_string(run + 1);
        SetText(GetDlgItem(dialog, IDC_SUBJECT), subject.c_str());
        SetText(GetDlgItem(dialog, IDC_ENTRY_TEXT), kEntryText);
        HWND field = GetDlgItem(dialog, IDC_SUBJECT);
        const double start = Now();
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_SAVE, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDC_SAVE)));
        const bool done = Settle(kStepTimeout, [&] {
            const LRESULT length = TextLength(field);
            return length == 0 ? Seen::Done : length > 0 ? Seen::Answered : Seen::NotYet;
        });
        const double seconds = Now() - start;
        LRESULT count = -1;
        Ask(GetDlgItem(dialog, IDC_SUBJECT_LIST), LB_GETCOUNT, 0, 0, &count);
        const bool stored = count == journal.entries + run + 1;
        if (!done || !stored) {
            Note(key, "the save did not end with the new entry listed (" + std::to_string(count) +
                          " lines);" + DialogsOf(larkmoor.Id()));
            CloseEntries(dialog);
            break;
        }
        Sample(key, seconds);
        CloseEntries(dialog);
    }
    // A change to the record Browse shows: the same command updating it.
    PlaceJournal(journal.file);
    int updated = 0;
    for (int run = 0; run < Runs; ++run) {
        const std::string key = "save.update." + size + ".larkmoor";
        HWND dialog = OpenEntries(larkmoor, IDM_BROWSE_ENTRIES, true);
        if (dialog == nullptr) {
            Note(key, "Browse showed no record to change");
            CloseEntries(FindEntriesDialog(larkmoor.Id()));
            break;
        }
        const std::string text = std::string(kEntryText) + " Changed " + std::to_string(run + 1);
        SetText(GetDlgItem(dialog, IDC_ENTRY_TEXT), text.c_str());
        HWND field = GetDlgItem(dialog, IDC_SUBJECT);
        const double start = Now();
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_SAVE, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDC_SAVE)));
        const bool done = Settle(kStepTimeout, [&] {
            const LRESULT length = TextLength(field);
            return length == 0 ? Seen::Done : length > 0 ? Seen::Answered : Seen::NotYet;
        });
        const double seconds = Now() - start;
        LRESULT count = -1;
        Ask(GetDlgItem(dialog, IDC_SUBJECT_LIST), LB_GETCOUNT, 0, 0, &count);
        if (!done || count != journal.entries) {
            Note(key, "the save did not end with the list refilled;" + DialogsOf(larkmoor.Id()));
            CloseEntries(dialog);
            break;
        }
        Sample(key, seconds);
        ++updated;
        CloseEntries(dialog);
    }
    larkmoor.Close();
    // The changes replaced records, they added none.
    if (updated > 0) {
        sqlite3* db = nullptr;
        char** table = nullptr;
        int rows = 0;
        int columns = 0;
        sqlite3_open(ProgramDatabase().c_str(), &db);
        sqlite3_get_table(db, "SELECT count(*) FROM dbtable WHERE length(dbentry) > 0;", &table,
                          &rows, &columns, nullptr);
        const bool counted = rows == 1 && table != nullptr && table[1] != nullptr &&
                             std::atoi(table[1]) == journal.entries;
        sqlite3_free_table(table);
        sqlite3_close(db);
        Check("save-update-" + size, counted, "the record count stays " + size + " after changes");
    }

    // SQLite alone: the same insert and update statements, one open each,
    // with the entry scrambled and quoted as the program stores it.
    const std::string scratch = DataFolderPath() + "\\bench-scratch.3db";
    CopyFileA(JournalFile(journal.file).c_str(), scratch.c_str(), FALSE);
    static char scrambled[kEntrySize];
    static char quoted[2 * kEntrySize];
    ClearText(scrambled, sizeof scrambled);
    ClearText(quoted, sizeof quoted);
    ScrambleText(kEntryText, scrambled);
    QuoteSqlText(scrambled, quoted);
    const std::string insert = std::string("INSERT INTO dbtable (a, dbdate, dbsubject, dbentry) "
                                           "VALUES(NULL,'2026-12-07 10:00:00','Bench entry','") +
                               quoted + "');";
    const std::string update = std::string("UPDATE dbtable SET dbdate='2026-12-07 10:00:01', "
                                           "dbsubject='Bench entry', dbentry='") +
                               quoted + "' WHERE a=1 ;";
    for (int run = 0; run < Runs; ++run) {
        const double inserted = TimeStatement(scratch, insert);
        if (inserted >= 0) Sample("save.insert." + size + ".sqlite", inserted);
        const double changed = TimeStatement(scratch, update);
        if (changed >= 0) Sample("save.update." + size + ".sqlite", changed);
    }
    DeleteFileA(scratch.c_str());
}

// ----------------------------------------------------------------- compact

// Times a command that ends in a "Notice" message box: from the command to
// the box answering. Closes the box; returns seconds, or -1 with no box.
double TimeNotice(Process& process, int command, std::string* text = nullptr) {
    HWND box = nullptr;
    const double start = Now();
    PostMessageA(process.Main(), WM_COMMAND, MAKEWPARAM(command, 0), 0);
    const bool done = Settle(kStepTimeout, [&] {
        box = FindMessageBox(process.Id(), "Notice");
        if (box != nullptr && TextLength(box) >= 0) return Seen::Done;
        return TextLength(process.Main()) >= 0 ? Seen::Answered : Seen::NotYet;
    });
    const double seconds = Now() - start;
    if (!done) return -1;
    char message[256] = {};
    GetWindowTextA(GetDlgItem(box, 0xFFFF), message, sizeof message);
    if (text != nullptr) *text = message;
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    Until(kStepTimeout, [&] { return IsWindow(box) == FALSE; });
    return seconds;
}

void RunCompact() {
    const std::string half = JournalFile("journal-10000-half.3db");
    if (!PathExists(half)) {
        Note("compact.10000.larkmoor", "no half-deleted journal generated");
        return;
    }
    PlaceJournal("journal-10000-half.3db");
    Process larkmoor;
    if (!StartLarkmoor(larkmoor)) {
        Note("compact.10000.larkmoor", "the program did not start");
        return;
    }
    const DWORD before = [&] {
        WIN32_FILE_ATTRIBUTE_DATA data = {};
        GetFileAttributesExA(half.c_str(), GetFileExInfoStandard, &data);
        return data.nFileSizeLow;
    }();
    for (int run = 0; run < Runs; ++run) {
        PlaceJournal("journal-10000-half.3db");
        std::string text;
        const double seconds = TimeNotice(larkmoor, IDM_COMPACT_DATABASE, &text);
        if (seconds < 0) {
            Note("compact.10000.larkmoor", "no \"Database compacted.\" notice;" +
                                               DialogsOf(larkmoor.Id()));
            break;
        }
        if (text != "Database compacted.") {
            Note("compact.10000.larkmoor", "the notice said: " + text);
            break;
        }
        Sample("compact.10000.larkmoor", seconds);
        if (run == 0) {
            WIN32_FILE_ATTRIBUTE_DATA data = {};
            GetFileAttributesExA(ProgramDatabase().c_str(), GetFileExInfoStandard, &data);
            Check("compact-10000", data.nFileSizeLow < before,
                  "file " + std::to_string(before) + " bytes before, " +
                      std::to_string(data.nFileSizeLow) + " after");
        }
    }
    larkmoor.Close();

    // The notice box alone, shown by the list baseline on a command.
    Process baseline;
    double started = 0;
    if (baseline.Start(BaselineExe("larkmoor_bench_list.exe"), half, BaselineFolder,
                       kBaselineListClass, &started) &&
        baseline.WaitReady(true) != nullptr) {
        for (int run = 0; run < Runs; ++run) {
            const double seconds = TimeNotice(baseline, kShowNotice);
            if (seconds < 0) {
                Note("compact.notice", "no notice from the baseline");
                break;
            }
            Sample("compact.notice", seconds);
        }
    }
    baseline.Close();

    const std::string scratch = DataFolderPath() + "\\bench-scratch.3db";
    for (int run = 0; run < Runs; ++run) {
        CopyFileA(half.c_str(), scratch.c_str(), FALSE);
        const double seconds = TimeStatement(scratch, "VACUUM;");
        if (seconds >= 0) Sample("compact.10000.sqlite", seconds);
    }
    DeleteFileA(scratch.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: larkmoor_bench PROGRAM_FOLDER DATA_FOLDER [option=value...] "
                             "[startup|browse|save|compact...]\n");
        return 2;
    }
    ProgramFolder = argv[1];
    DataFolder = argv[2];
    {
        char self[MAX_PATH] = {};
        GetModuleFileNameA(nullptr, self, sizeof self);
        BaselineFolder = self;
        BaselineFolder.erase(BaselineFolder.find_last_of('\\'));
    }
    std::set<std::string> sections;
    for (int i = 3; i < argc; ++i) {
        const std::string argument = argv[i];
        const std::size_t equals = argument.find('=');
        if (equals == std::string::npos) {
            sections.insert(argument);
            continue;
        }
        const std::string name = argument.substr(0, equals);
        const int number = std::atoi(argument.c_str() + equals + 1);
        if (name == "runs") Runs = number;
        else if (name == "runs100k") Runs100k = number;
        else if (name == "startupruns") StartupRuns = number;
    }
    const auto wanted = [&](const char* section) {
        return sections.empty() || sections.count(section) != 0;
    };

    // Quiet start-ups: no startup screen, automatic login, logging on.
    RemoveDataFolder();
    WriteSettingsFile(50, 40, 480, 360, 0, 1, 1);

    if (wanted("browse")) {
        for (int entries : {1000, 10000, 100000}) {
            Journal journal;
            if (ReadJournal(entries, &journal))
                RunBrowseAndSearch(journal);
            else
                Note("browse." + std::to_string(entries) + ".larkmoor", "journal not generated");
        }
    }
    if (wanted("save")) {
        Journal journal;
        if (ReadJournal(10000, &journal)) RunSave(journal);
    }
    if (wanted("compact")) RunCompact();
    // Start-ups last: by then the Wine session has settled (a new prefix
    // keeps working in the background for a while after its first start).
    if (wanted("startup")) RunStartup();
    return 0;
}
