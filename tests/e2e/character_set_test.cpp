// Text the code page can and cannot hold, through the real program: under
// the Western code page (1252) nothing altered is stored (each refusal and
// its message are the Win32 tests'), under the Cyrillic one (1251) Cyrillic
// text round-trips, and an application-data folder whose path holds a Greek
// letter keeps every file.
//
// Wine takes a process's code page from its locale at start, and a Windows
// environment block does not change it, so the Cyrillic test runs only when
// the whole test program does (scripts/run-wine-tests starts it a second
// time for that with LC_ALL=ru_RU.UTF-8); elsewhere it is skipped.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "journal/codepage.h"
#include "resource.h"
#include "support/driver.h"

using namespace e2e;

namespace {

// The bytes of a text in a code page, as the program stores it.
std::string InCodePage(const std::u16string& text, int codePage) {
    const TypedText typed = ConvertTypedText(text, *FindCodePage(codePage));
    EXPECT_TRUE(typed.refused.empty());
    return typed.bytes;
}

void Type(HWND dialog, int id, const std::string& utf8) {
    SetTextUtf8(GetDlgItem(dialog, id), utf8);
}

std::string PasswordLine() {
    const std::vector<std::string> lines = oracle::LinesOf(ReadFileBytes(SettingsFile()));
    return lines.size() == 8 ? lines[7] : std::string();
}

class CharacterSetTest : public QuietProgramTest {
protected:
    Larkmoor program_;
};

// Points this prefix's application-data folder at another folder while it
// lives, in both keys the shell reads, and puts the old values back.
class AppDataRedirect {
public:
    explicit AppDataRedirect(const std::u16string& folder) {
        for (Value& value : values_) {
            RegCreateKeyExW(HKEY_CURRENT_USER, value.key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                            &value.handle, nullptr);
            DWORD size = sizeof value.old;
            value.existed = RegQueryValueExW(value.handle, L"AppData", nullptr, &value.oldType,
                                             value.old, &size) == ERROR_SUCCESS;
            value.oldSize = size;
            RegSetValueExW(value.handle, L"AppData", 0, value.type,
                           reinterpret_cast<const BYTE*>(folder.c_str()),
                           static_cast<DWORD>((folder.size() + 1) * sizeof(char16_t)));
        }
    }
    ~AppDataRedirect() {
        for (Value& value : values_) {
            if (value.existed)
                RegSetValueExW(value.handle, L"AppData", 0, value.oldType, value.old,
                               value.oldSize);
            else
                RegDeleteValueW(value.handle, L"AppData");
            RegCloseKey(value.handle);
        }
    }
    AppDataRedirect(const AppDataRedirect&) = delete;
    AppDataRedirect& operator=(const AppDataRedirect&) = delete;

private:
    struct Value {
        const WCHAR* key;
        DWORD type;
        HKEY handle = nullptr;
        bool existed = false;
        DWORD oldType = 0;
        DWORD oldSize = 0;
        BYTE old[2 * MAX_PATH] = {};
    };
    Value values_[2] = {
        {L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders",
         REG_EXPAND_SZ},
        {L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", REG_SZ},
    };
};

// The short (8.3) form of a path, which this test's ANSI file helpers can open.
std::string ShortPath(const std::u16string& path) {
    WCHAR shortPath[MAX_PATH] = {};
    GetShortPathNameW(reinterpret_cast<const WCHAR*>(path.c_str()), shortPath, MAX_PATH);
    return Utf8FromUtf16(reinterpret_cast<const char16_t*>(shortPath));
}

void RemoveGreekTree(const std::u16string& folder) {
    const std::string shortPath = ShortPath(folder);
    if (!shortPath.empty()) RemoveTree(shortPath);
}

}  // namespace

TEST_F(CharacterSetTest, WesternCodePageStoresExactlyOrRefusesAloud) {
    if (GetACP() != 1252) GTEST_SKIP() << "needs the Western code page, not " << GetACP();
    HWND window = StartQuiet(program_);
    ASSERT_NE(window, nullptr);
    HWND dialog = OpenDialog(program_, window, IDM_ADD_ENTRY);
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(SaveRefused(
        program_, dialog, "Zażółć gęślą jaźń", "Best fit drops the accents.", "Data Entry Error",
        "The Subject contains \"ż\", \"ł\", \"ć\", \"ę\", \"ś\" and 3 more, which this "
        "computer's character set cannot hold. Nothing was saved. Write the Subject without such "
        "characters and save again."));
    ASSERT_TRUE(SaveRefused(
        program_, dialog, "Greetings", "Привет 世界 😀 end", "Data Entry Error",
        "The Journal Entry contains \"П\", \"р\", \"и\", \"в\", \"е\" and 4 more, which this "
        "computer's character set cannot hold. Nothing was saved. Write the Journal Entry without "
        "such characters and save again."));
    Type(dialog, IDC_SUBJECT, "Crème brûlée");
    Type(dialog, IDC_ENTRY_TEXT, "Café déjà €5");
    PostClick(dialog, IDC_SAVE);
    ASSERT_TRUE(WaitLineCount(dialog, 1));
    CloseEntries(dialog);
    ExitAnswering(program_, window);
    const std::vector<JournalRow> rows = ReadJournal(DatabaseFile());
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].subject, InCodePage(u"Crème brûlée", 1252));
    EXPECT_EQ(rows[0].entry, InCodePage(u"Café déjà €5", 1252));
}

TEST_F(CharacterSetTest, CyrillicCodePageKeepsCyrillicTextsSearchesAndPasswords) {
    if (GetACP() != 1251) GTEST_SKIP() << "runs under the Cyrillic code page, not " << GetACP();
    const std::string subject = "Привет мир";
    const std::string entry = "Съешь же ещё этих мягких французских булок";
    HWND window = StartQuiet(program_);
    ASSERT_NE(window, nullptr);
    HWND dialog = OpenDialog(program_, window, IDM_ADD_ENTRY);
    ASSERT_NE(dialog, nullptr);
    // The code page's own letter on the key byte is named as typed.
    ASSERT_TRUE(SaveRefused(
        program_, dialog, subject, "Ґанок", "Data Entry Error",
        "The Journal Entry contains the character \"Ґ\", which the journal cannot store. "
        "Remove it and save again."));
    Type(dialog, IDC_ENTRY_TEXT, entry);
    PostClick(dialog, IDC_SAVE);
    ASSERT_TRUE(WaitLineCount(dialog, 1));
    CloseEntries(dialog);

    dialog = OpenDialog(program_, window, IDM_SEARCH_ENTRIES);
    ASSERT_NE(dialog, nullptr);
    Type(dialog, IDC_SEARCH_TEXT, "мир");
    PostClick(dialog, IDC_SEARCH_GO);
    ASSERT_TRUE(WaitLineCount(dialog, 1));
    SelectLine(dialog, InCodePage(Utf16FromUtf8(subject), 1251));
    EXPECT_EQ(TextUtf8(GetDlgItem(dialog, IDC_ENTRY_TEXT)), entry);
    CloseEntries(dialog);

    ChangePassword(program_, window, "granite", "пароль", "Your password has been changed.");
    HWND login = LogOut(program_, window);
    ASSERT_NE(login, nullptr);
    // What a lossy conversion of the password would have stored.
    Type(login, IDC_PASSWORD, "??????");
    PostClick(login, IDOK);
    ASSERT_TRUE(Answer(program_, "Notice", "Incorrect password!"));
    Type(login, IDC_PASSWORD, "пароль");
    ASSERT_TRUE(CloseBy(login, IDOK));
    ExitAnswering(program_, window);

    const std::vector<JournalRow> rows = ReadJournal(DatabaseFile());
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].subject, InCodePage(Utf16FromUtf8(subject), 1251));
    EXPECT_EQ(rows[0].entry, InCodePage(Utf16FromUtf8(entry), 1251));
    EXPECT_EQ(PasswordLine(), oracle::Scrambled(InCodePage(u"пароль", 1251)));
}

TEST_F(CharacterSetTest, FoldersWhosePathsHoldAGreekLetterKeepEveryFile) {
    // Wine writes file names to Linux in the character set of its locale,
    // and the locale of the Cyrillic run (not installed here) has no Greek.
    if (GetACP() != 1252) GTEST_SKIP() << "needs the Western code page, not " << GetACP();
    const std::u16string appData = u"C:\\Larkmoor Δοκιμή";
    const std::u16string programFolder = appData + u"\\Πρόγραμμα";
    RemoveGreekTree(appData);  // what a failed run may have left
    ASSERT_TRUE(CreateDirectoryW(reinterpret_cast<const WCHAR*>(appData.c_str()), nullptr));
    ASSERT_TRUE(CreateDirectoryW(reinterpret_cast<const WCHAR*>(programFolder.c_str()), nullptr));
    const std::string prompts = "From a Greek folder\r\nSecond prompt\r\n";
    ASSERT_NE(ShortPath(programFolder), "");
    ASSERT_TRUE(WriteFileBytes(ShortPath(programFolder) + "\\larkmoorqtx.txt", prompts));
    const std::string dataFolder = ShortPath(appData) + "\\larkmoor";
    {
        AppDataRedirect redirect(appData);
        ASSERT_TRUE(program_.Start(Utf8FromUtf16(programFolder)));
        HWND window = program_.WaitMainWindow();
        ASSERT_NE(window, nullptr) << OpenDialogs(program_);
        EXPECT_EQ(ProcessDialogs(program_.ProcessId()).size(), 0u) << OpenDialogs(program_);
        ExitAnswering(program_, window);
    }
    for (const char* name : {"\\larkmoor.cfg", "\\larkmoorlog.txt", "\\larkmoor.3db"})
        EXPECT_TRUE(PathExists(dataFolder + name)) << name;
    EXPECT_EQ(ReadFileBytes(dataFolder + "\\larkmoorqtx.txt"), prompts);
    EXPECT_FALSE(PathExists(DataFolderPath() + "\\larkmoor.3db"));
    RemoveGreekTree(appData);
}

TEST_F(CharacterSetTest, DataFolderWithoutAShortNameEndsWithOneClearMessage) {
    if (GetACP() != 1252) GTEST_SKIP() << "needs the Western code page, not " << GetACP();
    // A folder that does not exist has no short name either.
    AppDataRedirect redirect(u"C:\\Λείπει");
    ASSERT_TRUE(program_.Start());
    ASSERT_TRUE(Answer(program_, "Larkmoor Notice",
              "Larkmoor cannot keep its files in your application-data folder:\n\nC:\\Λείπει\n\n"
              "Its path contains \"Λ\", \"ε\", \"ί\", \"π\" and \"ι\", which this computer's "
              "character set cannot hold, and Windows gives no short name for it. Ask your "
              "administrator to turn on short names for this drive, or to set the language for "
              "non-Unicode programs to one that has these characters."))
        << OpenDialogs(program_);
    ASSERT_TRUE(EndsWithZero(program_));
    // Nothing was written: neither folder got a file.
    EXPECT_EQ(GetFileAttributesW(L"C:\\Λείπει"), INVALID_FILE_ATTRIBUTES);
    EXPECT_FALSE(PathExists(DataFolderPath() + "\\larkmoorlog.txt"));
}
