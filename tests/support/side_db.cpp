// The tests' own SQLite connection: see side_db.h.
#include "support/side_db.h"

#include <sqlite3.h>

#include "support/oracles.h"

namespace {

std::string Bytes(sqlite3_stmt* statement, int column) {
    const void* bytes = sqlite3_column_blob(statement, column);
    const int size = sqlite3_column_bytes(statement, column);
    return bytes == nullptr ? std::string()
                            : std::string(static_cast<const char*>(bytes), static_cast<std::size_t>(size));
}

}  // namespace

std::ostream& operator<<(std::ostream& out, const JournalRow& row) {
    return out << "#" << row.record << " [" << row.date << "] [" << row.subject << "] ("
               << row.entry.size() << " bytes)";
}

SideDb::SideDb(const std::string& path, bool readOnly)
    : opened_(sqlite3_open_v2(path.c_str(), &db_,
                              readOnly ? SQLITE_OPEN_READONLY
                                       : SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                              nullptr) == SQLITE_OK) {
    // The program may hold the file for a moment: wait for it, generously.
    sqlite3_busy_timeout(db_, 20000);
}

SideDb::~SideDb() {
    if (owned_) sqlite3_close(db_);
}

std::string SideDb::Exec(const std::string& sql) {
    char* error = nullptr;
    if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &error) == SQLITE_OK) return "";
    const std::string message = error != nullptr ? error : "failed";
    sqlite3_free(error);
    return message;
}

std::string SideDb::Each(const std::string& sql, const std::function<void(sqlite3_stmt*)>& row) {
    sqlite3_stmt* statement = nullptr;
    int step = sqlite3_prepare_v2(db_, sql.c_str(), -1, &statement, nullptr);
    if (step == SQLITE_OK)
        while ((step = sqlite3_step(statement)) == SQLITE_ROW) row(statement);
    const std::string error = step == SQLITE_DONE ? "" : sqlite3_errmsg(db_);
    sqlite3_finalize(statement);
    return error;
}

std::string SideDb::Query(const std::string& sql) {
    std::string rows;
    const std::string error = Each(sql, [&rows](sqlite3_stmt* statement) {
        for (int i = 0; i < sqlite3_column_count(statement); ++i) {
            if (i > 0) rows += '|';
            rows += sqlite3_column_type(statement, i) == SQLITE_NULL ? "NULL" : Bytes(statement, i);
        }
        rows += '\n';
    });
    return error.empty() ? rows : rows + "error: " + error + "\n";
}

std::string SideDb::Value(const std::string& sql) {
    std::string value = "<no row>";
    bool first = true;
    Each(sql, [&](sqlite3_stmt* statement) {
        if (first) value = Bytes(statement, 0);
        first = false;
    });
    return value;
}

std::vector<JournalRow> SideDb::Journal() {
    std::vector<JournalRow> rows;
    Each("SELECT a, dbdate, dbsubject, dbentry FROM dbtable ORDER BY a", [&rows](sqlite3_stmt* s) {
        rows.push_back({sqlite3_column_int64(s, 0), Bytes(s, 1), Bytes(s, 2),
                        oracle::Scrambled(Bytes(s, 3))});
    });
    return rows;
}

std::string SideDb::CreateJournal(const std::vector<NewEntry>& entries) {
    std::string sql =
        "CREATE TABLE dbtable (a integer primary key, dbdate text, dbsubject text, dbentry blob);"
        "BEGIN;";
    for (const NewEntry& entry : entries)
        sql += "INSERT INTO dbtable VALUES(NULL, '" + oracle::Quoted(entry.date) + "', '" +
               oracle::Quoted(entry.subject) + "', CAST(X'" +
               oracle::Hex(oracle::Scrambled(entry.text)) + "' AS TEXT));";
    return Exec(sql + "COMMIT;");
}

std::vector<JournalRow> ReadJournal(const std::string& path) {
    return SideDb(path, true).Journal();
}

bool IntegrityOk(const std::string& path) {
    return SideDb(path, true).Value("PRAGMA integrity_check") == "ok";
}
