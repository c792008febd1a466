// The journal database through SQLite: see journal_store.h.
#include "journal/journal_store.h"

#include <sqlite3.h>

#include <cerrno>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

const char kCreateTableStatement[] =
    "CREATE TABLE dbtable (a integer primary key, dbdate text, dbsubject text, dbentry blob)";
const char kCompactStatement[] = "VACUUM;";
// The list carries each line's record number, so that records sharing a
// subject stay apart. The list box sorts the lines itself, ignoring case;
// rows that arrive in nearly that order are appended at the end instead of
// inserted in the middle, which keeps a long journal quick to list.
const char kListSubjectsStatement[] =
    "SELECT a, dbsubject FROM dbtable ORDER BY dbsubject COLLATE NOCASE;";
const char kReadAllEntriesStatement[] =
    "SELECT a, dbdate, dbsubject, dbentry FROM dbtable ORDER BY a;";

namespace {

constexpr const char kInsertFormat[] =
    "INSERT INTO dbtable (a, dbdate, dbsubject, dbentry) VALUES(NULL,'%s','%s','%s');";
constexpr const char kUpdateFormat[] =
    "UPDATE dbtable SET dbdate='%s', dbsubject='%s', dbentry='%s' WHERE a=%d ;";
constexpr const char kDeleteFormat[] = "DELETE FROM dbtable WHERE a = %d ;";
constexpr const char kSearchFormat[] =
    "SELECT a, dbsubject FROM dbtable WHERE dbsubject LIKE '%s%s' OR dbsubject LIKE '%s%s%s' OR "
    "dbsubject LIKE '%s%s';";
constexpr const char kReadEntryFormat[] = "SELECT * FROM dbtable WHERE a=%d ;";

// The fixed room of the statement buffer holds every format's own text and
// the longest record number ("-2147483648").
static_assert(sizeof kInsertFormat + 11 < kStatementFixedRoom, "statement room");
static_assert(sizeof kUpdateFormat + 11 < kStatementFixedRoom, "statement room");
static_assert(sizeof kSearchFormat + 11 < kStatementFixedRoom, "statement room");
static_assert(3 * (kQuotedTextSize - 1) < (kTextSize - 1) + (kQuotedEntrySize - 1),
              "a search statement fits where an update fits");

// The one statement buffer, reused by every routine during its call.
char Statement[kStatementSize];

bool Print(char* buffer, std::size_t size, const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 3, 4)))
#endif
    ;

bool Print(char* buffer, std::size_t size, const char* format, ...) {
    std::va_list values;
    va_start(values, format);
    const int written = std::vsnprintf(buffer, size, format, values);
    va_end(values);
    if (written < 0 || static_cast<std::size_t>(written) >= size) {
        if (size != 0) buffer[0] = '\0';
        return false;
    }
    return true;
}

// The connection of one routine; closed on every way out. SQLite hands back
// a handle even when the open fails, and that one must be closed as well.
class Connection {
public:
    explicit Connection(const char* path) : opened_(sqlite3_open(path, &db_) == SQLITE_OK) {}
    // Opens only a file that exists: nothing is created.
    struct Existing {};
    Connection(const char* path, Existing)
        : opened_(sqlite3_open_v2(path, &db_, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK) {}
    ~Connection() { sqlite3_close(db_); }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    bool Opened() const { return opened_; }
    sqlite3* Handle() const { return db_; }

private:
    sqlite3* db_ = nullptr;
    bool opened_;
};

// A whole query result as a table of strings; freed on every way out.
class ResultTable {
public:
    ResultTable() = default;
    ~ResultTable() {
        if (cells_ != nullptr) sqlite3_free_table(cells_);
    }
    ResultTable(const ResultTable&) = delete;
    ResultTable& operator=(const ResultTable&) = delete;

    bool Fetch(sqlite3* db, const char* statement) {
        return sqlite3_get_table(db, statement, &cells_, &rows_, &columns_, nullptr) == SQLITE_OK;
    }
    int Rows() const { return rows_; }
    int Columns() const { return columns_; }
    // Data rows count from 0 here; the first row of the table holds the
    // column names. A NULL value is a null pointer.
    const char* Cell(int row, int column) const { return cells_[(row + 1) * columns_ + column]; }

private:
    char** cells_ = nullptr;
    int rows_ = 0;
    int columns_ = 0;
};

// Runs a statement that changes something. With checkChanged, a statement
// that ran but changed no record gives NoSuchRecord.
StoreResult Execute(const char* path, const char* statement, bool checkChanged) {
    Connection connection(path);
    if (!connection.Opened()) return StoreResult::OpenFailed;
    if (sqlite3_exec(connection.Handle(), statement, nullptr, nullptr, nullptr) != SQLITE_OK)
        return StoreResult::StatementFailed;
    if (checkChanged && sqlite3_changes(connection.Handle()) == 0) return StoreResult::NoSuchRecord;
    return StoreResult::Done;
}

// The record number of a result cell, when it is a decimal 32-bit number.
bool ParseRecordNumber(const char* text, int* record) {
    if (text == nullptr || *text == '\0') return false;
    char* end = nullptr;
    errno = 0;
    const long long value = std::strtoll(text, &end, 10);
    if (errno != 0 || *end != '\0' || value < INT_MIN || value > INT_MAX) return false;
    *record = static_cast<int>(value);
    return true;
}

StoreResult FillSubjects(const char* path, const char* statement, SubjectSink& sink) {
    Connection connection(path);
    if (!connection.Opened()) return StoreResult::OpenFailed;
    ResultTable table;
    if (!table.Fetch(connection.Handle(), statement) || (table.Rows() > 0 && table.Columns() != 2))
        return StoreResult::StatementFailed;

    // The whole result is at hand: tell the sink its size first, so that a
    // list can reserve its memory once.
    std::size_t textBytes = 0;
    for (int row = 0; row < table.Rows(); ++row) {
        const char* subject = table.Cell(row, 1);
        const std::size_t length = subject == nullptr ? 0 : std::strlen(subject);
        textBytes += (length < kTextSize ? length : kTextSize - 1) + 1;
    }
    sink.Begin(static_cast<std::size_t>(table.Rows()), textBytes);

    char line[kTextSize];
    for (int row = 0; row < table.Rows(); ++row) {
        int record = 0;
        if (!ParseRecordNumber(table.Cell(row, 0), &record)) continue;
        CopyText(line, sizeof line, table.Cell(row, 1));
        sink.Add(record, line);
    }
    return StoreResult::Done;
}

// A prepared statement stepped row by row; finalized on every way out.
class PreparedStatement {
public:
    PreparedStatement(sqlite3* db, const char* text)
        : prepared_(sqlite3_prepare_v2(db, text, -1, &statement_, nullptr) == SQLITE_OK) {}
    ~PreparedStatement() { sqlite3_finalize(statement_); }
    PreparedStatement(const PreparedStatement&) = delete;
    PreparedStatement& operator=(const PreparedStatement&) = delete;

    bool Prepared() const { return prepared_; }
    sqlite3_stmt* Handle() const { return statement_; }

private:
    sqlite3_stmt* statement_ = nullptr;
    bool prepared_;
};

// A column's value as the program's result tables give it: its text up to
// the first zero byte; NULL gives the empty text.
const char* ColumnText(sqlite3_stmt* statement, int column) {
    const unsigned char* text = sqlite3_column_text(statement, column);
    return text == nullptr ? "" : reinterpret_cast<const char*>(text);
}

// The length of a column's text up to its first zero byte.
std::size_t ColumnTextLength(sqlite3_stmt* statement, int column, const char* text) {
    const std::size_t bytes = static_cast<std::size_t>(sqlite3_column_bytes(statement, column));
    const void* zero = std::memchr(text, '\0', bytes);
    return zero == nullptr ? bytes
                           : static_cast<std::size_t>(static_cast<const char*>(zero) - text);
}

// Unscrambles a stored entry of length bytes into buffer (size bytes) as the
// Entries dialog does: cut to the buffer, and ended at the first key byte,
// whose unscrambled form is a zero byte. Returns the text's length.
std::size_t UnscrambleStoredEntry(const char* stored, std::size_t length, char* buffer,
                                  std::size_t size) {
    if (length > size - 1) length = size - 1;
    const void* key = std::memchr(stored, kScrambleKey, length);
    if (key != nullptr) length = static_cast<std::size_t>(static_cast<const char*>(key) - stored);
    for (std::size_t i = 0; i < length; ++i)
        buffer[i] = static_cast<char>(static_cast<unsigned char>(stored[i]) ^ kScrambleKey);
    buffer[length] = '\0';
    return length;
}

}  // namespace

bool BuildInsertStatement(char* buffer, std::size_t size, const char* date,
                          const char* quotedSubject, const char* quotedEntry) {
    return Print(buffer, size, kInsertFormat, date, quotedSubject, quotedEntry);
}

bool BuildUpdateStatement(char* buffer, std::size_t size, int record, const char* date,
                          const char* quotedSubject, const char* quotedEntry) {
    return Print(buffer, size, kUpdateFormat, date, quotedSubject, quotedEntry, record);
}

bool BuildDeleteStatement(char* buffer, std::size_t size, int record) {
    return Print(buffer, size, kDeleteFormat, record);
}

bool BuildSearchStatement(char* buffer, std::size_t size, const char* quotedSearch) {
    // The text followed by a percent sign, between two, and after one:
    // subjects that begin with it, contain it and end with it.
    return Print(buffer, size, kSearchFormat, quotedSearch, "%", "%", quotedSearch, "%", "%",
                 quotedSearch);
}

bool BuildReadEntryStatement(char* buffer, std::size_t size, int record) {
    return Print(buffer, size, kReadEntryFormat, record);
}

StoreResult StoreCreateTable(const char* path) {
    return Execute(path, kCreateTableStatement, false);
}

StoreResult StoreCompact(const char* path) {
    return Execute(path, kCompactStatement, false);
}

StoreResult StoreInsertEntry(const char* path, const char* date, const char* quotedSubject,
                             const char* quotedEntry) {
    if (!BuildInsertStatement(Statement, sizeof Statement, date, quotedSubject, quotedEntry))
        return StoreResult::TooLong;
    return Execute(path, Statement, false);
}

StoreResult StoreUpdateEntry(const char* path, int record, const char* date,
                             const char* quotedSubject, const char* quotedEntry) {
    if (!BuildUpdateStatement(Statement, sizeof Statement, record, date, quotedSubject,
                              quotedEntry))
        return StoreResult::TooLong;
    return Execute(path, Statement, true);
}

StoreResult StoreDeleteEntry(const char* path, int record) {
    if (!BuildDeleteStatement(Statement, sizeof Statement, record)) return StoreResult::TooLong;
    return Execute(path, Statement, true);
}

StoreResult StoreListSubjects(const char* path, SubjectSink& sink) {
    return FillSubjects(path, kListSubjectsStatement, sink);
}

StoreResult StoreSearchSubjects(const char* path, const char* quotedSearch, SubjectSink& sink) {
    if (!BuildSearchStatement(Statement, sizeof Statement, quotedSearch))
        return StoreResult::TooLong;
    return FillSubjects(path, Statement, sink);
}

StoreResult StoreReadEntry(const char* path, int record, JournalRecord& out) {
    if (!BuildReadEntryStatement(Statement, sizeof Statement, record)) return StoreResult::TooLong;
    Connection connection(path);
    if (!connection.Opened()) return StoreResult::OpenFailed;
    ResultTable table;
    if (!table.Fetch(connection.Handle(), Statement)) return StoreResult::StatementFailed;
    if (table.Rows() == 0) return StoreResult::NoSuchRecord;
    if (table.Columns() < 4) return StoreResult::StatementFailed;

    // The record number is the primary key, so there is one row at most.
    CopyText(out.number, sizeof out.number, table.Cell(0, 0));
    CopyText(out.date, sizeof out.date, table.Cell(0, 1));
    CopyText(out.subject, sizeof out.subject, table.Cell(0, 2));
    // The stored entry is scrambled; scrambling it again gives the text.
    // A stored byte equal to the key unscrambles to a zero byte, which ends
    // the text there.
    ClearText(out.entry, sizeof out.entry);
    CopyText(out.entry, sizeof out.entry, table.Cell(0, 3));
    ScrambleText(out.entry, out.entry);
    return StoreResult::Done;
}

StoreResult StoreReadAllEntries(const char* path, EntrySink& sink, int waitMs,
                                StoreFailure* failure) {
    Connection connection(path, Connection::Existing{});
    const auto failed = [&](StoreResult result, int code) {
        if (failure != nullptr) {
            failure->code = code;
            failure->message = sqlite3_errmsg(connection.Handle());
            failure->systemError = sqlite3_system_errno(connection.Handle());
        }
        return result;
    };
    if (!connection.Opened())
        return failed(StoreResult::OpenFailed, sqlite3_errcode(connection.Handle()));
    if (waitMs > 0) sqlite3_busy_timeout(connection.Handle(), waitMs);
    PreparedStatement statement(connection.Handle(), kReadAllEntriesStatement);
    if (!statement.Prepared())
        return failed(StoreResult::StatementFailed, sqlite3_errcode(connection.Handle()));

    static char date[kTextSize];
    static char subject[kTextSize];
    static char text[kEntrySize];
    for (;;) {
        const int step = sqlite3_step(statement.Handle());
        if (step == SQLITE_DONE) return StoreResult::Done;
        if (step != SQLITE_ROW) return failed(StoreResult::StatementFailed, step);
        sqlite3_stmt* row = statement.Handle();
        int record = 0;
        if (!ParseRecordNumber(ColumnText(row, 0), &record)) {
            sink.LeftOut(ColumnText(row, 0));
            continue;
        }
        CopyText(date, sizeof date, ColumnText(row, 1));
        CopyText(subject, sizeof subject, ColumnText(row, 2));
        const char* stored = ColumnText(row, 3);
        const std::size_t length =
            UnscrambleStoredEntry(stored, ColumnTextLength(row, 3, stored), text, sizeof text);
        if (!sink.Add({record, date, subject, text, length})) return StoreResult::Done;
    }
}
