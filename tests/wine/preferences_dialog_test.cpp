// The Preferences dialog's procedure on its real template: loading the
// boxes, OK storing, logging and saving, the close box discarding, Escape
// doing nothing.
#include <gtest/gtest.h>

#include <string>

#include "journal/text.h"
#include "resource.h"
#include "settings/settings.h"
#include "shell/shell.h"
#include "support/oracles.h"
#include "support/ui_harness.h"

namespace {

class PreferencesDialogTest : public HarnessTest {
protected:
    void SetUp() override {
        HarnessTest::SetUp();
        ApplyDefaultSettings();
        WindowLeft = -7;
        WindowTop = 33;
        WindowWidth = 420;
        WindowHeight = 310;
    }
    void Open(int startup, int log, int autoLogin) {
        ShowStartupScreen = startup;
        LogEnabled = log;
        AutoLogin = autoLogin;
        ASSERT_NE(HarnessTest::Open(IDD_PREFERENCES, PreferencesDlgProc), nullptr);
    }
    // The three boxes, ticked or not, and the three switches in memory, in
    // the dialog's order.
    std::vector<bool> Ticks() const {
        std::vector<bool> ticks;
        for (int id : {IDC_SHOW_STARTUP_SCREEN, IDC_ENABLE_LOG, IDC_AUTO_LOGIN})
            ticks.push_back(SendDlgItemMessageA(dialog_, id, BM_GETCHECK, 0, 0) == BST_CHECKED);
        return ticks;
    }
    static std::vector<int> Switches() { return {ShowStartupScreen, LogEnabled, AutoLogin}; }
    void Tick(int id, bool on) {
        SendDlgItemMessageA(dialog_, id, BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
    }
    std::vector<std::string> LogEvents() const { return oracle::LogEvents(ReadFileBytes(LogPath)); }
    std::string Settings() const { return ReadFileBytes(SettingsPath); }
};

}  // namespace

TEST_F(PreferencesDialogTest, BoxesShowTheSwitchesAndFocusStartsOnTheFirst) {
    struct Row {
        int startup, log, autoLogin;
    } rows[] = {{1, 1, 1}, {0, 0, 0}, {1, 0, 1}, {0, 1, 0}};
    for (const Row& row : rows) {
        Open(row.startup, row.log, row.autoLogin);
        EXPECT_EQ(Ticks(), (std::vector<bool>{row.startup == 1, row.log == 1, row.autoLogin == 1}));
        EXPECT_EQ(GetFocus(), GetDlgItem(dialog_, IDC_SHOW_STARTUP_SCREEN));
    }
}

// Hand-edited values count as they act: the startup screen and the log only
// at exactly 1, automatic login at anything but 0.
TEST_F(PreferencesDialogTest, OtherValuesShowAsTheyActAndSurviveTheCloseBox) {
    Open(2, -1, 2);
    EXPECT_EQ(Ticks(), (std::vector<bool>{false, false, true}));
    SendMessageA(dialog_, WM_CLOSE, 0, 0);
    EXPECT_TRUE(Ended());
    EXPECT_EQ(Switches(), (std::vector<int>{2, -1, 2}));
}

// The second row changes nothing: OK still logs and saves.
TEST_F(PreferencesDialogTest, OkStoresLogsAndSavesTheWholeRecord) {
    struct Row {
        bool startup, log, autoLogin;
        const char* event;
    } rows[] = {
        {false, false, false, " - Logging is disabled"},
        {true, true, true, " - Logging is enabled"},
        {true, false, true, " - Logging is disabled"},
        {false, true, false, " - Logging is enabled"},
    };
    std::size_t lines = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.event);
        Open(1, 1, 1);
        Tick(IDC_SHOW_STARTUP_SCREEN, row.startup);
        Tick(IDC_ENABLE_LOG, row.log);
        Tick(IDC_AUTO_LOGIN, row.autoLogin);
        Click(dialog_, IDOK);
        EXPECT_TRUE(Ended());
        EXPECT_EQ(Switches(), (std::vector<int>{row.startup, row.log, row.autoLogin}));
        // The geometry goes out as it stands in memory.
        EXPECT_EQ(Settings(), oracle::SettingsFile(-7, 33, 420, 310, row.startup, row.log, row.autoLogin));
        ASSERT_EQ(LogEvents().size(), ++lines);
        EXPECT_EQ(LogEvents().back(), row.event);
    }
    EXPECT_TRUE(boxes_.Boxes().empty());
}

TEST_F(PreferencesDialogTest, EnterConfirmsLikeOk) {
    Open(1, 1, 1);
    Tick(IDC_AUTO_LOGIN, false);
    EXPECT_TRUE(PressKey(dialog_, IDC_ENABLE_LOG, VK_RETURN));
    EXPECT_TRUE(Ended());
    EXPECT_EQ(AutoLogin, 0);
    EXPECT_TRUE(PathExists(SettingsPath));
}

TEST_F(PreferencesDialogTest, CloseBoxDiscardsAndEscapeDoesNothing) {
    Open(1, 1, 1);
    Tick(IDC_SHOW_STARTUP_SCREEN, false);
    Tick(IDC_ENABLE_LOG, false);
    Tick(IDC_AUTO_LOGIN, false);

    // Escape reaches the dialog as IDCANCEL and changes nothing.
    PressKey(dialog_, IDC_ENABLE_LOG, VK_ESCAPE);
    Click(dialog_, IDCANCEL);
    // Clicks on the boxes and other notifications do nothing either.
    SendMessageA(dialog_, WM_COMMAND, MAKEWPARAM(IDOK, BN_SETFOCUS), 0);
    Click(dialog_, IDC_AUTO_LOGIN);
    EXPECT_FALSE(Ended());

    SendMessageA(dialog_, WM_CLOSE, 0, 0);
    EXPECT_TRUE(Ended());
    EXPECT_EQ(Switches(), (std::vector<int>{1, 1, 1}));
    EXPECT_FALSE(PathExists(SettingsPath));
    EXPECT_FALSE(PathExists(LogPath));
    EXPECT_TRUE(boxes_.Boxes().empty());
}

TEST_F(PreferencesDialogTest, UnwritableSettingsStillCloseAndKeepTheNewSwitches) {
    WriteFileBytes(SettingsPath, "1\n2\n3\n4\n1\n1\n1\nold\n");
    // The new file cannot be made beside the old one.
    CreateDirectoryA((std::string(SettingsPath) + ".new").c_str(), nullptr);
    Open(1, 1, 1);
    Tick(IDC_ENABLE_LOG, false);
    Click(dialog_, IDOK);
    EXPECT_TRUE(Ended());
    EXPECT_EQ(LogEnabled, 0);
    ExpectOneBox("An unexpected error has occurred!", "Preferences file write error!", nullptr);
    EXPECT_EQ(Settings(), "1\n2\n3\n4\n1\n1\n1\nold\n");
    EXPECT_EQ(LogEvents(), std::vector<std::string>{" - Logging is disabled"});
}
