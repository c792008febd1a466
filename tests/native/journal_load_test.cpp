// Load: many entries added through the journal's own routines (each opening
// the file, running one statement and closing it, as the program does), then
// browsed, searched, shown, changed, deleted and added at random for a
// bounded run, checked against a model at every step. At the end the file
// passes SQLite's integrity check and holds exactly what the model holds.
//
// LARKMOOR_LOAD_ENTRIES (default 10,000) and LARKMOOR_LOAD_OPERATIONS
// (default 3,000) set the size; the full run uses 100,000 entries.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <set>
#include <string>
#include <unistd.h>
#include <vector>

#include "journal/journal_store.h"
#include "journal/text.h"
#include "support/env_setting.h"
#include "support/oracles.h"
#include "support/side_db.h"
#include "support/subject_sink.h"

namespace {

// A small generator of our own, so that a run can be repeated exactly.
class Random {
public:
    explicit Random(std::uint64_t seed) : state_(seed) {}
    std::uint32_t Next() {
        state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<std::uint32_t>(state_ >> 33);
    }
    std::size_t Below(std::size_t n) { return n == 0 ? 0 : Next() % n; }

private:
    std::uint64_t state_;
};

struct Entry {
    std::string date;
    std::string subject;
    std::string text;
    bool operator==(const Entry& other) const {
        return date == other.date && subject == other.subject && text == other.text;
    }
};

const char* const kWords[] = {"plan",  "garden", "It's", "idea",  "trip",   "Monday", "book",
                              "notes", "caf\xe9", "list", "quote'", "dream", "work",   "Recipe"};

std::string MakeSubject(Random& random) {
    std::string subject;
    const std::size_t words = 1 + random.Below(4);
    for (std::size_t i = 0; i < words; ++i) {
        if (i > 0) subject += ' ';
        subject += kWords[random.Below(sizeof kWords / sizeof kWords[0])];
    }
    subject += " " + std::to_string(random.Below(1000));
    return subject;
}

// Any bytes but zero and the key byte (which the dialog refuses).
std::string MakeText(Random& random) {
    const std::size_t length = random.Below(50) == 0 ? 1 + random.Below(kEntrySize - 1)
                                                     : 1 + random.Below(400);
    std::string text(length, ' ');
    for (char& byte : text) {
        unsigned value = 1 + random.Below(255);
        if (value == kScrambleKey) value = '\'';
        byte = static_cast<char>(value);
    }
    return text;
}

using oracle::Quoted;
using oracle::Scrambled;

std::string Date(std::size_t n) {
    char date[kTimestampSize];
    FormatTimestampFields(date, sizeof date, 2024, 1 + n % 12, 1 + n % 28, n % 24, n % 60,
                          n / 60 % 60);
    return date;
}

bool ContainsIgnoringAsciiCase(const std::string& text, const std::string& piece) {
    auto lower = [](std::string s) {
        for (char& c : s)
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        return s;
    };
    return lower(text).find(lower(piece)) != std::string::npos;
}

class JournalLoadTest : public ::testing::Test {
protected:
    void SetUp() override {
        // Where the machine has a memory file system, use it: the run is
        // about the program's routines, not about the disk.
        char folder[] = "/tmp/larkmoor-load-XXXXXX";
        char shm[] = "/dev/shm/larkmoor-load-XXXXXX";
        folder_ = access("/dev/shm", W_OK) == 0 && mkdtemp(shm) != nullptr ? shm : mkdtemp(folder);
        ASSERT_FALSE(folder_.empty());
        path_ = folder_ + "/larkmoor.3db";
    }
    void TearDown() override {
        std::remove(path_.c_str());
        std::remove((path_ + "-journal").c_str());
        rmdir(folder_.c_str());
    }

    StoreResult Insert(const Entry& entry) {
        return StoreInsertEntry(path_.c_str(), entry.date.c_str(), Quoted(entry.subject).c_str(),
                                Quoted(Scrambled(entry.text)).c_str());
    }

    std::map<int, Entry> ReadTable() {
        std::map<int, Entry> table;
        for (const JournalRow& row : ReadJournal(path_))
            table[static_cast<int>(row.record)] = {row.date, row.subject, row.entry};
        return table;
    }

    std::string folder_;
    std::string path_;
};

}  // namespace

TEST_F(JournalLoadTest, ManyEntriesThenRandomWorkAgainstAModel) {
    const std::size_t entries = EnvSetting("LARKMOOR_LOAD_ENTRIES", 10000);
    const std::size_t operations = EnvSetting("LARKMOOR_LOAD_OPERATIONS", 3000);
    Random random(20240315);
    std::map<int, Entry> model;
    using Clock = std::chrono::steady_clock;
    const Clock::time_point start = Clock::now();

    ASSERT_EQ(StoreCreateTable(path_.c_str()), StoreResult::Done);
    for (std::size_t i = 0; i < entries; ++i) {
        const Entry entry = {Date(i), MakeSubject(random), MakeText(random)};
        ASSERT_EQ(Insert(entry), StoreResult::Done) << i;
        model[static_cast<int>(i + 1)] = entry;
    }
    const double added = std::chrono::duration<double>(Clock::now() - start).count();

    std::size_t counts[7] = {};
    for (std::size_t step = 0; step < operations; ++step) {
        SCOPED_TRACE("step " + std::to_string(step));
        // A record number that exists, or now and then one that does not.
        const int last = model.empty() ? 0 : model.rbegin()->first;
        const int record = static_cast<int>(random.Below(static_cast<std::size_t>(last) + 3));
        const std::size_t kind = random.Below(100);
        if (kind < 2) {  // browse: every line, each with its record number
            ++counts[0];
            RecordingSink listed;
            ASSERT_EQ(StoreListSubjects(path_.c_str(), listed), StoreResult::Done);
            std::multiset<ListedLine> expected;
            for (const auto& [number, entry] : model) expected.insert({number, entry.subject});
            ASSERT_EQ(listed.lines, expected);
        } else if (kind < 20) {  // search by a piece of some subject
            ++counts[1];
            std::string piece = MakeSubject(random);
            if (!model.empty()) {
                auto near = model.lower_bound(record);
                if (near == model.end()) near = model.begin();
                const std::string& subject = near->second.subject;
                const std::size_t at = random.Below(subject.size() - 2);
                piece = subject.substr(at, 3 + random.Below(subject.size() - at - 2));
            }
            RecordingSink found;
            ASSERT_EQ(StoreSearchSubjects(path_.c_str(), Quoted(piece).c_str(), found),
                      StoreResult::Done);
            std::multiset<ListedLine> expected;
            for (const auto& [number, entry] : model)
                if (ContainsIgnoringAsciiCase(entry.subject, piece))
                    expected.insert({number, entry.subject});
            ASSERT_EQ(found.lines, expected) << piece;
        } else if (kind < 50) {  // show
            ++counts[2];
            static JournalRecord shown;
            const StoreResult result = StoreReadEntry(path_.c_str(), record, shown);
            const auto stored = model.find(record);
            if (stored == model.end()) {
                ASSERT_EQ(result, StoreResult::NoSuchRecord);
            } else {
                ASSERT_EQ(result, StoreResult::Done);
                ASSERT_EQ(std::string(shown.number), std::to_string(record));
                ASSERT_EQ(shown.date, stored->second.date);
                ASSERT_EQ(shown.subject, stored->second.subject);
                ASSERT_TRUE(shown.entry == stored->second.text);
            }
        } else if (kind < 70) {  // change
            ++counts[3];
            const Entry entry = {Date(step), MakeSubject(random), MakeText(random)};
            const StoreResult result =
                StoreUpdateEntry(path_.c_str(), record, entry.date.c_str(),
                                 Quoted(entry.subject).c_str(), Quoted(Scrambled(entry.text)).c_str());
            if (model.count(record) == 0) {
                ASSERT_EQ(result, StoreResult::NoSuchRecord);
            } else {
                ASSERT_EQ(result, StoreResult::Done);
                model[record] = entry;
            }
        } else if (kind < 85) {  // delete
            ++counts[4];
            const StoreResult result = StoreDeleteEntry(path_.c_str(), record);
            ASSERT_EQ(result, model.erase(record) == 1 ? StoreResult::Done : StoreResult::NoSuchRecord);
        } else if (kind < 99) {  // add: the next record number after the largest
            ++counts[5];
            const Entry entry = {Date(step), MakeSubject(random), MakeText(random)};
            ASSERT_EQ(Insert(entry), StoreResult::Done);
            model[last + 1] = entry;
        } else {
            ++counts[6];
            ASSERT_EQ(StoreCompact(path_.c_str()), StoreResult::Done);
        }
    }
    const double total = std::chrono::duration<double>(Clock::now() - start).count();

    EXPECT_TRUE(IntegrityOk(path_));
    const std::map<int, Entry> table = ReadTable();
    ASSERT_EQ(table.size(), model.size());
    EXPECT_TRUE(table == model) << "the file does not hold what the run expects";
    std::printf("load: %zu entries added in %.1f s; %zu operations (%zu browse, %zu search, "
                "%zu show, %zu change, %zu delete, %zu add, %zu compact); %zu entries at the end; "
                "%.1f s in all\n",
                entries, added, operations, counts[0], counts[1], counts[2], counts[3], counts[4],
                counts[5], counts[6], model.size(), total);
}
