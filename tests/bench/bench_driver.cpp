// Benchmark driver. Starts larkmoor.exe and the baseline programs as their
// own processes, drives them through their windows from this process as the
// end-to-end tests do, and times each step with the performance counter.
// It prints one line per observation for tests/bench/report.py:
//   sample KEY SECONDS      one timed run
//   value KEY NUMBER UNIT   one measured quantity (memory)
//   note KEY TEXT           why a row has no figures, or what it measured
//   check NAME ok|FAIL TEXT a behaviour the timed runs rely on
//
//   load SECTION TEXT       the machine's load averages as a section begins
//
// Usage: larkmoor_bench PROGRAM_FOLDER DATA_FOLDER [option=value...] [section...]
// DATA_FOLDER holds journal-N.3db and journal-N.txt ("SEARCHTEXT MATCHES")
// for each size, and journal-10000-half.3db; the driver writes the large
// prompts files and the long log there itself. Sections: browse save compact
// prompts log startup (all when none is named). Options: runs, runs100k,
// runslong, startupruns.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "bench/bench_ids.h"
#include "journal/journal_store.h"
#include "journal/text.h"
#include "log/log_file.h"
#include "prompts/prompt_file.h"
#include "resource.h"
#include "support/driver.h"

namespace {

using e2e::Ask;
using e2e::ListLines;

constexpr double kStartTimeout = 30.0;
constexpr double kStepTimeout = 120.0;

std::string ProgramFolder;   // larkmoor.exe and its prompts file
std::string BaselineFolder;  // this driver and the baseline programs
std::string DataFolder;      // the generated journals
int Runs = 5;
int Runs100k = 3;
// The prompts editor with a large file: one open takes seconds, and in one of
// two ways (about 6 s or about 9 s for the 10 MB line), in the program and in
// the bare dialog alike, so its verdict needs more rounds than the others.
int RunsLong = 7;
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

// One line of output for report.py, written at once.
void Emit(const char* kind, const std::string& key, const std::string& rest) {
    std::printf("%s %s %s\n", kind, key.c_str(), rest.c_str());
    std::fflush(stdout);
}

void Sample(const std::string& key, double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.6f", seconds);
    Emit("sample", key, text);
}

void Value(const std::string& key, double number, const char* unit) {
    Emit("value", key, std::to_string(static_cast<long long>(number)) + " " + unit);
}

void Note(const std::string& key, const std::string& text) { Emit("note", key, text); }

void Check(const std::string& name, bool ok, const std::string& text) {
    Emit("check", name, (ok ? "ok " : "FAIL ") + text);
}

// Waits until ready() holds, looking again every millisecond.
bool Until(double timeoutSeconds, const std::function<bool()>& ready) {
    return e2e::WaitUntil(ready, static_cast<DWORD>(timeoutSeconds * 1000), 1);
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

LRESULT TextLength(HWND window) {
    LRESULT length = -1;
    if (!Ask(window, WM_GETTEXTLENGTH, 0, 0, &length)) return -1;
    return length;
}

// A dialog of a process, visible or still being set up, with this caption
// (any when null) and a control of this number (0xFFFF: a message box's
// text). The caption is read without asking the dialog's thread.
HWND FindDialog(DWORD process, const char* caption, int item) {
    for (HWND window : e2e::TopWindows(process, "#32770", false)) {
        char text[256] = {};
        GetWindowTextA(window, text, sizeof text);
        if ((caption == nullptr || std::strcmp(text, caption) == 0) &&
            GetDlgItem(window, item) != nullptr)
            return window;
    }
    return nullptr;
}

// The Entries dialog of a process (the program's or the dialog baseline's).
HWND FindEntriesDialog(DWORD process) {
    return FindDialog(process, nullptr, IDC_RECORD_NUMBER);
}

// True when nothing of the window waits to be painted.
bool Painted(HWND window) {
    return GetUpdateRect(window, nullptr, FALSE) == FALSE;
}

// Captions and texts of the dialogs a process shows, for the notes of a row
// that timed out.
std::string DialogsOf(DWORD process) {
    const std::string text = e2e::OpenDialogs(process);
    return text.empty() ? std::string(" (no dialog open)") : " " + text;
}

std::string JournalFile(const std::string& name) {
    return DataFolder + "\\" + name;
}

bool PlaceJournal(const std::string& file) {
    return CopyFileA(JournalFile(file).c_str(), e2e::DatabaseFile().c_str(), FALSE) != 0;
}

// One running program or baseline, closed as a user closes it.
class Process : public e2e::Larkmoor {
public:
    ~Process() { Close(); }

    // Starts the program and returns the performance-counter time just
    // before the process was created.
    bool Start(const std::string& exe, const std::string& arguments, const std::string& folder,
               const char* className, double* started) {
        className_ = className;
        *started = Now();
        return Larkmoor::Start(folder, exe, arguments);
    }

    // Waits for the visible main window whose edit child answers; with
    // wantText, also for the edit to hold text. Null on timeout.
    HWND WaitReady(bool wantText, double timeout = kStartTimeout) {
        main_ = nullptr;
        const bool ready = Until(timeout, [&] {
            if (main_ == nullptr) {
                const std::vector<HWND> windows = e2e::TopWindows(Id(), className_);
                if (windows.empty()) return false;
                main_ = windows[0];
            }
            HWND edit = FindWindowExA(main_, nullptr, "Edit", nullptr);
            if (edit == nullptr) return false;
            const LRESULT length = TextLength(edit);
            return length > 0 || (!wantText && length == 0);
        });
        return ready ? main_ : nullptr;
    }

    void Close() {
        if (Handle() == nullptr) return;
        const std::vector<HWND> windows = e2e::TopWindows(Id(), className_, false);
        HWND main = main_ != nullptr ? main_ : windows.empty() ? nullptr : windows[0];
        if (main != nullptr) PostMessageA(main, WM_CLOSE, 0, 0);
        DWORD code = 0;
        WaitExit(&code, 15000);
        Kill();
        main_ = nullptr;
    }

    DWORD Id() const { return ProcessId(); }
    HWND Main() const { return main_; }

private:
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

// Waits until a dialog of the process with this caption (any when null)
// and control is there and look() finds it done. Returns it, or null.
HWND WaitDialog(Process& process, const char* caption, int item,
                const std::function<Seen(HWND)>& look) {
    HWND dialog = nullptr;
    const bool done = Settle(kStepTimeout, [&] {
        if (dialog == nullptr) dialog = FindDialog(process.Id(), caption, item);
        return dialog == nullptr ? Seen::NotYet : look(dialog);
    });
    return done ? dialog : nullptr;
}

// An Entries dialog is done once it answers (with a record shown, when
// wantRecord).
Seen RecordShown(HWND dialog, bool wantRecord = true) {
    const LRESULT length = TextLength(GetDlgItem(dialog, IDC_RECORD_NUMBER));
    if (length < 0) return Seen::NotYet;
    return length > 0 || !wantRecord ? Seen::Done : Seen::Answered;
}

// Sends a menu command and waits until the Entries dialog it opens is done.
HWND OpenEntries(Process& process, int command, bool wantRecord) {
    e2e::PostCommand(process.Main(), command);
    return WaitDialog(process, nullptr, IDC_RECORD_NUMBER,
                      [&](HWND dialog) { return RecordShown(dialog, wantRecord); });
}

// Closes a dialog with one of its buttons, or else its close box.
void CloseDialog(HWND dialog, int button = IDC_ENTRIES_OK) {
    if (dialog == nullptr) return;
    e2e::PostClick(dialog, button);
    if (Until(kPatience, [&] { return IsWindow(dialog) == FALSE; })) return;
    PostMessageA(dialog, WM_CLOSE, 0, 0);
    Until(kStepTimeout, [&] { return IsWindow(dialog) == FALSE; });
}

// Runs one of the program's statements on a database file through SQLite
// alone, with one open and one close as the program does, in the dialog
// baseline (a process of the program's kind, see bench_ids.h); timed from
// the request to the answer. Returns seconds, or -1.
double TimeSqlite(Process& runner, const std::string& path, const std::string& statement,
                  ULONG_PTR how = kRunQuery) {
    std::string data = path + '\0' + statement + '\0';
    COPYDATASTRUCT copy = {how, static_cast<DWORD>(data.size()), &data[0]};
    LRESULT ran = 0;
    const double start = Now();
    const bool answered = Ask(runner.Main(), WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&copy), &ran);
    const double seconds = Now() - start;
    return answered && ran == 1 ? seconds : -1;
}

// The most memory the process has held in its working set so far.
void ReportPeakMemory(const Process& process, const std::string& key) {
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    if (GetProcessMemoryInfo(process.Handle(), &counters, sizeof counters))
        Value(key, static_cast<double>(counters.PeakWorkingSetSize), "bytes");
}

// The dialog baseline's argument: see bench_ids.h.
std::string BaselineArguments(const std::string& journal, const std::string& searchText,
                              const std::string& prompts, const std::string& log) {
    const std::string bar(1, kArgumentSeparator);
    return journal + bar + searchText + bar + prompts + bar + log;
}

bool StartDialogBaseline(Process& baseline, const std::string& arguments) {
    double started = 0;
    return baseline.Start(BaselineExe("larkmoor_bench_list.exe"), arguments, BaselineFolder,
                          kBaselineListClass, &started) &&
           baseline.WaitReady(true, kStepTimeout) != nullptr;
}

// Starts the program and the dialog baseline with these arguments; notes
// the row's failure when either does not start.
bool StartBoth(Process& larkmoor, Process& baseline, const std::string& arguments,
               const std::string& key) {
    if (StartLarkmoor(larkmoor) && StartDialogBaseline(baseline, arguments)) return true;
    Note(key, "the program or its baseline did not start");
    return false;
}

// A menu command comes from the active window, and each timed command starts
// with its window in front, as a user's click on the menu leaves it. Left to
// whichever process happened to be active, the program's compact took 28 ms
// in some runs and 51 ms in others (its notice box some 9 or 30 ms), and a
// run's verdict flipped on it; from the front it took 33-36 ms in four runs.
void FromTheFront(Process& process) {
    if (!e2e::BringToFront(process.Main())) Note("front", "a window did not come to the front");
}

// Times a command that opens a dialog: from posting it to look() finding the
// dialog done. Returns the open dialog, or null.
HWND TimeOpen(Process& process, int command, const std::string& key, const char* caption, int item,
              const std::function<Seen(HWND)>& look) {
    FromTheFront(process);
    const double start = Now();
    e2e::PostCommand(process.Main(), command);
    HWND dialog = WaitDialog(process, caption, item, look);
    const double seconds = Now() - start;
    if (dialog == nullptr) {
        Note(key, "not shown within the time limit;" + DialogsOf(process.Id()));
        CloseDialog(FindDialog(process.Id(), caption, item), IDCANCEL);
        return nullptr;
    }
    Sample(key, seconds);
    return dialog;
}

// The state a dialog's control must show, painted, for the dialog to count
// as shown: a text of this length, or a list of this many lines.
std::function<Seen(HWND)> ShowsControl(int item, UINT query, LRESULT wanted) {
    return [=](HWND dialog) {
        HWND control = GetDlgItem(dialog, item);
        LRESULT got = -1;
        if (!Ask(control, query, 0, 0, &got)) return Seen::NotYet;
        return got == wanted && Painted(dialog) && Painted(control) ? Seen::Done : Seen::Answered;
    };
}

// Notes the machine's load averages (Wine shows /proc on drive Z:).
void NoteLoad(const char* section) {
    std::string load = ReadFileBytes("Z:\\proc\\loadavg");
    load = load.substr(0, load.find(' ', load.find(' ', load.find(' ') + 1) + 1));
    if (!load.empty()) std::printf("load %s %s\n", section, load.c_str());
}

// ---------------------------------------------------------------- start-up

constexpr char kManyPromptsFile[] = "prompts-100000.txt";
constexpr int kManyPrompts = 100000;
constexpr char kLongLineFile[] = "prompts-10mb.txt";
constexpr char kLongLogFile[] = "log-1000000.txt";

std::string DefaultPromptsFile() { return ProgramFolder + "\\larkmoorqtx.txt"; }

std::size_t PromptsIn(const std::string& file) {
    const std::string bytes = ReadFileBytes(file);
    return CountPrompts(bytes.data(), bytes.size());
}

// The large inputs: the default prompts repeated to 100,000 lines, one line
// of 10 MB, a log of 1,000,000 lines.
void WriteLargeInputs() {
    const std::string defaults = ReadFileBytes(DefaultPromptsFile());
    std::string many;
    for (std::size_t at = 0, lines = 0; lines < kManyPrompts; ++lines) {
        std::size_t end = defaults.find('\n', at);
        if (end == std::string::npos) at = 0, end = defaults.find('\n');
        std::string line = defaults.substr(at, end - at);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        many += line + "\r\n";
        at = end + 1 < defaults.size() ? end + 1 : 0;
    }
    WriteFileBytes(JournalFile(kManyPromptsFile), many);
    std::string line(10 * 1024 * 1024, 'x');
    for (std::size_t i = 0; i < line.size(); i += 97) line[i] = static_cast<char>('a' + i % 26);
    WriteFileBytes(JournalFile(kLongLineFile), line);
    std::string log;
    log.reserve(44 * 1000000);
    char text[64];
    for (int i = 0; i < 1000000; ++i) {
        std::snprintf(text, sizeof text, "2024-01-02 03:%02d:%02d - Session Start\n", i / 60 % 60,
                      i % 60);
        log += text;
    }
    WriteFileBytes(JournalFile(kLongLogFile), log);
}

// The DLLs loaded in a process, by name in lower case.
std::set<std::string> LoadedLibraries(HANDLE process) {
    std::set<std::string> names;
    HMODULE modules[1024];
    DWORD bytes = 0;
    if (!EnumProcessModules(process, modules, sizeof modules, &bytes)) return names;
    const DWORD count = std::min<DWORD>(bytes / sizeof(HMODULE), 1024);
    for (DWORD i = 0; i < count; ++i) {
        char name[MAX_PATH] = {};
        if (GetModuleBaseNameA(process, modules[i], name, sizeof name) == 0) continue;
        std::string lower = name;
        for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (lower.size() > 4 && lower.compare(lower.size() - 4, 4, ".exe") != 0)
            names.insert(lower);
    }
    return names;
}

// The libraries loaded in the program and in the start-up floor once their
// windows showed text, taken at their first counted start.
std::set<std::string> ProgramLibraries;
std::set<std::string> FloorLibraries;

// The floor must load exactly the program's libraries: fewer would leave out
// work the program cannot skip, more would add work it does not do.
void CheckFloorLibraries() {
    if (ProgramLibraries.empty() || FloorLibraries.empty()) {
        Check("startup-floor-libraries", false, "the loaded libraries could not be read");
        return;
    }
    std::string missing;
    std::string extra;
    for (const std::string& name : ProgramLibraries)
        if (FloorLibraries.count(name) == 0) missing += " " + name;
    for (const std::string& name : FloorLibraries)
        if (ProgramLibraries.count(name) == 0) extra += " " + name;
    Check("startup-floor-libraries", missing.empty() && extra.empty(),
          std::to_string(FloorLibraries.size()) + " DLLs loaded by the floor, " +
              std::to_string(ProgramLibraries.size()) + " by the program" +
              (missing.empty() ? "" : "; not by the floor:" + missing) +
              (extra.empty() ? "" : "; not by the program:" + extra));
}

// One start of the program with the given prompts file, or of a start-up
// baseline, timed from process creation to the main window showing its
// text. Checks once that the program's prompt list holds the file's prompts,
// and notes the libraries of the program and of the floor.
void TimeStart(const std::string& key, const std::string& exe, const char* className,
               const std::string& prompts, bool record) {
    const bool larkmoor = !prompts.empty();
    if (larkmoor) CopyFileA(prompts.c_str(), e2e::PromptsFile().c_str(), FALSE);
    Process process;
    double started = 0;
    if (!process.Start(exe, "", larkmoor ? ProgramFolder : BaselineFolder, className, &started) ||
        process.WaitReady(true) == nullptr) {
        Note(key, "no main window showing text;" + DialogsOf(process.Id()));
        return;
    }
    if (!record) return;
    Sample(key, Now() - started);
    static std::set<std::string> checked;
    if (!checked.insert(key).second) return;
    if (larkmoor) {
        LRESULT count = -1;
        Ask(FindWindowExA(process.Main(), nullptr, "ListBox", nullptr), LB_GETCOUNT, 0, 0, &count);
        const std::size_t wanted = PromptsIn(prompts);
        Check(key, count == static_cast<LRESULT>(wanted),
              std::to_string(count) + " prompts listed, " + std::to_string(wanted) + " in the file");
        if (key == "startup.larkmoor") ProgramLibraries = LoadedLibraries(process.Handle());
    } else if (key == "startup.floor") {
        FloorLibraries = LoadedLibraries(process.Handle());
    } else if (key == "startup.window") {
        ReportPeakMemory(process, "memory.window");
    }
}

void RunStartup() {
    NoteLoad("startup");
    PlaceJournal("journal-1000.3db");
    const std::string many = JournalFile(kManyPromptsFile);
    // The hidden list alone, in a fresh process each time, as the program
    // fills its list in a fresh process.
    const auto fillList = [&](bool record) {
        Process lists;
        if (!StartDialogBaseline(lists, BaselineArguments("", "", many, ""))) {
            Note("startup.100000.list", "the dialog baseline did not start");
            return;
        }
        LRESULT count = -1;
        const double start = Now();
        const bool answered = Ask(lists.Main(), WM_COMMAND, kFillPromptList, 0, &count);
        const double seconds = Now() - start;
        if (!record || !answered) return;
        Sample("startup.100000.list", seconds);
        if (count != kManyPrompts)
            Check("startup.100000.list", false, std::to_string(count) + " lines in the list");
    };
    const auto start = [](const char* key, std::string exe, const char* className,
                          std::string prompts) {
        return [=](bool record) { TimeStart(key, exe, className, prompts, record); };
    };
    const std::function<void(bool)> starts[] = {
        start("startup.larkmoor", LarkmoorExe(), "larkmoorclass", DefaultPromptsFile()),
        start("startup.floor", BaselineExe("larkmoor_bench_floor.exe"), kBaselineFloorClass, ""),
        start("startup.window", BaselineExe("larkmoor_bench_window.exe"), kBaselineWindowClass, ""),
        start("startup.window6", BaselineExe("larkmoor_bench_window_v6.exe"), kBaselineWindowClass,
              "")};
    const std::function<void(bool)> large[] = {
        start("startup.100000.larkmoor", LarkmoorExe(), "larkmoorclass", many), fillList};
    // Two uncounted rounds fill the file caches. Each round runs every one
    // once, side by side under the same load: the four start-ups, each round
    // led by another, then the two large runs, so that each start-up follows a
    // large process (the slowest to clean up after) equally often.
    constexpr int kStarts = sizeof starts / sizeof starts[0];
    constexpr int kLarge = sizeof large / sizeof large[0];
    for (int run = -2; run < StartupRuns; ++run) {
        for (int i = 0; i < kStarts; ++i) starts[(i + run + 2) % kStarts](run >= 0);
        for (int i = 0; i < kLarge; ++i) large[(i + run + 2) % kLarge](run >= 0);
    }
    CheckFloorLibraries();
    CopyFileA(DefaultPromptsFile().c_str(), e2e::PromptsFile().c_str(), FALSE);
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
    return TimeOpen(process, command, key, nullptr, IDC_RECORD_NUMBER,
                    [](HWND dialog) { return RecordShown(dialog); });
}

void CheckBrowse(HWND dialog, const Journal& journal, const std::string& name) {
    HWND list = GetDlgItem(dialog, IDC_SUBJECT_LIST);
    LRESULT count = -1;
    Ask(list, LB_GETCOUNT, 0, 0, &count);
    LRESULT selected = -1;
    Ask(list, LB_GETCURSEL, 0, 0, &selected);
    wchar_t first[2048] = {};
    wchar_t subject[2048] = {};
    Ask(list, LB_GETTEXT, 0, reinterpret_cast<LPARAM>(first), nullptr);
    Ask(GetDlgItem(dialog, IDC_SUBJECT), WM_GETTEXT, 2048, reinterpret_cast<LPARAM>(subject),
        nullptr);
    const bool shown = std::wcscmp(first, subject) == 0;
    Check(name, count == journal.entries && selected == 0 && shown,
          std::to_string(count) + " lines for " + std::to_string(journal.entries) +
              " entries, line " + std::to_string(selected) + " selected, its record shown: " +
              (shown ? "yes" : "no"));
}

// Two lists must read the same, line for line.
void CheckSameLines(const std::string& name, HWND ours, HWND theirs, int item,
                    const std::string& what) {
    const auto a = ListLines(ours, item);
    const auto b = ListLines(theirs, item);
    const std::size_t shorter = std::min(a.size(), b.size());
    const auto differ = std::mismatch(a.begin(), a.begin() + shorter, b.begin()).first - a.begin();
    const bool same = a == b && !a.empty();
    Check(name, same,
          same ? std::to_string(a.size()) + " lines, line for line as " + what
               : "differs from " + what + " at line " + std::to_string(differ) + " (" +
                     std::to_string(a.size()) + " vs " + std::to_string(b.size()) + " lines)");
}

// The program's list must read exactly as a plain fill (one LB_ADDSTRING per
// row, in the query's order) leaves the same list box.
void CheckListOrder(Process& larkmoor, Process& baseline, const Journal& journal) {
    HWND ours = OpenEntries(larkmoor, IDM_BROWSE_ENTRIES, true);
    HWND plain = OpenEntries(baseline, kFillInQueryOrder, true);
    const std::string name = "list-order-" + std::to_string(journal.entries);
    if (ours == nullptr || plain == nullptr)
        Check(name, false, "a dialog did not open");
    else
        CheckSameLines(name, ours, plain, IDC_SUBJECT_LIST,
                       "one LB_ADDSTRING a row gives");
    CloseDialog(ours);
    CloseDialog(plain);
}

// Times Go once in the Entries dialog, opened afresh (untimed) with the
// command `open`, so that the list is empty before the search: from the
// click to the list answering with its lines. With check, also checks the
// lines' count. False, with a note, when there was no result to time.
bool TimeSearch(Process& process, int open, const Journal& journal, const std::string& key,
                bool check) {
    HWND dialog = OpenEntries(process, open, false);
    if (dialog == nullptr) {
        Note(key, "the Search dialog did not open;" + DialogsOf(process.Id()));
        return false;
    }
    e2e::SetField(dialog, IDC_SEARCH_TEXT, journal.searchText);
    HWND list = GetDlgItem(dialog, IDC_SUBJECT_LIST);
    LRESULT count = 0;
    const double start = Now();
    e2e::PostClick(dialog, IDC_SEARCH_GO);
    const bool done = Settle(kStepTimeout, [&] {
        if (!Ask(list, LB_GETCOUNT, 0, 0, &count)) return Seen::NotYet;
        return count > 0 ? Seen::Done : Seen::Answered;
    });
    const double seconds = Now() - start;
    if (!done) {
        Note(key, "no search result within the time limit;" + DialogsOf(process.Id()));
        CloseDialog(dialog);
        return false;
    }
    Sample(key, seconds);
    if (check)
        Check(key, count == journal.searchMatches,
              std::to_string(count) + " lines for \"" + journal.searchText + "\", " +
                  std::to_string(journal.searchMatches) + " subjects match");
    CloseDialog(dialog);
    return true;
}

void RunBrowseAndSearch(const Journal& journal) {
    const std::string size = std::to_string(journal.entries);
    NoteLoad(("browse." + size).c_str());
    const int runs = journal.entries >= 100000 ? Runs100k : Runs;
    PlaceJournal(journal.file);
    const std::string scratch = DataFolderPath() + "\\bench-scratch.3db";
    CopyFileA(JournalFile(journal.file).c_str(), scratch.c_str(), FALSE);

    Process larkmoor;
    Process baseline;
    if (!StartBoth(larkmoor, baseline,
                   BaselineArguments(JournalFile(journal.file), journal.searchText, "", ""),
                   "browse." + size + ".larkmoor"))
        return;

    // The program's own statements, timed through SQLite alone.
    char statement[512];
    BuildSearchStatement(statement, sizeof statement, journal.searchText.c_str());

    bool browseWorks = true;
    for (int run = 0; run < runs; ++run) {
        if (browseWorks) {
            HWND dialog = TimeBrowse(larkmoor, IDM_BROWSE_ENTRIES, "browse." + size + ".larkmoor");
            if (dialog == nullptr) {
                browseWorks = false;
            } else {
                if (run == 0) CheckBrowse(dialog, journal, "browse-" + size);
                CloseDialog(dialog);
            }
        }
        CloseDialog(TimeBrowse(baseline, kFillInListOrder, "browse." + size + ".listbox"));
        CloseDialog(TimeBrowse(baseline, kFillByAppending, "browse." + size + ".append"));
        const double query = TimeSqlite(baseline, scratch, kListSubjectsStatement);
        if (query >= 0) Sample("browse." + size + ".sqlite", query);
    }
    if (journal.entries <= 10000) {
        for (int run = 0; run < runs; ++run)
            CloseDialog(TimeBrowse(baseline, kFillInQueryOrder, "browse." + size + ".plainfill"));
        if (browseWorks) CheckListOrder(larkmoor, baseline, journal);
    }
    if (journal.entries >= 100000) {
        if (browseWorks) ReportPeakMemory(larkmoor, "memory." + size + ".larkmoor");
        ReportPeakMemory(baseline, "memory." + size + ".listbox");
    }

    // Each round: the program's search, its lines put in the baseline's
    // list, the search SELECT alone; side by side, as the browse rounds.
    bool searchWorks = browseWorks;
    if (!browseWorks)
        Note("search." + size + ".larkmoor", "not run: the Entries dialog lists nothing yet");
    bool fillWorks = true;
    for (int run = 0; run < runs; ++run) {
        if (searchWorks)
            searchWorks = TimeSearch(larkmoor, IDM_SEARCH_ENTRIES, journal,
                                     "search." + size + ".larkmoor", run == 0);
        if (fillWorks)
            fillWorks = TimeSearch(baseline, 0, journal, "search." + size + ".fill", run == 0);
        const double query = TimeSqlite(baseline, scratch, statement);
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

// Times Save in an Entries dialog that the command `open` opens (with a
// record shown, when wantRecord): from the click to the emptied subject field
// (stored, list refilled, fields emptied). Returns seconds, or -1 with a note;
// *count is then the number of lines listed.
double TimeSave(Process& process, int open, bool wantRecord, const std::string& key,
                const std::string& subject, const std::string& text, LRESULT* count) {
    HWND dialog = OpenEntries(process, open, wantRecord);
    if (dialog == nullptr) {
        Note(key, "the dialog did not open with a record to save;" + DialogsOf(process.Id()));
        CloseDialog(FindEntriesDialog(process.Id()));
        return -1;
    }
    e2e::SetField(dialog, IDC_SUBJECT, subject);
    e2e::SetField(dialog, IDC_ENTRY_TEXT, text);
    HWND field = GetDlgItem(dialog, IDC_SUBJECT);
    const double start = Now();
    e2e::PostClick(dialog, IDC_SAVE);
    const bool done = Settle(kStepTimeout, [&] {
        const LRESULT length = TextLength(field);
        return length == 0 ? Seen::Done : length > 0 ? Seen::Answered : Seen::NotYet;
    });
    const double seconds = Now() - start;
    *count = -1;
    Ask(GetDlgItem(dialog, IDC_SUBJECT_LIST), LB_GETCOUNT, 0, 0, count);
    if (!done) Note(key, "the save did not end with the fields emptied;" + DialogsOf(process.Id()));
    CloseDialog(dialog);
    return done ? seconds : -1;
}

void RunSave(const Journal& journal) {
    NoteLoad("save");
    const std::string size = std::to_string(journal.entries);
    PlaceJournal(journal.file);
    Process larkmoor;
    Process baseline;
    if (!StartBoth(larkmoor, baseline, BaselineArguments(JournalFile(journal.file), "", "", ""),
                   "save.insert." + size + ".larkmoor"))
        return;
    const std::string scratch = DataFolderPath() + "\\bench-scratch.3db";
    CopyFileA(JournalFile(journal.file).c_str(), scratch.c_str(), FALSE);
    // SQLite alone: the same insert and update statements, one open each,
    // with the entry scrambled and quoted as the program stores it.
    static char scrambled[kEntrySize];
    static char quoted[2 * kEntrySize];
    ClearText(scrambled, sizeof scrambled);
    ClearText(quoted, sizeof quoted);
    ScrambleText(kEntryText, scrambled);
    QuoteSqlText(scrambled, quoted);
    const std::string statements[] = {
        std::string("INSERT INTO dbtable (a, dbdate, dbsubject, dbentry) "
                    "VALUES(NULL,'2026-12-07 10:00:00','Bench entry','") +
            quoted + "');",
        std::string("UPDATE dbtable SET dbdate='2026-12-07 10:00:01', "
                    "dbsubject='Bench entry', dbentry='") +
            quoted + "' WHERE a=1 ;"};

    // Each run: a new entry in the Add dialog, a change to the record Browse
    // shows; the same saves in the dialog baseline, whose list is refilled
    // (from empty, as in Add, and from full, as in Browse); the statements
    // and the listing SELECT through SQLite alone.
    bool works[2] = {true, true};
    int inserted = 0;
    int updated = 0;
    for (int run = 0; run < Runs; ++run) {
        for (int kind = 0; kind < 2; ++kind) {
            const std::string what = kind == 0 ? "save.insert." + size : "save.update." + size;
            const std::string subject = "Bench entry " + std::to_string(run + 1);
            const std::string text = std::string(kEntryText) + " " + std::to_string(run + 1);
            LRESULT count = -1;
            if (works[kind]) {
                const double seconds = TimeSave(larkmoor, kind == 0 ? IDM_ADD_ENTRY : IDM_BROWSE_ENTRIES,
                                                kind == 1, what + ".larkmoor", subject, text, &count);
                const LRESULT wanted = journal.entries + inserted + (kind == 0 ? 1 : 0);
                works[kind] = seconds >= 0 && count == wanted;
                if (works[kind]) {
                    Sample(what + ".larkmoor", seconds);
                    (kind == 0 ? inserted : updated) += 1;
                } else if (seconds >= 0) {
                    Note(what + ".larkmoor", "the list holds " + std::to_string(count) + " lines after the save");
                }
            }
            const double refill = TimeSave(baseline, kind == 0 ? 0 : kFillInListOrder, kind == 1,
                                           what + ".refill", subject, text, &count);
            if (refill >= 0 && count == journal.entries) Sample(what + ".refill", refill);
            const double statement = TimeSqlite(baseline, scratch, statements[kind], kRunStatement);
            if (statement >= 0) Sample(what + ".sqlite", statement);
        }
        const double query = TimeSqlite(baseline, scratch, kListSubjectsStatement);
        if (query >= 0) Sample("save." + size + ".select", query);
    }
    larkmoor.Close();
    baseline.Close();
    DeleteFileA(scratch.c_str());
    // The changes replaced records, they added none.
    if (inserted + updated > 0) {
        const int wanted = journal.entries + inserted;
        SideDb db(e2e::DatabaseFile(), true);
        const bool counted = db.Value("SELECT count(*) FROM dbtable WHERE length(dbentry) > 0;") ==
                             std::to_string(wanted);
        Check("save-" + size, counted,
              "the journal holds " + std::to_string(wanted) + " records after " +
 std::to_string(inserted) + " new entries and " + std::to_string(updated) + " changes");
    }
}

// ----------------------------------------------------------------- compact

// Times a command that ends in a "Notice" message box: from the command to
// the box answering. Closes the box; returns seconds, or -1 with no box.
double TimeNotice(Process& process, int command, std::string* text = nullptr) {
    HWND box = nullptr;
    FromTheFront(process);
    const double start = Now();
    e2e::PostCommand(process.Main(), command);
    const bool done = Settle(kStepTimeout, [&] {
        box = FindDialog(process.Id(), "Notice", 0xFFFF);
        if (box != nullptr && TextLength(box) >= 0) return Seen::Done;
        return TextLength(process.Main()) >= 0 ? Seen::Answered : Seen::NotYet;
    });
    const double seconds = Now() - start;
    if (!done) return -1;
    if (text != nullptr) *text = e2e::MessageBoxText(box);
    e2e::PostClick(box, IDOK);
    Until(kStepTimeout, [&] { return IsWindow(box) == FALSE; });
    return seconds;
}

void RunCompact() {
    NoteLoad("compact");
    const std::string half = JournalFile("journal-10000-half.3db");
    if (!PathExists(half)) {
        Note("compact.10000.larkmoor", "no half-deleted journal generated");
        return;
    }
    PlaceJournal("journal-10000-half.3db");
    Process larkmoor;
    Process baseline;
    if (!StartBoth(larkmoor, baseline, BaselineArguments("", "", "", ""), "compact.10000.larkmoor"))
        return;
    const auto sizeOf = [](const std::string& path) {
        WIN32_FILE_ATTRIBUTE_DATA data = {};
        GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data);
        return data.nFileSizeLow;
    };
    // Each run: the program's command, the notice box alone, VACUUM alone,
    // each on a fresh copy of the half-deleted journal.
    const std::string scratch = DataFolderPath() + "\\bench-scratch.3db";
    for (int run = 0; run < Runs; ++run) {
        PlaceJournal("journal-10000-half.3db");
        std::string text;
        const double seconds = TimeNotice(larkmoor, IDM_COMPACT_DATABASE, &text);
        if (seconds < 0 || text != "Database compacted.") {
            Note("compact.10000.larkmoor", "no \"Database compacted.\" notice: " + text +
                                               DialogsOf(larkmoor.Id()));
            break;
        }
        Sample("compact.10000.larkmoor", seconds);
        if (run == 0)
            Check("compact-10000", sizeOf(e2e::DatabaseFile()) < sizeOf(half),
                  "file " + std::to_string(sizeOf(half)) + " bytes before, " +
                      std::to_string(sizeOf(e2e::DatabaseFile())) + " after");
        const double notice = TimeNotice(baseline, kShowNotice);
        if (notice >= 0) Sample("compact.notice", notice);
        CopyFileA(half.c_str(), scratch.c_str(), FALSE);
        const double vacuum = TimeSqlite(baseline, scratch, kCompactStatement, kRunStatement);
        if (vacuum >= 0) Sample("compact.10000.sqlite", vacuum);
    }
    larkmoor.Close();
    baseline.Close();
    DeleteFileA(scratch.c_str());
}

// --------------------------------------------------- prompts editor and log

constexpr char kEditorCaption[] = "Larkmoor: Edit Brainstorm Prompts";
constexpr char kLogCaption[] = "Larkmoor: View Program Log";

// Edit Brainstorm Prompts with the default prompts, 100,000 prompts and one
// line of 10 MB: from the command to the dialog showing the whole file in its
// field, painted; beside the bare dialog baseline taking the same text.
void RunPrompts() {
    NoteLoad("prompts");
    PlaceJournal("journal-1000.3db");
    const std::pair<const char*, std::string> files[] = {
        {"default", DefaultPromptsFile()},
        {"100000", JournalFile(kManyPromptsFile)},
        {"10mb", JournalFile(kLongLineFile)}};
    for (const auto& [name, file] : files) {
        const std::string key = std::string("prompts.") + name;
        const std::string bytes = ReadFileBytes(file);
        const LRESULT length = static_cast<LRESULT>(ToEditText(bytes.data(), bytes.size()).size());
        const std::size_t count = CountPrompts(bytes.data(), bytes.size());
        CopyFileA(file.c_str(), e2e::PromptsFile().c_str(), FALSE);
        Process larkmoor;
        Process bare;
        if (!StartBoth(larkmoor, bare, BaselineArguments("", "", file, ""), key + ".larkmoor"))
            continue;
        const auto shown = ShowsControl(IDC_PROMPTS_TEXT, WM_GETTEXTLENGTH, length);
        const int runs = bytes.size() > 1000000 ? RunsLong : Runs;
        // Each round opens both, the program's first in every other round, so
        // that neither always follows the other.
        const auto timeProgram = [&](bool check) {
            HWND dialog = TimeOpen(larkmoor, IDM_EDIT_PROMPTS, key + ".larkmoor", kEditorCaption,
                                   IDC_PROMPTS_TEXT, shown);
            if (check && dialog != nullptr) {
                char label[64] = {};
                GetWindowTextA(GetDlgItem(dialog, IDC_PROMPTS_COUNT), label, sizeof label);
                Check(key, std::to_string(count) + " prompts" == label,
                      std::to_string(length) + " characters shown, the count says \"" + label + "\"");
            }
            CloseDialog(dialog, IDCANCEL);
        };
        const auto timeBare = [&] {
            CloseDialog(TimeOpen(bare, kEditPrompts, key + ".bare", kEditorCaption,
                                 IDC_PROMPTS_TEXT, shown),
                        IDCANCEL);
        };
        for (int run = 0; run < runs; ++run) {
            if (run % 2 == 0) {
                timeProgram(run == 0);
                timeBare();
            } else {
                timeBare();
                timeProgram(false);
            }
        }
        larkmoor.Close();
        if (ReadFileBytes(e2e::PromptsFile()) != bytes)
            Check(key, false, "the prompts file changed although every edit was cancelled");
    }
    CopyFileA(DefaultPromptsFile().c_str(), e2e::PromptsFile().c_str(), FALSE);
}

// View Program Log with a log of 1,000,000 lines: from the command to the
// list showing its newest lines, painted; beside the same lines put in the
// same list alone.
void RunLog() {
    NoteLoad("log");
    const std::string log = e2e::LogFile();
    CopyFileA(JournalFile(kLongLogFile).c_str(), log.c_str(), FALSE);
    Process larkmoor;
    Process bare;
    // The baseline reads the log once the program has added its line.
    if (!StartBoth(larkmoor, bare, BaselineArguments("", "", "", log), "log.1000000.larkmoor"))
        return;
    const auto shown = ShowsControl(IDC_LOG_LIST, LB_GETCOUNT, kShownLogLines + 1);
    for (int run = 0; run < Runs; ++run) {
        HWND ours = TimeOpen(larkmoor, IDM_VIEW_LOG, "log.1000000.larkmoor", kLogCaption,
                             IDC_LOG_LIST, shown);
        HWND theirs =
            TimeOpen(bare, kViewLog, "log.1000000.bare", kLogCaption, IDC_LOG_LIST, shown);
        if (run == 0 && ours != nullptr && theirs != nullptr)
            CheckSameLines("log-1000000", ours, theirs, IDC_LOG_LIST, "the log's newest lines");
        CloseDialog(ours, IDOK);
        CloseDialog(theirs, IDOK);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: larkmoor_bench PROGRAM_FOLDER DATA_FOLDER [option=value...] "
                             "[browse|save|compact|prompts|log|startup...]\n");
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
        else if (name == "runslong") RunsLong = number;
        else if (name == "startupruns") StartupRuns = number;
    }
    const auto wanted = [&](const char* section) {
        return sections.empty() || sections.count(section) != 0;
    };

    // Quiet start-ups: no startup screen, automatic login, logging on.
    RemoveDataFolder();
    WriteSettingsFile(kSavedLeft, kSavedTop, kSavedWidth, kSavedHeight, 0, 1, 1);
    if (wanted("prompts") || wanted("log") || wanted("startup")) WriteLargeInputs();

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
    if (wanted("prompts")) RunPrompts();
    if (wanted("log")) RunLog();
    // Start-ups last: by then the Wine session has settled (a new prefix
    // keeps working in the background for a while after its first start).
    if (wanted("startup")) RunStartup();
    return 0;
}
