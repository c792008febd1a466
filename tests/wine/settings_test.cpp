// Loading and saving the settings file on disk: the first start, a file that
// is replaced whole, and a failed save that keeps the previous file.
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

TEST_F(SettingsTest, MissingFileGetsTheFirstStartSettingsWrittenAtOnce) {
    LoadSettings();
    EXPECT_EQ(File(), kInitialFile);
    EXPECT_EQ(WindowWidth, 320);
    EXPECT_EQ(WindowHeight, 240);
    EXPECT_EQ(AutoLogin, 1);
    EXPECT_FALSE(PathExists(NewFile()));
    EXPECT_TRUE(boxes_.Boxes().empty());
}

TEST_F(SettingsTest, HandWrittenFileIsLoadedAndWrittenBackUnchanged) {
    const std::string file = oracle::SettingsFile(-1280, -20, 800, 600, 2, 2, 2);
    WriteFileBytes(SettingsPath, file);
    LoadSettings();
    EXPECT_EQ(WindowLeft, -1280);
    EXPECT_EQ(WindowTop, -20);
    EXPECT_EQ(ShowStartupScreen, 2);
    EXPECT_EQ(LogEnabled, 2);
    EXPECT_EQ(AutoLogin, 2);
    EXPECT_TRUE(SaveSettings());
    EXPECT_EQ(File(), file);
}

TEST_F(SettingsTest, SaveReplacesTheWholeFile) {
    WriteFileBytes(SettingsPath, std::string(5000, 'x') + "\n1\n2\n3\n");
    // A leftover from a save that was cut short is simply overwritten.
    WriteFileBytes(NewFile(), "half a fi");
    LoadSettings();
    ApplyDefaultSettings();
    EXPECT_TRUE(SaveSettings());
    EXPECT_EQ(File(), kInitialFile);
    EXPECT_FALSE(PathExists(NewFile()));
}

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

TEST_F(SettingsTest, SettingsFileThatCannotBeReplacedLeavesNoNewFileBehind) {
    // A folder where the settings file should be: it cannot be read, and
    // the new file cannot take its place.
    CreateDirectoryA(SettingsPath, nullptr);
    LoadSettings();
    EXPECT_EQ(WindowWidth, 320);
    EXPECT_FALSE(PathExists(NewFile()));
    ExpectOneBox("An unexpected error has occurred!", "Preferences file write error!", nullptr);
}

TEST_F(SettingsTest, ReadOnlySettingsFileIsNotReplaced) {
    WriteFileBytes(SettingsPath, kInitialFile);
    SetFileAttributesA(SettingsPath, FILE_ATTRIBUTE_READONLY);
    LoadSettings();
    WindowLeft = 1;
    EXPECT_FALSE(SaveSettings());
    SetFileAttributesA(SettingsPath, FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(File(), kInitialFile);
    EXPECT_FALSE(PathExists(NewFile()));
    EXPECT_EQ(boxes_.Boxes().size(), 1u);
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
