// Windows ending the session (shut-down, restart, sign-out) while the real
// program runs, delivered as Wine delivers it: typing not saved in the
// Entries dialog is asked about first and kept unless the user says No;
// with nothing unsaved the program lets the session end without a word; and
// a session that ends leaves the log and the settings as Exit does.
#include <gtest/gtest.h>

#include "resource.h"
#include "support/driver.h"

using namespace e2e;

namespace {

using SessionEndTest = ProgramTest;

const std::vector<NewEntry> kEntries = {
    {"2024-01-02 03:04:05", "Morning pages", "Three pages."},
};

// The window somewhere else than its saved place, which the end must keep.
void Move(HWND window) {
    SetWindowPos(window, nullptr, 130, 90, 420, 300, SWP_NOZORDER | SWP_NOACTIVATE);
    ASSERT_TRUE(WaitUntil([window] {
        RECT outer = {};
        GetWindowRect(window, &outer);
        return outer.left == 130 && outer.bottom == 390;
    }));
}

// The session ended as Exit ends it: one end line, the place kept.
void ExpectEndedAsExit(Larkmoor& program, int autoLogin) {
    DWORD code = 0;
    EXPECT_TRUE(program.WaitExit(&code)) << "the session ended but the program runs on";
    EXPECT_EQ(LogEvents(), (std::vector<std::string>{" - Session Start", " - Session End"}));
    EXPECT_EQ(ReadFileBytes(SettingsFile()),
              oracle::SettingsFile(130, 90, 420, 300, 0, 1, autoLogin));
}

}  // namespace

// Cancel keeps the session, the dialog and the typing; Yes then saves it and
// lets the session end. No, with a record edited in Browse, ends the session
// and leaves the record as it was.
TEST_F(SessionEndTest, UnsavedTypingIsAskedAboutAndKeptUnlessTheAnswerIsNo) {
    for (const int last : {IDYES, IDNO}) {
        SCOPED_TRACE(last == IDYES ? "Cancel, then Yes in Add" : "No in Browse");
        RemoveDataFolder();
        QuietSettings();
        ASSERT_EQ(SideDb(DatabaseFile()).CreateJournal(kEntries), "");
        Larkmoor program;
        HWND window = StartQuiet(program);
        ASSERT_NE(window, nullptr);
        Move(window);
        HWND dialog = OpenDialog(program, window, last == IDYES ? IDM_ADD_ENTRY : IDM_BROWSE_ENTRIES);
        ASSERT_NE(dialog, nullptr);
        if (last == IDNO) {
            ASSERT_TRUE(WaitFieldText(dialog, IDC_SUBJECT, "Morning pages"));
        }
        SetField(dialog, IDC_SUBJECT, "Half an hour");
        SetField(dialog, IDC_ENTRY_TEXT, "of typing");

        if (last == IDYES) {
            SessionEnd refused;
            ASSERT_TRUE(Answer(program, kUnsavedCaption, kUnsavedQuestion, IDCANCEL));
            ASSERT_TRUE(refused.Done());
            EXPECT_FALSE(refused.Ended());
            EXPECT_TRUE(IsWindowVisible(dialog));
            EXPECT_EQ(Field(dialog, IDC_ENTRY_TEXT), "of typing");
            EXPECT_EQ(LogEvents(), std::vector<std::string>{" - Session Start"});
        }
        SessionEnd end;
        ASSERT_TRUE(Answer(program, kUnsavedCaption, kUnsavedQuestion, last));
        ASSERT_TRUE(end.Done());
        EXPECT_TRUE(end.Ended());
        ExpectEndedAsExit(program, 1);
        const std::vector<JournalRow> rows = ReadJournal(DatabaseFile());
        ASSERT_EQ(rows.size(), last == IDYES ? 2u : 1u);
        EXPECT_EQ(rows[0].entry, kEntries[0].text);
        if (last == IDYES) {
            EXPECT_EQ(rows[1].subject, "Half an hour");
            EXPECT_EQ(rows[1].entry, "of typing");
        }
    }
}

// Nothing unsaved: no question, whatever is open. A program at its first
// login has no session yet, as with Cancel there: no end line, the settings
// untouched. After a logout the session it had ends as Exit ends it.
TEST_F(SessionEndTest, NothingUnsavedEndsAtOnceWithoutAQuestion) {
    enum class Open { Browse, FirstLogin, LoginAfterLogout };
    for (const Open open : {Open::Browse, Open::FirstLogin, Open::LoginAfterLogout}) {
        SCOPED_TRACE(static_cast<int>(open));
        RemoveDataFolder();
        const int autoLogin = open == Open::Browse ? 1 : 0;
        QuietSettings(autoLogin);
        ASSERT_EQ(SideDb(DatabaseFile()).CreateJournal(kEntries), "");
        const std::string settings = ReadFileBytes(SettingsFile());
        Larkmoor program;
        HWND window = nullptr;
        if (open == Open::Browse) {
            window = StartQuiet(program);
        } else {
            HWND login = StartAtLogin(program);
            ASSERT_NE(login, nullptr);
            if (open == Open::LoginAfterLogout) {
                ASSERT_TRUE(TryPassword(program, login, "granite"));
                window = program.WaitMainWindow();
            }
        }
        if (open != Open::FirstLogin) {
            ASSERT_NE(window, nullptr);
            Move(window);
            if (open == Open::Browse) {
                HWND dialog = OpenDialog(program, window, IDM_BROWSE_ENTRIES);
                ASSERT_NE(dialog, nullptr);
                ASSERT_TRUE(WaitFieldText(dialog, IDC_SUBJECT, "Morning pages"));
            } else {
                ASSERT_NE(LogOut(program, window), nullptr);
            }
        }

        SessionEnd end;
        // Nobody answers anything: the end goes through on its own.
        ASSERT_TRUE(end.Done(kWaitMs)) << OpenDialogs(program);
        EXPECT_TRUE(end.Ended());
        if (open == Open::FirstLogin) {
            DWORD code = 0;
            EXPECT_TRUE(program.WaitExit(&code));
            EXPECT_EQ(LogEvents(), std::vector<std::string>{" - Session Start"});
            EXPECT_EQ(ReadFileBytes(SettingsFile()), settings);
        } else {
            ExpectEndedAsExit(program, autoLogin);
        }
    }
}
