// Text the user types that the ANSI code page cannot hold, in the real dialogs
// under the Western code page (1252): it is refused aloud, naming the
// characters as typed, and nothing altered is ever stored or compared.
// Texts go into the controls in UTF-16, as typing puts them there.
#include <gtest/gtest.h>

#include <string>

#include "journal/codepage.h"
#include "journal/journal.h"
#include "journal/text.h"
#include "log/log_file.h"
#include "prompts/prompts.h"
#include "resource.h"
#include "settings/settings.h"
#include "shell/ansi_text.h"
#include "shell/shell.h"
#include "support/oracles.h"
#include "support/ui_harness.h"

namespace {

using oracle::Scrambled;

class TypedTextTest : public HarnessTest {
protected:
    void SetUp() override {
        if (GetACP() != 1252) GTEST_SKIP() << "needs the Western code page, not " << GetACP();
        HarnessTest::SetUp();
        ApplyDefaultSettings();
        CreateJournalDatabase();
    }
    // Texts go in and come out in UTF-16, as typing puts them there.
    void Type(int id, const std::string& utf8) const {
        SetWindowTextUtf8(GetDlgItem(dialog_, id), utf8);
    }
    std::string Field(int id) const { return WindowTextUtf8(GetDlgItem(dialog_, id)); }
    // The selection in a field, in UTF-16 units.
    std::pair<DWORD, DWORD> Selection(int id) const {
        DWORD start = 0;
        DWORD end = 0;
        SendDlgItemMessageW(dialog_, id, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                            reinterpret_cast<LPARAM>(&end));
        return {start, end};
    }
};

}  // namespace

TEST_F(TypedTextTest, TheSystemEncoderAgreesWithTheCodePageTable) {
    const CodePage& page = *FindCodePage(1252);
    for (const std::u16string& text :
         {std::u16string(u"Café déjà €5 ¥"), std::u16string(u"Zażółć gęślą jaźń"),
          std::u16string(u"Привет 世界 \U0001F600 end"), std::u16string(u"a") + char16_t(0xDC00)}) {
        const TypedText system = ConvertToAnsi(text);
        const TypedText table = ConvertTypedText(text, page);
        EXPECT_EQ(system.refused, table.refused);
        if (table.refused.empty()) {
            EXPECT_EQ(system.bytes, table.bytes);
        }
    }
}

TEST_F(TypedTextTest, SaveRefusesByFieldAndKeepsAllFourFieldsAndStoresNothing) {
    struct Case {
        const char* subject;
        const char* entry;
        std::string message;
        int field;
        DWORD selected;  // the first refused character
    };
    const Case cases[] = {
        {"Zażółć gęślą jaźń", "fine text",
         "The Subject contains \"ż\", \"ł\", \"ć\", \"ę\", \"ś\" and 3 more, which this computer's "
         "character set cannot hold. Nothing was saved. Write the Subject without such "
         "characters and save again.",
         IDC_SUBJECT, 2},
        {"Greetings", "Привет 世界 😀 end",
         "The Journal Entry contains \"П\", \"р\", \"и\", \"в\", \"е\" and 4 more, which this "
         "computer's character set cannot hold. Nothing was saved. Write the Journal Entry "
         "without such characters and save again.",
         IDC_ENTRY_TEXT, 0},
    };
    EntriesMode = EntryMode::Add;
    Open(IDD_ENTRIES, EntriesDlgProc);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.subject);
        Type(IDC_SUBJECT, c.subject);
        Type(IDC_ENTRY_TEXT, c.entry);
        Click(dialog_, IDC_SAVE);
        ExpectOneBox("Data Entry Error", c.message);
        EXPECT_EQ(Field(IDC_SUBJECT), c.subject);
        EXPECT_EQ(Field(IDC_ENTRY_TEXT), c.entry);
        EXPECT_EQ(Field(IDC_DATE), "");
        EXPECT_EQ(Field(IDC_RECORD_NUMBER), "");
        EXPECT_EQ(GetFocus(), GetDlgItem(dialog_, c.field));
        EXPECT_EQ(Selection(c.field), std::make_pair(c.selected, c.selected + 1));
    }
    JournalRecord stored;
    EXPECT_EQ(StoreReadEntry(DatabasePath, 1, stored), StoreResult::NoSuchRecord);
}

TEST_F(TypedTextTest, SearchForCharactersTheCodePageCannotHoldRunsNoQuery) {
    // A look-alike search for "ż" would find every "z".
    ASSERT_EQ(StoreInsertEntry(DatabasePath, "2020-02-02 02:02:02", "zazen", "x"),
              StoreResult::Done);
    EntriesMode = EntryMode::Search;
    Open(IDD_ENTRIES, EntriesDlgProc);
    Type(IDC_SEARCH_TEXT, "żaż");
    Click(dialog_, IDC_SEARCH_GO);
    ExpectOneBox("Notice",
                 "The search text contains \"ż\", which this computer's character set cannot "
                 "hold: no entry in the journal can contain such characters.");
    EXPECT_EQ(SendDlgItemMessageW(dialog_, IDC_SUBJECT_LIST, LB_GETCOUNT, 0, 0), 0);
    Type(IDC_SEARCH_TEXT, "zaz");
    Click(dialog_, IDC_SEARCH_GO);
    EXPECT_EQ(SendDlgItemMessageW(dialog_, IDC_SUBJECT_LIST, LB_GETCOUNT, 0, 0), 1);
}

TEST_F(TypedTextTest, LoginTakesSuchAPasswordAsWrongNeverAsQuestionMarks) {
    // Stored passwords that "пароль" turned into question marks, or "granitе"
    // (a Cyrillic "е" at the end) without its last letter, would match.
    const char* const cases[][2] = {{"??????", "пароль"}, {"granit", "granitе"}};
    LogEnabled = 1;
    Open(IDD_LOGIN, LoginDlgProc);
    for (const auto& c : cases) {
        SCOPED_TRACE(c[1]);
        ClearText(StoredPassword, sizeof StoredPassword);
        ScrambleText(c[0], StoredPassword);
        DeleteFileA(LogPath);
        Type(IDC_PASSWORD, c[1]);
        Click(dialog_, IDOK);
        ExpectOneBox("Notice", "Incorrect password!");
        EXPECT_TRUE(IsWindowVisible(dialog_));
        EXPECT_NE(ReadFileBytes(LogPath).find(kIncorrectPasswordText), std::string::npos);
    }
    Type(IDC_PASSWORD, "granit");
    Click(dialog_, IDOK);
    EXPECT_TRUE(boxes_.Boxes().empty());
    EXPECT_FALSE(IsWindowVisible(dialog_));
}

TEST_F(TypedTextTest, ChangePasswordRefusesSuchAPasswordAndStoresNothing) {
    struct Case {
        const char* current;
        const char* fresh;
        const char* message;
    };
    const Case cases[] = {
        {"granite", "пароль",
         "The new password contains \"п\", \"а\", \"р\", \"о\", \"л\" and 1 more, which this "
         "computer's character set cannot hold. Choose a password without such characters."},
        {"granitе", "new one", "Incorrect password!"},  // a Cyrillic "е" at the end
    };
    Open(IDD_CHANGE_PASSWORD, ChangePasswordDlgProc);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fresh);
        Type(IDC_CURRENT_PASSWORD, c.current);
        Type(IDC_NEW_PASSWORD, c.fresh);
        Click(dialog_, IDOK);
        ExpectOneBox("Notice", c.message);
        EXPECT_TRUE(IsWindowVisible(dialog_));
    }
    EXPECT_EQ(std::string(StoredPassword), Scrambled("granite"));
    EXPECT_FALSE(PathExists(SettingsPath));
}

TEST_F(TypedTextTest, EditPromptsNamesTheFirstLineThatCannotBeKeptAndSavesNothing) {
    const std::string before = "one\r\ntwo\r\n";
    ASSERT_TRUE(WriteFileBytes(PromptsPath, before));
    Open(IDD_EDIT_PROMPTS, EditPromptsDlgProc);
    const std::string typed = "one\r\ntwo\r\nZażółć\r\n四 five\r\n";
    Type(IDC_PROMPTS_TEXT, typed);
    Click(dialog_, IDOK);
    ExpectOneBox("Notice",
                 "Line 3 contains \"ż\", \"ł\" and \"ć\", which this computer's character "
                 "set cannot hold. The prompts were not saved; your text is still in the dialog. "
                 "Write the line without such characters and click OK again.");
    EXPECT_TRUE(IsWindowVisible(dialog_));
    EXPECT_EQ(Field(IDC_PROMPTS_TEXT), typed);
    EXPECT_EQ(Selection(IDC_PROMPTS_TEXT), std::make_pair(DWORD{12}, DWORD{13}));
    EXPECT_EQ(ReadFileBytes(PromptsPath), before);
    EXPECT_FALSE(PathExists(std::string(PromptsPath) + ".new"));
}
