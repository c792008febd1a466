// The Login dialog's procedure on its real template: the password check, the
// messages, the log lines of wrong attempts, the close box and Cancel.
#include <gtest/gtest.h>

#include <string>

#include "journal/text.h"
#include "log/program_log.h"
#include "resource.h"
#include "settings/settings.h"
#include "shell/shell.h"
#include "support/oracles.h"
#include "support/ui_harness.h"

namespace {

bool TakeQuit(WPARAM* code) {
    MSG quit;
    if (!PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) return false;
    *code = quit.wParam;
    return true;
}

class LoginDialogTest : public HarnessTest {
protected:
    void SetUp() override {
        HarnessTest::SetUp();
        SetPassword("granite");
        LogEnabled = 1;
        PumpMessages();
        ASSERT_NE(Open(IDD_LOGIN, LoginDlgProc), nullptr);
    }
    static void SetPassword(const char* plain) {
        ClearText(StoredPassword, sizeof StoredPassword);
        CopyText(StoredPassword, sizeof StoredPassword, oracle::Scrambled(plain).c_str());
    }
    void Type(const std::string& text) { HarnessTest::Type(IDC_PASSWORD, text); }
    std::string Log() const { return ReadFileBytes(LogPath); }
};

}  // namespace

TEST_F(LoginDialogTest, OpensEmptyWithFocusOnThePasswordField) {
    EXPECT_EQ(WindowText(dialog_), "Larkmoor Login");
    EXPECT_EQ(ItemText(dialog_, IDC_PASSWORD), "");
    EXPECT_EQ(GetFocus(), GetDlgItem(dialog_, IDC_PASSWORD));
    // No text limit is set beyond the edit control's own.
    EXPECT_GT(SendDlgItemMessageA(dialog_, IDC_PASSWORD, EM_GETLIMITTEXT, 0, 0), 779);
}

TEST_F(LoginDialogTest, EmptyPasswordIsRequiredByOkEnterAndCloseBox) {
    Click(dialog_, IDOK);
    EXPECT_TRUE(PressKey(dialog_, IDC_PASSWORD, VK_RETURN));
    SendMessageA(dialog_, WM_CLOSE, 0, 0);
    ASSERT_EQ(boxes_.Boxes().size(), 3u);
    for (const SeenBox& box : boxes_.Boxes()) {
        EXPECT_EQ(box.caption, "Notice");
        EXPECT_EQ(box.text, "Password required!");
        EXPECT_EQ(box.owner, dialog_);
    }
    EXPECT_FALSE(Ended());
    EXPECT_FALSE(PathExists(LogPath));
}

TEST_F(LoginDialogTest, EachWrongAttemptShowsABoxAndWritesOneLine) {
    for (const char* wrong : {"Granite", "GRANITE", "granit", "granite ", "wrong password"}) {
        SCOPED_TRACE(wrong);
        Type(wrong);
        Click(dialog_, IDOK);
        EXPECT_FALSE(Ended());
        EXPECT_EQ(ItemText(dialog_, IDC_PASSWORD), wrong);  // the typed text stays
    }
    ASSERT_EQ(boxes_.Boxes().size(), 5u);
    for (const SeenBox& box : boxes_.Boxes()) {
        EXPECT_EQ(box.caption, "Notice");
        EXPECT_EQ(box.text, "Incorrect password!");
        EXPECT_EQ(box.owner, dialog_);
    }
    const std::string log = Log();
    // Five whole lines, each ended by a line feed alone.
    EXPECT_EQ(oracle::LogEvents(log), std::vector<std::string>(5, " - Incorrect login password."));

    // The right password, shorter than the last wrong one, is accepted and
    // writes nothing.
    Type("granite");
    Click(dialog_, IDOK);
    EXPECT_TRUE(Ended());
    EXPECT_EQ(boxes_.Boxes().size(), 5u);
    EXPECT_EQ(Log(), log);
}

TEST_F(LoginDialogTest, WrongAttemptsWriteNothingWhenLoggingIsOff) {
    for (int value : {0, 2, -1}) {
        LogEnabled = value;
        Type("nope");
        Click(dialog_, IDOK);
    }
    EXPECT_EQ(boxes_.Boxes().size(), 3u);
    EXPECT_FALSE(PathExists(LogPath));
}

TEST_F(LoginDialogTest, TheLogLineIsWrittenAfterTheBoxIsClosed) {
    // A log that cannot be opened shows its own box: it comes second.
    CreateDirectoryA(LogPath, nullptr);
    Type("nope");
    Click(dialog_, IDOK);
    ASSERT_EQ(boxes_.Boxes().size(), 2u);
    EXPECT_EQ(boxes_.Boxes()[0].text, "Incorrect password!");
    EXPECT_EQ(boxes_.Boxes()[1].text, "Program log write error!") << boxes_.Boxes()[1].caption;
    EXPECT_FALSE(Ended());
}

TEST_F(LoginDialogTest, RightPasswordEndsTheDialogByOkEnterOrCloseBox) {
    Type("granite");
    Click(dialog_, IDOK);
    EXPECT_TRUE(Ended());
    for (int way = 0; way < 2; ++way) {
        Open(IDD_LOGIN, LoginDlgProc);
        Type("granite");
        if (way == 0)
            EXPECT_TRUE(PressKey(dialog_, IDC_PASSWORD, VK_RETURN));
        else
            SendMessageA(dialog_, WM_CLOSE, 0, 0);
        EXPECT_TRUE(Ended()) << way;
    }
    EXPECT_TRUE(boxes_.Boxes().empty());
    EXPECT_FALSE(PathExists(LogPath));
    WPARAM code;
    EXPECT_FALSE(TakeQuit(&code));
}

TEST_F(LoginDialogTest, CancelAndEscapeAskTheProgramToEnd) {
    Type("granite");
    Click(dialog_, IDCANCEL);
    WPARAM code = 99;
    ASSERT_TRUE(TakeQuit(&code));
    EXPECT_EQ(code, 0u);
    // The dialog's own loop closes it when it meets the quit message.
    EXPECT_FALSE(Ended());

    EXPECT_TRUE(PressKey(dialog_, IDC_PASSWORD, VK_ESCAPE));
    code = 99;
    ASSERT_TRUE(TakeQuit(&code));
    EXPECT_EQ(code, 0u);
    EXPECT_TRUE(boxes_.Boxes().empty());
    EXPECT_FALSE(PathExists(LogPath));
}

TEST_F(LoginDialogTest, OtherCommandsAndNotificationsDoNothing) {
    Type("granite");
    SendMessageA(dialog_, WM_COMMAND, MAKEWPARAM(IDOK, BN_SETFOCUS), 0);
    SendMessageA(dialog_, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_DBLCLK), 0);
    SendMessageA(dialog_, WM_COMMAND, MAKEWPARAM(IDC_PASSWORD, EN_CHANGE), 0);
    EXPECT_FALSE(Ended());
    WPARAM code;
    EXPECT_FALSE(TakeQuit(&code));
    EXPECT_TRUE(boxes_.Boxes().empty());
}
