// The journal through the real program: entries added, found, changed,
// deleted and compacted in the Entries dialog, the stored bytes read back by
// the plain sqlite3 program, the longest texts typed; and the database
// failing beneath the program: locked by another process or spoilt. Each
// time the program says what failed, keeps what was typed, and every entry
// of before is still there. (SQL typed as text is the native tests' and the
// fuzz targets': every statement is one statement with the text its literal.)
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "resource.h"
#include "support/driver.h"

using namespace e2e;

namespace {

using JournalTest = QuietProgramTest;

const std::vector<NewEntry> kEntries = {
    {"2024-01-02 03:04:05", "Morning pages", "Three pages,\r\nbefore coffee."},
    {"2024-02-03 04:05:06", "It's a plan", "Don't forget 'quotes'."},
    {"2024-03-04 05:06:07", "Garden ideas", "Roses and a_pond, 100%."},
};

std::string Now() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", now.wYear, now.wMonth,
                  now.wDay, now.wHour, now.wMinute, now.wSecond);
    return text;
}

}  // namespace

TEST_F(JournalTest, AddSearchChangeDeleteCompactAndReadTheBytesBack) {
    // Bytes beyond ASCII go through the windows unchanged in the Western
    // code page; 0x82 scrambles to a single quote.
    const bool western = GetACP() == 1252;
    const NewEntry shopping = {"", "Shopping list", "Bread\r\nMilk \"fresh\"\r\n100% butter"};
    const NewEntry plan = {"", "It's a plan", western ? "Don't forget the caf\xe9 \x82quote\x82" : "Don't forget"};
    const NewEntry garden = {"", "Garden ideas", "Roses, 'tulips' and a_pond"};
    const NewEntry changed = {"", "Shopping list (done)", "All bought; it's done."};

    Larkmoor program;
    HWND window = StartQuiet(program);
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(PathExists(DatabaseFile()));  // created at start-up

    // Three entries in one opening of the dialog, through the keyboard.
    PressKeys(window, {VK_CONTROL, 'A'});
    HWND dialog = program.WaitDialog("Add a Larkmoor entry");
    ASSERT_NE(dialog, nullptr);
    std::size_t count = 0;
    for (const NewEntry* entry : {&shopping, &plan, &garden}) {
        TypeAndSave(dialog, entry->subject, entry->text);
        ASSERT_TRUE(WaitLineCount(dialog, ++count)) << entry->subject;
        ASSERT_TRUE(WaitFieldText(dialog, IDC_SUBJECT, ""));
    }
    EXPECT_EQ(ListLines(dialog), (std::vector<std::string>{"Garden ideas", "It's a plan", "Shopping list"}));
    CloseEntries(dialog);

    // Found by a piece of its subject, in any letter case.
    PressKeys(window, {VK_CONTROL, 'S'});
    dialog = program.WaitDialog("Search for Larkmoor entries");
    ASSERT_NE(dialog, nullptr);
    SetField(dialog, IDC_SEARCH_TEXT, "PLAN");
    PostClick(dialog, IDC_SEARCH_GO);
    ASSERT_TRUE(WaitLineCount(dialog, 1));
    EXPECT_EQ(ListLines(dialog), std::vector<std::string>{"It's a plan"});
    SelectLine(dialog, "It's a plan");
    EXPECT_EQ(Field(dialog, IDC_RECORD_NUMBER), "2");
    EXPECT_EQ(Field(dialog, IDC_ENTRY_TEXT), plan.text);
    const std::string planDate = Field(dialog, IDC_DATE);
    EXPECT_TRUE(oracle::IsTimestamp(planDate)) << planDate;
    CloseEntries(dialog);

    // Changed through Browse: same record number, new subject and date.
    PressKeys(window, {VK_CONTROL, 'B'});
    dialog = program.WaitDialog("Browse Larkmoor entries");
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(WaitFieldText(dialog, IDC_SUBJECT, "Garden ideas"));  // first line, no click
    SelectLine(dialog, "Shopping list");
    EXPECT_EQ(Field(dialog, IDC_RECORD_NUMBER), "1");
    EXPECT_EQ(Field(dialog, IDC_ENTRY_TEXT), shopping.text);
    const std::string oldDate = Field(dialog, IDC_DATE);
    ASSERT_TRUE(WaitUntil([&] { return Now() > oldDate; }));  // the new date differs
    TypeAndSave(dialog, changed.subject, changed.text);
    ASSERT_TRUE(WaitFieldText(dialog, IDC_SUBJECT, ""));
    ASSERT_TRUE(WaitLineCount(dialog, 3));
    SelectLine(dialog, changed.subject);
    EXPECT_EQ(Field(dialog, IDC_RECORD_NUMBER), "1");
    EXPECT_EQ(Field(dialog, IDC_ENTRY_TEXT), changed.text);
    const std::string newDate = Field(dialog, IDC_DATE);
    EXPECT_TRUE(oracle::IsTimestamp(newDate)) << newDate;
    EXPECT_GT(newDate, oldDate);

    // Deleted, answering Yes.
    SelectLine(dialog, "Garden ideas");
    PostClick(dialog, IDC_DELETE);
    ASSERT_TRUE(Answer(program, "Confirm Deletion", "Are you sure?", IDYES));
    ASSERT_TRUE(WaitLineCount(dialog, 2));
    EXPECT_EQ(ListLines(dialog), (std::vector<std::string>{"It's a plan", "Shopping list (done)"}));
    CloseEntries(dialog);

    PostCommand(window, IDM_COMPACT_DATABASE);
    ASSERT_TRUE(Answer(program, "Notice", "Database compacted."));
    ExitAnswering(program, window);

    // The plain sqlite3 program reads the table and its bytes.
    if (!SqliteToolAvailable()) GTEST_SKIP() << "no sqlite3 command-line program beside Wine here";
    EXPECT_EQ(RunSqliteTool(".schema"),
              "CREATE TABLE dbtable (a integer primary key, dbdate text, dbsubject text, dbentry "
              "blob);\n");
    const std::vector<std::string> lines = oracle::LinesOf(RunSqliteTool(
        "SELECT a, dbdate, hex(dbsubject), hex(dbentry), typeof(dbentry) FROM dbtable ORDER BY a;"));
    using oracle::Hex;
    using oracle::Scrambled;
    EXPECT_EQ(lines, (std::vector<std::string>{
                         "1|" + newDate + "|" + Hex(changed.subject) + "|" + Hex(Scrambled(changed.text)) + "|text",
                         "2|" + planDate + "|" + Hex(plan.subject) + "|" + Hex(Scrambled(plan.text)) + "|text"}));
}

TEST_F(JournalTest, TypingNotSavedIsNotDroppedWithoutAsking) {
    ASSERT_EQ(SideDb(DatabaseFile()).CreateJournal(kEntries), "");
    Larkmoor program;
    HWND window = StartQuiet(program);
    ASSERT_NE(window, nullptr);

    // OK and the close box ask first: Cancel keeps the dialog and the text,
    // No closes it and stores nothing.
    HWND dialog = OpenDialog(program, window, IDM_ADD_ENTRY);
    ASSERT_NE(dialog, nullptr);
    SetField(dialog, IDC_SUBJECT, "Half an hour");
    SetField(dialog, IDC_ENTRY_TEXT, "of typing");
    for (int way = 0; way < 2; ++way) {
        if (way == 0) PostClick(dialog, IDC_ENTRIES_OK);
        if (way == 1) PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
        ASSERT_TRUE(Answer(program, kUnsavedCaption, kUnsavedQuestion, IDCANCEL)) << way;
        EXPECT_TRUE(IsWindowVisible(dialog));
        EXPECT_EQ(Field(dialog, IDC_ENTRY_TEXT), "of typing");
    }
    CloseEntriesDropping(program, dialog);

    // An edited record and a click on another line: Yes stores the edit and
    // shows the line clicked. With nothing typed, closing asks nothing.
    dialog = OpenDialog(program, window, IDM_BROWSE_ENTRIES);
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(WaitFieldText(dialog, IDC_SUBJECT, "Garden ideas"));
    SetField(dialog, IDC_ENTRY_TEXT, "Roses, tulips and a pond.");
    ClickLine(dialog, "Morning pages");
    ASSERT_TRUE(Answer(program, kUnsavedCaption, kUnsavedQuestion, IDYES));
    ASSERT_TRUE(WaitFieldText(dialog, IDC_SUBJECT, "Morning pages"));
    EXPECT_EQ(Field(dialog, IDC_ENTRY_TEXT), kEntries[0].text);
    CloseEntries(dialog);
    ExitAnswering(program, window);

    const std::vector<JournalRow> rows = ReadJournal(DatabaseFile());
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].entry, kEntries[0].text);
    EXPECT_EQ(rows[2].entry, "Roses, tulips and a pond.");
}

TEST_F(JournalTest, EntryOf32766CharactersAndSubjectOf779Quotes) {
    // 0x82 scrambles to a single quote: the quoted scrambled entry is nearly
    // as long as it can be, and so is the statement (the longest of all is
    // the native tests'). Its lines are short: the edit control formats one
    // line of 32,766 characters very slowly under Wine.
    std::string quotesWhenScrambled;
    while (quotesWhenScrambled.size() < 32766) quotesWhenScrambled += std::string(98, '\x82') + "\r\n";
    quotesWhenScrambled.resize(32766);
    std::string mixed;
    for (int i = 0; mixed.size() < 32766; ++i)
        mixed += i % 50 == 49 ? std::string("\r\n") : std::string(1, static_cast<char>('a' + i % 26));
    mixed.resize(32766);
    const std::string quotes(779, '\'');

    Larkmoor program;
    HWND window = StartQuiet(program);
    ASSERT_NE(window, nullptr);
    HWND dialog = OpenDialog(program, window, IDM_ADD_ENTRY);
    ASSERT_NE(dialog, nullptr);
    SetField(dialog, IDC_SUBJECT, quotes);
    SetField(dialog, IDC_ENTRY_TEXT, quotesWhenScrambled);
    ASSERT_EQ(Field(dialog, IDC_ENTRY_TEXT).size(), 32766u);
    PostClick(dialog, IDC_SAVE);
    ASSERT_TRUE(WaitLineCount(dialog, 1)) << OpenDialogs(program);
    TypeAndSave(dialog, "A long mixed entry", mixed);
    ASSERT_TRUE(WaitLineCount(dialog, 2)) << OpenDialogs(program);
    CloseEntries(dialog);

    // Found by a piece of the quotes, listed whole and shown whole.
    dialog = OpenDialog(program, window, IDM_SEARCH_ENTRIES);
    ASSERT_NE(dialog, nullptr);
    SetField(dialog, IDC_SEARCH_TEXT, "'''");
    PostClick(dialog, IDC_SEARCH_GO);
    ASSERT_TRUE(WaitLineCount(dialog, 1));
    EXPECT_EQ(ListLines(dialog), std::vector<std::string>{quotes});
    SelectLine(dialog, quotes);
    EXPECT_TRUE(Field(dialog, IDC_ENTRY_TEXT) == quotesWhenScrambled);
    CloseEntries(dialog);
    dialog = OpenDialog(program, window, IDM_BROWSE_ENTRIES);
    ASSERT_NE(dialog, nullptr);
    SelectLine(dialog, "A long mixed entry");
    EXPECT_TRUE(Field(dialog, IDC_ENTRY_TEXT) == mixed);
    CloseEntries(dialog);
    ExitAnswering(program, window);

    const std::vector<JournalRow> rows = ReadJournal(DatabaseFile());
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].subject, quotes);
    EXPECT_TRUE(rows[0].entry == quotesWhenScrambled);
    EXPECT_TRUE(rows[1].entry == mixed);
}

// Run with either holder of the lock: the sqlite3 program, and this process.
class DatabaseLockTest : public QuietProgramTest,
                         public ::testing::WithParamInterface<LockHolder> {};

TEST_P(DatabaseLockTest, LockedByAnotherProcessDuringSaveDeleteShowAndCompact) {
    const LockHolder holder = GetParam();
    if (holder == LockHolder::SqliteTool && !SqliteToolAvailable())
        GTEST_SKIP() << "no sqlite3 command-line program beside Wine here";
    ASSERT_EQ(SideDb(DatabaseFile()).CreateJournal(kEntries), "");
    const DataFiles before = TakeSnapshot();
    Larkmoor program;
    HWND window = StartQuiet(program);
    ASSERT_NE(window, nullptr);

    // Save of a new entry while another process writes: refused, kept; the
    // lock gone, the same Save stores it.
    HWND dialog = OpenDialog(program, window, IDM_ADD_ENTRY);
    ASSERT_NE(dialog, nullptr);
    {
        DatabaseLock lock("IMMEDIATE", holder);
        ASSERT_TRUE(lock.Held());
        ASSERT_TRUE(
            SaveRefused(program, dialog, "Written while locked", "Every word of this stays."));
    }
    PostClick(dialog, IDC_SAVE);
    ASSERT_TRUE(WaitLineCount(dialog, 4));
    EXPECT_TRUE(WaitFieldText(dialog, IDC_SUBJECT, ""));
    CloseEntries(dialog);

    // Save of a changed entry, then Delete, while locked.
    dialog = OpenDialog(program, window, IDM_BROWSE_ENTRIES);
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(WaitLineCount(dialog, 4));
    SelectLine(dialog, "It's a plan");
    {
        DatabaseLock lock("IMMEDIATE", holder);
        ASSERT_TRUE(lock.Held());
        ASSERT_TRUE(SaveRefused(program, dialog, "It's a plan", "Changed while locked."));
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
        DatabaseLock lock("EXCLUSIVE", holder);
        ASSERT_TRUE(lock.Held());
        ClickLine(dialog, "Garden ideas");
        ASSERT_TRUE(Answer(program, "Notice",
                           "The entry could not be read: the database file is locked by another "
                           "program, damaged or not a Larkmoor database."));
        EXPECT_EQ(Field(dialog, IDC_SUBJECT), "");
        EXPECT_EQ(Field(dialog, IDC_RECORD_NUMBER), "");
    }
    CloseEntries(dialog);

    // Listing, and compacting, while another process holds the file exclusively.
    {
        DatabaseLock lock("EXCLUSIVE", holder);
        ASSERT_TRUE(lock.Held());
        // The notice comes while the dialog sets itself up, before it shows.
        PostCommand(window, IDM_BROWSE_ENTRIES);
        ASSERT_TRUE(Answer(program, "Notice", kJournalUnreadable));
        dialog = program.WaitDialog("Browse Larkmoor entries");
        ASSERT_NE(dialog, nullptr);
        EXPECT_TRUE(ListLines(dialog).empty());
        CloseEntries(dialog);
        PostCommand(window, IDM_COMPACT_DATABASE);
        ASSERT_TRUE(Answer(program, "Notice", "Compact database error!"));
    }
    PostCommand(window, IDM_COMPACT_DATABASE);
    ASSERT_TRUE(Answer(program, "Notice", "Database compacted."));
    ExitAnswering(program, window);

    EXPECT_TRUE(IntegrityOk(DatabaseFile()));
    const std::vector<JournalRow> rows = ReadJournal(DatabaseFile());
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
struct SpoiltCase {
    const char* name;
    bool lists;      // Browse can read the file
    bool compacts;   // Compact succeeds
    bool sameBytes;  // the file is byte for byte as before, compaction included
};

const SpoiltCase kSpoiltCases[] = {
    {"NotADatabase", false, false, true},
    // Compacting an empty file writes the header of an empty database.
    {"Empty", false, true, false},
    {"NoTable", false, true, false},
    {"ReadOnly", true, false, true},
};

class SpoiltDatabaseTest : public QuietProgramTest,
                           public ::testing::WithParamInterface<SpoiltCase> {
protected:
    void TearDown() override {
        if (immutable_) SetImmutable(DatabaseFile(), false);
        SetFileAttributesA(DatabaseFile().c_str(), FILE_ATTRIBUTE_NORMAL);
        ProgramTest::TearDown();
    }
    bool immutable_ = false;
};

}  // namespace

TEST_P(SpoiltDatabaseTest, SaysWhatFailedAndKeepsTypedTextAndFile) {
    const std::string how = GetParam().name;
    ASSERT_EQ(SideDb(DatabaseFile()).CreateJournal(kEntries), "");
    if (how == "NotADatabase") {
        std::string bytes = "These are my notes, not a database.\r\n";
        for (int i = 0; i < 3000; ++i) bytes += static_cast<char>((i * 37 + 11) & 0xFF);
        ASSERT_TRUE(WriteFileBytes(DatabaseFile(), bytes));
    } else if (how == "Empty") {
        ASSERT_TRUE(WriteFileBytes(DatabaseFile(), ""));
    } else if (how == "NoTable") {
        ASSERT_EQ(SideDb(DatabaseFile()).Exec("DROP TABLE dbtable; CREATE TABLE notes (n text); "
                                              "INSERT INTO notes VALUES('kept');"),
                  "");
    } else {
        ASSERT_TRUE(SetFileAttributesA(DatabaseFile().c_str(), FILE_ATTRIBUTE_READONLY));
        // Root writes to read-only files regardless: make it immutable too.
        if (RunningAsRoot()) {
            ASSERT_TRUE(immutable_ = SetImmutable(DatabaseFile(), true));
        }
    }
    const DataFiles before = TakeSnapshot();

    Larkmoor program;
    HWND window = StartQuiet(program);
    ASSERT_NE(window, nullptr) << OpenDialogs(program);
    // Browse: the entries, or a notice that the journal cannot be read.
    PostCommand(window, IDM_BROWSE_ENTRIES);
    if (!GetParam().lists) {
        ASSERT_TRUE(Answer(program, "Notice", kJournalUnreadable));
    }
    HWND dialog = program.WaitDialog("Browse Larkmoor entries");
    ASSERT_NE(dialog, nullptr) << OpenDialogs(program);
    EXPECT_EQ(ListLines(dialog).size(), GetParam().lists ? kEntries.size() : 0u);
    CloseEntries(dialog);
    // Add: refused with a notice; every typed word stays in its field.
    dialog = OpenDialog(program, window, IDM_ADD_ENTRY);
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(SaveRefused(program, dialog, "Typed into a spoilt journal",
                            "Not one word of this may go."));
    CloseEntriesDropping(program, dialog);
    PostCommand(window, IDM_COMPACT_DATABASE);
    ASSERT_TRUE(Answer(program, "Notice",
                       GetParam().compacts ? "Database compacted." : "Compact database error!"));
    ExitAnswering(program, window);

    const DataFiles after = TakeSnapshot();
    ExpectNothingLost(before, after);
    if (GetParam().sameBytes) {
        EXPECT_TRUE(after.database == before.database) << "the file changed";
    }
    if (how == "NoTable") {
        EXPECT_EQ(SideDb(DatabaseFile()).Query("SELECT n FROM notes;"), "kept\n");
    }
    if (how == "Empty") {
        EXPECT_EQ(SideDb(DatabaseFile()).Query("SELECT count(*) FROM sqlite_master;"), "0\n");
    }
}

INSTANTIATE_TEST_SUITE_P(Files, SpoiltDatabaseTest, ::testing::ValuesIn(kSpoiltCases),
                         [](const ::testing::TestParamInfo<SpoiltCase>& spoilt) {
                             return std::string(spoilt.param.name);
                         });
