// The Entries dialog on its real template with its real procedure, over a
// real database file in the test's data folder: the template itself, the
// three modes, the checks and their messages, saving, deleting, and the
// behaviour when the database cannot be read or written.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "journal/journal.h"
#include "journal/text.h"
#include "resource.h"
#include "shell/shell.h"
#include "support/messages.h"
#include "support/oracles.h"
#include "support/side_db.h"
#include "support/ui_harness.h"

namespace {

constexpr const char kNoEntrySelected[] =
    "No entry is selected to change, so nothing was saved. Select an entry in the list to "
    "change it; to write a new entry, use Add.";
constexpr const char kNotSavedRecordGone[] =
    "The entry was not saved: its record is no longer in the journal (another program may "
    "have deleted it). Your subject and text are kept; Add can store them as a new entry.";
constexpr const char kNotDeletedRecordGone[] =
    "The entry was not deleted: its record is no longer in the journal (another program may "
    "have deleted it).";
constexpr const char kKeyByteRefused[] =
    "The Journal Entry contains the character \"\xC2\xA5\", which the journal cannot store. "
    "Remove it and save again.";

using oracle::IsTimestamp;

class EntriesDialogTest : public HarnessTest {
protected:
    void SetUp() override {
        HarnessTest::SetUp();
        CreateJournalDatabase();
        ASSERT_TRUE(boxes_.Boxes().empty());
    }

    HWND Open(EntryMode mode, HWND owner = nullptr) {
        EntriesMode = mode;
        return HarnessTest::Open(IDD_ENTRIES, EntriesDlgProc, owner);
    }

    // Writes an entry as the program stores it, beside the dialog.
    static void Seed(const std::string& subject, const std::string& entry,
                     const std::string& date = "2020-02-02 02:02:02") {
        ASSERT_EQ(StoreInsertEntry(DatabasePath, date.c_str(), oracle::Quoted(subject).c_str(),
                                   oracle::Quoted(oracle::Scrambled(entry)).c_str()),
                  StoreResult::Done);
    }
    static std::unique_ptr<JournalRecord> Stored(int record,
                                                 StoreResult expected = StoreResult::Done) {
        auto stored = std::make_unique<JournalRecord>();
        EXPECT_EQ(StoreReadEntry(DatabasePath, record, *stored), expected) << record;
        return stored;
    }
    static std::size_t StoredCount() { return ReadJournal(DatabasePath).size(); }
    // A new journal of these subjects, each with the text "<first letter> text".
    static void NewJournal(const std::vector<std::string>& subjects) {
        DeleteFileA(DatabasePath);
        CreateJournalDatabase();
        for (const std::string& subject : subjects)
            Seed(subject, std::string(1, static_cast<char>(std::tolower(subject[0]))) + " text");
    }

    HWND Item(int id) const { return GetDlgItem(dialog_, id); }
    void Fill(const std::string& subject, const std::string& entry) const {
        Type(IDC_SUBJECT, subject);
        Type(IDC_ENTRY_TEXT, entry);
    }

    std::vector<ListLine> Lines() const { return ListLines(Item(IDC_SUBJECT_LIST)); }
    LRESULT Selected() const { return SendMessageA(Item(IDC_SUBJECT_LIST), LB_GETCURSEL, 0, 0); }
    void Select(int index) const {
        HWND list = Item(IDC_SUBJECT_LIST);
        SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
        SendMessageA(dialog_, WM_COMMAND, MAKEWPARAM(IDC_SUBJECT_LIST, LBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(list));
    }
    void ExpectShown(const std::string& record, const std::string& date, const std::string& subject,
                     const std::string& entry) const {
        EXPECT_EQ(Text(IDC_RECORD_NUMBER), record);
        EXPECT_EQ(Text(IDC_DATE), date);
        EXPECT_EQ(Text(IDC_SUBJECT), subject);
        EXPECT_EQ(Text(IDC_ENTRY_TEXT), entry);
    }
    void ExpectFieldsEmpty() const { ExpectShown("", "", "", ""); }
};

}  // namespace

// --- Modes -------------------------------------------------------------------

TEST_F(EntriesDialogTest, EachModeHasItsTitleAndDisabledControls) {
    Seed("Seeded", "text");
    struct Case {
        EntryMode mode;
        const char* title;
        std::vector<int> disabled;
        std::size_t lines;
    };
    const Case cases[] = {
        {EntryMode::Add,
         "Add a Larkmoor entry",
         {IDC_SEARCH_TEXT, IDC_SEARCH_GO, IDC_SUBJECT_LIST, IDC_DELETE},
         0},
        {EntryMode::Search, "Search for Larkmoor entries", {}, 0},
        {EntryMode::Browse, "Browse Larkmoor entries", {IDC_SEARCH_TEXT, IDC_SEARCH_GO}, 1},
    };
    const int controls[] = {IDC_SEARCH_TEXT, IDC_SEARCH_GO, IDC_SUBJECT_LIST, IDC_RECORD_NUMBER,
                            IDC_DATE,        IDC_SUBJECT,   IDC_ENTRY_TEXT,   IDC_SAVE,
                            IDC_DELETE,      IDC_ENTRIES_OK};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        Open(c.mode);
        EXPECT_EQ(WindowText(dialog_), c.title);
        for (int id : controls) {
            const bool disabled =
                std::find(c.disabled.begin(), c.disabled.end(), id) != c.disabled.end();
            EXPECT_EQ(IsWindowEnabled(Item(id)) == FALSE, disabled) << id;
        }
        EXPECT_EQ(Lines().size(), c.lines);
        EXPECT_EQ(SendMessageA(Item(IDC_SUBJECT_LIST), LB_GETHORIZONTALEXTENT, 0, 0), 2048);
        // The fields take no more than Save and Go can store.
        EXPECT_EQ(SendMessageA(Item(IDC_SUBJECT), EM_GETLIMITTEXT, 0, 0), 779);
        EXPECT_EQ(SendMessageA(Item(IDC_SEARCH_TEXT), EM_GETLIMITTEXT, 0, 0), 779);
        EXPECT_EQ(SendMessageA(Item(IDC_ENTRY_TEXT), EM_GETLIMITTEXT, 0, 0), 32766);
        EXPECT_TRUE(boxes_.Boxes().empty());
        Close();
    }
}

TEST_F(EntriesDialogTest, BrowseShowsTheFirstSortedLineWithoutAClickOrNothing) {
    Open(EntryMode::Browse);
    EXPECT_TRUE(Lines().empty());
    EXPECT_EQ(Selected(), LB_ERR);
    ExpectFieldsEmpty();
    Seed("zebra notes", "last");
    Seed("Apple pie", "first", "2019-01-02 03:04:05");
    Seed("mango", "middle");
    Open(EntryMode::Browse);
    EXPECT_EQ(Lines(), (std::vector<ListLine>{{"Apple pie", 2}, {"mango", 3}, {"zebra notes", 1}}));
    EXPECT_EQ(Selected(), 0);
    ExpectShown("2", "2019-01-02 03:04:05", "Apple pie", "first");
    EXPECT_TRUE(boxes_.Boxes().empty());
}

TEST_F(EntriesDialogTest, RecordsSharingASubjectEachShowTheirOwnRecord) {
    Seed("Plans", "first plan", "2020-01-01 10:00:00");
    Seed("Plans", "second plan", "2020-01-02 10:00:00");
    Seed("plans", "lower case", "2020-01-03 10:00:00");
    Open(EntryMode::Browse);
    const std::vector<ListLine> lines = Lines();
    ASSERT_EQ(lines.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        Select(i);
        const LRESULT record = lines[static_cast<std::size_t>(i)].data;
        const auto stored = Stored(static_cast<int>(record));
        ExpectShown(std::to_string(record), stored->date, lines[static_cast<std::size_t>(i)].text,
                    stored->entry);
    }
    std::vector<std::string> entries;
    for (const ListLine& line : lines)
        entries.push_back(Stored(static_cast<int>(line.data))->entry);
    std::sort(entries.begin(), entries.end());
    EXPECT_EQ(entries, (std::vector<std::string>{"first plan", "lower case", "second plan"}));
}

TEST_F(EntriesDialogTest, SearchChecksItsTextAndListsMatches) {
    for (const char* subject : {"Ideas", "A bright idea", "Slide show", "Nothing", "abc", "aXc"})
        Seed(subject, "text");
    Open(EntryMode::Search);
    EXPECT_TRUE(Lines().empty());

    Type(IDC_SEARCH_TEXT, "abc");
    Click(dialog_, IDC_SEARCH_GO);
    EXPECT_EQ(Lines().size(), 1u);
    Type(IDC_SEARCH_TEXT, "ab");
    Click(dialog_, IDC_SEARCH_GO);
    ExpectOneBox("Notice", "Search string must be at least 3 characters.");
    EXPECT_TRUE(Lines().empty());  // emptied by the search

    Type(IDC_SEARCH_TEXT, "IDE");
    Click(dialog_, IDC_SEARCH_GO);
    EXPECT_EQ(Lines(),
              (std::vector<ListLine>{{"A bright idea", 2}, {"Ideas", 1}, {"Slide show", 3}}));
    Type(IDC_SEARCH_TEXT, "a_c");
    Click(dialog_, IDC_SEARCH_GO);
    EXPECT_EQ(Lines(), (std::vector<ListLine>{{"abc", 5}, {"aXc", 6}}));
    EXPECT_TRUE(boxes_.Boxes().empty());
    ExpectFieldsEmpty();  // a search leaves the record fields alone
}

// --- Save ------------------------------------------------------------------

TEST_F(EntriesDialogTest, SaveRefusesMissingOrShortInputAndStillShowsTheNewDate) {
    struct Case {
        const char* subject;
        const char* entry;
        const char* message;
    };
    const Case cases[] = {
        {"", "some text", "Subject required."},
        {"ab", "some text", "Subject is too short."},
        {"Fine subject", "", "Journal Entry required."},
        {"Price", "costs 100\xA5 today", kKeyByteRefused},
    };
    Open(EntryMode::Add);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        Fill(c.subject, c.entry);
        Click(dialog_, IDC_SAVE);
        ExpectOneBox("Data Entry Error", c.message);
        EXPECT_TRUE(IsTimestamp(Text(IDC_DATE))) << Text(IDC_DATE);
        EXPECT_EQ(Text(IDC_SUBJECT), c.subject);
        EXPECT_EQ(Text(IDC_ENTRY_TEXT), c.entry);
    }
    EXPECT_EQ(StoredCount(), 0u);
}

TEST_F(EntriesDialogTest, AddSavesSeveralEntriesAndShowsEverySubjectInItsDisabledList) {
    Seed("Existing", "already there");
    Open(EntryMode::Add);
    Fill("   ", "three blanks are a subject");
    Click(dialog_, IDC_SAVE);
    Fill("It's mine", "line one\r\nline 'two' \x82");
    Click(dialog_, IDC_SAVE);
    EXPECT_TRUE(boxes_.Boxes().empty());
    ExpectFieldsEmpty();
    EXPECT_EQ(Selected(), LB_ERR);
    EXPECT_FALSE(IsWindowEnabled(Item(IDC_SUBJECT_LIST)));
    EXPECT_EQ(Lines(), (std::vector<ListLine>{{"   ", 2}, {"Existing", 1}, {"It's mine", 3}}));

    const auto stored = Stored(3);
    EXPECT_TRUE(IsTimestamp(stored->date)) << stored->date;
    EXPECT_STREQ(stored->subject, "It's mine");
    EXPECT_STREQ(stored->entry, "line one\r\nline 'two' \x82");
    EXPECT_STREQ(Stored(2)->subject, "   ");
}

TEST_F(EntriesDialogTest, SaveInSearchUpdatesAndThenListsEverySubject) {
    Seed("Garden plans", "dig");
    Seed("Kitchen", "cook");
    Open(EntryMode::Search);
    Type(IDC_SEARCH_TEXT, "plan");
    Click(dialog_, IDC_SEARCH_GO);
    ASSERT_EQ(Lines(), (std::vector<ListLine>{{"Garden plans", 1}}));
    Select(0);
    Type(IDC_ENTRY_TEXT, "dig deeper");
    Click(dialog_, IDC_SAVE);
    EXPECT_TRUE(boxes_.Boxes().empty());
    EXPECT_EQ(Lines(), (std::vector<ListLine>{{"Garden plans", 1}, {"Kitchen", 2}}));
    EXPECT_STREQ(Stored(1)->entry, "dig deeper");
}

// --- Delete ------------------------------------------------------------------

TEST_F(EntriesDialogTest, DeleteAsksFirstAndNoChangesNothing) {
    Seed("Keep or not", "text");
    Seed("Other", "other");
    Open(EntryMode::Browse);
    boxes_.QueueAnswer(IDNO);
    Click(dialog_, IDC_DELETE);
    ASSERT_EQ(boxes_.Boxes().size(), 1u);
    EXPECT_TRUE(boxes_.Boxes()[0].yesNo);
    ExpectOneBox("Confirm Deletion", "Are you sure?");
    ExpectShown("1", "2020-02-02 02:02:02", "Keep or not", "text");
    EXPECT_EQ(StoredCount(), 2u);

    boxes_.QueueAnswer(IDYES);
    Click(dialog_, IDC_DELETE);
    ExpectOneBox("Confirm Deletion", "Are you sure?");
    ExpectFieldsEmpty();
    EXPECT_EQ(Lines(), (std::vector<ListLine>{{"Other", 2}}));
    Stored(1, StoreResult::NoSuchRecord);
}

TEST_F(EntriesDialogTest, DeleteWithNoRecordShownDeletesNothingAndRefillsTheList) {
    Seed("One", "1");
    Seed("Two", "2");
    Open(EntryMode::Search);
    Click(dialog_, IDC_DELETE);
    ExpectOneBox("Confirm Deletion", "Are you sure?");
    EXPECT_EQ(Lines().size(), 2u);
    EXPECT_EQ(StoredCount(), 2u);
}

// --- Writes that fail --------------------------------------------------------

TEST_F(EntriesDialogTest, RecordRemovedMeanwhileIsNotSavedNorDeletedSilently) {
    Seed("Soon gone", "text");
    Open(EntryMode::Browse);
    ASSERT_EQ(StoreDeleteEntry(DatabasePath, 1), StoreResult::Done);  // another program

    Fill("Soon gone", "my last words");
    Click(dialog_, IDC_SAVE);
    ExpectOneBox("Notice", kNotSavedRecordGone);
    EXPECT_EQ(Text(IDC_ENTRY_TEXT), "my last words");
    EXPECT_EQ(Text(IDC_RECORD_NUMBER), "1");

    Click(dialog_, IDC_DELETE);
    EXPECT_EQ(TakeBoxTexts(), (std::vector<std::string>{"Are you sure?", kNotDeletedRecordGone}));
    EXPECT_EQ(Text(IDC_ENTRY_TEXT), "my last words");
    EXPECT_EQ(StoredCount(), 0u);
}

TEST_F(EntriesDialogTest, DatabaseThatCannotBeOpenedKeepsTheFields) {
    Seed("Shown", "shown text");
    Open(EntryMode::Browse);
    char saved[kTextSize];
    CopyText(saved, sizeof saved, DatabasePath);
    CopyText(DatabasePath, sizeof DatabasePath,
             (DataFolderPath() + "\\no such folder\\larkmoor.3db").c_str());

    Click(dialog_, IDC_SAVE);
    ExpectOneBox("Notice", "Unable to open database for saving!", MainWindow);
    EXPECT_EQ(Text(IDC_ENTRY_TEXT), "shown text");

    Click(dialog_, IDC_DELETE);
    ASSERT_EQ(boxes_.Boxes().size(), 2u);
    EXPECT_EQ(boxes_.Boxes()[1].caption, "Delete Record");
    EXPECT_EQ(TakeBoxTexts(), (std::vector<std::string>{"Are you sure?", "Unable to delete a record!"}));
    EXPECT_EQ(Text(IDC_ENTRY_TEXT), "shown text");

    CopyText(DatabasePath, sizeof DatabasePath, saved);
    EXPECT_EQ(StoredCount(), 1u);
}

TEST_F(EntriesDialogTest, ValuesTooLongOrNullFromAnotherProgramAreShownCut) {
    // Short lines: the edit control formats one long line very slowly under Wine.
    std::string entry;
    while (entry.size() < 40000) entry += std::string(98, 'e') + "\r\n";
    ASSERT_EQ(SideDb(DatabasePath).Exec("INSERT INTO dbtable VALUES(NULL,'2020-01-01 00:00:00','" +
                                        std::string(2000, 'L') + "','" + oracle::Scrambled(entry) +
                                        "'); INSERT INTO dbtable VALUES(NULL,NULL,NULL,NULL)"),
              "");
    Open(EntryMode::Browse);
    EXPECT_TRUE(boxes_.Boxes().empty());
    ASSERT_EQ(Lines(), (std::vector<ListLine>{{"", 2}, {std::string(kTextSize - 1, 'L'), 1}}));
    ExpectShown("2", "", "", "");  // the NULL row, shown as empty texts
    Select(1);
    EXPECT_EQ(Text(IDC_RECORD_NUMBER), "1");
    EXPECT_EQ(Text(IDC_SUBJECT), std::string(kTextSize - 1, 'L'));
    EXPECT_EQ(Text(IDC_ENTRY_TEXT), entry.substr(0, kEntrySize - 1));
}

// --- Closing and unsaved typing ------------------------------------------------

TEST_F(EntriesDialogTest, EnterAndEscapeLeaveItOpen) {
    Open(EntryMode::Add);
    EXPECT_EQ(SendMessageA(dialog_, WM_COMMAND, IDOK, 0), 0);
    EXPECT_EQ(SendMessageA(dialog_, WM_COMMAND, IDCANCEL, 0), 0);
    EXPECT_TRUE(IsWindowVisible(dialog_));
    EXPECT_EQ(EntriesMode, EntryMode::Add);
}

// Every way of closing, in every mode, with and without typing not saved yet,
// and each answer to the question: Yes saves and closes, No closes, Cancel
// keeps the dialog and the typing.
TEST_F(EntriesDialogTest, ClosingWithUnsavedTypingAsksFirst) {
    const std::pair<const char*, void (*)(HWND)> ways[] = {
        {"OK", [](HWND dialog) { Click(dialog, IDC_ENTRIES_OK); }},
        {"close box", [](HWND dialog) { SendMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0); }},
        {"Alt+F4",
         [](HWND dialog) {
             SendMessageA(dialog, WM_SYSKEYDOWN, VK_F4, 0x20000001);  // Alt is down
             PumpMessages();
         }},
    };
    for (EntryMode mode : {EntryMode::Add, EntryMode::Search, EntryMode::Browse})
        for (const auto& [way, close] : ways)
            for (int answer : {0, IDYES, IDNO, IDCANCEL}) {  // 0: nothing typed
                SCOPED_TRACE(std::string(way) + " in mode " + std::to_string(int(mode)) +
                             ", answer " + std::to_string(answer));
                NewJournal({"Seeded"});
                Open(mode);
                if (mode == EntryMode::Search) {
                    Type(IDC_SEARCH_TEXT, "See");
                    Click(dialog_, IDC_SEARCH_GO);
                    Select(0);
                }
                if (answer != 0) {
                    Fill(mode == EntryMode::Add ? "New one" : "Seeded", "typed");
                    boxes_.QueueAnswer(answer);
                }
                close(dialog_);
                if (answer == 0) {
                    EXPECT_TRUE(boxes_.Boxes().empty());
                } else {
                    ASSERT_EQ(boxes_.Boxes().size(), 1u);
                    EXPECT_TRUE(boxes_.Boxes()[0].yesNo && boxes_.Boxes()[0].cancel);
                    EXPECT_TRUE(boxes_.Boxes()[0].question);
                    ExpectOneBox(kUnsavedCaption, kUnsavedQuestion);
                }
                EXPECT_EQ(Ended(), answer != IDCANCEL);
                EXPECT_EQ(EntriesMode, answer == IDCANCEL ? mode : EntryMode::None);
                const std::vector<JournalRow> rows = ReadJournal(DatabasePath);
                EXPECT_EQ(rows.size(), mode == EntryMode::Add && answer == IDYES ? 2u : 1u);
                EXPECT_EQ(rows.back().entry, answer == IDYES ? "typed" : "s text");
                if (answer == IDCANCEL) {
                    EXPECT_EQ(Text(IDC_ENTRY_TEXT), "typed");
                }
            }
}

// A save that is refused keeps the dialog open with the typing; in Search
// with no record shown there is nothing to change, so Save refuses too and
// says so.
TEST_F(EntriesDialogTest, YesWithARefusedSaveKeepsTheDialogOpen) {
    Seed("Seeded", "text");
    const std::pair<EntryMode, const char*> refusals[] = {
        {EntryMode::Add, "Subject is too short."},
        {EntryMode::Browse, "Subject is too short."},
        {EntryMode::Search, kNoEntrySelected},
    };
    for (const auto& [mode, message] : refusals) {
        SCOPED_TRACE(message);
        Open(mode);
        Fill(mode == EntryMode::Search ? "Typed subject" : "ab", "kept text");
        boxes_.QueueAnswer(IDYES);
        Click(dialog_, IDC_ENTRIES_OK);
        ASSERT_EQ(boxes_.Boxes().size(), 2u);
        EXPECT_EQ(boxes_.Boxes()[1].caption,
                  mode == EntryMode::Search ? "Notice" : "Data Entry Error");
        EXPECT_EQ(TakeBoxTexts(), (std::vector<std::string>{kUnsavedQuestion, message}));
        EXPECT_FALSE(Ended());
        EXPECT_EQ(Text(IDC_SUBJECT), mode == EntryMode::Search ? "Typed subject" : "ab");
        EXPECT_EQ(Text(IDC_ENTRY_TEXT), "kept text");
    }
    EXPECT_EQ(StoredCount(), 1u);
}

// Another line selected while the record shown has unsaved typing: Yes saves
// it and shows the new line's record, No shows it without saving, Cancel puts
// the selection back and keeps the typing; a refused save acts as Cancel.
TEST_F(EntriesDialogTest, SelectingAnotherLineWithUnsavedTypingAsksFirst) {
    struct Case {
        int answer;
        const char* subject;
        bool moves;
        const char* stored;
        std::size_t boxes;
    };
    const Case cases[] = {
        {IDYES, "Alpha", true, "a edited", 1},
        {IDNO, "Alpha", true, "a text", 1},
        {IDCANCEL, "Alpha", false, "a text", 1},
        {IDYES, "Al", false, "a text", 2},  // and "Subject is too short."
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.answer);
        NewJournal({"Alpha", "Beta"});
        Open(EntryMode::Browse);
        Fill(c.subject, "a edited");
        boxes_.QueueAnswer(c.answer);
        Select(1);
        EXPECT_EQ(boxes_.Boxes().size(), c.boxes);
        boxes_.Clear();
        if (c.moves)
            ExpectShown("2", "2020-02-02 02:02:02", "Beta", "b text");
        else
            EXPECT_EQ(Text(IDC_SUBJECT) + "/" + Text(IDC_ENTRY_TEXT),
                      std::string(c.subject) + "/a edited");
        EXPECT_EQ(Selected(), c.moves ? 1 : 0);
        EXPECT_STREQ(Stored(1)->entry, c.stored);
    }
    // With nothing typed, a new line just shows its record.
    Open(EntryMode::Browse);
    Select(1);
    EXPECT_TRUE(boxes_.Boxes().empty());
    EXPECT_EQ(Text(IDC_SUBJECT), "Beta");
}

// Windows asks the main window whether the session may end while the dialog
// is open over it (the main window disabled, as under a modal dialog). With
// typing not saved, the dialog's own question decides, and meanwhile the main
// window tells Windows why it waits; with nothing typed the answer is yes at
// once. The answer does not close the dialog, and No stores nothing.
TEST_F(EntriesDialogTest, SessionEndWithUnsavedTypingAsksFirst) {
    struct Case {
        int answer;           // 0: nothing typed
        const char* subject;  // typed
        LRESULT mayEnd;
        std::size_t boxes;
    };
    const Case cases[] = {
        {0, "", TRUE, 0},
        {IDYES, "Seeded", TRUE, 1},
        {IDNO, "Seeded", TRUE, 1},
        {IDCANCEL, "Seeded", FALSE, 1},
        {IDYES, "ab", FALSE, 2},  // and "Subject is too short."
    };
    WriteSettingsFile(40, 30, 400, 300, 0, 0, 1);
    ShutdownBlockWatch watch;
    HWND window = CreateTestMainWindow();
    ASSERT_NE(window, nullptr);
    std::vector<std::string> reasons;
    boxes_.WhileShown([&](HWND) { reasons.push_back(watch.Reason(window)); });
    for (EntryMode mode : {EntryMode::Add, EntryMode::Search, EntryMode::Browse})
        for (const Case& c : cases) {
            SCOPED_TRACE("mode " + std::to_string(int(mode)) + ", answer " +
                         std::to_string(c.answer) + ", subject " + c.subject);
            NewJournal({"Seeded"});
            boxes_.Clear();
            reasons.clear();
            Open(mode, window);
            EnableWindow(window, FALSE);
            if (mode == EntryMode::Search) {
                Type(IDC_SEARCH_TEXT, "See");
                Click(dialog_, IDC_SEARCH_GO);
                Select(0);
            }
            if (c.answer != 0) {
                Fill(c.subject, "typed");
                boxes_.QueueAnswer(c.answer);
            }
            EXPECT_EQ(SendMessageA(window, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), c.mayEnd);
            ASSERT_EQ(boxes_.Boxes().size(), c.boxes);
            if (c.boxes > 0) {
                EXPECT_EQ(boxes_.Boxes()[0].caption, kUnsavedCaption);
                EXPECT_EQ(boxes_.Boxes()[0].text, kUnsavedQuestion);
                EXPECT_EQ(boxes_.Boxes()[0].owner, dialog_);
            }
            EXPECT_EQ(reasons, std::vector<std::string>(c.boxes, "A journal entry is not saved."));
            EXPECT_EQ(watch.Reason(window), "");
            EXPECT_FALSE(Ended());
            const bool saved = c.answer == IDYES && c.mayEnd;
            const std::vector<JournalRow> rows = ReadJournal(DatabasePath);
            EXPECT_EQ(rows.size(), saved && mode == EntryMode::Add ? 2u : 1u);
            EXPECT_EQ(rows.back().entry, saved ? "typed" : "s text");
            // Typing not saved stays in the dialog: the end may yet be called off.
            std::string left = "typed";
            if (saved) left = "";
            if (c.answer == 0) left = mode == EntryMode::Add ? "" : "s text";
            EXPECT_EQ(Text(IDC_ENTRY_TEXT), left);
            EnableWindow(window, TRUE);
            Close();
        }
    DestroyWindow(window);
}
