// Loading the prompts into a real hidden list box and showing them in a real
// edit control, under Wine: the C runtime's text mode, the list box's item
// storage and the main window's creation steps.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "native/prompt_file_test_cases.h"
#include "prompts/prompts.h"
#include "prompts/random.h"
#include "resource.h"
#include "shell/shell.h"
#include "support/ui_harness.h"

namespace {

// Texts of the message boxes closed while it lives, read as each box goes.
// Under Wine a system-modal box is activated before its text is set, so the
// answerer sees such a box with an empty text.
class BoxTextRecorder {
public:
    BoxTextRecorder() {
        active_ = this;
        hook_ = SetWindowsHookExA(WH_CBT, Hook, nullptr, GetCurrentThreadId());
    }
    ~BoxTextRecorder() {
        UnhookWindowsHookEx(hook_);
        active_ = nullptr;
    }
    BoxTextRecorder(const BoxTextRecorder&) = delete;
    BoxTextRecorder& operator=(const BoxTextRecorder&) = delete;
    const std::vector<std::string>& Texts() const { return texts_; }

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam) {
        if (code == HCBT_DESTROYWND && active_ != nullptr) {
            HWND window = reinterpret_cast<HWND>(wParam);
            char name[16] = {};
            GetClassNameA(window, name, sizeof name);
            if (std::string(name) == "#32770" && GetDlgItem(window, 0xFFFF) != nullptr)
                active_->texts_.push_back(ItemText(window, 0xFFFF));
        }
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }
    static BoxTextRecorder* active_;
    HHOOK hook_;
    std::vector<std::string> texts_;
};

BoxTextRecorder* BoxTextRecorder::active_ = nullptr;

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
class PromptsTest : public ::testing::Test {
protected:
    void SetUp() override {
        RemoveDataFolder();
        PrepareTestPaths();
        MainWindow = nullptr;
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
        DestroyWindow(parent_);
        PromptList = nullptr;
        PromptView = nullptr;
        ResetRandom();
        RemoveDataFolder();
    }
    void WritePrompts(const std::string& bytes) {
        ASSERT_TRUE(WriteFileBytes(PromptsPath, bytes));
    }
    void FillList(const std::vector<std::string>& prompts) {
        SendMessageA(PromptList, LB_RESETCONTENT, 0, 0);
        for (const std::string& prompt : prompts)
            SendMessageA(PromptList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(prompt.c_str()));
    }
    HWND parent_ = nullptr;
    MessageBoxAnswerer boxes_;
};

}  // namespace

TEST_F(PromptsTest, LoadsCraftedFilesInFileOrder) {
    for (const PromptFileCase& row : PromptFileCases()) {
        SCOPED_TRACE(row.name);
        WritePrompts(row.bytes);
        SendMessageA(PromptList, LB_RESETCONTENT, 0, 0);
        LoadPrompts();
        EXPECT_EQ(ListItems(), row.prompts);
    }
    EXPECT_TRUE(boxes_.Boxes().empty());
}

TEST_F(PromptsTest, MissingFileGivesReadErrorBoxAndEmptyList) {
    BoxTextRecorder texts;
    LoadPrompts();
    ASSERT_EQ(boxes_.Boxes().size(), 1u);
    const SeenBox& box = boxes_.Boxes()[0];
    EXPECT_EQ(texts.Texts(), std::vector<std::string>{"Program quotes read error!"});
    EXPECT_EQ(box.caption, "An unexpected error has occurred!");
    EXPECT_TRUE(box.topmost);
    EXPECT_EQ(box.owner, nullptr);
    EXPECT_EQ(SendMessageA(PromptList, LB_GETCOUNT, 0, 0), 0);
}

TEST_F(PromptsTest, TwoPromptsAlternateStartingWithTheSecond) {
    WritePrompts("alpha\r\nbeta\r\n");
    LoadPrompts();
    const char* expected[] = {"beta", "alpha"};
    for (int pick = 0; pick < 12; ++pick) {
        ShowRandomPrompt();
        EXPECT_EQ(WindowText(PromptView), expected[pick % 2]) << pick;
        Sleep(pick % 3);  // vary the tick count
    }
}

TEST_F(PromptsTest, FirstPickNeverShowsTheFirstLine) {
    std::string bytes;
    for (int i = 0; i < 10; ++i) bytes += "prompt " + std::to_string(i) + "\r\n";
    WritePrompts(bytes);
    LoadPrompts();
    for (int run = 0; run < 40; ++run) {
        ResetRandom();
        ShowRandomPrompt();
        const std::string shown = WindowText(PromptView);
        EXPECT_NE(shown, "prompt 0");
        EXPECT_EQ(shown.rfind("prompt ", 0), 0u) << shown;
        Sleep(run % 4);
    }
}

TEST_F(PromptsTest, EachPickReplacesThePreviousTextAndNeverRepeats) {
    FillList({"one", "two", "three", "four"});
    SendMessageA(PromptView, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("old text"));
    std::string last = "old text";
    for (int pick = 0; pick < 30; ++pick) {
        ShowRandomPrompt();
        const std::string shown = WindowText(PromptView);
        EXPECT_NE(shown, last);
        EXPECT_TRUE(shown == "one" || shown == "two" || shown == "three" || shown == "four")
            << shown;
        last = shown;
    }
}

TEST_F(PromptsTest, NoPromptLeavesTheAreaEmpty) {
    SendMessageA(PromptView, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("old text"));
    for (int pick = 0; pick < 3; ++pick) {
        ShowRandomPrompt();
        EXPECT_EQ(WindowText(PromptView), "");
    }
}

TEST_F(PromptsTest, SinglePromptIsShownEveryTime) {
    FillList({"the only one"});
    for (int pick = 0; pick < 3; ++pick) {
        ShowRandomPrompt();
        EXPECT_EQ(WindowText(PromptView), "the only one");
    }
}

TEST_F(PromptsTest, BlankPromptShowsNothing) {
    FillList({"words", ""});
    SendMessageA(PromptView, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("old text"));
    ShowRandomPrompt();  // the first pick among two is item 1
    EXPECT_EQ(WindowText(PromptView), "");
}

TEST_F(PromptsTest, LongestPromptIsShownWhole) {
    const std::string longest(779, 'w');
    FillList({"short", longest});
    ShowRandomPrompt();
    EXPECT_EQ(WindowText(PromptView), longest);
}

// The main window's creation with the prompt store and picker in place.
class PromptsStartTest : public ::testing::Test {
protected:
    void SetUp() override {
        RemoveDataFolder();
        WriteSettingsFile(40, 30, 400, 300, 0, 0, 1);
        GetCurrentDirectoryA(sizeof saved_, saved_);
        folder_ = std::string(saved_) + "\\prompts-start-test";
        RemoveTree(folder_);
        CreateDirectoryA(folder_.c_str(), nullptr);
        ResetRandom();
    }
    void TearDown() override {
        if (window_ != nullptr && IsWindow(window_)) DestroyWindow(window_);
        PumpMessages();
        SetCurrentDirectoryA(saved_);
        RemoveTree(folder_);
        RemoveDataFolder();
        ResetRandom();
    }
    // Creates the main window with the test folder as the program folder.
    void Start() {
        SetCurrentDirectoryA(folder_.c_str());
        window_ = CreateTestMainWindow();
        SetCurrentDirectoryA(saved_);
        ASSERT_NE(window_, nullptr);
    }
    char saved_[MAX_PATH] = {};
    std::string folder_;
    HWND window_ = nullptr;
    MessageBoxAnswerer boxes_;
};

TEST_F(PromptsStartTest, FirstStartCopiesDefaultFileAndShowsSecondOfTwo) {
    const std::string defaults = "first line\r\nsecond line\r\n";
    ASSERT_TRUE(WriteFileBytes(folder_ + "\\larkmoorqtx.txt", defaults));
    Start();
    EXPECT_EQ(ReadFileBytes(DataFolderPath() + "\\larkmoorqtx.txt"), defaults);
    EXPECT_TRUE(boxes_.Boxes().empty());
    EXPECT_EQ(ListItems(), (std::vector<std::string>{"first line", "second line"}));
    EXPECT_EQ(WindowText(PromptView), "second line");
    SendMessageA(window_, WM_COMMAND, IDM_GET_PROMPT, 0);  // F4
    EXPECT_EQ(WindowText(PromptView), "first line");
    SendMessageA(window_, WM_COMMAND, IDM_GET_PROMPT, 0);
    EXPECT_EQ(WindowText(PromptView), "second line");
}

TEST_F(PromptsStartTest, ExistingPromptsFileIsKept) {
    ASSERT_TRUE(WriteFileBytes(folder_ + "\\larkmoorqtx.txt", "default one\r\ndefault two\r\n"));
    const std::string own = "mine A\nmine B\n";
    CreateDirectoryA(DataFolderPath().c_str(), nullptr);
    ASSERT_TRUE(WriteFileBytes(DataFolderPath() + "\\larkmoorqtx.txt", own));
    Start();
    EXPECT_EQ(ReadFileBytes(DataFolderPath() + "\\larkmoorqtx.txt"), own);
    EXPECT_EQ(WindowText(PromptView), "mine B");
}

TEST_F(PromptsStartTest, NoDefaultFileGivesOneReadErrorAndAnEmptyArea) {
    BoxTextRecorder texts;
    Start();
    ASSERT_EQ(boxes_.Boxes().size(), 1u);
    EXPECT_EQ(boxes_.Boxes()[0].caption, "An unexpected error has occurred!");
    EXPECT_EQ(texts.Texts(), std::vector<std::string>{"Program quotes read error!"});
    EXPECT_EQ(boxes_.Boxes()[0].owner, nullptr);  // still inside the creation call
    EXPECT_FALSE(PathExists(DataFolderPath() + "\\larkmoorqtx.txt"));
    EXPECT_EQ(WindowText(PromptView), "");
    SendMessageA(window_, WM_COMMAND, IDM_GET_PROMPT, 0);
    EXPECT_EQ(WindowText(PromptView), "");
    EXPECT_EQ(boxes_.Boxes().size(), 1u);
}
