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
#include "settings/settings_file.h"
#include "tool/platform.h"

struct sqlite3;
struct sqlite3_stmt;

// Exit codes.
constexpr int kExitDone = 0;           // done; for verify: sound
constexpr int kExitFailed = 1;         // failed; verify: findings; search: nothing found
constexpr int kExitUsage = 2;          // the command line is wrong
constexpr int kExitWrongPassword = 3;  // no password, or a wrong one

// How long a command waits for a journal that another program holds locked.
// Larkmoor holds it only while it saves; a lock held longer is another
// program's (or a long compaction's).
constexpr int kLockWaitMilliseconds = 10000;

// The code page of the journal's texts, and the one way the tool converts
// them: a table of codepage.h, or (on Windows, without --codepage) the
// system's own conversion, which the program uses.
struct JournalCodePage {
    int number = 0;
    const CodePage* table = nullptr;  // null: the system converts
};

// The global options, settled before a command runs.
struct ToolContext {
    std::string dataFolder;
    bool passwordStdin = false;
    JournalCodePage page;
};

// A command's own options and its other arguments, in order.
struct CommandLine {
    std::vector<std::string> positional;
    std::vector<std::pair<std::string, std::string>> options;  // name without "--", value

    bool Has(const char* name) const;
    // The value of the last --name given, or null.
    const std::string* Value(const char* name) const;
};

// The whole program: the command line (without the program name) in, the
// exit code out.
int RunTool(const std::vector<std::string>& arguments);

// --- Text in the journal's code page -----------------------------------------------

std::u16string DecodeJournalText(const JournalCodePage& page, std::string_view bytes);
// Text of the journal (bytes of the code page) as UTF-8.
std::string ToUtf8(std::string_view bytes, const JournalCodePage& page);
// UTF-16 text in the code page, exactly or with the characters it cannot hold.
TypedText EncodeJournalText(const JournalCodePage& page, std::u16string_view text);
// The characters of text whose bytes in the code page include byte.
std::u32string CharactersHoldingByte(const JournalCodePage& page, std::u16string_view text,
                                     unsigned char byte);
// Bytes cut to at most size - 1 bytes, at the end of a character.
std::string CutJournalText(const JournalCodePage& page, const std::string& bytes,
                           std::size_t size);

// Finds a text in the journal's texts in any letter case, by the code
// page's own letters.
class TextFinder {
public:
    TextFinder(const JournalCodePage& page, std::string_view pattern);
    // Where the first match in text starts and how long it is, in UTF-16
    // units of DecodeJournalText(text); false when there is none.
    bool Find(std::string_view text, std::size_t* at, std::size_t* length) const;

private:
    const JournalCodePage& page_;
    CaseBlindMatcher matcher_;  // a table's code page
    std::u16string lowered_;    // the system's: the pattern in lower case
    std::size_t length_;
};

// --- Paths and messages -------------------------------------------------------------

// The path of a file of the data folder; name is one of the names of
// shell/paths.h ("/larkmoor.3db" and so on), joined as the program joins it.
std::string DataFile(const ToolContext& context, const char* name);
// The journal database's path.
std::string JournalPath(const ToolContext& context);
// True when the data folder holds a journal; otherwise says why not.
bool JournalExists(const ToolContext& context);
// folder and a name, joined with the system's separator.
std::string JoinFolder(const std::string& folder, const std::string& name);
// The file name part of a path.
std::string BaseName(const std::string& path);
// The folder part of a path ("." when there is none).
std::string FolderOf(const std::string& path);

// Messages. Errors and notes go to standard error, prefixed with the
// program's name; results go to standard output.
void Say(std::string_view text);
void Complain(std::string_view text);

// A UTF-8 text as a JSON string, quotes included.
std::string JsonString(std::string_view utf8);

// A number with thousands separators: 32,766.
std::string Thousands(long long number);

// Looks at the data folder: false, with the reason said, when it cannot be
// entered or is something other than a folder. A missing folder passes,
// with the kind Missing.
bool InspectDataFolder(const ToolContext& context, platform::FileInfo* folder);

// The password rule of the program, for the commands that show or change
// entries: loads the settings as the program does and asks for the password
// unless automatic login is on. Returns kExitDone when the command may go
// on, else the exit code to end with.
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

// --- The journal through SQLite -------------------------------------------------------

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
    // Why the last call failed, in words (DescribeSqliteFailure).
    std::string Why() const;
    // SQLite's result code of the last call.
    int Code() const;

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

// What a failure of SQLite means for the user, with SQLite's own message:
// "locked by another program (Larkmoor?)" for a busy journal, and so on.
// systemError is the system's own error code behind it (sqlite3_system_errno),
// or 0.
std::string DescribeSqliteFailure(int code, const std::string& message, int systemError);
std::string DescribeStoreFailure(const StoreFailure& failure);

// True when the open database holds the program's table, with its columns.
bool HoldsJournalTable(sqlite3* db);

// --- Files ------------------------------------------------------------------------

// Reads a whole file; false (with *why) when it cannot be read.
bool ReadWholeFile(const std::string& path, std::string* bytes, std::string* why);

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
// Loads the settings file by the program's rule (LoadSettingsFrom), opening
// it only when it is a regular file; anything else in its place (a folder, a
// FIFO, a device) counts as a file that cannot be read. *info: what is there.
SettingsLoad LoadSettingsFile(const std::string& path, platform::FileInfo* info);
// The finding about a settings file, or an empty text when the program
// reads it as written (LoadSettingsFrom).
std::string CheckSettingsFile(const std::string& path);

// The commands.
int RunExport(const ToolContext& context, const CommandLine& line);
int RunImport(const ToolContext& context, const CommandLine& line);
int RunSearch(const ToolContext& context, const CommandLine& line);
int RunBackup(const ToolContext& context, const CommandLine& line);
int RunRestore(const ToolContext& context, const CommandLine& line);
int RunVerify(const ToolContext& context, const CommandLine& line);
