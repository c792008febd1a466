// Very large inputs through the real program: an entry of exactly 32,766
// characters (the longest statement the journal builds), a subject of 779
// single quotes, a prompts file of 100,000 lines and one of a single 10 MB
// line, and a log of 1,000,000 lines in View Program Log. Each is taken
// whole, shown back whole, and leaves the program working. The times are
// printed for the record, not checked.
#include <gtest/gtest.h>

#include <cstdio>

#include "e2e/fault_support.h"
#include "e2e/settings_flows.h"
#include "resource.h"

using namespace faults;

namespace {

class LargeInputTest : public ::testing::Test {
protected:
    void SetUp() override {
        RemoveDataFolder();
        WriteSettingsFile(50, 40, 360, 260, 0, 1, 1);
    }
    void TearDown() override { RemoveDataFolder(); }
};

// Starts the program and waits for its main window, printing how long it took.
HWND StartTimed(Larkmoor& program, const char* what, DWORD timeoutMs = 60000) {
    const DWORD start = GetTickCount();
    if (!program.Start()) return nullptr;
    HWND window = program.WaitMainWindow(timeoutMs);
    std::printf("start-up with %s: %lu ms\n", what, static_cast<unsigned long>(GetTickCount() - start));
    return window;
}

HWND PromptView(HWND window) {
    return FindWindowExA(window, nullptr, "Edit", nullptr);
}

}  // namespace

TEST_F(LargeInputTest, EntryOf32766CharactersAndSubjectOf779Quotes) {
    // 0x82 scrambles to a single quote: the quoted scrambled entry is as long
    // as it can be, and so is the statement.
    const std::string quotesWhenScrambled(32766, '\x82');
    std::string mixed;
    for (int i = 0; mixed.size() < 32766; ++i)
        mixed += i % 50 == 49 ? std::string("\r\n") : std::string(1, static_cast<char>('a' + i % 26));
    mixed.resize(32766);
    const std::string quotes(779, '\'');

    Larkmoor program;
    HWND window = StartTimed(program, "an empty journal");
    ASSERT_NE(window, nullptr);
    HWND dialog = OpenEntries(program, window, IDM_ADD_ENTRY, "Add a Larkmoor entry");
    ASSERT_NE(dialog, nullptr);
    SetField(dialog, IDC_SUBJECT, quotes);
    SetField(dialog, IDC_ENTRY_TEXT, quotesWhenScrambled);
    ASSERT_EQ(Field(dialog, IDC_ENTRY_TEXT).size(), 32766u);
    PostClick(dialog, IDC_SAVE);
    ASSERT_TRUE(WaitLineCount(dialog, 1)) << OpenDialogs(program);
    SetField(dialog, IDC_SUBJECT, "A long mixed entry");
    SetField(dialog, IDC_ENTRY_TEXT, mixed);
    PostClick(dialog, IDC_SAVE);
    ASSERT_TRUE(WaitLineCount(dialog, 2)) << OpenDialogs(program);
    CloseEntries(dialog);

    // Found by a piece of the quotes, listed whole and shown whole.
    dialog = OpenEntries(program, window, IDM_SEARCH_ENTRIES, "Search for Larkmoor entries");
    ASSERT_NE(dialog, nullptr);
    SetField(dialog, IDC_SEARCH_TEXT, "'''");
    PostClick(dialog, IDC_SEARCH_GO);
    ASSERT_TRUE(WaitLineCount(dialog, 1));
    EXPECT_EQ(ListLines(dialog), std::vector<std::string>{quotes});
    SelectLine(dialog, quotes);
    EXPECT_TRUE(Field(dialog, IDC_ENTRY_TEXT) == quotesWhenScrambled);
    CloseEntries(dialog);
    dialog = OpenEntries(program, window, IDM_BROWSE_ENTRIES, "Browse Larkmoor entries");
    ASSERT_NE(dialog, nullptr);
    SelectLine(dialog, "A long mixed entry");
    EXPECT_TRUE(Field(dialog, IDC_ENTRY_TEXT) == mixed);
    CloseEntries(dialog);
    ExitAnswering(program, window);

    const std::vector<Row> rows = ReadRows();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].subject, quotes);
    EXPECT_TRUE(rows[0].entry == quotesWhenScrambled);
    EXPECT_TRUE(rows[1].entry == mixed);
}

TEST_F(LargeInputTest, PromptsFileOf100000Lines) {
    std::string prompts;
    for (int i = 0; i < 100000; ++i) prompts += "Prompt number " + std::to_string(i) + "\r\n";
    ASSERT_TRUE(WriteFileBytes(PromptsFile(), prompts));

    Larkmoor program;
    HWND window = StartTimed(program, "100,000 prompts");
    ASSERT_NE(window, nullptr) << OpenDialogs(program);
    HWND view = PromptView(window);
    std::string shown = TextOf(view);
    EXPECT_EQ(shown.rfind("Prompt number ", 0), 0u) << shown;
    PostCommand(window, IDM_GET_PROMPT);
    ASSERT_TRUE(flows::WaitUntil([&] { return TextOf(view) != shown; }));
    EXPECT_EQ(TextOf(view).rfind("Prompt number ", 0), 0u);

    const DWORD start = GetTickCount();
    PostCommand(window, IDM_EDIT_PROMPTS);
    HWND dialog = program.WaitDialog("Larkmoor: Edit Brainstorm Prompts", 60000);
    ASSERT_NE(dialog, nullptr) << OpenDialogs(program);
    ASSERT_TRUE(flows::WaitUntil(
        [&] { return TextOf(GetDlgItem(dialog, IDC_PROMPTS_COUNT)) == "100000 prompts"; }, 60000));
    std::printf("Edit Brainstorm Prompts open with 100,000 prompts: %lu ms\n",
                static_cast<unsigned long>(GetTickCount() - start));
    PostClick(dialog, IDCANCEL);
    ASSERT_TRUE(flows::WaitGone(dialog));
    ExitAnswering(program, window);
    EXPECT_TRUE(ReadFileBytes(PromptsFile()) == prompts);
}

TEST_F(LargeInputTest, PromptsFileOfOne10MegabyteLine) {
    std::string line(10 * 1024 * 1024, 'x');
    for (std::size_t i = 0; i < line.size(); i += 97) line[i] = static_cast<char>('a' + i % 26);
    ASSERT_TRUE(WriteFileBytes(PromptsFile(), line));

    Larkmoor program;
    HWND window = StartTimed(program, "one 10 MB prompts line");
    ASSERT_NE(window, nullptr) << OpenDialogs(program);
    // The line is read in pieces of 779 characters, each a prompt.
    HWND view = PromptView(window);
    std::string shown = TextOf(view);
    EXPECT_EQ(shown.size(), 779u);
    EXPECT_NE(line.find(shown), std::string::npos);
    PostCommand(window, IDM_GET_PROMPT);
    ASSERT_TRUE(flows::WaitUntil([&] { return TextOf(view) != shown; }));
    EXPECT_NE(line.find(TextOf(view)), std::string::npos);

    const DWORD start = GetTickCount();
    PostCommand(window, IDM_EDIT_PROMPTS);
    HWND dialog = program.WaitDialog("Larkmoor: Edit Brainstorm Prompts", 120000);
    ASSERT_NE(dialog, nullptr) << OpenDialogs(program);
    const std::string expectedCount =
        std::to_string((line.size() + 778) / 779) + " prompts";
    ASSERT_TRUE(flows::WaitUntil(
        [&] { return TextOf(GetDlgItem(dialog, IDC_PROMPTS_COUNT)) == expectedCount; }, 120000));
    std::printf("Edit Brainstorm Prompts open with one 10 MB line: %lu ms\n",
                static_cast<unsigned long>(GetTickCount() - start));
    PostClick(dialog, IDCANCEL);
    ASSERT_TRUE(flows::WaitGone(dialog));
    ExitAnswering(program, window);
    EXPECT_TRUE(ReadFileBytes(PromptsFile()) == line);
}

TEST_F(LargeInputTest, LogOfAMillionLinesInViewProgramLog) {
    std::string log;
    log.reserve(40 * 1000000);
    char line[64];
    for (int i = 0; i < 1000000; ++i) {
        std::snprintf(line, sizeof line, "2024-01-02 03:%02d:%02d - Session Start %d\n", i / 60 % 60,
                      i % 60, i);
        log += line;
    }
    ASSERT_TRUE(WriteFileBytes(LogFile(), log));

    Larkmoor program;
    HWND window = StartTimed(program, "a log of 1,000,000 lines");
    ASSERT_NE(window, nullptr);
    const DWORD start = GetTickCount();
    PostCommand(window, IDM_VIEW_LOG);
    HWND dialog = program.WaitDialog("Larkmoor: View Program Log", 60000);
    ASSERT_NE(dialog, nullptr) << OpenDialogs(program);
    std::printf("View Program Log open with 1,000,000 lines: %lu ms\n",
                static_cast<unsigned long>(GetTickCount() - start));
    // The newest lines, under a line that counts the older ones; the session
    // start of this run is the last.
    HWND list = GetDlgItem(dialog, IDC_LOG_LIST);
    const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
    ASSERT_EQ(count, 10001);
    auto item = [list](LRESULT index) {
        WCHAR wide[1024] = {};
        SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(wide));
        char text[2048] = {};
        WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof text, nullptr, nullptr);
        return std::string(text);
    };
    EXPECT_EQ(item(0), "(990001 older lines are not shown)");
    EXPECT_EQ(item(count - 2) + "\n", std::string(line));  // the last line written above
    EXPECT_EQ(item(count - 1).substr(19), " - Session Start");
    PostClick(dialog, IDOK);
    ASSERT_TRUE(flows::WaitGone(dialog));
    ExitAnswering(program, window);

    // Every line is still there, the two of this run after them.
    const std::string after = ReadFileBytes(LogFile());
    EXPECT_EQ(after.compare(0, log.size(), log), 0);
    EXPECT_EQ(flows::LinesOf(after.substr(log.size())).size(), 2u);
}
