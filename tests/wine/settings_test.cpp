// Loading and saving the settings file on disk: the first start, a file that
// is replaced whole, and a failed save that keeps the previous file.
#include <gtest/gtest.h>

#include <string>

#include "journal/text.h"
#include "settings/settings.h"
#include "shell/shell.h"
#include "support/ui_harness.h"

namespace {

const std::string kInitialFile = "0\n0\n320\n240\n1\n1\n1\n\xC2\xD7\xC4\xCB\xCC\xD1\xC0\n";

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        RemoveDataFolder();
        PrepareTestPaths();
        MainWindow = nullptr;
        Zero();
    }
    void TearDown() override { RemoveDataFolder(); }
    static void Zero() {
        WindowLeft = WindowTop = WindowWidth = WindowHeight = 0;
        ShowStartupScreen = LogEnabled = AutoLogin = 0;
        ClearText(StoredPassword, sizeof StoredPassword);
    }
    std::string File() const { return ReadFileBytes(SettingsPath); }
    std::string NewFile() const { return std::string(SettingsPath) + ".new"; }

    MessageBoxAnswerer boxes_;
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
    const std::string file = "-1280\n-20\n800\n600\n2\n2\n2\n\xC2\xD7\xC4\xCB\xCC\xD1\xC0\n";
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
    const std::string previous = "5\n6\n700\n500\n0\n1\n0\n\xD1\xC0\xD6\xD1\n";
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
    const SeenBox& box = boxes_.Boxes()[0];
    EXPECT_EQ(box.text, "Preferences file write error!");
    EXPECT_EQ(box.caption, "An unexpected error has occurred!");
    EXPECT_TRUE(box.topmost);
    EXPECT_EQ(box.owner, nullptr);  // MainWindow is null while the window is created
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
    ASSERT_EQ(boxes_.Boxes().size(), 1u);
    EXPECT_EQ(boxes_.Boxes()[0].text, "Preferences file write error!");
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
    EXPECT_EQ(std::string(StoredPassword), "\xC2\xD7\xC4\xCB\xCC\xD1\xC0");
    // Numbers that are missing stay as they were: automatic login is then
    // off, so the password is asked for.
    EXPECT_EQ(AutoLogin, 0);
    EXPECT_EQ(LogEnabled, 0);
    EXPECT_EQ(File(), "");  // loading never writes an existing file
    EXPECT_TRUE(boxes_.Boxes().empty());
}
