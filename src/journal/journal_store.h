// The journal database: the table, the statements that read and write it and
// the routines that run them through SQLite. Portable: no Windows headers.
//
// Every routine opens the database file, runs exactly one statement and
// closes the file again; nothing stays open or cached between two calls.
// Values arrive prepared by the caller: subjects and search texts in quoted
// form, entry texts scrambled and then quoted. Texts are stored byte for
// byte as the program holds them (ANSI), with no conversion to UTF-8.
#pragma once

#include <cstddef>
#include <string>

#include "journal/text.h"

// Room for the longest statement the program builds: an update carrying a
// date text, a quoted subject and a quoted scrambled entry of the largest
// sizes, plus the fixed text of the statement and a record number.
constexpr std::size_t kStatementFixedRoom = 256;
constexpr std::size_t kStatementSize =
    kStatementFixedRoom + (kTextSize - 1) + (kQuotedTextSize - 1) + (kQuotedEntrySize - 1) + 1;

// The outcome of one database routine.
enum class StoreResult {
    Done,             // the statement ran (an update or delete changed its record)
    OpenFailed,       // the database file could not be opened
    StatementFailed,  // the statement failed: locked, not a database, no table, disk full...
    NoSuchRecord,     // the statement ran, but no record has the given number
    TooLong,          // the statement does not fit the statement buffer; nothing ran
};

// Statement texts. Each Build routine prints its statement into buffer and
// returns false, leaving an empty text, when it would not fit size bytes.
extern const char kCreateTableStatement[];
extern const char kCompactStatement[];
extern const char kListSubjectsStatement[];
bool BuildInsertStatement(char* buffer, std::size_t size, const char* date,
                          const char* quotedSubject, const char* quotedEntry);
bool BuildUpdateStatement(char* buffer, std::size_t size, int record, const char* date,
                          const char* quotedSubject, const char* quotedEntry);
bool BuildDeleteStatement(char* buffer, std::size_t size, int record);
bool BuildSearchStatement(char* buffer, std::size_t size, const char* quotedSearch);
bool BuildReadEntryStatement(char* buffer, std::size_t size, int record);

// Creates the journal table (in a new file). Open failures and failures of
// the statement are told apart.
StoreResult StoreCreateTable(const char* path);
// Rebuilds the file without its free pages (VACUUM).
StoreResult StoreCompact(const char* path);
// Adds a record; the database gives it the next record number.
StoreResult StoreInsertEntry(const char* path, const char* date, const char* quotedSubject,
                             const char* quotedEntry);
// Rewrites record number record; NoSuchRecord when no record has it.
StoreResult StoreUpdateEntry(const char* path, int record, const char* date,
                             const char* quotedSubject, const char* quotedEntry);
// Removes record number record; NoSuchRecord when no record has it.
StoreResult StoreDeleteEntry(const char* path, int record);

// Receives the lines of a subject listing: first the number of rows and the
// bytes their texts take (terminators included), then one call per row with
// its record number and its subject. A subject longer than the program's
// text buffers arrives cut to kTextSize - 1 bytes; a NULL subject arrives as
// the empty text. Rows whose record number is not a 32-bit number are left out.
class SubjectSink {
public:
    virtual void Begin(std::size_t rows, std::size_t textBytes) = 0;
    virtual void Add(int record, const char* subject) = 0;

protected:
    ~SubjectSink() = default;
};

// Every record's subject, in the database's order of subjects.
StoreResult StoreListSubjects(const char* path, SubjectSink& sink);
// The records whose subject begins with, contains or ends with the search
// text (LIKE patterns: case-blind for ASCII letters, % and _ are wildcards).
StoreResult StoreSearchSubjects(const char* path, const char* quotedSearch, SubjectSink& sink);

// One record as the Entries dialog shows it: every field a terminated text,
// cut to its buffer, NULL values as empty texts, the entry unscrambled.
struct JournalRecord {
    char number[kTextSize];
    char date[kTextSize];
    char subject[kTextSize];
    char entry[kEntrySize];
};

// Reads record number record into out; NoSuchRecord when there is none (out
// is then left as it was).
StoreResult StoreReadEntry(const char* path, int record, JournalRecord& out);

// One record as the program reads it, for the routines that go through the
// whole journal: the date and subject as texts of at most kTextSize - 1
// bytes, the entry unscrambled and cut to kEntrySize - 1 bytes. NULL values
// are empty texts, and a text ends where the program's text ends: at a zero
// byte, and at a stored key byte, which unscrambles to one.
struct StoredEntry {
    int record;
    const char* date;
    const char* subject;
    const char* text;
    std::size_t textLength;
};

// Receives the records one at a time; the texts are valid during the call.
// Returning false stops the reading.
class EntrySink {
public:
    virtual bool Add(const StoredEntry& entry) = 0;
    // A row the program cannot show: its record number (as stored) is not a
    // 32-bit number.
    virtual void LeftOut(const char* storedNumber) = 0;

protected:
    ~EntrySink() = default;
};

extern const char kReadAllEntriesStatement[];

// Why a routine did not succeed: SQLite's result code and its message.
struct StoreFailure {
    int code = 0;
    std::string message;
    int systemError = 0;  // the system's error code behind it, or 0
};

// Every record, in record number order, read through one statement. A
// missing file is not created. When another program holds the file locked,
// waits up to waitMs milliseconds for it. On a failure, failure (when given)
// says why.
StoreResult StoreReadAllEntries(const char* path, EntrySink& sink, int waitMs = 0,
                                StoreFailure* failure = nullptr);
