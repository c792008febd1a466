// Loading the prompts into a real hidden list box and showing them in a real
// edit control, and the Edit Brainstorm Prompts dialog from its real
// template, under Wine: the C runtime's text mode, the list box's item
// storage and the main window's creation steps.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "prompts/prompts.h"
#include "prompts/random.h"
#include "resource.h"
#include "shell/paths.h"
#include "shell/shell.h"
#include "support/prompt_file_cases.h"
#include "support/ui_harness.h"

namespace {

HMENU const kNoId = reinterpret_cast<HMENU>(static_cast<INT_PTR>(-1));

std::vector<std::string> ListItems() {
    std::vector<std::string> items;
    const LRESULT count = SendMessageA(PromptList, LB_GETCOUNT, 0, 0);
    char item[kTextSize];
    for (LRESULT i = 0; i < count; ++i) {
        EXPECT_TRUE(GetPromptText(static_cast<WPARAM>(i), item)) << i;
        items.push_back(item);
    }
    return items;
}

// The prompt list and the prompt view as the main window makes them, under
// a hidden parent of their own.
class PromptsTest : public HarnessTest {
protected:
    void SetUp() override {
        HarnessTest::SetUp();
        parent_ = CreateWindowExA(0, "static", "", WS_POPUP, 0, 0, 300, 200, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
        PromptList = CreateWindowExA(0, "listbox", nullptr, WS_CHILD, 0, 0, 10, 10, parent_,
                                     kNoId, GetModuleHandleA(nullptr), nullptr);
        PromptView = CreateWindowExA(0, "edit", nullptr,
                                     WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_READONLY |
                                         ES_MULTILINE,
                                     0, 0, 300, 200, parent_, kNoId, GetModuleHandleA(nullptr),
                                     nullptr);
        ResetRandom();
    }
    void TearDown() override {
        Close();
        DestroyWindow(parent_);
        PromptList = nullptr;
        PromptView = nullptr;
        ResetRandom();
        HarnessTest::TearDown();
    }
    void FillList(const std::vector<std::string>& prompts) {
        SendMessageA(PromptList, LB_RESETCONTENT, 0, 0);
        for (const std::string& prompt : prompts)
            SendMessageA(PromptList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(prompt.c_str()));
    }
    // The prompts file, loaded into the list with the given prompt on show.
    void StartWith(const std::string& bytes, const char* shown) {
        ASSERT_TRUE(WriteFileBytes(PromptsPath, bytes));
        LoadPrompts();
        SendMessageA(PromptView, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(shown));
    }
    HWND Open() { return HarnessTest::Open(IDD_EDIT_PROMPTS, EditPromptsDlgProc, parent_); }
    HWND Field() const { return GetDlgItem(dialog_, IDC_PROMPTS_TEXT); }
    void SetField(const std::string& text) { SetWindowTextA(Field(), text.c_str()); }
    std::string FileBytes() const { return ReadFileBytes(PromptsPath); }
    HWND parent_ = nullptr;
};

}  // namespace

TEST_F(PromptsTest, LoadsCraftedFilesInFileOrder) {
    for (const PromptFileCase& row : PromptFileCases()) {
        SCOPED_TRACE(row.name);
        ASSERT_TRUE(WriteFileBytes(PromptsPath, row.bytes));
        SendMessageA(PromptList, LB_RESETCONTENT, 0, 0);
        LoadPrompts();
        EXPECT_EQ(ListItems(), row.prompts);
    }
    EXPECT_TRUE(boxes_.Boxes().empty());
}

// The picker itself is the native tests'; here, that its pick reaches the view.
TEST_F(PromptsTest, NoneOneBlankAndLongestPromptsAreShownAsTheyAre) {
    const std::string longest(779, 'w');
    const struct {
        std::vector<std::string> prompts;
        std::string shown;  // at every pick (the first pick among two is item 1)
    } rows[] = {{{}, ""}, {{"the only one"}, "the only one"}, {{"words", ""}, ""},
                {{"short", longest}, longest}};
    for (const auto& row : rows) {
        FillList(row.prompts);
        SendMessageA(PromptView, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("old text"));
        ResetRandom();
        for (int pick = 0; pick < (row.prompts.size() == 2 ? 1 : 3); ++pick) {
            ShowRandomPrompt();
            EXPECT_EQ(WindowText(PromptView), row.shown) << row.prompts.size();
        }
    }
}

TEST_F(PromptsTest, ShowsTheFileWithCrLfLineEndsAndItsPromptCount) {
    StartWith("one\ntwo\r\n\nthree", "two");
    ASSERT_NE(Open(), nullptr);
    EXPECT_EQ(WindowText(dialog_), "Larkmoor: Edit Brainstorm Prompts");
    EXPECT_EQ(WindowText(Field()), "one\r\ntwo\r\n\r\nthree");
    EXPECT_EQ(ItemText(dialog_, IDC_PROMPTS_COUNT), "4 prompts");
    // Nothing selected, so that a first key press cannot replace everything.
    DWORD start = 99;
    DWORD end = 99;
    SendMessageA(Field(), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                 reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 0u);
    EXPECT_EQ(end, 0u);
    EXPECT_TRUE(boxes_.Boxes().empty());
}

TEST_F(PromptsTest, CountFollowsTheTextAsTyped) {
    StartWith("only\r\n", "only");
    Open();
    EXPECT_EQ(ItemText(dialog_, IDC_PROMPTS_COUNT), "1 prompt");
    const int length = GetWindowTextLengthA(Field());
    SendMessageA(Field(), EM_SETSEL, length, length);
    SendMessageA(Field(), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>("second\r\nthird"));
    EXPECT_EQ(ItemText(dialog_, IDC_PROMPTS_COUNT), "3 prompts");
    SendMessageA(Field(), EM_SETSEL, 0, -1);
    // A line longer than one read gives two prompts.
    SendMessageA(Field(), EM_REPLACESEL, TRUE,
                 reinterpret_cast<LPARAM>(std::string(780, 'x').c_str()));
    EXPECT_EQ(ItemText(dialog_, IDC_PROMPTS_COUNT), "2 prompts");
    SendMessageA(Field(), EM_SETSEL, 0, -1);
    SendMessageA(Field(), WM_CLEAR, 0, 0);
    EXPECT_EQ(ItemText(dialog_, IDC_PROMPTS_COUNT), "0 prompts");
}

TEST_F(PromptsTest, OkSavesReloadsAndShowsANewPrompt) {
    StartWith("alpha\r\nbeta\r\ngamma\r\n", "beta");
    LastPromptIndex = 1;
    Open();
    SetField("beta\r\ndelta\r\n");
    Click(dialog_, IDOK);
    EXPECT_FALSE(IsWindowVisible(dialog_));
    EXPECT_EQ(FileBytes(), "beta\r\ndelta\r\n");
    EXPECT_FALSE(PathExists(std::string(PromptsPath) + ".new"));
    EXPECT_EQ(ListItems(), (std::vector<std::string>{"beta", "delta"}));
    // The prompt on show now stands at index 0; the new pick avoids it.
    EXPECT_EQ(WindowText(PromptView), "delta");
    EXPECT_EQ(LastPromptIndex, 1u);
    EXPECT_TRUE(boxes_.Boxes().empty());
}

TEST_F(PromptsTest, OkKeepsTheTextAsTypedWithoutAddingALineEnd) {
    StartWith("a\r\n", "a");
    Open();
    SetField("first\r\n\r\nlast without line end");
    Click(dialog_, IDOK);
    EXPECT_EQ(FileBytes(), "first\r\n\r\nlast without line end");
    EXPECT_EQ(ListItems(), (std::vector<std::string>{"first", "", "last without line end"}));
}

TEST_F(PromptsTest, CancelCloseAndEscapeLeaveEverythingAsItWas) {
    const std::string bytes = "alpha\nbeta\n";  // line feeds only: not rewritten
    enum class Way { Cancel, Close, Escape };
    for (Way way : {Way::Cancel, Way::Close, Way::Escape}) {
        SCOPED_TRACE(static_cast<int>(way));
        SendMessageA(PromptList, LB_RESETCONTENT, 0, 0);
        StartWith(bytes, "alpha");
        LastPromptIndex = 0;
        Open();
        SetField("something else entirely\r\n");
        switch (way) {
        case Way::Cancel:
            Click(dialog_, IDCANCEL);
            break;
        case Way::Close:
            SendMessageA(dialog_, WM_CLOSE, 0, 0);
            break;
        case Way::Escape: {
            // As the modal loop would route the key.
            SetFocus(Field());
            MSG key = {Field(), WM_KEYDOWN, VK_ESCAPE, 0x00010001, 0, {0, 0}};
            if (!IsDialogMessageA(dialog_, &key)) DispatchMessageA(&key);
            MSG character = {Field(), WM_CHAR, 0x1B, 0x00010001, 0, {0, 0}};
            if (!IsDialogMessageA(dialog_, &character)) DispatchMessageA(&character);
            PumpMessages();
            break;
        }
        }
        EXPECT_FALSE(IsWindowVisible(dialog_));
        EXPECT_EQ(FileBytes(), bytes);
        EXPECT_EQ(ListItems(), (std::vector<std::string>{"alpha", "beta"}));
        EXPECT_EQ(WindowText(PromptView), "alpha");
        EXPECT_EQ(LastPromptIndex, 0u);
    }
    EXPECT_TRUE(boxes_.Boxes().empty());
}

TEST_F(PromptsTest, FileLargerThanTheDefaultFieldLimitIsEditedWhole) {
    std::string bytes;
    for (int i = 0; i < 700; ++i) {
        std::string line = "Prompt number " + std::to_string(i) + " ";
        line.resize(99, 'p');
        bytes += line + "\r\n";
    }
    ASSERT_GT(bytes.size(), 65536u);
    StartWith(bytes, "");
    Open();
    EXPECT_EQ(WindowText(Field()), bytes);
    EXPECT_EQ(ItemText(dialog_, IDC_PROMPTS_COUNT), "700 prompts");
    // What is typed at the end is kept, beyond the default limit.
    const int length = GetWindowTextLengthA(Field());
    SendMessageA(Field(), EM_SETSEL, length, length);
    SendMessageA(Field(), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>("typed at the end\r\n"));
    Click(dialog_, IDOK);
    EXPECT_EQ(FileBytes(), bytes + "typed at the end\r\n");
    EXPECT_EQ(SendMessageA(PromptList, LB_GETCOUNT, 0, 0), 701);
}

TEST_F(PromptsTest, WesternBytesSurviveASave) {
    std::string line;
    for (int c = 0x20; c <= 0xFF; ++c) line += static_cast<char>(c);
    const std::string bytes = "plain\r\n" + line + "\r\ncaf\xE9 \x80 \xFF\r\n";
    StartWith(bytes, "plain");
    Open();
    Click(dialog_, IDOK);
    EXPECT_EQ(FileBytes(), bytes);
    EXPECT_EQ(ListItems(), (std::vector<std::string>{"plain", line, "caf\xE9 \x80 \xFF"}));
}

TEST_F(PromptsTest, ZeroBytesBecomeSpacesInTheField) {
    StartWith(std::string("ab\0cd\r\nef\r\n", 11), "ef");
    Open();
    EXPECT_EQ(WindowText(Field()), "ab cd\r\nef\r\n");
}

TEST_F(PromptsTest, MissingFileGivesAnEmptyFieldAndOkCreatesIt) {
    Open();
    EXPECT_TRUE(boxes_.Boxes().empty());
    EXPECT_EQ(WindowText(Field()), "");
    EXPECT_EQ(ItemText(dialog_, IDC_PROMPTS_COUNT), "0 prompts");
    SetField("brand new\r\n");
    Click(dialog_, IDOK);
    EXPECT_FALSE(IsWindowVisible(dialog_));
    EXPECT_EQ(FileBytes(), "brand new\r\n");
    EXPECT_EQ(ListItems(), std::vector<std::string>{"brand new"});
    EXPECT_EQ(WindowText(PromptView), "brand new");
}

TEST_F(PromptsTest, FileThatCannotBeWrittenKeepsTheTextAndTheDialog) {
    JoinPath(PromptsPath, sizeof PromptsPath, DataFolder, "/no such folder/larkmoorqtx.txt");
    Open();
    SetField("keep me\r\nand me\r\n");
    Click(dialog_, IDOK);
    ASSERT_EQ(boxes_.Boxes().size(), 1u);
    EXPECT_EQ(boxes_.Boxes()[0].caption, "Notice");
    EXPECT_EQ(boxes_.Boxes()[0].text.rfind("The prompts could not be saved.", 0), 0u)
        << boxes_.Boxes()[0].text;
    EXPECT_NE(boxes_.Boxes()[0].text.find("no such folder"), std::string::npos);
    EXPECT_EQ(boxes_.Boxes()[0].owner, dialog_);
    EXPECT_TRUE(IsWindowVisible(dialog_));
    EXPECT_EQ(WindowText(Field()), "keep me\r\nand me\r\n");
    EXPECT_FALSE(PathExists(PromptsPath));
    EXPECT_EQ(SendMessageA(PromptList, LB_GETCOUNT, 0, 0), 0);
}

TEST_F(PromptsTest, FileTooLargeToEditIsRefusedAndKept) {
    std::string bytes(16 * 1024 * 1024 + 1, 'p');
    for (std::size_t i = 100; i < bytes.size(); i += 101) bytes[i] = '\n';
    ASSERT_TRUE(WriteFileBytes(PromptsPath, bytes));
    // Run modally, as the menu command does: it ends before it shows.
    ModalScript script;
    EXPECT_NE(RunModal(IDD_EDIT_PROMPTS, EditPromptsDlgProc, script, parent_), kForcedEnd);
    ASSERT_EQ(boxes_.Boxes().size(), 1u);
    EXPECT_EQ(boxes_.Boxes()[0].text.rfind("The prompts file is too large to edit here", 0), 0u)
        << boxes_.Boxes()[0].text;
    EXPECT_EQ(FileBytes(), bytes);
}

TEST_F(PromptsTest, ModalRunSavesAndEnds) {
    StartWith("a\r\nb\r\n", "b");
    // OK is pressed as soon as the dialog is up.
    ModalScript script;
    script.steps = {[](HWND dialog) {
        SetDlgItemTextA(dialog, IDC_PROMPTS_TEXT, "c\r\nd\r\n");
        PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    }};
    EXPECT_NE(RunModal(IDD_EDIT_PROMPTS, EditPromptsDlgProc, script, parent_), kForcedEnd);
    EXPECT_EQ(FileBytes(), "c\r\nd\r\n");
    EXPECT_EQ(ListItems(), (std::vector<std::string>{"c", "d"}));
    EXPECT_TRUE(boxes_.Boxes().empty());
}
