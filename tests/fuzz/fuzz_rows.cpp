// Fuzzes the reader of database rows: the journal's listing, search and
// reading routines run over a real database file built from the input, as
// another program could have left it: values of every type and any length,
// NULLs, zero bytes inside texts, over-long subjects and entries, record
// numbers beyond 32 bits, and tables of other shapes.
//
// On the program's own table every listed line and every record read must
// be the stored value, cut to its buffer and terminated; on any other table
// the routines must still end cleanly with terminated texts.
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <unistd.h>
#include <vector>

#include <sqlite3.h>

#include "journal/journal_store.h"
#include "journal/text.h"
#include "fuzz/fuzz_check.h"
#include "support/oracles.h"
#include "support/subject_sink.h"

namespace {

const std::string& DatabasePath() {
    static const std::string path = [] {
        const char* folder = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        return std::string(folder) + "/larkmoor-fuzz-rows-" + std::to_string(getpid()) + ".3db";
    }();
    return path;
}

// Takes bytes from the front of the input; zeros once it is used up.
class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool Empty() const { return size_ == 0; }
    std::uint8_t Byte() {
        if (size_ == 0) return 0;
        --size_;
        return *data_++;
    }
    std::string Bytes() {
        std::size_t length = Byte();
        if (length > size_) length = size_;
        std::string bytes(reinterpret_cast<const char*>(data_), length);
        data_ += length;
        size_ -= length;
        return bytes;
    }
    sqlite3_int64 Number() {
        std::uint64_t value = 0;
        for (int i = 0; i < 8; ++i) value = value << 8 | Byte();
        return static_cast<sqlite3_int64>(value);
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
};

void BindBytes(sqlite3_stmt* statement, int index, const std::string& bytes, bool blob) {
    const int size = static_cast<int>(bytes.size());
    if (blob)
        sqlite3_bind_blob(statement, index, bytes.data(), size, SQLITE_TRANSIENT);
    else
        sqlite3_bind_text(statement, index, bytes.data(), size, SQLITE_TRANSIENT);
}

// Binds one value of a type the input chooses.
void BindValue(sqlite3_stmt* statement, int index, Input& input) {
    const int kind = input.Byte() % 7;
    switch (kind) {
    case 0:
        sqlite3_bind_null(statement, index);
        break;
    case 1:
        sqlite3_bind_int64(statement, index, input.Number());
        break;
    case 2: {
        const sqlite3_int64 bits = input.Number();
        double value;
        std::memcpy(&value, &bits, sizeof value);
        sqlite3_bind_double(statement, index, value);
        break;
    }
    case 3:  // a text, which may hold zero bytes, or a blob
    case 4:
        BindBytes(statement, index, input.Bytes(), kind == 4);
        break;
    default: {
        // A long value: the bytes repeated up to a length past the buffers.
        const std::string piece = input.Bytes();
        const std::size_t length = input.Byte() * 300u + input.Byte();
        std::string text;
        if (!piece.empty())
            while (text.size() < length) text += piece;
        text.resize(piece.empty() ? 0 : length);
        BindBytes(statement, index, text, input.Byte() % 2 != 0);
        break;
    }
    }
}

// A value as the program's query result hands it over: its text form up
// to its first zero byte (a NULL as the empty text), cut to size - 1 bytes.
std::string Shown(sqlite3_stmt* statement, int column, std::size_t size) {
    const unsigned char* text = sqlite3_column_text(statement, column);
    if (text == nullptr) return std::string();
    const std::string value(reinterpret_cast<const char*>(text));
    return value.substr(0, size - 1);
}

std::string Unscrambled(const std::string& text) {
    const std::string plain = oracle::Scrambled(text);
    return plain.substr(0, plain.find('\0'));
}

struct StoredRow {
    std::string subject;  // as listed
    std::string date;
    std::string entry;    // as shown, unscrambled
};

void CheckTerminated(const JournalRecord& record) {
    Check(std::memchr(record.number, 0, sizeof record.number) != nullptr, "number terminated");
    Check(std::memchr(record.date, 0, sizeof record.date) != nullptr, "date terminated");
    Check(std::memchr(record.subject, 0, sizeof record.subject) != nullptr, "subject terminated");
    Check(std::memchr(record.entry, 0, sizeof record.entry) != nullptr, "entry terminated");
}

const char* const kTables[] = {
    // The program's own table.
    "CREATE TABLE dbtable (a integer primary key, dbdate text, dbsubject text, dbentry blob)",
    // Shapes another program could leave behind.
    "CREATE TABLE dbtable (a integer primary key, dbsubject text)",
    "CREATE TABLE dbtable (a integer primary key, dbdate, dbsubject, dbentry, extra)",
    "CREATE TABLE dbtable (a, dbdate, dbsubject, dbentry)",
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Input input(data, size);
    const std::string& path = DatabasePath();
    std::remove(path.c_str());

    const std::size_t shape = input.Byte() % 6;
    const bool ownTable = shape >= 3;  // half of the inputs
    const char* const table = kTables[ownTable ? 0 : shape == 0 ? 3 : shape];
    const int columns = shape == 1 ? 2 : shape == 2 ? 5 : 4;

    sqlite3* db = nullptr;
    sqlite3_open(path.c_str(), &db);
    sqlite3_exec(db, table, nullptr, nullptr, nullptr);
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    const std::string insert = columns == 2   ? "INSERT INTO dbtable VALUES(?1, ?2)"
                               : columns == 5 ? "INSERT INTO dbtable VALUES(?1, ?2, ?3, ?4, ?5)"
                                              : "INSERT INTO dbtable VALUES(?1, ?2, ?3, ?4)";
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db, insert.c_str(), -1, &statement, nullptr);
    // A search text as the search field gives it: no zero byte, 779 bytes at most.
    std::string search = input.Bytes();
    search = search.substr(0, search.find('\0'));
    for (int row = 0; row < 24 && !input.Empty(); ++row) {
        // The record number: given by the database, or one of any size.
        if (input.Byte() % 3 == 0)
            sqlite3_bind_null(statement, 1);
        else if (ownTable)
            sqlite3_bind_int64(statement, 1, input.Number());
        else
            BindValue(statement, 1, input);
        for (int column = 2; column <= columns; ++column) BindValue(statement, column, input);
        sqlite3_step(statement);  // a repeated record number fails; the row is left out
        sqlite3_reset(statement);
    }
    sqlite3_finalize(statement);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);

    // What the program should see of each record that it can reach.
    std::map<int, StoredRow> expected;
    std::size_t tableRows = 0;
    if (ownTable) {
        sqlite3_prepare_v2(db, "SELECT a, dbdate, dbsubject, dbentry FROM dbtable", -1,
                           &statement, nullptr);
        while (sqlite3_step(statement) == SQLITE_ROW) {
            ++tableRows;
            const sqlite3_int64 record = sqlite3_column_int64(statement, 0);
            if (record < INT_MIN || record > INT_MAX) continue;
            expected[static_cast<int>(record)] = {Shown(statement, 2, kTextSize),
                                                  Shown(statement, 1, kTextSize),
                                                  Unscrambled(Shown(statement, 3, kEntrySize))};
        }
        sqlite3_finalize(statement);
    }
    std::set<sqlite3_int64> searchExpected;
    if (ownTable) searchExpected = BoundSearch(db, search);
    sqlite3_close(db);

    RecordingSink listed;
    const StoreResult listResult = StoreListSubjects(path.c_str(), listed);
    Check(listed.begins <= 1, "the sink is begun once at most");
    Check(listed.addedBytes <= listed.announcedBytes || listed.begins == 0,
          "the announced size covers every line");

    RecordingSink found;
    const StoreResult searchResult = StoreSearchSubjects(path.c_str(), oracle::Quoted(search).c_str(), found);
    for (const RecordingSink* sink : {&listed, &found})
        for (const ListedLine& line : sink->lines)
            Check(line.subject.size() < kTextSize, "a listed subject fits the text buffer");

    std::set<int> records;
    for (const ListedLine& line : listed.lines) records.insert(line.record);
    for (int extra = 0; extra < 3; ++extra)
        records.insert(static_cast<int>(static_cast<std::uint32_t>(input.Number())));

    for (int record : records) {
        static JournalRecord shown;
        std::memset(&shown, 0x5A, sizeof shown);
        const StoreResult result = StoreReadEntry(path.c_str(), record, shown);
        if (result == StoreResult::Done) CheckTerminated(shown);
        if (!ownTable) continue;
        const auto stored = expected.find(record);
        if (stored == expected.end()) {
            Check(result == StoreResult::NoSuchRecord, "a missing record is told apart");
            continue;
        }
        Check(result == StoreResult::Done, "a stored record reads");
        Check(std::strtoll(shown.number, nullptr, 10) == record, "the record number shows");
        Check(shown.date == stored->second.date, "the date shows as stored, cut to its buffer");
        Check(shown.subject == stored->second.subject, "the subject shows as stored");
        Check(shown.entry == stored->second.entry, "the entry shows unscrambled, cut to its buffer");
    }

    if (ownTable) {
        Check(listResult == StoreResult::Done, "the program's table lists");
        Check(listed.begins == 1 && listed.announcedRows == tableRows, "the sink hears every row");
        std::multiset<ListedLine> wanted;
        for (const auto& [record, row] : expected) wanted.insert({record, row.subject});
        Check(listed.lines == wanted, "every reachable record listed with its subject");
        Check(searchResult == StoreResult::Done, "the search runs");
        std::set<sqlite3_int64> foundRecords;
        for (const ListedLine& line : found.lines) foundRecords.insert(line.record);
        Check(found.lines.size() == foundRecords.size(), "a record is found once");
        Check(foundRecords == searchExpected, "the search finds what the bound search finds");
    }
    std::remove(path.c_str());
    return 0;
}
