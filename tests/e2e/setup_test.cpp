// The setup program of the build (x64 or x86), run silently as a scripted
// install runs it: the files, shortcuts and Apps & features entry it makes, the
// program started the way its Start-menu shortcut starts it, setup refused
// while Larkmoor runs, a second install upgrading the first in place, and the
// uninstaller, which keeps the user's data folder.
#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shlwapi.h>
#include <shobjidl.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <string>

#include "product.h"
#include "product_version.h"
#include "resource.h"
#include "support/driver.h"

using namespace e2e;

namespace {

const char kEntryKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Larkmoor";
// The files setup puts beside the program.
const char* const kShipped[] = {"larkmoor.exe", "larkmoorqtx.txt", "larkmoorhelp.chm",
                                "larkmoor-tool.exe"};

// Built beside the test program, whose folder holds the program folder.
std::string SetupPath() {
    return ProgramFolderPath() +
           "\\..\\larkmoor-" LARKMOOR_VERSION_TEXT "-setup-" LARKMOOR_SETUP_ARCH ".exe";
}

std::string SpecialFolder(int csidl) {
    char path[MAX_PATH] = {};
    SHGetSpecialFolderPathA(nullptr, path, csidl, FALSE);
    return path;
}

std::string DefaultFolder() {
    return SpecialFolder(CSIDL_LOCAL_APPDATA) + "\\Programs\\Larkmoor";
}

std::string StartMenu(const char* name) {
    return SpecialFolder(CSIDL_PROGRAMS) + "\\" + name;
}

std::string DesktopLink() {
    return SpecialFolder(CSIDL_DESKTOPDIRECTORY) + "\\Larkmoor.lnk";
}

DWORD RunSetup(const std::string& options = std::string()) {
    return RunProgram("\"" + SetupPath() + "\" /S" + options);
}

// The uninstaller run in place (not from its copy in the temporary folder),
// so that its exit code is the one of the uninstall.
DWORD RunUninstallerInPlace(const std::string& folder) {
    return RunProgram("\"" + folder + "\\uninstall.exe\" /S _?=" + folder);
}

bool EntryExists() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kEntryKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

// A value of the Apps & features entry as text (numbers in decimal); empty
// when it is missing.
std::string EntryValue(const char* name) {
    char text[1024] = {};
    DWORD size = sizeof text;
    DWORD type = 0;
    if (RegGetValueA(HKEY_CURRENT_USER, kEntryKey, name, RRF_RT_REG_SZ | RRF_RT_REG_DWORD, &type,
                     text, &size) != ERROR_SUCCESS)
        return std::string();
    if (type == REG_DWORD) {
        DWORD number;
        std::memcpy(&number, text, sizeof number);
        return std::to_string(number);
    }
    return text;
}

using Tree = std::map<std::string, std::string>;

// A folder's files by name and size, for failure messages.
std::string Describe(const Tree& tree) {
    std::string text;
    for (const auto& [name, bytes] : tree)
        text += "\n  " + name + " (" + std::to_string(bytes.size()) + " bytes)";
    return text.empty() ? " none" : text;
}

struct Shortcut {
    std::string target;
    std::string folder;  // the working folder ("Start in")
};

// Reads a .lnk file through the shell's own link object.
Shortcut ReadShortcut(const std::string& path) {
    Shortcut shortcut;
    IShellLinkA* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&link))))
        return shortcut;
    IPersistFile* file = nullptr;
    wchar_t widePath[MAX_PATH] = {};
    MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, widePath, MAX_PATH);
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))) &&
        SUCCEEDED(file->Load(widePath, STGM_READ))) {
        char text[MAX_PATH] = {};
        if (SUCCEEDED(link->GetPath(text, MAX_PATH, nullptr, SLGP_RAWPATH))) shortcut.target = text;
        text[0] = '\0';
        if (SUCCEEDED(link->GetWorkingDirectory(text, MAX_PATH))) shortcut.folder = text;
    }
    if (file != nullptr) file->Release();
    link->Release();
    return shortcut;
}

class Setup : public ::testing::Test {
protected:
    void SetUp() override {
        CoInitialize(nullptr);
        Clean();
        ASSERT_TRUE(PathExists(SetupPath())) << SetupPath() << " was not built";
    }
    void TearDown() override {
        EndChildren(program_.ProcessId());
        program_.Kill();
        Clean();
        CoUninitialize();
    }
    // Whatever a failed test left: no installation, no data folder.
    void Clean() {
        RemoveTree(DefaultFolder());
        RemoveTree(customFolder_);
        for (const std::string& link :
             {StartMenu("Larkmoor.lnk"), StartMenu("Larkmoor Help.lnk"), DesktopLink()})
            DeleteFileA(link.c_str());
        RegDeleteTreeA(HKEY_CURRENT_USER, kEntryKey);
        RemoveDataFolder();
    }
    // Every file setup put there equals the one built; the uninstaller too.
    void ExpectInstalledIn(const std::string& folder) {
        for (const char* name : kShipped) {
            const std::string built = ReadFileBytes(ProgramFolderPath() + "\\" + name);
            EXPECT_FALSE(built.empty()) << name;
            EXPECT_EQ(ReadFileBytes(folder + "\\" + name), built) << name;
        }
        EXPECT_TRUE(PathExists(folder + "\\uninstall.exe"));
        EXPECT_EQ(EntryValue("InstallLocation"), folder);
    }
    const std::string customFolder_ = SpecialFolder(CSIDL_LOCAL_APPDATA) + "\\Larkmoor Elsewhere";
    Larkmoor program_;
};

}  // namespace

TEST_F(Setup, InstallsStartsFromItsShortcutRefusesWhileRunningAndUninstallsKeepingTheData) {
    ASSERT_EQ(RunSetup(), 0u);
    const std::string folder = DefaultFolder();
    ExpectInstalledIn(folder);

    const Shortcut start = ReadShortcut(StartMenu("Larkmoor.lnk"));
    EXPECT_EQ(start.target, folder + "\\larkmoor.exe");
    EXPECT_EQ(start.folder, folder) << "the program finds its help and prompts in its folder";
    EXPECT_EQ(ReadShortcut(StartMenu("Larkmoor Help.lnk")).target, folder + "\\larkmoorhelp.chm");
    EXPECT_FALSE(PathExists(DesktopLink())) << "the desktop shortcut is off unless chosen";

    const std::string quiet = "\"" + folder + "\\uninstall.exe\" /S";
    const std::map<std::string, std::string> entry = {
        {"DisplayName", "Larkmoor"},
        {"DisplayVersion", LARKMOOR_VERSION_TEXT},
        {"Publisher", LARKMOOR_OWNER},
        {"DisplayIcon", folder + "\\larkmoor.exe,0"},
        {"UninstallString", "\"" + folder + "\\uninstall.exe\""},
        {"QuietUninstallString", quiet},
        {"NoModify", "1"},
        {"NoRepair", "1"},
    };
    for (const auto& [name, value] : entry) EXPECT_EQ(EntryValue(name.c_str()), value) << name;
    EXPECT_GT(std::atoi(EntryValue("EstimatedSize").c_str()), 1000) << "kilobytes";

    // A first start, from the shortcut: the window, a default prompt, the help.
    ASSERT_TRUE(program_.Start(start.folder, start.target));
    HWND window = program_.WaitMainWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(ReadFileBytes(DataFolderPath() + "\\larkmoorqtx.txt"),
              ReadFileBytes(folder + "\\larkmoorqtx.txt"));
    EXPECT_NE(TextOf(PromptView(window)), "");
    PressKeys(window, {VK_F1});
    EXPECT_TRUE(WaitForChild(program_.ProcessId(), "hh.exe", 10000)) << "the help viewer started";
    EXPECT_EQ(program_.WaitDialog("Error!", 2000), nullptr);
    EndChildren(program_.ProcessId());

    // While it runs, neither setup nor the uninstaller changes anything.
    const Tree installed = ReadTree(folder);
    EXPECT_EQ(RunSetup(), 2u);
    EXPECT_EQ(RunUninstallerInPlace(folder), 2u);
    EXPECT_TRUE(ReadTree(folder) == installed) << Describe(ReadTree(folder));
    EXPECT_TRUE(PathExists(StartMenu("Larkmoor.lnk")));
    EXPECT_EQ(EntryValue("QuietUninstallString"), quiet);

    PostCommand(window, IDM_EXIT);
    DWORD code = 99;
    ASSERT_TRUE(program_.WaitExit(&code));
    const Tree data = ReadTree(DataFolderPath());
    ASSERT_FALSE(data.empty());

    // The uninstall command as Apps & features runs it: the uninstaller hands
    // over to a copy of itself and returns at once, so wait for its result.
    EXPECT_EQ(RunProgram(quiet), 0u);
    EXPECT_TRUE(WaitUntil([&] { return !PathExists(folder) && !EntryExists(); }, 60000))
        << "left:" << Describe(ReadTree(folder)) << "\nentry " << EntryExists();
    EXPECT_FALSE(PathExists(StartMenu("Larkmoor.lnk")));
    EXPECT_FALSE(PathExists(StartMenu("Larkmoor Help.lnk")));
    EXPECT_TRUE(ReadTree(DataFolderPath()) == data)
        << "the data folder stays as it was:" << Describe(data)
        << "\nnow:" << Describe(ReadTree(DataFolderPath()));
}

TEST_F(Setup, SecondInstallUpgradesTheFirstInItsOwnFolder) {
    ASSERT_EQ(RunSetup(" /D=" + customFolder_), 0u);
    ExpectInstalledIn(customFolder_);
    ASSERT_TRUE(WriteFileBytes(customFolder_ + "\\larkmoorqtx.txt", "an older prompts file\r\n"));
    ASSERT_TRUE(WriteFileBytes(customFolder_ + "\\my notes.txt", "mine\r\n"));

    ASSERT_EQ(RunSetup(), 0u);
    ExpectInstalledIn(customFolder_);
    EXPECT_FALSE(PathExists(DefaultFolder()));
    EXPECT_EQ(ReadShortcut(StartMenu("Larkmoor.lnk")).folder, customFolder_);

    // The uninstaller takes only its own files.
    EXPECT_EQ(RunUninstallerInPlace(customFolder_), 0u);
    EXPECT_FALSE(EntryExists());
    Tree left = ReadTree(customFolder_);
    left.erase("uninstall.exe");  // run in place, it cannot delete itself
    EXPECT_TRUE(left == Tree({{"my notes.txt", "mine\r\n"}})) << Describe(left);
}
