// The About box's Visit button and the help command against the real shell
// of the test's Wine prefix. A fresh prefix opens web addresses with
// winebrowser and compiled help with hh.exe, and both opens succeed even
// without a browser; so each test points the prefix's "open" command for
// the address or the help file at a program of its choice for its duration:
// a missing one (the open fails) or cmd.exe writing down what it was given
// (the open succeeds and shows the address, file and folder used).
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "product.h"
#include "resource.h"
#include "shell/shell.h"
#include "support/oracles.h"
#include "support/ui_harness.h"
#include "support/wait.h"

namespace {

// Replaces the open command of a shell class (for example "https") in the
// machine's class registry, and puts the old one back when it goes.
class OpenCommandOverride {
public:
    OpenCommandOverride(const std::string& shellClass, const std::string& command)
        : key_("Software\\Classes\\" + shellClass + "\\shell\\open\\command") {
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key_.c_str(), 0, KEY_QUERY_VALUE, &key) ==
            ERROR_SUCCESS) {
            char value[1024] = {};
            DWORD size = sizeof value - 1;
            had_ = RegQueryValueExA(key, nullptr, nullptr, nullptr,
                                    reinterpret_cast<BYTE*>(value), &size) == ERROR_SUCCESS;
            old_ = value;
            RegCloseKey(key);
        }
        Set(command);
    }
    ~OpenCommandOverride() {
        if (had_) {
            Set(old_);
        } else {
            RegDeleteKeyA(HKEY_LOCAL_MACHINE, key_.c_str());
        }
    }
    OpenCommandOverride(const OpenCommandOverride&) = delete;
    OpenCommandOverride& operator=(const OpenCommandOverride&) = delete;
    bool Ok() const { return ok_; }

private:
    void Set(const std::string& command) {
        HKEY key = nullptr;
        ok_ = RegCreateKeyExA(HKEY_LOCAL_MACHINE, key_.c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                              nullptr, &key, nullptr) == ERROR_SUCCESS &&
              RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                             static_cast<DWORD>(command.size() + 1)) == ERROR_SUCCESS;
        if (key != nullptr) RegCloseKey(key);
    }

    std::string key_;
    std::string old_;
    bool had_ = false;
    bool ok_ = false;
};

const char kMissingProgram[] = "\"C:\\larkmoor-test\\no-such-viewer.exe\" \"%1\"";

// A command that writes the file it is given (line 1) and the folder it runs
// in (line 2) into the report file.
std::string ReportingCommand(const std::string& report) {
    return "C:\\windows\\system32\\cmd.exe /c echo %1>\"" + report + "\"& cd>>\"" + report + "\"";
}

// The report's lines, trimmed, once the command has written both of them
// (or after a minute).
std::vector<std::string> WaitForReport(const std::string& report) {
    std::vector<std::string> lines;
    wait::WaitUntil(
        [&] {
            // Whole lines only: cmd may be writing the next one.
            const std::string bytes = ReadFileBytes(report);
            lines = oracle::LinesOf(bytes.substr(0, bytes.rfind('\n') + 1));
            for (std::string& l : lines)
                while (!l.empty() && (l.back() == ' ' || l.back() == '\r')) l.pop_back();
            return lines.size() >= 2;
        },
        60000);
    return lines;
}

class AboutVisitTest : public HarnessTest {
protected:
    void SetUp() override {
        HarnessTest::SetUp();
        ASSERT_NE(Open(IDD_ABOUT, AboutDlgProc), nullptr);
    }
};

}  // namespace

TEST_F(AboutVisitTest, OnlyAClickOpensAndAFailedOpenAsksAreYouOnline) {
    OpenCommandOverride https("https", kMissingProgram);
    ASSERT_TRUE(https.Ok());
    // The same control with another notification code is not a click.
    SendMessageA(dialog_, WM_COMMAND, MAKEWPARAM(IDC_VISIT_WEB_PAGE, BN_SETFOCUS), 0);
    EXPECT_TRUE(boxes_.Boxes().empty());
    // Asked at each try; the About box stays open.
    for (int attempt = 0; attempt < 2; ++attempt) {
        Click(dialog_, IDC_VISIT_WEB_PAGE);
        ExpectOneBox("Notice", "Are you online now?");
        EXPECT_TRUE(IsWindowVisible(dialog_));
    }
}

TEST_F(AboutVisitTest, SuccessfulOpenGetsTheProductAddressAndSaysNothing) {
    const std::string folder = EmptyTempFolder("larkmoor-visit");
    const std::string report = folder + "\\opened.txt";
    OpenCommandOverride https("https", ReportingCommand(report));
    ASSERT_TRUE(https.Ok());
    Click(dialog_, IDC_VISIT_WEB_PAGE);
    const std::vector<std::string> lines = WaitForReport(report);
    EXPECT_TRUE(boxes_.Boxes().empty());
    EXPECT_TRUE(IsWindowVisible(dialog_));
    ASSERT_GE(lines.size(), 1u);
    EXPECT_EQ(lines[0], LARKMOOR_WEB_PAGE);
    RemoveTree(folder);
}

// ------------------------------------------------------------- help command

namespace {

class HelpCommandTest : public HarnessTest {
protected:
    void SetUp() override {
        HarnessTest::SetUp();
        GetCurrentDirectoryA(sizeof savedFolder_, savedFolder_);
        lstrcpynA(savedProgramFolder_, ProgramFolder, sizeof savedProgramFolder_);
        owner_ = CreateWindowExA(0, "static", "help owner", WS_POPUP, 0, 0, 10, 10, nullptr,
                                 nullptr, Instance, nullptr);
        ASSERT_NE(owner_, nullptr);
    }
    void TearDown() override {
        SetCurrentDirectoryA(savedFolder_);
        lstrcpynA(ProgramFolder, savedProgramFolder_, sizeof ProgramFolder);
        DestroyWindow(owner_);
        HarnessTest::TearDown();
    }
    // The program runs with its program folder as the current folder.
    void StartIn(const std::string& folder) {
        lstrcpynA(ProgramFolder, folder.c_str(), sizeof ProgramFolder);
        SetCurrentDirectoryA(folder.c_str());
    }
    char savedFolder_[MAX_PATH] = {};
    char savedProgramFolder_[kTextSize] = {};
    HWND owner_ = nullptr;
};

}  // namespace

TEST_F(HelpCommandTest, HelpFileWithoutAViewerIsReported) {
    const std::string folder = EmptyTempFolder("larkmoor-noviewer");
    ASSERT_TRUE(WriteFileBytes(folder + "\\larkmoorhelp.chm", "ITSF"));
    OpenCommandOverride viewer("chm.file", kMissingProgram);
    ASSERT_TRUE(viewer.Ok());
    StartIn(folder);
    OpenHelpFile(owner_);
    ExpectOneBox("Error!", "Unable to open program's help file", owner_);
    RemoveTree(folder);
}

TEST_F(HelpCommandTest, OpensTheProgramFoldersHelpFileThere) {
    const std::string folder = EmptyTempFolder("larkmoor-help");
    ASSERT_TRUE(WriteFileBytes(folder + "\\larkmoorhelp.chm", "ITSF"));
    const std::string report = EmptyTempFolder("larkmoor-help-report") + "\\opened.txt";
    OpenCommandOverride viewer("chm.file", ReportingCommand(report));
    ASSERT_TRUE(viewer.Ok());
    StartIn(folder);
    OpenHelpFile(owner_);
    const std::vector<std::string> lines = WaitForReport(report);
    EXPECT_TRUE(boxes_.Boxes().empty());
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lstrcmpiA(lines[0].c_str(), (folder + "\\larkmoorhelp.chm").c_str()), 0) << lines[0];
    EXPECT_EQ(lstrcmpiA(lines[1].c_str(), folder.c_str()), 0)
        << "the viewer runs in the program folder: " << lines[1];
    RemoveTree(folder);
}
