// The settings file through the real program: the first start, the window
// geometry kept between runs, and a password change that the next login
// asks for.
#include <gtest/gtest.h>

#include "e2e/settings_flows.h"
#include "resource.h"
#include "support/driver.h"

using namespace flows;

namespace {

class SettingsFlowTest : public ::testing::Test {
protected:
    void SetUp() override { RemoveDataFolder(); }
    void TearDown() override { RemoveDataFolder(); }
};

RECT OuterOf(HWND window) {
    RECT rect = {};
    GetWindowRect(window, &rect);
    return rect;
}

}  // namespace

TEST_F(SettingsFlowTest, FirstStartWritesInitialSettingsAndSessionLines) {
    Larkmoor program;
    ASSERT_TRUE(program.Start());
    // The startup screen comes first, then the window.
    HWND window = program.WaitMainWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(SettingsFile(), "0\n0\n320\n240\n1\n1\n1\n" + Scrambled("granite") + "\n");
    EXPECT_EQ(LogEvents(), (std::vector<std::string>{" - Session Start"}));
    // No password is asked for.
    EXPECT_EQ(program.WaitDialog("Larkmoor Login", 300), nullptr);

    const RECT outer = OuterOf(window);
    ExitProgram(program, window);
    EXPECT_EQ(LogEvents(), (std::vector<std::string>{" - Session Start", " - Session End"}));
    const std::vector<std::string> lines = LinesOf(SettingsFile());
    ASSERT_EQ(lines.size(), 8u);
    EXPECT_EQ(lines[0], std::to_string(outer.left));
    EXPECT_EQ(lines[1], std::to_string(outer.top));
    EXPECT_EQ(lines[2], "320");
    EXPECT_EQ(lines[3], "240");
    EXPECT_NE(lines[1], "0");  // the window was centred
    EXPECT_EQ(lines[7], Scrambled("granite"));
}

TEST_F(SettingsFlowTest, MovedWindowIsStoredAtExitAndRestoredAtTheNextStart) {
    WriteSettingsFile(50, 40, 360, 260, 0, 1, 1);
    {
        Larkmoor program;
        ASSERT_TRUE(program.Start());
        HWND window = program.WaitMainWindow();
        ASSERT_NE(window, nullptr);
        EXPECT_EQ(OuterOf(window).left, 50);
        EXPECT_EQ(OuterOf(window).top, 40);
        SetWindowPos(window, nullptr, -30, 70, 500, 350, SWP_NOZORDER | SWP_NOACTIVATE);
        ASSERT_TRUE(WaitUntil([window] { return OuterOf(window).left == -30; }));
        ExitProgram(program, window);
    }
    EXPECT_EQ(SettingsFile(), "-30\n70\n500\n350\n0\n1\n1\n" + Scrambled("granite") + "\n");

    Larkmoor again;
    ASSERT_TRUE(again.Start());
    HWND window = again.WaitMainWindow();
    ASSERT_NE(window, nullptr);
    const RECT outer = OuterOf(window);
    EXPECT_EQ(outer.left, -30);
    EXPECT_EQ(outer.top, 70);
    EXPECT_EQ(outer.right - outer.left, 500);
    EXPECT_EQ(outer.bottom - outer.top, 350);
    ExitProgram(again, window);
}

TEST_F(SettingsFlowTest, HandEditedSwitchesAreKeptAndActAsSpecified) {
    // 2 counts as off for the startup screen and the log, as on for
    // automatic login.
    WriteSettingsFile(60, 50, 400, 300, 2, 2, 2);
    Larkmoor program;
    ASSERT_TRUE(program.Start());
    HWND window = program.WaitMainWindow(5000);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(program.WaitDialog("Larkmoor Login", 300), nullptr);
    ExitProgram(program, window);
    EXPECT_FALSE(PathExists(DataFolderPath() + "\\larkmoorlog.txt"));
    EXPECT_EQ(SettingsFile(), "60\n50\n400\n300\n2\n2\n2\n" + Scrambled("granite") + "\n");
}

TEST_F(SettingsFlowTest, ChangedPasswordIsAskedForAfterLogout) {
    WriteSettingsFile(50, 40, 360, 260, 0, 0, 1);
    Larkmoor program;
    ASSERT_TRUE(program.Start());
    HWND window = program.WaitMainWindow();
    ASSERT_NE(window, nullptr);

    PostCommand(window, IDM_CHANGE_PASSWORD);
    HWND dialog = program.WaitDialog("Larkmoor: Change password");
    ASSERT_NE(dialog, nullptr);
    SetFieldText(dialog, IDC_CURRENT_PASSWORD, "granite");
    SetFieldText(dialog, IDC_NEW_PASSWORD, "heather");
    PostClick(dialog, IDOK);
    AnswerNotice(program, "Your password has been changed.");
    ASSERT_TRUE(WaitGone(dialog));
    EXPECT_EQ(LinesOf(SettingsFile()).at(7), Scrambled("heather"));

    PostCommand(window, IDM_LOGOUT);
    AnswerNotice(program, "You have logged out.");
    HWND login = program.WaitDialog("Larkmoor Login");
    ASSERT_NE(login, nullptr);
    SetFieldText(login, IDC_PASSWORD, "granite");
    PostClick(login, IDOK);
    AnswerNotice(program, "Incorrect password!");
    SetFieldText(login, IDC_PASSWORD, "heather");
    PostClick(login, IDOK);
    ASSERT_TRUE(WaitGone(login));
    ExitProgram(program, window);
    EXPECT_EQ(LinesOf(SettingsFile()).at(7), Scrambled("heather"));
}
