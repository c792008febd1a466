// The program log through the real program: the logging switch in the
// Preferences dialog, and reading and deleting the log.
#include <gtest/gtest.h>

#include "e2e/settings_flows.h"
#include "resource.h"
#include "support/driver.h"

using namespace flows;

namespace {

class LogFlowTest : public ::testing::Test {
protected:
    void SetUp() override { RemoveDataFolder(); }
    void TearDown() override { RemoveDataFolder(); }
};

// The text of a list item of another process (as UTF-16 across processes).
std::string ListItem(HWND list, int index) {
    wchar_t text[1024] = {};
    const LRESULT length = SendMessageW(list, LB_GETTEXTLEN, index, 0);
    if (length < 0 || length >= 1024) return "(no item)";
    SendMessageW(list, LB_GETTEXT, index, reinterpret_cast<LPARAM>(text));
    std::string narrow;
    for (int i = 0; text[i] != 0; ++i) narrow += static_cast<char>(text[i]);
    return narrow;
}

}  // namespace

TEST_F(LogFlowTest, UntickingTheLogInPreferencesStopsLaterLines) {
    WriteSettingsFile(50, 40, 360, 260, 0, 1, 1);
    Larkmoor program;
    ASSERT_TRUE(program.Start());
    HWND window = program.WaitMainWindow();
    ASSERT_NE(window, nullptr);

    PressKeys(window, {VK_F2});
    HWND preferences = program.WaitDialog("Larkmoor Preferences");
    ASSERT_NE(preferences, nullptr);
    EXPECT_EQ(SendMessageA(GetDlgItem(preferences, IDC_ENABLE_LOG), BM_GETCHECK, 0, 0),
              BST_CHECKED);
    SendMessageA(GetDlgItem(preferences, IDC_ENABLE_LOG), BM_SETCHECK, BST_UNCHECKED, 0);
    SendMessageA(GetDlgItem(preferences, IDC_AUTO_LOGIN), BM_SETCHECK, BST_UNCHECKED, 0);
    PostClick(preferences, IDOK);
    ASSERT_TRUE(WaitGone(preferences));
    EXPECT_EQ(LogEvents(), (std::vector<std::string>{" - Session Start",
                                                     " - Logging is disabled"}));
    // Saved at once, with the geometry loaded at start-up.
    EXPECT_EQ(SettingsFile(), "50\n40\n360\n260\n0\n0\n0\n" + Scrambled("granite") + "\n");

    // A wrong password and the end of the run now write nothing.
    PostCommand(window, IDM_LOGOUT);
    AnswerNotice(program, "You have logged out.");
    HWND login = program.WaitDialog("Larkmoor Login");
    ASSERT_NE(login, nullptr);
    SetFieldText(login, IDC_PASSWORD, "wrong");
    PostClick(login, IDOK);
    AnswerNotice(program, "Incorrect password!");
    SetFieldText(login, IDC_PASSWORD, "granite");
    PostClick(login, IDOK);
    ASSERT_TRUE(WaitGone(login));
    ExitProgram(program, window);
    EXPECT_EQ(LogEvents(), (std::vector<std::string>{" - Session Start",
                                                     " - Logging is disabled"}));

    // The next start asks for the password and writes no session line.
    Larkmoor again;
    ASSERT_TRUE(again.Start());
    login = again.WaitDialog("Larkmoor Login");
    ASSERT_NE(login, nullptr);
    SetFieldText(login, IDC_PASSWORD, "granite");
    PostClick(login, IDOK);
    window = again.WaitMainWindow();
    ASSERT_NE(window, nullptr);
    ExitProgram(again, window);
    EXPECT_EQ(LogEvents().size(), 2u);
}

TEST_F(LogFlowTest, TickingTheLogAgainWritesAtOnceAndEndsTheSession) {
    WriteSettingsFile(50, 40, 360, 260, 0, 0, 1);
    Larkmoor program;
    ASSERT_TRUE(program.Start());
    HWND window = program.WaitMainWindow();
    ASSERT_NE(window, nullptr);
    PostCommand(window, IDM_PREFERENCES);
    HWND preferences = program.WaitDialog("Larkmoor Preferences");
    ASSERT_NE(preferences, nullptr);
    SendMessageA(GetDlgItem(preferences, IDC_ENABLE_LOG), BM_SETCHECK, BST_CHECKED, 0);
    PostClick(preferences, IDOK);
    ASSERT_TRUE(WaitGone(preferences));
    EXPECT_EQ(LogEvents(), (std::vector<std::string>{" - Logging is enabled"}));
    ExitProgram(program, window);
    EXPECT_EQ(LogEvents(), (std::vector<std::string>{" - Logging is enabled", " - Session End"}));
}

TEST_F(LogFlowTest, ViewProgramLogListsTheLogAndDeletesIt) {
    WriteSettingsFile(50, 40, 360, 260, 0, 1, 1);
    Larkmoor program;
    ASSERT_TRUE(program.Start());
    HWND window = program.WaitMainWindow();
    ASSERT_NE(window, nullptr);

    PressKeys(window, {VK_F3});
    HWND viewer = program.WaitDialog("Larkmoor: View Program Log");
    ASSERT_NE(viewer, nullptr);
    HWND list = GetDlgItem(viewer, IDC_LOG_LIST);
    ASSERT_EQ(SendMessageW(list, LB_GETCOUNT, 0, 0), 1);
    const std::string line = ListItem(list, 0);
    ASSERT_EQ(line.size(), 35u);
    EXPECT_EQ(line.substr(19), " - Session Start");
    EXPECT_EQ(line + "\n", LogFile());

    PostClick(viewer, IDC_DELETE_LOG);
    AnswerNotice(program, "Delete the program log? Its lines cannot be brought back.", IDYES);
    ASSERT_TRUE(WaitUntil([] { return !PathExists(DataFolderPath() + "\\larkmoorlog.txt"); }));
    EXPECT_EQ(SendMessageW(list, LB_GETCOUNT, 0, 0), 0);
    PostClick(viewer, IDOK);
    ASSERT_TRUE(WaitGone(viewer));

    ExitProgram(program, window);
    EXPECT_EQ(LogEvents(), (std::vector<std::string>{" - Session End"}));
}
