// Brainstorm prompts in the real program: the default file copied on a first
// start, the prompt shown at start-up and on F4, the read error, and the
// Edit Brainstorm Prompts command.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "resource.h"
#include "support/driver.h"

namespace {

const char kEditCaption[] = "Larkmoor: Edit Brainstorm Prompts";

class PromptsEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        RemoveDataFolder();
        // Startup screen off, logging on, automatic login on.
        WriteSettingsFile(50, 40, 360, 260, 0, 1, 1);
    }
    void TearDown() override {
        program_.Kill();
        RemoveDataFolder();
    }
    HWND StartAndWait(const std::string& folder = std::string()) {
        if (!program_.Start(folder)) return nullptr;
        return program_.WaitMainWindow();
    }
    void Exit(HWND window) {
        PostCommand(window, IDM_EXIT);
        DWORD code = 99;
        ASSERT_TRUE(program_.WaitExit(&code));
        EXPECT_EQ(code, 0u);
    }
    Larkmoor program_;
};

std::string PromptsFile() {
    return DataFolderPath() + "\\larkmoorqtx.txt";
}

std::vector<std::string> CrLfLines(const std::string& bytes) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = bytes.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(bytes.substr(start, end - start));
    return lines;
}

HWND PromptViewOf(HWND window) {
    return FindWindowExA(window, nullptr, "Edit", nullptr);
}

// The prompt area's text once it differs from before, or before after the
// timeout.
std::string WaitForNewPrompt(HWND view, const std::string& before, DWORD timeoutMs = 5000) {
    const DWORD start = GetTickCount();
    std::string now = TextOf(view);
    while (now == before && GetTickCount() - start < timeoutMs) {
        Sleep(50);
        now = TextOf(view);
    }
    return now;
}

bool WaitGone(HWND window, DWORD timeoutMs = 5000) {
    const DWORD start = GetTickCount();
    while (IsWindow(window) && GetTickCount() - start < timeoutMs) Sleep(50);
    return !IsWindow(window);
}

bool Contains(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

}  // namespace

TEST_F(PromptsEndToEnd, FirstStartCopiesDefaultFileAndF4ShowsAnotherPrompt) {
    const std::string defaults = ReadFileBytes(ProgramFolderPath() + "\\larkmoorqtx.txt");
    const std::vector<std::string> lines = CrLfLines(defaults);
    ASSERT_GE(lines.size(), 300u);
    RemoveDataFolder();  // a true first start: no data folder at all

    HWND window = StartAndWait();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(ReadFileBytes(PromptsFile()), defaults);
    HWND view = PromptViewOf(window);
    ASSERT_NE(view, nullptr);
    std::string shown = TextOf(view);
    EXPECT_FALSE(shown.empty());
    EXPECT_NE(shown, lines[0]);
    EXPECT_TRUE(Contains(lines, shown)) << shown;

    for (int press = 0; press < 3; ++press) {
        PressKeys(window, {VK_F4});
        const std::string next = WaitForNewPrompt(view, shown);
        EXPECT_NE(next, shown) << "press " << press;
        EXPECT_TRUE(Contains(lines, next)) << next;
        shown = next;
    }
    Exit(window);
}

TEST_F(PromptsEndToEnd, ExistingPromptsFileIsNeverReplaced) {
    const std::string own = "my first prompt\r\nmy second prompt\r\n";
    ASSERT_TRUE(WriteFileBytes(PromptsFile(), own));
    HWND window = StartAndWait();
    ASSERT_NE(window, nullptr);
    HWND view = PromptViewOf(window);
    // Two prompts: the first pick of a run is the second, then they alternate.
    EXPECT_EQ(TextOf(view), "my second prompt");
    PressKeys(window, {VK_F4});
    EXPECT_EQ(WaitForNewPrompt(view, "my second prompt"), "my first prompt");
    Exit(window);
    EXPECT_EQ(ReadFileBytes(PromptsFile()), own);
}

TEST_F(PromptsEndToEnd, NoDefaultFileGivesReadErrorAndTheProgramStillWorks) {
    char base[MAX_PATH] = {};
    GetCurrentDirectoryA(sizeof base, base);
    const std::string folder = std::string(base) + "\\e2e-no-default-prompts";
    RemoveTree(folder);
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));

    ASSERT_TRUE(program_.Start(folder));
    HWND box = program_.WaitDialog("An unexpected error has occurred!");
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(MessageBoxText(box), "Program quotes read error!");
    PostClick(box, IDOK);
    HWND window = program_.WaitMainWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_FALSE(PathExists(PromptsFile()));
    HWND view = PromptViewOf(window);
    EXPECT_EQ(TextOf(view), "");
    PressKeys(window, {VK_F4});
    Sleep(300);
    EXPECT_EQ(TextOf(view), "");
    EXPECT_TRUE(ProcessDialogs(program_.ProcessId()).empty());
    Exit(window);
    RemoveTree(folder);
}

TEST_F(PromptsEndToEnd, EditCommandSavesTheFileAndShowsAPromptFromIt) {
    const std::string own = "old alpha\r\nold beta\r\n";
    ASSERT_TRUE(WriteFileBytes(PromptsFile(), own));
    HWND window = StartAndWait();
    ASSERT_NE(window, nullptr);
    HWND view = PromptViewOf(window);
    EXPECT_EQ(TextOf(view), "old beta");

    PostCommand(window, IDM_EDIT_PROMPTS);
    HWND dialog = program_.WaitDialog(kEditCaption);
    ASSERT_NE(dialog, nullptr);
    HWND field = GetDlgItem(dialog, IDC_PROMPTS_TEXT);
    EXPECT_EQ(TextOf(field), own);
    const std::string edited = "new one\r\nnew two\r\nold beta\r\n";
    DWORD_PTR result = 0;
    SendMessageTimeoutA(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(edited.c_str()),
                        SMTO_ABORTIFHUNG, 5000, &result);
    PostClick(dialog, IDOK);
    ASSERT_TRUE(WaitGone(dialog));

    EXPECT_EQ(ReadFileBytes(PromptsFile()), edited);
    EXPECT_FALSE(PathExists(PromptsFile() + ".new"));
    // The prompt on show is still in the file; the new pick is another one.
    const std::string shown = TextOf(view);
    EXPECT_TRUE(shown == "new one" || shown == "new two") << shown;
    PressKeys(window, {VK_F4});
    const std::string next = WaitForNewPrompt(view, shown);
    EXPECT_NE(next, shown);
    EXPECT_TRUE(Contains(CrLfLines(edited), next)) << next;
    Exit(window);
}

TEST_F(PromptsEndToEnd, EscapeInTheEditDialogChangesNothing) {
    const std::string own = "keep alpha\nkeep beta\n";
    ASSERT_TRUE(WriteFileBytes(PromptsFile(), own));
    HWND window = StartAndWait();
    ASSERT_NE(window, nullptr);
    HWND view = PromptViewOf(window);
    const std::string shown = TextOf(view);

    PostCommand(window, IDM_EDIT_PROMPTS);
    HWND dialog = program_.WaitDialog(kEditCaption);
    ASSERT_NE(dialog, nullptr);
    HWND field = GetDlgItem(dialog, IDC_PROMPTS_TEXT);
    EXPECT_EQ(TextOf(field), "keep alpha\r\nkeep beta\r\n");
    DWORD_PTR result = 0;
    SendMessageTimeoutA(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("thrown away"),
                        SMTO_ABORTIFHUNG, 5000, &result);
    PressKeys(dialog, {VK_ESCAPE});
    ASSERT_TRUE(WaitGone(dialog));
    EXPECT_EQ(ReadFileBytes(PromptsFile()), own);
    EXPECT_EQ(TextOf(view), shown);
    Exit(window);
    EXPECT_EQ(ReadFileBytes(PromptsFile()), own);
}
