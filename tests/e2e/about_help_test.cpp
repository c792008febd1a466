// The help command and the About box of the real program, driven from
// another process. F1 opens the help file beside the program in the help
// viewer (whose process the test ends again); started from another folder,
// the program reports the help file as missing.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "product.h"
#include "resource.h"
#include "support/driver.h"

namespace {

std::string EmptyFolder(const char* name) {
    char base[MAX_PATH] = {};
    GetTempPathA(sizeof base, base);
    const std::string folder = std::string(base) + name;
    RemoveTree(folder);
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

class AboutHelpEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        RemoveDataFolder();
        // Startup screen off, logging off, automatic login on; a prompts file
        // of its own, so that a start from another folder needs no default.
        WriteSettingsFile(50, 40, 360, 260, 0, 0, 1);
        WriteFileBytes(DataFolderPath() + "\\larkmoorqtx.txt", "alpha\nbeta\ngamma\n");
    }
    void TearDown() override {
        EndChildren(program_.ProcessId());
        program_.Kill();
        RemoveDataFolder();
    }
    HWND StartIn(const std::string& folder) {
        if (!program_.Start(folder)) return nullptr;
        return program_.WaitMainWindow();
    }
    void ExitNormally(HWND window) {
        PostCommand(window, IDM_EXIT);
        DWORD code = 99;
        EXPECT_TRUE(program_.WaitExit(&code));
        EXPECT_EQ(code, 0u);
    }
    Larkmoor program_;
};

}  // namespace

TEST_F(AboutHelpEndToEnd, F1OpensTheHelpFileBesideTheProgramWithoutError) {
    ASSERT_TRUE(PathExists(ProgramFolderPath() + "\\larkmoorhelp.chm"));
    HWND window = StartIn(std::string());
    ASSERT_NE(window, nullptr);
    PressKeys(window, {VK_F1});
    EXPECT_TRUE(WaitForChild(program_.ProcessId(), "hh.exe", 10000))
        << "the help viewer was started";
    EXPECT_EQ(program_.WaitDialog("Error!", 2000), nullptr);
    EndChildren(program_.ProcessId());
    ExitNormally(window);
}

TEST_F(AboutHelpEndToEnd, F1StartedFromAnotherFolderReportsTheHelpFileMissing) {
    const std::string folder = EmptyFolder("larkmoor-elsewhere");
    HWND window = StartIn(folder);
    ASSERT_NE(window, nullptr);
    PressKeys(window, {VK_F1});
    HWND box = program_.WaitDialog("Error!");
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(MessageBoxText(box), "Unable to open program's help file");
    EXPECT_EQ(GetWindow(box, GW_OWNER), window);
    EXPECT_TRUE(ChildProcesses(program_.ProcessId()).empty()) << "no viewer was started";
    PostClick(box, IDOK);
    ExitNormally(window);
    RemoveTree(folder);
}

TEST_F(AboutHelpEndToEnd, AboutBoxShowsTheAddressAndOnlyOkClosesIt) {
    HWND window = StartIn(std::string());
    ASSERT_NE(window, nullptr);
    PostCommand(window, IDM_ABOUT);
    HWND about = program_.WaitDialog("About this program");
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(TextOf(GetDlgItem(about, IDC_VISIT_WEB_PAGE)), std::string("Visit ") + LARKMOOR_WEB_PAGE);

    PressKeys(about, {VK_ESCAPE});
    Sleep(300);
    EXPECT_TRUE(IsWindowVisible(about)) << "Escape does not close the About box";

    PostClick(about, IDOK);
    for (int i = 0; i < 100 && IsWindow(about); ++i) Sleep(50);
    EXPECT_FALSE(IsWindow(about));
    ExitNormally(window);
}
