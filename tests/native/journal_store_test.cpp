// The journal database routines against real SQLite files: the statement
// texts, record numbering, the stored bytes, the subject searches, and every
// failure a database file can give (not a database, no table, locked, cannot
// be opened), in which nothing may be lost.
#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <set>
#include <string>
#include <unistd.h>
#include <vector>

#include "journal/journal_store.h"
#include "journal/text.h"
#include "support/oracles.h"
#include "support/side_db.h"
#include "support/streams.h"
#include "support/subject_sink.h"

namespace {

using Lines = std::multiset<ListedLine>;

using oracle::Hex;
using oracle::Quoted;
using oracle::Scrambled;

class JournalStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        char folder[] = "/tmp/larkmoor-store-XXXXXX";
        ASSERT_NE(mkdtemp(folder), nullptr);
        folder_ = folder;
        path_ = folder_ + "/larkmoor.3db";
    }
    void TearDown() override {
        std::remove(path_.c_str());
        std::remove((path_ + "-journal").c_str());
        rmdir(folder_.c_str());
    }

    const char* Path() const { return path_.c_str(); }

    void CreateJournal() { ASSERT_EQ(StoreCreateTable(Path()), StoreResult::Done); }

    // Saves as the Entries dialog does: the subject quoted, the entry
    // scrambled and then quoted.
    StoreResult Insert(const std::string& subject, const std::string& entry,
                       const std::string& date = "2024-05-06 07:08:09") {
        return StoreInsertEntry(Path(), date.c_str(), Quoted(subject).c_str(),
                                Quoted(Scrambled(entry)).c_str());
    }
    StoreResult Update(int record, const std::string& subject, const std::string& entry,
                       const std::string& date = "2024-06-07 08:09:10") {
        return StoreUpdateEntry(Path(), record, date.c_str(), Quoted(subject).c_str(),
                                Quoted(Scrambled(entry)).c_str());
    }
    Lines Listed() {
        RecordingSink sink;
        EXPECT_EQ(StoreListSubjects(Path(), sink), StoreResult::Done);
        return sink.lines;
    }
    std::multiset<std::string> Found(const std::string& search) {
        RecordingSink sink;
        EXPECT_EQ(StoreSearchSubjects(Path(), Quoted(search).c_str(), sink), StoreResult::Done);
        return sink.Subjects();
    }
    std::unique_ptr<JournalRecord> Read(int record, StoreResult expected = StoreResult::Done) {
        auto shown = std::make_unique<JournalRecord>();
        EXPECT_EQ(StoreReadEntry(Path(), record, *shown), expected) << record;
        return shown;
    }
    // A record as shown: its number, date, subject and entry.
    std::vector<std::string> Shown(int record) {
        const auto shown = Read(record);
        return {shown->number, shown->date, shown->subject, shown->entry};
    }

    std::string folder_;
    std::string path_;
};

}  // namespace

TEST(JournalStatements, AreBuiltFromTheirExactFormats) {
    char buffer[kStatementSize];
    ASSERT_TRUE(
        BuildInsertStatement(buffer, sizeof buffer, "2009-03-07 09:05:07", "It''s", "x''y"));
    EXPECT_STREQ(buffer,
                 "INSERT INTO dbtable (a, dbdate, dbsubject, dbentry) "
                 "VALUES(NULL,'2009-03-07 09:05:07','It''s','x''y');");
    ASSERT_TRUE(BuildUpdateStatement(buffer, sizeof buffer, 42, "2010-01-01 00:05:00", "S", "E"));
    EXPECT_STREQ(buffer,
                 "UPDATE dbtable SET dbdate='2010-01-01 00:05:00', dbsubject='S', dbentry='E' "
                 "WHERE a=42 ;");
    ASSERT_TRUE(BuildUpdateStatement(buffer, sizeof buffer, INT_MIN, "d", "s", "e"));
    EXPECT_STREQ(buffer,
                 "UPDATE dbtable SET dbdate='d', dbsubject='s', dbentry='e' WHERE a=-2147483648 ;");
    ASSERT_TRUE(BuildDeleteStatement(buffer, sizeof buffer, 7));
    EXPECT_STREQ(buffer, "DELETE FROM dbtable WHERE a = 7 ;");
    ASSERT_TRUE(BuildSearchStatement(buffer, sizeof buffer, "ide"));
    EXPECT_STREQ(buffer,
                 "SELECT a, dbsubject FROM dbtable WHERE dbsubject LIKE 'ide%' OR dbsubject LIKE "
                 "'%ide%' OR dbsubject LIKE '%ide';");
    ASSERT_TRUE(BuildReadEntryStatement(buffer, sizeof buffer, 3));
    EXPECT_STREQ(buffer, "SELECT * FROM dbtable WHERE a=3 ;");
    EXPECT_STREQ(kCompactStatement, "VACUUM;");
    EXPECT_STREQ(kListSubjectsStatement,
                 "SELECT a, dbsubject FROM dbtable ORDER BY dbsubject COLLATE NOCASE;");
}

TEST(JournalStatements, BufferHoldsTheLongestUpdateAndRefusesMore) {
    const std::string date(kTextSize - 1, '9');
    const std::string subject(kQuotedTextSize - 1, '\'');
    const std::string entry(kQuotedEntrySize - 1, '\'');
    std::vector<char> buffer(kStatementSize, '#');
    EXPECT_TRUE(BuildUpdateStatement(buffer.data(), buffer.size(), INT_MIN, date.c_str(),
                                     subject.c_str(), entry.c_str()));
    EXPECT_TRUE(BuildInsertStatement(buffer.data(), buffer.size(), date.c_str(), subject.c_str(),
                                     entry.c_str()));

    // One byte short of the statement: refused, nothing half-built left.
    char small[20];
    EXPECT_FALSE(BuildDeleteStatement(small, sizeof small, 1));
    EXPECT_STREQ(small, "");
    EXPECT_FALSE(BuildDeleteStatement(small, 0, 1));
}

TEST_F(JournalStoreTest, CreatesTheTableByItsExactStatement) {
    CreateJournal();
    SideDb other(path_);
    EXPECT_EQ(other.Value("SELECT sql FROM sqlite_master WHERE name='dbtable'"),
              "CREATE TABLE dbtable (a integer primary key, dbdate text, dbsubject text, dbentry "
              "blob)");
    EXPECT_EQ(other.Value("SELECT count(*) FROM sqlite_master"), "1");
    // A second creation on the existing table fails, and says so.
    EXPECT_EQ(StoreCreateTable(Path()), StoreResult::StatementFailed);
}

TEST_F(JournalStoreTest, RecordNumbersStartAtOneAndTheLastIsGivenAgainAfterItsDeletion) {
    CreateJournal();
    ASSERT_EQ(Insert("First", "one"), StoreResult::Done);
    ASSERT_EQ(Insert("Second", "two"), StoreResult::Done);
    ASSERT_EQ(Insert("Third", "three"), StoreResult::Done);
    EXPECT_EQ(Read(1)->subject, std::string("First"));
    EXPECT_EQ(Read(3)->subject, std::string("Third"));

    ASSERT_EQ(StoreDeleteEntry(Path(), 3), StoreResult::Done);
    ASSERT_EQ(Insert("Fourth", "four"), StoreResult::Done);
    EXPECT_EQ(Read(3)->subject, std::string("Fourth"));
    ASSERT_EQ(StoreDeleteEntry(Path(), 2), StoreResult::Done);
    ASSERT_EQ(Insert("Fifth", "five"), StoreResult::Done);
    EXPECT_EQ(Read(4)->subject, std::string("Fifth"));  // a gap is not filled
    Read(2, StoreResult::NoSuchRecord);
}

TEST_F(JournalStoreTest, StoresTextsByteForByteWithTheEntryScrambled) {
    CreateJournal();
    const std::string subject = "It's caf\xe9 \"time\" 100% a_b \\";
    // 0x82 scrambles to a single quote: the quoted form of the scrambled
    // entry carries it doubled and the table holds it once.
    const std::string entry = "Line one\r\nL\x82ne two \xe9\xfc 'quoted'";
    ASSERT_EQ(Insert(subject, entry, "2009-03-07 09:05:07"), StoreResult::Done);

    EXPECT_EQ(
        SideDb(path_).Query("SELECT a, dbdate, hex(dbsubject), hex(dbentry), typeof(dbentry), "
                            "length(CAST(dbentry AS BLOB)) FROM dbtable"),
        "1|2009-03-07 09:05:07|" + Hex(subject) + "|" + Hex(Scrambled(entry)) + "|text|" +
            std::to_string(entry.size()) + "\n");
    EXPECT_EQ(Shown(1), (std::vector<std::string>{"1", "2009-03-07 09:05:07", subject, entry}));
    EXPECT_EQ(Listed(), (Lines{{1, subject}}));
}

TEST_F(JournalStoreTest, SubjectMadeOfQuotesIsStoredWhole) {
    CreateJournal();
    const std::string quotes(kTextSize - 1, '\'');
    const std::string entry(kEntrySize - 1, '\x82');  // every scrambled byte a quote
    ASSERT_EQ(Insert(quotes, entry), StoreResult::Done);
    const auto shown = Read(1);
    EXPECT_EQ(std::string(shown->subject), quotes);
    EXPECT_EQ(std::string(shown->entry), entry);
    ASSERT_EQ(Update(1, quotes, entry), StoreResult::Done);
    EXPECT_EQ(std::string(Read(1)->entry), entry);
}

TEST_F(JournalStoreTest, SearchFindsBeginningsMiddlesAndEndsWithWildcards) {
    CreateJournal();
    for (const char* subject : {"Ideas", "A bright idea", "Slide show", "Nothing here", "abc",
                                "aXc", "ac", "ABC", "100 reasons", "Top 1000", "10 0", "Guide"})
        ASSERT_EQ(Insert(subject, "text"), StoreResult::Done);

    struct Case {
        const char* search;
        std::multiset<std::string> found;
    };
    const Case cases[] = {
        {"ide", {"Ideas", "A bright idea", "Slide show", "Guide"}},
        {"a_c", {"abc", "aXc", "ABC"}},
        {"100%", {"100 reasons", "Top 1000"}},
        {"IDEAS", {"Ideas"}},
        {"zzz", {}},
    };
    for (const Case& c : cases) EXPECT_EQ(Found(c.search), c.found) << c.search;
}

TEST_F(JournalStoreTest, SearchTextWithQuotesMatchesStoredQuotes) {
    CreateJournal();
    ASSERT_EQ(Insert("It's late", "text"), StoreResult::Done);
    ASSERT_EQ(Insert("Its late", "text"), StoreResult::Done);
    EXPECT_EQ(Found("t's"), std::multiset<std::string>{"It's late"});
}

TEST_F(JournalStoreTest, RecordsSharingASubjectOrDifferingInCaseAreAllListedAndReachable) {
    CreateJournal();
    ASSERT_EQ(Insert("Plans", "first plan"), StoreResult::Done);
    ASSERT_EQ(Insert("Other", "other"), StoreResult::Done);
    ASSERT_EQ(Insert("Plans", "second plan"), StoreResult::Done);
    ASSERT_EQ(Insert("plans", "lower"), StoreResult::Done);

    RecordingSink sink;
    ASSERT_EQ(StoreListSubjects(Path(), sink), StoreResult::Done);
    EXPECT_EQ(sink.begins, 1);
    EXPECT_EQ(sink.announcedRows, 4u);
    EXPECT_EQ(sink.announcedBytes,
              std::string("Plans").size() * 3 + std::string("Other").size() + 4);
    ASSERT_EQ(sink.lines, (Lines{{2, "Other"}, {1, "Plans"}, {3, "Plans"}, {4, "plans"}}));
    EXPECT_STREQ(Read(1)->entry, "first plan");
    EXPECT_STREQ(Read(3)->entry, "second plan");
    EXPECT_STREQ(Read(4)->entry, "lower");

    // The search is case-blind, the records are not.
    RecordingSink found;
    ASSERT_EQ(StoreSearchSubjects(Path(), "LAN", found), StoreResult::Done);
    EXPECT_EQ(found.lines, (Lines{{1, "Plans"}, {3, "Plans"}, {4, "plans"}}));
}

TEST_F(JournalStoreTest, UpdateAndDeleteOfAMissingRecordChangeNothingAndSaySo) {
    CreateJournal();
    ASSERT_EQ(Insert("Keep me", "kept"), StoreResult::Done);
    EXPECT_EQ(Update(0, "Lost?", "text"), StoreResult::NoSuchRecord);
    EXPECT_EQ(Update(9, "Lost?", "text"), StoreResult::NoSuchRecord);
    EXPECT_EQ(StoreDeleteEntry(Path(), 0), StoreResult::NoSuchRecord);
    EXPECT_EQ(StoreDeleteEntry(Path(), 9), StoreResult::NoSuchRecord);
    EXPECT_EQ(Listed(), (Lines{{1, "Keep me"}}));
    EXPECT_STREQ(Read(1)->entry, "kept");
}

TEST_F(JournalStoreTest, ValuesWrittenByAnotherProgramAreCutOrEmptiedSafely) {
    CreateJournal();
    {
        SideDb other(path_);
        const std::string longSubject(3000, 'S');
        const std::string longEntry = Scrambled(std::string(40000, 'e'));
        ASSERT_EQ(other.Exec("INSERT INTO dbtable VALUES(NULL,'" + std::string(900, 'D') + "','" +
                             longSubject + "','" + longEntry + "')"), "");
        ASSERT_EQ(other.Exec("INSERT INTO dbtable VALUES(NULL,NULL,NULL,NULL)"), "");
        // A stored key byte unscrambles to a zero byte: the text ends there.
        ASSERT_EQ(other.Exec("INSERT INTO dbtable VALUES(NULL,'d','Key byte',X'" +
                             Hex(Scrambled("ab")) + "A5" + Hex(Scrambled("cd")) + "')"), "");
        // Record numbers that do not fit 32 bits cannot be addressed by the
        // program; such rows are left out of the listing.
        ASSERT_EQ(other.Exec("INSERT INTO dbtable VALUES(1099511627776,'d','Huge','x')"), "");
        ASSERT_EQ(other.Exec("INSERT INTO dbtable VALUES(-5,'d','Negative','" + Scrambled("neg") + "')"), "");
    }
    RecordingSink sink;
    ASSERT_EQ(StoreListSubjects(Path(), sink), StoreResult::Done);
    EXPECT_EQ(sink.lines, (Lines{{2, ""}, {3, "Key byte"}, {-5, "Negative"},
                                 {1, std::string(kTextSize - 1, 'S')}}));

    EXPECT_EQ(Shown(1), (std::vector<std::string>{"1", std::string(kTextSize - 1, 'D'),
                                                  std::string(kTextSize - 1, 'S'),
                                                  std::string(kEntrySize - 1, 'e')}));
    EXPECT_EQ(Shown(2), (std::vector<std::string>{"2", "", "", ""}));
    EXPECT_STREQ(Read(3)->entry, "ab");
    EXPECT_STREQ(Read(-5)->entry, "neg");
}

// A file that is not a database, a database without the table, one that
// another program holds locked, and one that cannot be opened: every routine
// fails and says how, lists nothing, and the file stays byte for byte.
TEST_F(JournalStoreTest, EveryRoutineFailsOnASpoiltLockedOrMissingFileAndChangesNothing) {
    enum class Spoilt { NotADatabase, NoTable, Locked, CannotBeOpened };
    for (Spoilt how : {Spoilt::NotADatabase, Spoilt::NoTable, Spoilt::Locked, Spoilt::CannotBeOpened}) {
        SCOPED_TRACE(static_cast<int>(how));
        std::remove(path_.c_str());
        std::string path = path_;
        auto other = std::make_unique<SideDb>(path_);
        if (how == Spoilt::NotADatabase) {
            other.reset();
            std::ofstream(path_, std::ios::binary) << std::string(4096, 'x');
        } else if (how == Spoilt::NoTable) {
            ASSERT_EQ(other->Exec("CREATE TABLE something (x)"), "");
        } else if (how == Spoilt::Locked) {
            CreateJournal();
            ASSERT_EQ(Insert("Kept subject", "kept text", "2001-01-01 01:01:01"), StoreResult::Done);
            ASSERT_EQ(other->Exec("BEGIN EXCLUSIVE"), "");
        } else {
            path = folder_ + "/no such folder/larkmoor.3db";
        }
        const std::string before = FileBytes(path_);
        // What each routine gives: a file that cannot be opened is told apart
        // from a statement that failed; VACUUM needs no table.
        const StoreResult failed =
            how == Spoilt::CannotBeOpened ? StoreResult::OpenFailed : StoreResult::StatementFailed;
        const char* at = path.c_str();
        RecordingSink sink;
        JournalRecord shown;
        EXPECT_EQ(StoreInsertEntry(at, "d", "s", "e"), failed);
        EXPECT_EQ(StoreUpdateEntry(at, 1, "d", "s", "e"), failed);
        EXPECT_EQ(StoreDeleteEntry(at, 1), failed);
        EXPECT_EQ(StoreListSubjects(at, sink), failed);
        EXPECT_EQ(StoreSearchSubjects(at, "Sub", sink), failed);
        EXPECT_EQ(StoreReadEntry(at, 1, shown), failed);
        EXPECT_EQ(StoreCompact(at), how == Spoilt::NoTable ? StoreResult::Done : failed);
        EXPECT_EQ(sink.begins, 0);
        if (how != Spoilt::NoTable) {
            EXPECT_EQ(FileBytes(path_), before);
        }
        if (how == Spoilt::CannotBeOpened) {
            EXPECT_EQ(StoreCreateTable(at), StoreResult::OpenFailed);
        }
        if (how == Spoilt::Locked) {
            ASSERT_EQ(other->Exec("COMMIT"), "");
            EXPECT_EQ(Listed(), (Lines{{1, "Kept subject"}}));
            EXPECT_EQ(Shown(1), (std::vector<std::string>{"1", "2001-01-01 01:01:01",
                                                          "Kept subject", "kept text"}));
        }
    }
}

TEST_F(JournalStoreTest, CompactKeepsEveryRecord) {
    CreateJournal();
    for (int i = 0; i < 50; ++i)
        ASSERT_EQ(Insert("Subject " + std::to_string(i), std::string(2000, 'x')),
                  StoreResult::Done);
    for (int i = 1; i <= 40; ++i) ASSERT_EQ(StoreDeleteEntry(Path(), i), StoreResult::Done);
    const std::size_t before = FileBytes(path_).size();
    ASSERT_EQ(StoreCompact(Path()), StoreResult::Done);
    EXPECT_LT(FileBytes(path_).size(), before);
    EXPECT_EQ(Listed().size(), 10u);
    EXPECT_EQ(std::string(Read(45)->entry), std::string(2000, 'x'));
}
