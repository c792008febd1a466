// The settings file through the real program: the first start, the window
// geometry kept between runs, hand-edited and damaged files, and a password
// change that the next login asks for. (Every cut of the file and every
// hand edit is checked against the program's own reader in the native
// tests; here a few of each go through the whole program.)
#include <gtest/gtest.h>

#include <cstdlib>

#include "resource.h"
#include "support/driver.h"

using namespace e2e;

namespace {

using SettingsTest = ProgramTest;

RECT OuterOf(HWND window) {
    RECT rect = {};
    GetWindowRect(window, &rect);
    return rect;
}

}  // namespace

TEST_F(SettingsTest, FirstStartWritesInitialSettingsAndSessionLines) {
    Larkmoor program;
    HWND window = StartQuiet(program);  // after the startup screen
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(ReadFileBytes(SettingsFile()), oracle::SettingsFile(0, 0, 320, 240, 1, 1, 1));
    EXPECT_EQ(LogEvents(), (std::vector<std::string>{" - Session Start"}));
    EXPECT_EQ(program.WaitDialog("Larkmoor Login", 300), nullptr) << "no password is asked for";

    // It shows at its saved place (0, 0) first and is centred right after.
    ASSERT_TRUE(WaitUntil([window] { return OuterOf(window).top != 0; }));
    const RECT outer = OuterOf(window);
    ExitAnswering(program, window);
    EXPECT_EQ(LogEvents(), (std::vector<std::string>{" - Session Start", " - Session End"}));
    EXPECT_EQ(ReadFileBytes(SettingsFile()),
              oracle::SettingsFile(outer.left, outer.top, 320, 240, 1, 1, 1));
}

TEST_F(SettingsTest, MovedWindowIsStoredAtExitAndRestoredAtTheNextStart) {
    QuietSettings();
    {
        Larkmoor program;
        HWND window = StartQuiet(program);
        ASSERT_NE(window, nullptr);
        EXPECT_EQ(OuterOf(window).left, 50);
        EXPECT_EQ(OuterOf(window).top, 40);
        SetWindowPos(window, nullptr, -30, 70, 500, 350, SWP_NOZORDER | SWP_NOACTIVATE);
        ASSERT_TRUE(WaitUntil([window] { return OuterOf(window).left == -30; }));
        ExitAnswering(program, window);
    }
    EXPECT_EQ(ReadFileBytes(SettingsFile()), oracle::SettingsFile(-30, 70, 500, 350, 0, 1, 1));

    Larkmoor again;
    HWND window = StartQuiet(again);
    ASSERT_NE(window, nullptr);
    const RECT outer = OuterOf(window);
    EXPECT_EQ(outer.left, -30);
    EXPECT_EQ(outer.top, 70);
    EXPECT_EQ(outer.right - outer.left, 500);
    EXPECT_EQ(outer.bottom - outer.top, 350);
    ExitAnswering(again, window);
}

namespace {

struct DamagedCase {
    const char* name;
    std::string bytes;
    std::string written;  // the record the program reads (its geometry may change)
    bool login;           // the password is asked for
};

const std::string kGranite = oracle::Scrambled("granite");

const DamagedCase kDamagedCases[] = {
    // Cut short: numbers missing count as 0, the initial password comes back.
    {"Empty", "", "0\n0\n0\n0\n0\n0\n0\n" + kGranite + "\n", true},
    {"CutBeforeAutomaticLogin", "50\n40\n360\n260\n0\n0\n", "50\n40\n360\n260\n0\n0\n0\n" + kGranite + "\n",
     true},
    {"CutInThePassword", "50\n40\n360\n260\n0\n1\n0\n" + kGranite.substr(0, 3),
     "50\n40\n360\n260\n0\n1\n0\n" + kGranite.substr(0, 3) + "\n", true},
    // Edited by hand: the same record is read and written back whole.
    {"HugeNumbers", "99999999999999999999\n-99999999999999999999\n2147483648\n4294967296\n0\n1\n1\n" +
                        kGranite + "\n",
     oracle::SettingsFile(2147483647, -2147483647 - 1, 2147483647, 2147483647, 0, 1, 1), false},
    // Switches at 2: the startup screen and the log count as off, automatic
    // login as on.
    {"SwitchesAtTwo", oracle::SettingsFile(60, 50, 400, 300, 2, 2, 2), oracle::SettingsFile(60, 50, 400, 300, 2, 2, 2),
     false},
    // A window that fits on no screen (as after a monitor was taken away).
    {"WindowOffEveryScreen", oracle::SettingsFile(-30000, -30000, 400, 300, 0, 1, 1),
     oracle::SettingsFile(-30000, -30000, 400, 300, 0, 1, 1), false},
};

class DamagedSettingsTest : public ProgramTest, public ::testing::WithParamInterface<DamagedCase> {};

}  // namespace

TEST_P(DamagedSettingsTest, StartsLetsTheUserInAndIsWrittenWhole) {
    const DamagedCase& damaged = GetParam();
    ASSERT_TRUE(CreateDirectoryA(DataFolderPath().c_str(), nullptr));
    ASSERT_TRUE(WriteFileBytes(SettingsFile(), damaged.bytes));
    const std::string typed = oracle::Scrambled(oracle::LinesOf(damaged.written).at(7));
    // Twice: the second start reads what the first wrote, and goes the same way.
    for (int start = 0; start < 2; ++start) {
        Larkmoor program;
        ASSERT_TRUE(program.Start());
        if (damaged.login) {
            HWND login = program.WaitDialog("Larkmoor Login");
            ASSERT_NE(login, nullptr) << OpenDialogs(program);
            ASSERT_TRUE(TryPassword(program, login, typed));
        }
        HWND window = program.WaitMainWindow();
        ASSERT_NE(window, nullptr) << OpenDialogs(program);
        // Whatever the numbers, the window can be seen on the screen (it
        // shows at its saved place first and is centred right after).
        EXPECT_TRUE(WaitUntil(
            [window] { return MonitorFromWindow(window, MONITOR_DEFAULTTONULL) != nullptr; }));
        ExitAnswering(program, window);
        // Written whole: four numbers (where the window ended up), then the
        // switches and the password as read.
        const std::vector<std::string> lines = oracle::LinesOf(ReadFileBytes(SettingsFile()));
        const std::vector<std::string> wanted = oracle::LinesOf(damaged.written);
        ASSERT_EQ(lines.size(), 8u) << start;
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(lines[i], std::to_string(std::atoi(lines[i].c_str()))) << "line " << i + 1;
        EXPECT_EQ(std::vector<std::string>(lines.begin() + 4, lines.end()),
                  std::vector<std::string>(wanted.begin() + 4, wanted.end()));
        EXPECT_EQ(PathExists(LogFile()), wanted[5] == "1") << "the log is written only at 1";
    }
}

INSTANTIATE_TEST_SUITE_P(Files, DamagedSettingsTest, ::testing::ValuesIn(kDamagedCases),
                         [](const ::testing::TestParamInfo<DamagedCase>& damaged) {
                             return std::string(damaged.param.name);
                         });
