// The Change password dialog's procedure on its real template: its refusals,
// a change that reaches the settings file, and leaving without a change.
#include <gtest/gtest.h>

#include <string>

#include "journal/text.h"
#include "resource.h"
#include "settings/settings.h"
#include "shell/shell.h"
#include "support/oracles.h"
#include "support/ui_harness.h"

namespace {

using oracle::Scrambled;

class ChangePasswordDialogTest : public HarnessTest {
protected:
    void SetUp() override {
        HarnessTest::SetUp();
        ApplyDefaultSettings();
        WindowLeft = 11;
        WindowTop = 22;
        ASSERT_NE(Open(), nullptr);
    }
    HWND Open() { return HarnessTest::Open(IDD_CHANGE_PASSWORD, ChangePasswordDlgProc); }
    void Type(const std::string& current, const std::string& fresh) {
        HarnessTest::Type(IDC_CURRENT_PASSWORD, current);
        HarnessTest::Type(IDC_NEW_PASSWORD, fresh);
    }
};

}  // namespace

TEST_F(ChangePasswordDialogTest, OpensEmptyWithFocusOnTheCurrentPassword) {
    EXPECT_EQ(WindowText(dialog_), "Larkmoor: Change password");
    EXPECT_EQ(ItemText(dialog_, IDC_CURRENT_PASSWORD), "");
    EXPECT_EQ(ItemText(dialog_, IDC_NEW_PASSWORD), "");
    EXPECT_EQ(GetFocus(), GetDlgItem(dialog_, IDC_CURRENT_PASSWORD));
    // The settings file holds at most 779 bytes of a password.
    EXPECT_EQ(SendDlgItemMessageA(dialog_, IDC_NEW_PASSWORD, EM_GETLIMITTEXT, 0, 0), 779);
    EXPECT_EQ(SendDlgItemMessageA(dialog_, IDC_CURRENT_PASSWORD, EM_GETLIMITTEXT, 0, 0), 779);
}

TEST_F(ChangePasswordDialogTest, RefusesWithAMessageThatSaysWhy) {
    struct Row {
        const char* current;
        std::string fresh;
        const char* text;
        int focus;
    } rows[] = {
        {"", "new one", "Password required!", IDC_CURRENT_PASSWORD},
        {"Granite", "new one", "Incorrect password!", IDC_CURRENT_PASSWORD},
        {"granite ", "new one", "Incorrect password!", IDC_CURRENT_PASSWORD},
        {"granite", "", "The new password must not be empty.", IDC_NEW_PASSWORD},
        {"granite", "yen\xA5",
         "The new password cannot contain the character \"\xC2\xA5\" (code 165): "
         "the settings file cannot hold it.",
         IDC_NEW_PASSWORD},
        {"granite", "mac\xAFron",
         "The new password cannot contain the character \"\xC2\xAF\" "
         "(code 175): the settings file cannot hold it.",
         IDC_NEW_PASSWORD},
        {"granite",
         "\x85"
         "dots",
         "The new password cannot begin with the character \"\xE2\x80\xA6\" "
         "(code 133): the settings file cannot hold it there.",
         IDC_NEW_PASSWORD},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        Type(row.current, row.fresh);
        Click(dialog_, IDOK);
        ExpectOneBox("Notice", row.text);
        EXPECT_FALSE(Ended());
        EXPECT_EQ(GetFocus(), GetDlgItem(dialog_, row.focus));
        EXPECT_EQ(std::string(StoredPassword), Scrambled("granite"));
    }
    EXPECT_FALSE(PathExists(SettingsPath));
    EXPECT_FALSE(PathExists(LogPath));
}

TEST_F(ChangePasswordDialogTest, ChangeIsStoredScrambledAndSaved) {
    const std::string fresh = "Nouveau \xE9t\xE9 '%s' 2024";
    Type("granite", fresh);
    Click(dialog_, IDOK);
    EXPECT_TRUE(Ended());
    ExpectOneBox("Notice", "Your password has been changed.");
    EXPECT_EQ(std::string(StoredPassword), Scrambled(fresh));
    EXPECT_EQ(ReadFileBytes(SettingsPath), oracle::SettingsFile(11, 22, 320, 240, 1, 1, 1, fresh));

    // The settings file gives the same password back.
    ClearText(StoredPassword, sizeof StoredPassword);
    LoadSettings();
    EXPECT_EQ(std::string(StoredPassword), Scrambled(fresh));
}

TEST_F(ChangePasswordDialogTest, LongestPasswordAndAnyInnerBlankAreAccepted) {
    const std::string longest = "a\x85\xAC\xA8\xAE\xA9" + std::string(kTextSize - 7, 'z');
    ASSERT_EQ(longest.size(), kTextSize - 1);
    Type("granite", longest);
    Click(dialog_, IDOK);
    EXPECT_TRUE(Ended());
    ClearText(StoredPassword, sizeof StoredPassword);
    LoadSettings();
    EXPECT_EQ(std::string(StoredPassword), Scrambled(longest));
}

TEST_F(ChangePasswordDialogTest, CancelEscapeAndCloseBoxChangeNothing) {
    for (int way = 0; way < 3; ++way) {
        SCOPED_TRACE(way);
        if (Ended()) Open();
        Type("granite", "changed");
        if (way == 0) {
            Click(dialog_, IDCANCEL);
        } else if (way == 1) {
            EXPECT_TRUE(PressKey(dialog_, IDC_NEW_PASSWORD, VK_ESCAPE));
        } else {
            SendMessageA(dialog_, WM_CLOSE, 0, 0);
        }
        EXPECT_TRUE(Ended());
    }
    EXPECT_EQ(std::string(StoredPassword), Scrambled("granite"));
    EXPECT_FALSE(PathExists(SettingsPath));
    EXPECT_TRUE(boxes_.Boxes().empty());
}

TEST_F(ChangePasswordDialogTest, UnsavedChangeIsTakenBack) {
    WriteFileBytes(SettingsPath, oracle::SettingsFile(1, 2, 3, 4, 1, 1, 1));
    CreateDirectoryA((std::string(SettingsPath) + ".new").c_str(), nullptr);
    Type("granite", "never stored");
    Click(dialog_, IDOK);
    EXPECT_EQ(TakeBoxTexts(), (std::vector<std::string>{"Preferences file write error!",
                                                          "The password was not changed."}));
    EXPECT_FALSE(Ended());
    EXPECT_EQ(std::string(StoredPassword), Scrambled("granite"));
    EXPECT_EQ(ReadFileBytes(SettingsPath), oracle::SettingsFile(1, 2, 3, 4, 1, 1, 1));
}
