// larkmoor-tool: the journal outside the program. Declarations shared by its
// commands. Portable: no Windows headers.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "journal/codepage.h"
#include "journal/journal_store.h"

struct sqlite3;
struct sqlite3_stmt;

// Exit codes.
constexpr int kExitDone = 0;           // done; for verify: sound
constexpr int kExitFailed = 1;         // failed; verify: findings; search: nothing found
constexpr int kExitUsage = 2;          // the command line is wrong
constexpr int kExitWrongPassword = 3;  // no password, or a wrong one

// How long a command waits for a journal that another program holds locked.
constexpr int kLockWaitMilliseconds = 30000;

// The global options, settled before a command runs.
struct ToolContext {
    std::string dataFolder;
    bool passwordStdin = false;
    const CodePage* page = nullptr;
};

// A command's own options and its other arguments, in order.
struct CommandLine {
    std::vector<std::string> positional;
    std::vector<std::pair<std::string, std::string>> options;  // name without "--", value

    bool Has(const char* name) const;
    // The value of the last --name given, or null.
    const std::string* Value(const char* name) const;
};

// The path of a file of the data folder; name is one of the names of
// shell/paths.h ("/larkmoor.3db" and so on).
std::string DataFile(const ToolContext& context, const char* name);
// The journal database's path.
std::string JournalPath(const ToolContext& context);
// True when the data folder holds a journal; otherwise says so.
bool JournalExists(const ToolContext& context);
// folder and a name, joined with the system's separator.
std::string JoinFolder(const std::string& folder, const std::string& name);

// Messages. Errors and notes go to standard error, prefixed with the
// program's name; results go to standard output.
void Say(std::string_view text);
void Complain(std::string_view text);

// Text of the journal (bytes of the code page) as UTF-8, and back.
std::string ToUtf8(std::string_view bytes, const CodePage& page);

// A UTF-8 text as a JSON string, quotes included.
std::string JsonString(std::string_view utf8);

// The password rule of the program, for the commands that show or change
// entries: asks for the password unless automatic login is on. Returns
// kExitDone when the command may go on, else the exit code to end with.
int CheckAccess(const ToolContext& context);

// The local time as the program's timestamp text.
std::string NowTimestamp();

// Output that goes to an open file or, with a null file, to standard output,
// gathered into blocks. Failed() tells whether any write failed.
class Output {
public:
    explicit Output(std::FILE* file) : file_(file) {}
    ~Output() { Finish(); }
    Output(const Output&) = delete;
    Output& operator=(const Output&) = delete;
    void Write(std::string_view text);
    // Writes out everything gathered; false when any write failed.
    bool Finish();
    bool Failed() const { return failed_; }

private:
    void Flush(bool all);

    std::FILE* file_;
    std::string pending_;
    bool failed_ = false;
};

// A number with thousands separators: 32,766.
std::string Thousands(long long number);

// A connection to a database file, closed on every way out. It waits up to
// waitMs milliseconds for a lock another program holds.
class Database {
public:
    Database(const std::string& path, int flags, int waitMs = kLockWaitMilliseconds);
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;
    bool Opened() const { return opened_; }
    sqlite3* Handle() const { return db_; }
    // Runs statements without a result; false when one failed.
    bool Run(const char* statements);
    // SQLite's message for the last failure.
    std::string Message() const;

private:
    sqlite3* db_ = nullptr;
    bool opened_;
};

// A prepared statement, finalized on every way out.
class Query {
public:
    Query(sqlite3* db, const char* text);
    ~Query();
    Query(const Query&) = delete;
    Query& operator=(const Query&) = delete;
    bool Prepared() const { return prepared_; }
    sqlite3_stmt* Handle() const { return statement_; }

private:
    sqlite3_stmt* statement_ = nullptr;
    bool prepared_;
};

// Reads a whole file; false when it cannot be read.
bool ReadWholeFile(const std::string& path, std::string* bytes);
// Copies a file through ReplaceFileContents; false on any failure.
bool CopyFileAtomically(const std::string& from, const std::string& to);

// The checks of verify, also run on a backup before it is restored. Each
// finding is one line. Serious findings are damage that makes a backup unfit
// to restore; the others are rows the program shows otherwise than stored.
struct Findings {
    std::vector<std::string> serious;
    std::vector<std::string> rows;
    std::size_t entries = 0;           // rows of the journal read
    std::vector<std::string> checked;  // the files that were there to check
    std::size_t Count() const { return serious.size() + rows.size(); }
};
Findings VerifyFolder(const std::string& folder);

// True when the open database holds the program's table, with its columns.
bool HoldsJournalTable(sqlite3* db);

// The commands.
int RunExport(const ToolContext& context, const CommandLine& line);
int RunImport(const ToolContext& context, const CommandLine& line);
int RunSearch(const ToolContext& context, const CommandLine& line);
int RunBackup(const ToolContext& context, const CommandLine& line);
int RunRestore(const ToolContext& context, const CommandLine& line);
int RunVerify(const ToolContext& context, const CommandLine& line);
