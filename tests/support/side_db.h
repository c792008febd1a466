// A connection of the test's own to a journal file, as another program would
// hold one: to read what the program stored, to write rows it must read, and
// to hold the file locked. The one SQLite connection of every tier's tests.
// Portable.
#pragma once

#include <functional>
#include <ostream>
#include <string>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

// A row of the journal table, its entry text unscrambled.
struct JournalRow {
    long long record;
    std::string date;
    std::string subject;
    std::string entry;
    bool operator==(const JournalRow& other) const {
        return record == other.record && date == other.date && subject == other.subject &&
               entry == other.entry;
    }
};
std::ostream& operator<<(std::ostream& out, const JournalRow& row);

// An entry to store as the program stores it (the text scrambled).
struct NewEntry {
    std::string date;
    std::string subject;
    std::string text;
};

class SideDb {
public:
    explicit SideDb(const std::string& path, bool readOnly = false);
    // A connection of the caller's, left open.
    explicit SideDb(sqlite3* db) : db_(db), opened_(db != nullptr), owned_(false) {}
    ~SideDb();
    SideDb(const SideDb&) = delete;
    SideDb& operator=(const SideDb&) = delete;

    bool Opened() const { return opened_; }
    // Runs statements; empty when they ran, SQLite's message when not.
    std::string Exec(const std::string& sql);
    // The rows of a query, one line each, values joined by '|' ("NULL" for a
    // NULL), or "error: ..." when it fails.
    std::string Query(const std::string& sql);
    // The first value of a query, byte for byte, or "<no row>".
    std::string Value(const std::string& sql);
    // Every row of the journal table by record number; empty when there is none.
    std::vector<JournalRow> Journal();
    // Creates the journal table holding these entries; empty when done.
    std::string CreateJournal(const std::vector<NewEntry>& entries);

private:
    // Runs a query and hands each row to the callback; empty when it ran.
    std::string Each(const std::string& sql, const std::function<void(sqlite3_stmt*)>& row);

    sqlite3* db_ = nullptr;
    bool opened_;
    bool owned_ = true;
};

// The same, on a connection of their own.
std::vector<JournalRow> ReadJournal(const std::string& path);
bool IntegrityOk(const std::string& path);
