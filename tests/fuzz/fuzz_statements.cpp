// Fuzzes every statement the journal builds from typed texts: subjects,
// entry texts and search texts, prepared as the Entries dialog prepares them
// (quoted by the program's own helper; the entry scrambled first). Each
// statement must parse as exactly one statement, carry the text as its
// literal and touch only its own row, checked against a scratch table and
// against the same query with the text bound as a parameter. A statement
// that does not fit its buffer must come out empty, never cut.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include <sqlite3.h>

#include "journal/journal_store.h"
#include "journal/text.h"
#include "fuzz/fuzz_check.h"
#include "support/oracles.h"
#include "support/side_db.h"

namespace {

constexpr char kDate[] = "2024-03-15 14:05:09";

// The program's quoted and scrambled forms, each checked against the form
// worked out independently: quotes doubled and nothing else changed, nothing
// written past the promised length; every byte XOR-ed with the key, up to a
// key byte (which scrambles to the end of the text).
std::string Quoted(const std::string& text) {
    const std::size_t length = QuotedLength(text.c_str());
    std::vector<char> quoted(length + 2, '\0');
    quoted[length + 1] = '\x7f';
    QuoteSqlText(text.c_str(), quoted.data());
    Check(quoted[length + 1] == '\x7f', "nothing written past the quoted form");
    Check(quoted.data() == oracle::Quoted(text) && std::strlen(quoted.data()) == length,
          "the quoted form as promised");
    return quoted.data();
}

std::string Scrambled(const std::string& text) {
    std::vector<char> scrambled(text.size() + 1, '\0');
    ScrambleText(text.c_str(), scrambled.data());
    const std::string expected = oracle::Scrambled(text);
    Check(scrambled.data() == expected.substr(0, expected.find('\0')), "the scrambled form");
    return scrambled.data();
}

// Parses the statement and checks that it is one statement, whole.
void CheckOneStatement(sqlite3* db, const char* statement) {
    sqlite3_stmt* prepared = nullptr;
    const char* tail = nullptr;
    Check(sqlite3_prepare_v2(db, statement, -1, &prepared, &tail) == SQLITE_OK,
          "the statement parses");
    Check(prepared != nullptr, "the statement is not empty");
    Check(tail != nullptr && *tail == '\0', "exactly one statement");
    sqlite3_finalize(prepared);
}

void Run(sqlite3* db, const char* statement) {
    CheckOneStatement(db, statement);
    Check(sqlite3_exec(db, statement, nullptr, nullptr, nullptr) == SQLITE_OK, "the statement runs");
}

void InsertBound(sqlite3* db, const std::string& subject) {
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO dbtable VALUES(NULL, '2001-01-01 00:00:00', ?1, 'x')", -1,
                       &statement, nullptr);
    sqlite3_bind_text(statement, 1, subject.data(), static_cast<int>(subject.size()),
                      SQLITE_TRANSIENT);
    sqlite3_step(statement);
    sqlite3_finalize(statement);
}

std::set<sqlite3_int64> StatementSearch(sqlite3* db, const char* statement) {
    CheckOneStatement(db, statement);
    std::set<sqlite3_int64> found;
    sqlite3_stmt* prepared = nullptr;
    sqlite3_prepare_v2(db, statement, -1, &prepared, nullptr);
    Check(sqlite3_column_count(prepared) == 2, "the search gives record numbers and subjects");
    int step;
    while ((step = sqlite3_step(prepared)) == SQLITE_ROW)
        found.insert(sqlite3_column_int64(prepared, 0));
    sqlite3_finalize(prepared);
    Check(step == SQLITE_DONE, "the search runs to its end");
    return found;
}

// A statement built into a buffer too small for it is empty; one that fits
// is exactly the statement built with room to spare.
template <typename Build>
void CheckSmallBuffer(const char* whole, std::size_t size, Build build) {
    std::vector<char> small(size + 1, '\x7f');
    const bool fitted = build(small.data(), size);
    Check(small[size] == '\x7f', "nothing written past the buffer");
    if (fitted)
        Check(std::strcmp(small.data(), whole) == 0, "a statement that fits is whole");
    else
        Check(size == 0 || small[0] == '\0', "a statement that does not fit is empty");
    Check(fitted == (std::strlen(whole) < size), "fits exactly when it has room");
}

// A buffer size near the statement's length (just too small, just right)
// or anywhere below it.
std::size_t SmallRoom(std::size_t length, unsigned seed) {
    if (seed % 2 == 0) return length + seed / 2 % 3 - 1;
    return seed * 131u % (length + 1);
}

std::vector<std::string> Fields(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> fields(1);
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0)
            fields.emplace_back();
        else
            fields.back() += static_cast<char>(data[i]);
    }
    return fields;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Zero bytes separate the texts (the program's texts end at one): the
    // subject, the entry text, the search text, then subjects of other rows.
    std::vector<std::string> fields = Fields(data, size);
    const unsigned seed = size == 0 ? 0u : data[size - 1] * 257u + static_cast<unsigned>(size);
    fields.resize(fields.size() < 3 ? 3 : fields.size());
    // Cut to what the dialog's fields hold, as the dialog reads them.
    std::string subject = fields[0].substr(0, kTextSize - 1);
    std::string entry = fields[1].substr(0, kEntrySize - 1);
    const std::string search = fields[2].substr(0, kTextSize - 1);
    // The dialog refuses an entry holding the key byte; take the part before it.
    Scrambled(entry);
    entry = entry.substr(0, entry.find(static_cast<char>(kScrambleKey)));

    sqlite3* db = nullptr;
    sqlite3_open(":memory:", &db);
    Run(db, kCreateTableStatement);
    for (std::size_t i = 3; i < fields.size() && i < 12; ++i) InsertBound(db, fields[i]);
    const std::vector<JournalRow> before = SideDb(db).Journal();

    static char statement[kStatementSize];
    const std::string quotedSubject = Quoted(subject);
    const std::string quotedEntry = Quoted(Scrambled(entry));

    // Insert: one new row holding exactly the texts; the others unchanged.
    Check(BuildInsertStatement(statement, sizeof statement, kDate, quotedSubject.c_str(),
                               quotedEntry.c_str()),
          "every insert fits the statement buffer");
    CheckSmallBuffer(statement, SmallRoom(std::strlen(statement), seed),
                     [&](char* buffer, std::size_t room) {
                         return BuildInsertStatement(buffer, room, kDate, quotedSubject.c_str(),
                                                     quotedEntry.c_str());
                     });
    Run(db, statement);
    const sqlite3_int64 record = sqlite3_last_insert_rowid(db);
    const std::vector<JournalRow> after = SideDb(db).Journal();
    Check(after.size() == before.size() + 1, "the insert adds one row");
    Check(std::equal(before.begin(), before.end(), after.begin()), "the insert changes no other row");
    const JournalRow& inserted = after.back();
    Check(inserted.record == record && inserted.date == kDate && inserted.subject == subject &&
              inserted.entry == entry,
          "the inserted row holds the texts byte for byte");

    // Update that row with the search text as its subject.
    const std::string quotedSearch = Quoted(search);
    Check(BuildUpdateStatement(statement, sizeof statement, static_cast<int>(record), kDate,
                               quotedSearch.c_str(), quotedEntry.c_str()),
          "every update fits the statement buffer");
    Run(db, statement);
    Check(sqlite3_changes(db) == 1, "the update changes its row");
    const std::vector<JournalRow> updated = SideDb(db).Journal();
    Check(updated.size() == after.size(), "the update adds and removes nothing");
    Check(std::equal(before.begin(), before.end(), updated.begin()), "the update changes no other row");
    Check(updated.back().subject == search && updated.back().entry == entry,
          "the updated row holds the texts");

    // Put the subject back, so that the search also meets the typed subject.
    BuildUpdateStatement(statement, sizeof statement, static_cast<int>(record), kDate,
                         quotedSubject.c_str(), quotedEntry.c_str());
    Run(db, statement);

    // Search: the same records as the patterns with the text bound.
    Check(BuildSearchStatement(statement, sizeof statement, quotedSearch.c_str()),
          "every search fits the statement buffer");
    CheckSmallBuffer(statement, SmallRoom(std::strlen(statement), seed / 7),
                     [&](char* buffer, std::size_t room) {
        return BuildSearchStatement(buffer, room, quotedSearch.c_str());
    });
    Check(StatementSearch(db, statement) == BoundSearch(db, search),
          "the search finds what the bound search finds");

    // Reading and deleting the row by its number.
    Check(BuildReadEntryStatement(statement, sizeof statement, static_cast<int>(record)),
          "the read statement fits");
    CheckOneStatement(db, statement);
    Check(BuildDeleteStatement(statement, sizeof statement, static_cast<int>(record)),
          "the delete statement fits");
    Run(db, statement);
    Check(sqlite3_changes(db) == 1, "the delete removes its row");
    Check(SideDb(db).Journal() == before, "after the delete the table is as before");

    sqlite3_close(db);
    return 0;
}
