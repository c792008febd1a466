// Support for the fault, hostile-input and large-input tests that drive the
// real program: the journal's dialog driven from this process, the database
// read and locked from this process with SQLite, Linux commands run beside
// the program (mounts, file flags), and snapshots of the data files that tell
// whether anything that existed before a fault is gone after it.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/driver.h"

struct sqlite3;

namespace faults {

// Files of the data folder, by their Windows paths.
std::string DataFile(const char* name);
std::string DatabaseFile();
std::string SettingsFile();
std::string LogFile();
std::string PromptsFile();

// --- Linux beside Wine ------------------------------------------------------------

// The Linux path of a Windows path; empty where Wine cannot say.
std::string UnixPath(const std::string& windowsPath);
// Runs a shell script as a Linux process and returns what it printed (its
// standard output and error). The script's exit status is printed last, on
// a line "status N". Fails the test when the script does not end in time.
std::string RunShell(const std::string& script, DWORD timeoutMs = 30000);
// Runs a Windows program (a command line) and waits for it; returns its exit
// code, or a failure of the test and -1 when it does not start or end in time.
DWORD RunProgram(const std::string& commandLine, DWORD timeoutMs = 60000);
// True when Linux commands can run here and mounting is allowed (root in a
// machine that lets it mount a tmpfs).
bool CanMount();
// Makes a folder read-only for everyone, root included, by mounting it over
// itself read-only; Unmount undoes it (and any other mount on the folder).
bool MountReadOnly(const std::string& windowsFolder);
// Mounts an empty tmpfs of this many kilobytes on the folder.
bool MountSmallDisk(const std::string& windowsFolder, int kilobytes);
void Unmount(const std::string& windowsFolder);
// Sets or clears the Linux immutable flag of a file or folder (chattr), which
// stops even root from writing it; false where that cannot be done. Under
// Wine run as root, the read-only attribute alone does not stop writes.
bool SetImmutable(const std::string& windowsPath, bool on);
// True when the tests run as root on Linux (where permissions stop nothing).
bool RunningAsRoot();

// --- The database, read and held from this process ----------------------------------

struct Row {
    long long record;
    std::string date;
    std::string subject;
    std::string entry;  // unscrambled
    bool operator==(const Row& other) const {
        return record == other.record && date == other.date && subject == other.subject &&
               entry == other.entry;
    }
};
std::ostream& operator<<(std::ostream& out, const Row& row);

// Every row of the journal table, by record number; empty when the file
// cannot be read.
std::vector<Row> ReadRows(const std::string& path = DatabaseFile());
// Runs SQL on a database file from this process and returns its rows, one
// line each with the values joined by '|', or "error: ..." when it fails.
std::string RunSql(const std::string& path, const std::string& sql);
// True when SQLite's integrity check of the file says "ok".
bool IntegrityOk(const std::string& path = DatabaseFile());
// Creates the journal database (the program's table) with these entries,
// stored as the program stores them (entry texts scrambled).
struct NewEntry {
    std::string date;
    std::string subject;
    std::string text;
};
void CreateJournal(const std::vector<NewEntry>& entries, const std::string& path = DatabaseFile());

// Who holds a transaction on the database: the sqlite3 command-line program
// (a Linux process, whose locks Wine honours), or this test process through
// SQLite's Windows file locks.
enum class LockHolder { SqliteTool, TestProcess };
// True when the sqlite3 command-line program can run beside Wine here.
bool SqliteToolAvailable();

// Holds a transaction on the database while it lives: "IMMEDIATE" keeps every
// other writer out, "EXCLUSIVE" readers too.
class DatabaseLock {
public:
    DatabaseLock(const std::string& path, const char* kind,
                 LockHolder holder = LockHolder::TestProcess);
    ~DatabaseLock();
    DatabaseLock(const DatabaseLock&) = delete;
    DatabaseLock& operator=(const DatabaseLock&) = delete;
    bool Held() const { return held_; }
    void Release();

private:
    LockHolder holder_;
    sqlite3* db_ = nullptr;
    std::string stopFile_;  // the sqlite3 program lets go once this exists
    std::string doneFile_;  // and then makes this one
    bool held_ = false;
};

// --- Driving the program ----------------------------------------------------------

// Starts the program and waits for its main window (no login expected).
HWND StartQuiet(Larkmoor& program);

void SetField(HWND dialog, int id, const std::string& text);
std::string Field(HWND dialog, int id);
std::vector<std::string> ListLines(HWND dialog);
bool WaitLineCount(HWND dialog, std::size_t count, DWORD timeoutMs = 10000);
bool WaitFieldText(HWND dialog, int id, const std::string& text, DWORD timeoutMs = 10000);
// Selects the line with this text (the first such line) and waits until its
// record is shown.
void SelectLine(HWND dialog, const std::string& subject);
// Waits until the program has handled every message posted to the dialog
// so far: it posts a change of selection to an edit field of the dialog
// (which must hold at least two characters) and waits until it is seen.
bool Settle(HWND dialog, int editId);
HWND OpenEntries(Larkmoor& program, HWND window, int command, const char* title);
void CloseEntries(HWND dialog);

// Waits for a box with this caption, checks its text, presses the button and
// waits until it has gone. Returns false when no such box came.
bool Answer(Larkmoor& program, const char* caption, const std::string& text, int button = IDOK,
            DWORD timeoutMs = 10000);
// The captions of the boxes and dialogs the program shows, for messages.
std::string OpenDialogs(Larkmoor& program);

// Exits through the Exit command, answering the given number of
// "An unexpected error has occurred!" boxes on the way (a settings file or a
// log that cannot be written), and checks the exit code.
void ExitAnswering(Larkmoor& program, HWND window, int errorBoxes = 0);

// --- What must survive a fault ----------------------------------------------------

struct DataFiles {
    std::string settings;
    std::string log;
    std::string prompts;
    std::vector<Row> rows;
};
DataFiles TakeSnapshot();
// Every entry, the settings and every log line of before are still there
// (the log may have grown, new entries may have come).
void ExpectNothingLost(const DataFiles& before, const DataFiles& after);

// The messages the program shows when a journal write or read fails.
extern const char kNotSaved[];
extern const char kNotDeleted[];
extern const char kJournalUnreadable[];

}  // namespace faults
