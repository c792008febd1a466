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

// Under a double-byte code page (932, Japanese: Wine takes it from the
// locale, so scripts/run-wine-tests starts this test again under
// LC_ALL=ja_JP.UTF-8), the Windows tool converts as the program does:
// backup, verify and export of text saved through the real program give it
// back exactly, and search compares characters, never the bytes inside one.
TEST(ToolEndToEndTest, JapaneseCodePageBackupVerifyExportAndSearch) {
    if (GetACP() != 932) GTEST_SKIP() << "runs under the Japanese code page, not " << GetACP();
    RemoveDataFolder();
    WriteSettingsFile(50, 40, 360, 260, 0, 1, 1);
    // Trail bytes 0x5C (a backslash) and 0x45 ('E') inside characters, and
    // single-byte katakana.
    const std::string subject = "表計算ソフトの予定";
    const std::string text = "こんにちは世界\r\n能力と十分、ｱｲｳｴｵ";

    Larkmoor program;
    HWND window = StartQuiet(program);
    ASSERT_NE(window, nullptr);
    HWND dialog = OpenDialog(program, window, IDM_ADD_ENTRY);
    ASSERT_NE(dialog, nullptr);
    SetTextUtf8(GetDlgItem(dialog, IDC_SUBJECT), subject);
    SetTextUtf8(GetDlgItem(dialog, IDC_ENTRY_TEXT), text);
    PostClick(dialog, IDC_SAVE);
    ASSERT_TRUE(WaitLineCount(dialog, 1));
    CloseEntries(dialog);
    ExitAnswering(program, window);

    const std::string tool = "\"" + ProgramFolderPath() + "\\larkmoor-tool.exe\" ";
    const std::string backups = DataFile("backups");
    EXPECT_EQ(RunProgram(tool + "verify"), 0u);
    EXPECT_EQ(RunProgram(tool + "backup --to \"" + backups + "\""), 0u);
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((backups + "\\larkmoor-*").c_str(), &found);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    FindClose(search);
    const std::string backup = backups + "\\" + found.cFileName;
    EXPECT_EQ(RunProgram(tool + "--data-folder \"" + backup + "\" verify"), 0u);
    for (const std::string& folder : {DataFolderPath(), backup}) {
        const std::string out = DataFile("ja.json");
        DeleteFileA(out.c_str());
        EXPECT_EQ(RunProgram(tool + "--data-folder \"" + folder + "\" export --format json --output \"" +
                             out + "\""),
                  0u);
        const std::string json = ReadFileBytes(out);
        EXPECT_NE(json.find("\"codepage\": 932"), std::string::npos) << json;
        EXPECT_NE(json.find("\"subject\": \"" + subject + "\", \"text\": \"こんにちは世界\\r\\n能力と十分、ｱｲｳｴｵ\""),
                  std::string::npos)
            << json;
    }
    EXPECT_EQ(RunProgram(tool + "search 世界"), 0u);
    EXPECT_EQ(RunProgram(tool + "search ソフト"), 0u);
    EXPECT_EQ(RunProgram(tool + "search e"), 1u) << "the byte 0x45 inside 界 is no letter e";
    RemoveDataFolder();
}
