// The journal database failing beneath the real program: locked by another
// process during Save, Delete and Compact, replaced by a file that is not a
// database, by an empty file, by a database without the table, and made
// read-only. Each time the program says what failed, keeps the typed subject
// and text in their fields, and afterwards every entry of before is there.
#include <gtest/gtest.h>

#include "e2e/fault_support.h"
#include "e2e/settings_flows.h"
#include "resource.h"

using namespace faults;

namespace {

const std::vector<NewEntry> kEntries = {
    {"2024-01-02 03:04:05", "Morning pages", "Three pages,\r\nbefore coffee."},
    {"2024-02-03 04:05:06", "It's a plan", "Don't forget 'quotes'."},
    {"2024-03-04 05:06:07", "Garden ideas", "Roses and a_pond, 100%."},
};

class DatabaseFaultTest : public ::testing::Test {
protected:
    void SetUp() override {
        RemoveDataFolder();
        WriteSettingsFile(50, 40, 360, 260, 0, 1, 1);  // quiet start-up, logging on
    }
    void TearDown() override {
        if (immutable_) SetImmutable(DatabaseFile(), false);
        SetFileAttributesA(DatabaseFile().c_str(), FILE_ATTRIBUTE_NORMAL);
        RemoveDataFolder();
    }
    bool immutable_ = false;
};

// Types a new entry in Add mode and presses Save.
void TypeAndSave(HWND dialog, const std::string& subject, const std::string& text) {
    SetField(dialog, IDC_SUBJECT, subject);
    SetField(dialog, IDC_ENTRY_TEXT, text);
    PostClick(dialog, IDC_SAVE);
}

void ExpectFieldsKept(HWND dialog, const std::string& subject, const std::string& text) {
    EXPECT_EQ(Field(dialog, IDC_SUBJECT), subject);
    EXPECT_EQ(Field(dialog, IDC_ENTRY_TEXT), text);
}

}  // namespace

// Run with either holder of the lock: the sqlite3 program, and this process.
class DatabaseLockTest : public DatabaseFaultTest,
                         public ::testing::WithParamInterface<LockHolder> {};

TEST_P(DatabaseLockTest, LockedByAnotherProcessDuringSaveDeleteAndCompact) {
    const LockHolder holder = GetParam();
    if (holder == LockHolder::SqliteTool && !SqliteToolAvailable())
        GTEST_SKIP() << "no sqlite3 command-line program beside Wine here";
    CreateJournal(kEntries);
    const DataFiles before = TakeSnapshot();
    Larkmoor program;
    HWND window = StartQuiet(program);
    ASSERT_NE(window, nullptr);

    // Save of a new entry while another process writes: refused, kept.
    HWND dialog = OpenEntries(program, window, IDM_ADD_ENTRY, "Add a Larkmoor entry");
    ASSERT_NE(dialog, nullptr);
    {
        DatabaseLock lock(DatabaseFile(), "IMMEDIATE", holder);
        ASSERT_TRUE(lock.Held());
        TypeAndSave(dialog, "Written while locked", "Every word of this stays.");
        ASSERT_TRUE(Answer(program, "Notice", kNotSaved));
        ExpectFieldsKept(dialog, "Written while locked", "Every word of this stays.");
    }
    // The lock gone, the same Save stores it.
    PostClick(dialog, IDC_SAVE);
    ASSERT_TRUE(WaitLineCount(dialog, 4));
    EXPECT_TRUE(WaitFieldText(dialog, IDC_SUBJECT, ""));
    CloseEntries(dialog);

    // Save of a changed entry, then Delete, while locked.
    dialog = OpenEntries(program, window, IDM_BROWSE_ENTRIES, "Browse Larkmoor entries");
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(WaitLineCount(dialog, 4));
    SelectLine(dialog, "It's a plan");
    {
        DatabaseLock lock(DatabaseFile(), "IMMEDIATE", holder);
        ASSERT_TRUE(lock.Held());
        SetField(dialog, IDC_ENTRY_TEXT, "Changed while locked.");
        PostClick(dialog, IDC_SAVE);
        ASSERT_TRUE(Answer(program, "Notice", kNotSaved));
        ExpectFieldsKept(dialog, "It's a plan", "Changed while locked.");
        EXPECT_EQ(Field(dialog, IDC_RECORD_NUMBER), "2");

        PostClick(dialog, IDC_DELETE);
        ASSERT_TRUE(Answer(program, "Confirm Deletion", "Are you sure?", IDYES));
        ASSERT_TRUE(Answer(program, "Notice", kNotDeleted));
        EXPECT_EQ(Field(dialog, IDC_RECORD_NUMBER), "2");
    }
    PostClick(dialog, IDC_SAVE);
    ASSERT_TRUE(WaitFieldText(dialog, IDC_SUBJECT, ""));

    // Showing a listed entry while another process holds the file
    // exclusively: a notice, and the fields stay empty.
    {
        DatabaseLock lock(DatabaseFile(), "EXCLUSIVE", holder);
        ASSERT_TRUE(lock.Held());
        const std::vector<std::string> lines = ListLines(dialog);
        ASSERT_FALSE(lines.empty());
        HWND list = GetDlgItem(dialog, IDC_SUBJECT_LIST);
        SendMessageW(list, LB_SETCURSEL, 0, 0);
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_SUBJECT_LIST, LBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(list));
        ASSERT_TRUE(Answer(program, "Notice",
                           "The entry could not be read: the database file is locked by another "
                           "program, damaged or not a Larkmoor database."));
        EXPECT_EQ(Field(dialog, IDC_SUBJECT), "");
        EXPECT_EQ(Field(dialog, IDC_RECORD_NUMBER), "");
    }
    CloseEntries(dialog);

    // Reading while another process holds the file exclusively.
    {
        DatabaseLock lock(DatabaseFile(), "EXCLUSIVE", holder);
        ASSERT_TRUE(lock.Held());
        // The notice comes while the dialog sets itself up, before it shows.
        PostCommand(window, IDM_BROWSE_ENTRIES);
        ASSERT_TRUE(Answer(program, "Notice", kJournalUnreadable));
        dialog = program.WaitDialog("Browse Larkmoor entries");
        ASSERT_NE(dialog, nullptr);
        EXPECT_TRUE(ListLines(dialog).empty());
        CloseEntries(dialog);

        // Compact cannot run either, and says so.
        PostCommand(window, IDM_COMPACT_DATABASE);
        ASSERT_TRUE(Answer(program, "Notice", "Compact database error!"));
    }
    PostCommand(window, IDM_COMPACT_DATABASE);
    ASSERT_TRUE(Answer(program, "Notice", "Database compacted."));
    ExitAnswering(program, window);

    EXPECT_TRUE(IntegrityOk());
    const std::vector<Row> rows = ReadRows();
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0], before.rows[0]);
    EXPECT_EQ(rows[2], before.rows[2]);
    EXPECT_EQ(rows[1].subject, "It's a plan");
    EXPECT_EQ(rows[1].entry, "Changed while locked.");
    EXPECT_EQ(rows[3].subject, "Written while locked");
    EXPECT_EQ(rows[3].entry, "Every word of this stays.");
}

INSTANTIATE_TEST_SUITE_P(Holders, DatabaseLockTest,
                         ::testing::Values(LockHolder::SqliteTool, LockHolder::TestProcess),
                         [](const ::testing::TestParamInfo<LockHolder>& holder) {
                             return holder.param == LockHolder::SqliteTool ? "Sqlite3Program"
                                                                           : "TestProcess";
                         });

namespace {

// Ways the database file can be spoilt beneath the program.
enum class Spoilt { NotADatabase, Empty, NoTable, ReadOnly };

struct SpoiltCase {
    const char* name;
    Spoilt how;
    bool lists;      // Browse can read the file
    bool compacts;   // Compact succeeds
    bool sameBytes;  // the file is byte for byte as before, compaction included
};

const SpoiltCase kSpoiltCases[] = {
    {"NotADatabase", Spoilt::NotADatabase, false, false, true},
    // Compacting an empty file writes the header of an empty database.
    {"Empty", Spoilt::Empty, false, true, false},
    {"NoTable", Spoilt::NoTable, false, true, false},
    {"ReadOnly", Spoilt::ReadOnly, true, false, true},
};

class SpoiltDatabaseTest : public DatabaseFaultTest,
                           public ::testing::WithParamInterface<SpoiltCase> {};

void Spoil(Spoilt how, bool* immutable) {
    const std::string path = DatabaseFile();
    switch (how) {
    case Spoilt::NotADatabase: {
        std::string bytes = "These are my notes, not a database.\r\n";
        for (int i = 0; i < 3000; ++i) bytes += static_cast<char>((i * 37 + 11) & 0xFF);
        ASSERT_TRUE(WriteFileBytes(path, bytes));
        break;
    }
    case Spoilt::Empty:
        ASSERT_TRUE(WriteFileBytes(path, ""));
        break;
    case Spoilt::NoTable: {
        DeleteFileA(path.c_str());
        CreateJournal({}, path);
        ASSERT_EQ(RunSql(path, "DROP TABLE dbtable; CREATE TABLE notes (n text); "
                               "INSERT INTO notes VALUES('kept');"),
                  "");
        break;
    }
    case Spoilt::ReadOnly:
        ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));
        // Root writes to read-only files regardless: make it immutable too.
        if (RunningAsRoot()) {
            *immutable = SetImmutable(path, true);
            ASSERT_TRUE(*immutable) << "chattr +i failed";
        }
        break;
    }
}

}  // namespace

TEST_P(SpoiltDatabaseTest, SaysWhatFailedAndKeepsTypedTextAndFile) {
    const SpoiltCase& spoilt = GetParam();
    CreateJournal(kEntries);
    Spoil(spoilt.how, &immutable_);
    const DataFiles before = TakeSnapshot();
    const std::string databaseBefore = ReadFileBytes(DatabaseFile());

    Larkmoor program;
    HWND window = StartQuiet(program);
    ASSERT_NE(window, nullptr) << OpenDialogs(program);

    // Browse: the entries, or a notice that the journal cannot be read.
    PostCommand(window, IDM_BROWSE_ENTRIES);
    if (!spoilt.lists) {
        ASSERT_TRUE(Answer(program, "Notice", kJournalUnreadable));
    }
    HWND dialog = program.WaitDialog("Browse Larkmoor entries");
    ASSERT_NE(dialog, nullptr) << OpenDialogs(program);
    EXPECT_EQ(ListLines(dialog).size(), spoilt.lists ? kEntries.size() : 0u);
    CloseEntries(dialog);

    // Add: refused with a notice; every typed word stays in its field.
    dialog = OpenEntries(program, window, IDM_ADD_ENTRY, "Add a Larkmoor entry");
    ASSERT_NE(dialog, nullptr);
    TypeAndSave(dialog, "Typed into a spoilt journal", "Not one word of this may go.");
    ASSERT_TRUE(Answer(program, "Notice", kNotSaved));
    ExpectFieldsKept(dialog, "Typed into a spoilt journal", "Not one word of this may go.");
    CloseEntries(dialog);

    PostCommand(window, IDM_COMPACT_DATABASE);
    ASSERT_TRUE(Answer(program, "Notice",
                       spoilt.compacts ? "Database compacted." : "Compact database error!"));
    ExitAnswering(program, window);

    const DataFiles after = TakeSnapshot();
    ExpectNothingLost(before, after);
    if (spoilt.sameBytes) {
        EXPECT_EQ(ReadFileBytes(DatabaseFile()), databaseBefore) << "the file changed";
    }
    if (spoilt.how == Spoilt::NoTable) {
        EXPECT_EQ(RunSql(DatabaseFile(), "SELECT n FROM notes;"), "kept\n");
    }
    if (spoilt.how == Spoilt::Empty) {
        EXPECT_EQ(RunSql(DatabaseFile(), "SELECT count(*) FROM sqlite_master;"), "0\n");
    }
}

INSTANTIATE_TEST_SUITE_P(Files, SpoiltDatabaseTest, ::testing::ValuesIn(kSpoiltCases),
                         [](const ::testing::TestParamInfo<SpoiltCase>& spoilt) {
                             return std::string(spoilt.param.name);
                         });
