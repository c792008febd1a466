// Loading and saving the settings file on disk: a failed save keeps the
// previous file, and loading never writes a file that exists. (The file's
// format is the native tests'; first starts, damaged, read-only and
// replaced files go through the whole program in the end-to-end tests.)
#include <gtest/gtest.h>

#include <string>

#include "journal/text.h"
#include "settings/settings.h"
#include "shell/shell.h"
#include "support/oracles.h"
#include "support/ui_harness.h"

namespace {

const std::string kInitialFile = oracle::SettingsFile(0, 0, 320, 240, 1, 1, 1);

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
    std::string NewFile() const { return std::string(SettingsPath) + ".new"; }
};

}  // namespace

// The previous settings, password included, survive a save that fails.
TEST_F(SettingsTest, FailedSaveKeepsThePreviousFileAndSaysSo) {
    const std::string previous = oracle::SettingsFile(5, 6, 700, 500, 0, 1, 0, "test");
    WriteFileBytes(SettingsPath, previous);
    LoadSettings();
    WindowLeft = 99;
    ClearText(StoredPassword, sizeof StoredPassword);
    ScrambleText("changed", StoredPassword);

    CreateDirectoryA(NewFile().c_str(), nullptr);  // the new file cannot be made
    EXPECT_FALSE(SaveSettings());
    EXPECT_EQ(File(), previous);
    RemoveDirectoryA(NewFile().c_str());

    ASSERT_EQ(boxes_.Boxes().size(), 1u);
    EXPECT_TRUE(boxes_.Boxes()[0].topmost);
    // MainWindow is null while the window is created.
    ExpectOneBox("An unexpected error has occurred!", "Preferences file write error!", nullptr);
    // The record in memory stays in use.
    EXPECT_EQ(WindowLeft, 99);
}

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
