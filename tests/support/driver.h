// End-to-end test support: starts the real larkmoor.exe as its own process
// and drives it from this one through its windows, as a user would; reads
// and holds the files it writes; runs Linux commands beside Wine (mounts,
// file flags, the sqlite3 program) to make faults beneath it.
//
// Every wait here waits for a state with a generous deadline, and every read
// from the program's windows either gets its answer or fails the test: a
// busy program is waited for, never read as empty.
#pragma once

#include <windows.h>

#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "resource.h"
#include "support/files.h"
#include "support/messages.h"
#include "support/oracles.h"
#include "support/side_db.h"
#include "support/wait.h"

namespace e2e {

using wait::kWaitMs;
using wait::WaitUntil;
// Longer deadlines: a start, and one answer to a message.
constexpr DWORD kStartMs = 60000;
constexpr DWORD kAnswerMs = 120000;

// The folder holding larkmoor.exe and the files shipped beside it.
std::string ProgramFolderPath();
// Files of the data folder, by their Windows paths.
std::string DataFile(const char* name);
std::string DatabaseFile();
std::string SettingsFile();
std::string LogFile();
std::string PromptsFile();

// --- Reading and driving another process's windows ------------------------------

// Makes the window the foreground window, as a click on it would; false
// when it has not become so within the usual wait.
bool BringToFront(HWND window);
// Sends a message to a window of another process and waits for its answer,
// which comes only when that process's thread takes messages again; false
// when none came in time or the window is gone.
bool Ask(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* answer,
         DWORD timeoutMs = kAnswerMs);
// The same for as long as a loaded machine may need; fails the test when no
// answer comes from a window that still exists.
LRESULT Send(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
// A window's whole text (read wide, in the code page of this process).
std::string TextOf(HWND window);
std::string Field(HWND dialog, int id);
void SetField(HWND dialog, int id, const std::string& text);
// A window's text read in UTF-16, as UTF-8, and the reverse: text as the user
// types it, whatever the code page of either process.
std::string TextUtf8(HWND window);
void SetTextUtf8(HWND window, const std::string& text);
// The text of a message box (its static text control), in UTF-8.
std::string MessageBoxText(HWND box);
// Posts the command a click on the button would send, without waiting.
void PostClick(HWND dialog, int id);
// Posts a menu or accelerator command to the main window, without waiting.
void PostCommand(HWND window, int id);
// Posts a key press to a window, as the keyboard would deliver it to the
// thread's message loop (dialog keys, accelerators without Ctrl).
void PostKey(HWND window, WPARAM key);
// Presses the keys through the system's input (for Ctrl accelerators): the
// window is brought to the front and the keys go down in order, up in reverse.
void PressKeys(HWND window, const std::vector<WORD>& keys);
// Waits until the window (a modal dialog or box) is destroyed: its modal
// loop has ended, and what is pressed next reaches the loop beneath it.
// Hidden is not enough: the window is hidden before its loop ends.
bool WaitGone(HWND window);
// Clicks the button (posted) and waits until its dialog is destroyed.
bool CloseBy(HWND dialog, int button);
// Waits until the thread of this edit control has handled every message
// posted to its windows so far: it posts a change of the edit's margin and
// waits until the edit shows it.
bool Settle(HWND edit);
// The prompt area of the main window.
HWND PromptView(HWND window);

// --- The program --------------------------------------------------------------------

// Processes whose parent is the given process, with their executable names;
// waiting for one by its name; ending them all (a help viewer, say).
std::vector<PROCESSENTRY32> ChildProcesses(DWORD parentId);
bool WaitForChild(DWORD parentId, const char* exeName, DWORD timeoutMs = kWaitMs);
void EndChildren(DWORD parentId);

// The top-level windows of a process with this class (the visible ones only,
// or all).
std::vector<HWND> TopWindows(DWORD processId, const char* className, bool visibleOnly = true);

// Top-level dialog windows (class #32770) of a process, with their captions.
struct DialogWindow {
    HWND window;
    std::string caption;
};
std::vector<DialogWindow> ProcessDialogs(DWORD processId);

// Windows ending the session, as Wine does it: "wineboot --end-session" sends
// WM_QUERYENDSESSION to the top-level windows of every program of the
// prefix and, when none refused, WM_ENDSESSION, and then ends those
// programs. It runs beside the test, which answers any question meanwhile.
class SessionEnd {
public:
    SessionEnd();
    ~SessionEnd();
    SessionEnd(const SessionEnd&) = delete;
    SessionEnd& operator=(const SessionEnd&) = delete;
    // Waits until every program has answered and wineboot is done; false
    // after the deadline.
    bool Done(DWORD timeoutMs = kAnswerMs);
    // Once done: true when the session ended, false when a program refused.
    bool Ended() const { return code_ == 0; }

private:
    PROCESS_INFORMATION wineboot_ = {};
    DWORD code_ = STILL_ACTIVE;
};

// One run of the real program.
class Larkmoor {
public:
    ~Larkmoor();
    // Starts the program (the built larkmoor.exe when empty) with
    // workingFolder as its current folder (the program folder when empty);
    // both paths in UTF-8. Arguments, when given, follow as one quoted
    // argument.
    bool Start(const std::string& workingFolder = std::string(),
               const std::string& program = std::string(),
               const std::string& arguments = std::string());
    // The visible main window of this process, or null after the timeout.
    HWND WaitMainWindow(DWORD timeoutMs = kStartMs);
    // A visible dialog of this process with exactly this caption, or null.
    HWND WaitDialog(const std::string& caption, DWORD timeoutMs = kWaitMs);
    // Waits until the process ends; true with its exit code, false on timeout.
    bool WaitExit(DWORD* exitCode, DWORD timeoutMs = kStartMs);
    void Kill();
    DWORD ProcessId() const { return info_.dwProcessId; }
    HANDLE Handle() const { return info_.hProcess; }

private:
    PROCESS_INFORMATION info_ = {};
};

// Starts the program and waits for its main window (no login expected).
HWND StartQuiet(Larkmoor& program, const std::string& workingFolder = std::string());
// Starts the program and waits for its login; null when it does not start or
// no login comes.
HWND StartAtLogin(Larkmoor& program);
// Logs out through the command, answers the notice and gives the login that
// follows.
HWND LogOut(Larkmoor& program, HWND window);
// Waits for a box with this caption, presses the button, waits until it has
// gone and gives its text in UTF-8 ("(no box)" when none came). Every box
// answered here is recorded for the help file's check.
std::string AnswerBox(Larkmoor& program, const std::string& caption, int button = IDOK,
                      DWORD timeoutMs = kWaitMs);
// The same, checking the text; false when no such box came.
bool Answer(Larkmoor& program, const std::string& caption, const std::string& text,
            int button = IDOK, DWORD timeoutMs = kWaitMs);
// The captions and texts of the dialogs a process shows, for messages.
std::string OpenDialogs(DWORD processId);
inline std::string OpenDialogs(Larkmoor& program) { return OpenDialogs(program.ProcessId()); }
// Types the password into the login and presses OK; true when the login
// accepted it, false after answering "Incorrect password!".
bool TryPassword(Larkmoor& program, HWND login, const std::string& password);
// Waits until the program ends, and fails the test unless it ends in time
// with the exit code 0.
bool EndsWithZero(Larkmoor& program);
// Exits through the Exit command, answering the given number of
// "An unexpected error has occurred!" boxes on the way (a settings file or a
// log that cannot be written), and checks the exit code.
void ExitAnswering(Larkmoor& program, HWND window, int errorBoxes = 0);

// The messages the program shows when a journal write or read fails.
extern const char kNotSaved[];
extern const char kNotDeleted[];
extern const char kJournalUnreadable[];
extern const char kErrorCaption[];

// Posts a command of the main window and waits for the dialog it opens
// (Entries, Preferences, Change password, Edit Brainstorm Prompts, View
// Program Log); null when none came.
HWND OpenDialog(Larkmoor& program, HWND window, int command, DWORD timeoutMs = kWaitMs);
// Changes the password through its dialog (texts in UTF-8): answers the
// "Preferences file write error!" box when the settings cannot be saved, then
// the notice with this text, and leaves the dialog closed.
void ChangePassword(Larkmoor& program, HWND window, const std::string& current,
                    const std::string& fresh, const std::string& notice, bool unsaved = false);

// --- The Entries dialog of the other process --------------------------------------

void CloseEntries(HWND dialog);
// The lines of a list of the dialog (the subject list unless named).
std::vector<std::string> ListLines(HWND dialog, int id = IDC_SUBJECT_LIST);
bool WaitLineCount(HWND dialog, std::size_t count);
bool WaitFieldText(HWND dialog, int id, const std::string& text);
// Types a subject and text and presses Save.
void TypeAndSave(HWND dialog, const std::string& subject, const std::string& text);
// The same, where the save is refused: answers the box (a failed write
// unless named) and checks that both texts stay in their fields. Texts in
// UTF-8; false when no such box came.
bool SaveRefused(Larkmoor& program, HWND dialog, const std::string& subject,
                 const std::string& text, const std::string& caption = "Notice",
                 const std::string& message = kNotSaved);
// Selects the line with this text (the first such line) and waits until its
// record is shown.
void SelectLine(HWND dialog, const std::string& subject);
// Clicks the line with this text as the mouse does (button down and up on
// it) and returns at once.
void ClickLine(HWND dialog, const std::string& subject);
// Closes the dialog with OK where typing is not saved: the question is
// answered No, so the typing is dropped.
void CloseEntriesDropping(Larkmoor& program, HWND dialog);

// --- Linux beside Wine ------------------------------------------------------------

// The Linux path of a Windows path; empty where Wine cannot say.
std::string UnixPath(const std::string& windowsPath);
// Runs a shell script as a Linux process and returns what it printed (its
// standard output and error), then a line "status N" with its exit status.
// Fails the test when the script does not end in time.
std::string RunShell(const std::string& script, DWORD timeoutMs = kStartMs);
// Runs a Windows program (a command line, in UTF-8) and waits for it; returns its exit
// code, or a failure of the test and -1 when it does not start or end in time.
DWORD RunProgram(const std::string& commandLine, DWORD timeoutMs = kStartMs);
// True when Linux commands can run here and mounting is allowed.
bool CanMount();
// Makes a folder read-only for everyone, root included, by mounting it over
// itself read-only; Unmount undoes it (and any other mount on the folder).
bool MountReadOnly(const std::string& windowsFolder);
// Mounts an empty tmpfs of this many kilobytes on the folder.
bool MountSmallDisk(const std::string& windowsFolder, int kilobytes);
void Unmount(const std::string& windowsFolder);
// Sets or clears the Linux immutable flag of a file (chattr), which stops
// even root from writing it: under Wine run as root, the read-only
// attribute alone does not stop writes.
bool SetImmutable(const std::string& windowsPath, bool on);
bool RunningAsRoot();
// True when the sqlite3 command-line program can run beside Wine here, and
// what it prints for these statements on the journal file.
bool SqliteToolAvailable();
std::string RunSqliteTool(const std::string& statements);

// Holds a transaction on the database while it lives: "IMMEDIATE" keeps every
// other writer out, "EXCLUSIVE" readers too. The holder is the sqlite3
// program (a Linux process, whose locks Wine honours) or this test process.
enum class LockHolder { SqliteTool, TestProcess };
class DatabaseLock {
public:
    DatabaseLock(const char* kind, LockHolder holder);
    ~DatabaseLock();
    DatabaseLock(const DatabaseLock&) = delete;
    DatabaseLock& operator=(const DatabaseLock&) = delete;
    bool Held() const { return held_; }

private:
    LockHolder holder_;
    SideDb* db_ = nullptr;
    std::string files_;  // the sqlite3 program's ready, stop and done files, less their ends
    bool held_ = false;
};

// --- What must survive a fault ----------------------------------------------------

struct DataFiles {
    std::string settings;
    std::string log;
    std::string prompts;
    std::string database;
    std::vector<JournalRow> rows;
};
DataFiles TakeSnapshot();
// Every entry, the settings and every log line of before are still there
// (the log may have grown, new entries may have come).
void ExpectNothingLost(const DataFiles& before, const DataFiles& after);
// The log's events, each line without its timestamp.
std::vector<std::string> LogEvents();

// The base of the end-to-end tests: an empty data folder before and after.
class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override { RemoveDataFolder(); }
    void TearDown() override { RemoveDataFolder(); }
    // Startup screen off, logging on, automatic login as given: a start that
    // goes straight to the main window.
    static void QuietSettings(int autoLogin = 1) {
        WriteSettingsFile(50, 40, 360, 260, 0, 1, autoLogin);
    }
};

// The same, with the quiet settings written first.
class QuietProgramTest : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        QuietSettings();
    }
};

}  // namespace e2e
