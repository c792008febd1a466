// larkmoor-tool on entries saved through the real program: the Windows tool
// under Wine and the native Linux tool (build/native, run beside Wine) export
// them alike, byte for byte, in every format, and the export holds what was
// typed.
#include <gtest/gtest.h>

#include "resource.h"
#include "support/driver.h"

using namespace e2e;

TEST(ToolEndToEndTest, WindowsAndNativeToolsExportTheProgramsEntriesAlike) {
    RemoveDataFolder();
    WriteSettingsFile(50, 40, 360, 260, 0, 1, 1);
    const std::string data = UnixPath(DataFolderPath());
    const std::string native = UnixPath(ProgramFolderPath()) + "/../../native/larkmoor-tool";
    if (data.empty() ||
        RunShell("test -x '" + native + "'").find("status 0\n") == std::string::npos)
        GTEST_SKIP() << "no native larkmoor-tool beside Wine here";
    // Bytes beyond ASCII go through the windows unchanged in the Western code page.
    const bool western = GetACP() == 1252;
    const std::pair<std::string, std::string> entries[] = {
        {"It's <b>bold</b> & \"quoted\"", "Line one\r\n*two* # three\r\n\r\n100% done"},
        {western ? "Caf\xe9 d\xe9j\xe0 vu" : "Cafe deja vu", western ? "Cr\xe8me \x80 5" : "Creme"},
    };

    Larkmoor program;
    HWND window = StartQuiet(program);
    ASSERT_NE(window, nullptr);
    HWND dialog = OpenDialog(program, window, IDM_ADD_ENTRY);
    ASSERT_NE(dialog, nullptr);
    std::size_t count = 0;
    for (const auto& entry : entries) {
        TypeAndSave(dialog, entry.first, entry.second);
        ASSERT_TRUE(WaitLineCount(dialog, ++count)) << entry.first;
        ASSERT_TRUE(WaitFieldText(dialog, IDC_SUBJECT, ""));
    }
    CloseEntries(dialog);
    ExitAnswering(program, window);

    for (const std::string format : {"json", "md", "html", "csv", "txt"}) {
        const std::string windowsFile = DataFile(("windows." + format).c_str());
        EXPECT_EQ(RunProgram("\"" + ProgramFolderPath() + "\\larkmoor-tool.exe\" export --format " +
                             format + " --output \"" + windowsFile + "\""),
                  0u);
        const std::string printed = RunShell(
            "'" + native + "' --data-folder '" + data + "' --codepage " + std::to_string(GetACP()) +
            " export --format " + format + " --output '" + data + "/native." + format + "'");
        EXPECT_NE(printed.find("status 0\n"), std::string::npos) << printed;
        const std::string exported = ReadFileBytes(windowsFile);
        EXPECT_GT(exported.size(), 100u) << format;
        EXPECT_EQ(exported, ReadFileBytes(DataFile(("native." + format).c_str()))) << format;
    }
    const std::string json = ReadFileBytes(DataFile("windows.json"));
    EXPECT_NE(
        json.find(R"("subject": "It's <b>bold</b> & \"quoted\"", "text": "Line one\r\n*two*)"),
        std::string::npos)
        << json;
    if (western) {
        EXPECT_NE(json.find("Caf\xc3\xa9 d\xc3\xa9j\xc3\xa0 vu"), std::string::npos) << json;
    }
    RemoveDataFolder();
}
