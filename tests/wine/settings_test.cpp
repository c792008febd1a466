// Loading the settings file on disk: loading never writes a file that
// exists. (A failed save, which keeps the previous file, is the Preferences
// and Change password tests'; the file's format is the native tests'; first
// starts, damaged, read-only and replaced files go through the whole program
// in the end-to-end tests.)
#include <gtest/gtest.h>

#include <string>

#include "journal/text.h"
#include "settings/settings.h"
#include "shell/shell.h"
#include "support/oracles.h"
#include "support/ui_harness.h"

namespace {

class SettingsTest : public HarnessTest {
protected:
    void SetUp() override {
        HarnessTest::SetUp();
        Zero();
    }
    static void Zero() {
        WindowLeft = WindowTop = WindowWidth = WindowHeight = 0;
        ShowStartupScreen = LogEnabled = AutoLogin = 0;
        ClearText(StoredPassword, sizeof StoredPassword);
    }
    std::string File() const { return ReadFileBytes(SettingsPath); }
};

}  // namespace

TEST_F(SettingsTest, EmptyFileRestoresTheInitialPasswordOnly) {
    WriteFileBytes(SettingsPath, "");
    LoadSettings();
    EXPECT_EQ(std::string(StoredPassword), oracle::Scrambled("granite"));
    // Numbers that are missing stay as they were: automatic login is then
    // off, so the password is asked for.
    EXPECT_EQ(AutoLogin, 0);
    EXPECT_EQ(LogEnabled, 0);
    EXPECT_EQ(File(), "");  // loading never writes an existing file
    EXPECT_TRUE(boxes_.Boxes().empty());
}
