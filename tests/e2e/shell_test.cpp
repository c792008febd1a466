// The real program, started as its own process and driven through its windows.
#include <gtest/gtest.h>

#include "resource.h"
#include "support/driver.h"

namespace {

class ShellTest : public ::testing::Test {
protected:
    void SetUp() override { RemoveDataFolder(); }
    void TearDown() override { RemoveDataFolder(); }
};

void QuietSettings() {
    // Startup screen off, logging on, automatic login on.
    WriteSettingsFile(50, 40, 360, 260, 0, 1, 1);
}

}  // namespace

TEST_F(ShellTest, FirstStartCreatesDataFolderAndExitByCommandGivesZero) {
    Larkmoor program;
    ASSERT_TRUE(program.Start());
    HWND window = program.WaitMainWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(PathExists(DataFolderPath()));
    EXPECT_TRUE(PathExists(DataFolderPath() + "\\larkmoor.cfg"));
    PostCommand(window, IDM_EXIT);
    DWORD code = 99;
    ASSERT_TRUE(program.WaitExit(&code));
    EXPECT_EQ(code, 0u);
}

TEST_F(ShellTest, CtrlXEndsTheProgramWithZero) {
    QuietSettings();
    Larkmoor program;
    ASSERT_TRUE(program.Start());
    HWND window = program.WaitMainWindow();
    ASSERT_NE(window, nullptr);
    PressKeys(window, {VK_CONTROL, 'X'});
    DWORD code = 99;
    ASSERT_TRUE(program.WaitExit(&code));
    EXPECT_EQ(code, 0u);
}

TEST_F(ShellTest, CloseBoxEndsTheProgramWithZero) {
    QuietSettings();
    Larkmoor program;
    ASSERT_TRUE(program.Start());
    HWND window = program.WaitMainWindow();
    ASSERT_NE(window, nullptr);
    PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    DWORD code = 99;
    ASSERT_TRUE(program.WaitExit(&code));
    EXPECT_EQ(code, 0u);
}

TEST_F(ShellTest, SecondInstanceNotifiesThenRestoresTheFirst) {
    QuietSettings();
    Larkmoor first;
    ASSERT_TRUE(first.Start());
    HWND window = first.WaitMainWindow();
    ASSERT_NE(window, nullptr);
    ShowWindow(window, SW_MINIMIZE);
    ASSERT_TRUE(IsIconic(window));

    Larkmoor second;
    ASSERT_TRUE(second.Start());
    HWND notice = second.WaitDialog("Larkmoor Notice");
    ASSERT_NE(notice, nullptr);
    EXPECT_EQ(MessageBoxText(notice), "An instance of this program is already running.");
    // The first copy stays minimised until the notice is dismissed.
    Sleep(300);
    EXPECT_TRUE(IsIconic(window));
    PostClick(notice, IDOK);
    DWORD code = 99;
    ASSERT_TRUE(second.WaitExit(&code));
    EXPECT_EQ(code, 0u);
    EXPECT_FALSE(IsIconic(window));

    PostCommand(window, IDM_EXIT);
    ASSERT_TRUE(first.WaitExit(&code));
    EXPECT_EQ(code, 0u);
}
