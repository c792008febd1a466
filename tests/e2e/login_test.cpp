// Login and logout through the real program: the password at start-up,
// wrong attempts in the log, and Cancel ending the program at once.
#include <gtest/gtest.h>

#include "e2e/settings_flows.h"
#include "resource.h"
#include "support/driver.h"

using namespace flows;

namespace {

class LoginFlowTest : public ::testing::Test {
protected:
    void SetUp() override { RemoveDataFolder(); }
    void TearDown() override { RemoveDataFolder(); }
};

}  // namespace

TEST_F(LoginFlowTest, AutomaticLoginOffAsksForThePasswordAtStartUp) {
    WriteSettingsFile(50, 40, 360, 260, 0, 1, 0);
    Larkmoor program;
    ASSERT_TRUE(program.Start());
    HWND login = program.WaitDialog("Larkmoor Login");
    ASSERT_NE(login, nullptr);
    // The main window waits, hidden, behind the login.
    EXPECT_EQ(program.WaitMainWindow(300), nullptr);

    SetFieldText(login, IDC_PASSWORD, "Granite");
    PostClick(login, IDOK);
    AnswerNotice(program, "Incorrect password!");
    ASSERT_TRUE(WaitUntil([] { return LogEvents().size() == 2; }));
    EXPECT_EQ(LogEvents(), (std::vector<std::string>{" - Session Start",
                                                     " - Incorrect login password."}));

    SetFieldText(login, IDC_PASSWORD, "granite");
    PostClick(login, IDOK);
    HWND window = program.WaitMainWindow();
    ASSERT_NE(window, nullptr);
    ExitProgram(program, window);
    EXPECT_EQ(LogEvents(), (std::vector<std::string>{" - Session Start",
                                                     " - Incorrect login password.",
                                                     " - Session End"}));
}

TEST_F(LoginFlowTest, CancelAtStartUpEndsWithZeroAndNoSessionEnd) {
    WriteSettingsFile(50, 40, 360, 260, 0, 1, 0);
    const std::string settings = SettingsFile();
    Larkmoor program;
    ASSERT_TRUE(program.Start());
    HWND login = program.WaitDialog("Larkmoor Login");
    ASSERT_NE(login, nullptr);
    PressKeys(login, {VK_ESCAPE});
    DWORD code = 99;
    ASSERT_TRUE(program.WaitExit(&code));
    EXPECT_EQ(code, 0u);
    EXPECT_EQ(LogEvents(), (std::vector<std::string>{" - Session Start"}));
    EXPECT_EQ(SettingsFile(), settings);
    // Start-up still ran to its end: the prompts file was copied.
    EXPECT_TRUE(PathExists(DataFolderPath() + "\\larkmoorqtx.txt"));
}

TEST_F(LoginFlowTest, LogoutThenCancelEndsWithZeroWithoutStoringAnything) {
    WriteSettingsFile(50, 40, 360, 260, 0, 1, 1);
    const std::string settings = SettingsFile();
    Larkmoor program;
    ASSERT_TRUE(program.Start());
    HWND window = program.WaitMainWindow();
    ASSERT_NE(window, nullptr);
    SetWindowPos(window, nullptr, 200, 150, 400, 300, SWP_NOZORDER | SWP_NOACTIVATE);

    PressKeys(window, {VK_CONTROL, 'L'});
    AnswerNotice(program, "You have logged out.");
    HWND login = program.WaitDialog("Larkmoor Login");
    ASSERT_NE(login, nullptr);
    PostClick(login, IDCANCEL);
    DWORD code = 99;
    ASSERT_TRUE(program.WaitExit(&code));
    EXPECT_EQ(code, 0u);
    EXPECT_EQ(LogEvents(), (std::vector<std::string>{" - Session Start"}));
    EXPECT_EQ(SettingsFile(), settings);
}

TEST_F(LoginFlowTest, LogoutAsksAgainAndTheRightPasswordGoesOn) {
    WriteSettingsFile(50, 40, 360, 260, 0, 0, 1);
    Larkmoor program;
    ASSERT_TRUE(program.Start());
    HWND window = program.WaitMainWindow();
    ASSERT_NE(window, nullptr);
    PostCommand(window, IDM_LOGOUT);
    AnswerNotice(program, "You have logged out.");
    HWND login = program.WaitDialog("Larkmoor Login");
    ASSERT_NE(login, nullptr);
    PostClick(login, IDOK);
    AnswerNotice(program, "Password required!");
    SetFieldText(login, IDC_PASSWORD, "wrong");
    PostClick(login, IDOK);
    AnswerNotice(program, "Incorrect password!");
    SetFieldText(login, IDC_PASSWORD, "granite");
    PostClick(login, IDOK);
    ASSERT_TRUE(WaitGone(login));
    EXPECT_TRUE(IsWindowVisible(window));
    ExitProgram(program, window);
    // Logging is off: nothing was written.
    EXPECT_FALSE(PathExists(DataFolderPath() + "\\larkmoorlog.txt"));
}

TEST_F(LoginFlowTest, DamagedSettingsFileAsksForTheInitialPassword) {
    // Cut off before the password line: automatic login reads as 0.
    CreateDirectoryA(DataFolderPath().c_str(), nullptr);
    WriteFileBytes(DataFolderPath() + "\\larkmoor.cfg", "50\n40\n360\n260\n0\n0\n");
    Larkmoor program;
    ASSERT_TRUE(program.Start());
    HWND login = program.WaitDialog("Larkmoor Login");
    ASSERT_NE(login, nullptr);
    SetFieldText(login, IDC_PASSWORD, "granite");
    PostClick(login, IDOK);
    HWND window = program.WaitMainWindow();
    ASSERT_NE(window, nullptr);
    ExitProgram(program, window);
    // The next save writes the whole record again, password included.
    const std::vector<std::string> lines = LinesOf(SettingsFile());
    ASSERT_EQ(lines.size(), 8u);
    EXPECT_EQ(lines[6], "0");
    EXPECT_EQ(lines[7], Scrambled("granite"));
}
