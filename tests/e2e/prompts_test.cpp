// Brainstorm prompts and the log viewer in the real program: the default
// file copied on a first start, the prompt shown at start-up and on F4, the
// read error, the Edit Brainstorm Prompts command, and very large files (a
// prompts file of 100,000 lines, one of a single 10 MB line, a log of
// 1,000,000 lines), each taken whole and shown back whole.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "resource.h"
#include "support/driver.h"

using namespace e2e;

namespace {

using PromptsTest = QuietProgramTest;

bool Contains(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

// F4, and the prompt shown once it differs from before.
std::string NextPrompt(HWND window, const std::string& before) {
    PressKeys(window, {VK_F4});
    std::string now;
    EXPECT_TRUE(WaitUntil([&] { return (now = TextOf(PromptView(window))) != before; }));
    return now;
}

}  // namespace

TEST_F(PromptsTest, FirstStartCopiesDefaultFileAndF4ShowsAnotherPrompt) {
    const std::string defaults = ReadFileBytes(ProgramFolderPath() + "\\larkmoorqtx.txt");
    const std::vector<std::string> lines = oracle::LinesOf(defaults, "\r\n");
    ASSERT_GE(lines.size(), 300u);
    RemoveDataFolder();  // a true first start: no data folder at all
    Larkmoor program;
    HWND window = StartQuiet(program);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(ReadFileBytes(PromptsFile()), defaults);
    std::string shown = TextOf(PromptView(window));
    EXPECT_NE(shown, lines[0]);
    EXPECT_TRUE(Contains(lines, shown)) << shown;
    for (int press = 0; press < 3; ++press) {
        const std::string next = NextPrompt(window, shown);
        EXPECT_TRUE(Contains(lines, next)) << next;
        shown = next;
    }
    ExitAnswering(program, window);
}

TEST_F(PromptsTest, NoDefaultFileGivesReadErrorAndTheProgramStillWorks) {
    const std::string folder = EmptyTempFolder("larkmoor-no-default-prompts");
    Larkmoor program;
    ASSERT_TRUE(program.Start(folder));
    ASSERT_TRUE(Answer(program, kErrorCaption, "Program quotes read error!"));
    HWND window = program.WaitMainWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_FALSE(PathExists(PromptsFile()));
    EXPECT_EQ(TextOf(PromptView(window)), "");
    ExitAnswering(program, window);
    RemoveTree(folder);
}

TEST_F(PromptsTest, PromptsFilesOf100000LinesAndOfOne10MegabyteLine) {
    std::string lines;
    for (int i = 0; i < 100000; ++i) lines += "Prompt number " + std::to_string(i) + "\r\n";
    std::string line(10 * 1024 * 1024, 'x');
    for (std::size_t i = 0; i < line.size(); i += 97) line[i] = static_cast<char>('a' + i % 26);
    // The long line is read in pieces of 779 characters, each a prompt.
    for (const std::string* file : {&lines, &line}) {
        const bool oneLine = file == &line;
        SCOPED_TRACE(oneLine ? "one 10 MB line" : "100,000 lines");
        ASSERT_TRUE(WriteFileBytes(PromptsFile(), *file));
        const DWORD start = GetTickCount();
        Larkmoor program;
        HWND window = StartQuiet(program);
        ASSERT_NE(window, nullptr) << OpenDialogs(program);
        std::printf("start-up: %lu ms\n", static_cast<unsigned long>(GetTickCount() - start));
        const std::string shown = TextOf(PromptView(window));
        const std::string next = NextPrompt(window, shown);
        for (const std::string& prompt : {shown, next}) {
            if (oneLine) {
                EXPECT_EQ(prompt.size(), 779u);
                EXPECT_NE(line.find(prompt), std::string::npos);
            } else {
                EXPECT_EQ(prompt.rfind("Prompt number ", 0), 0u) << prompt;
            }
        }
        // The editor takes the 100,000 lines whole (the edit limits are the
        // Win32 tests' to check).
        if (!oneLine) {
            const DWORD opened = GetTickCount();
            HWND dialog = OpenDialog(program, window, IDM_EDIT_PROMPTS, 4 * kStartMs);
            ASSERT_NE(dialog, nullptr) << OpenDialogs(program);
            ASSERT_TRUE(WaitUntil([&] { return Field(dialog, IDC_PROMPTS_COUNT) == "100000 prompts"; },
                                  4 * kStartMs));
            std::printf("Edit Brainstorm Prompts open: %lu ms\n",
                        static_cast<unsigned long>(GetTickCount() - opened));
            ASSERT_TRUE(CloseBy(dialog, IDCANCEL));
        }
        ExitAnswering(program, window);
        EXPECT_TRUE(ReadFileBytes(PromptsFile()) == *file);
    }
}

TEST_F(PromptsTest, LogOfAMillionLinesInViewProgramLog) {
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
    HWND window = StartQuiet(program);
    ASSERT_NE(window, nullptr);
    const DWORD start = GetTickCount();
    HWND dialog = OpenDialog(program, window, IDM_VIEW_LOG, 4 * kStartMs);
    ASSERT_NE(dialog, nullptr) << OpenDialogs(program);
    std::printf("View Program Log open with 1,000,000 lines: %lu ms\n",
                static_cast<unsigned long>(GetTickCount() - start));
    // The newest lines, under a line that counts the older ones; the session
    // start of this run is the last.
    const std::vector<std::string> items = ListLines(dialog, IDC_LOG_LIST);
    ASSERT_EQ(items.size(), 10001u);
    EXPECT_EQ(items[0], "(990001 older lines are not shown)");
    EXPECT_EQ(items[10001 - 2] + "\n", std::string(line));  // the last line written above
    EXPECT_EQ(items.back().substr(19), " - Session Start");
    ASSERT_TRUE(CloseBy(dialog, IDOK));
    ExitAnswering(program, window);
    // Every line is still there, the two of this run after them.
    const std::string after = ReadFileBytes(LogFile());
    EXPECT_EQ(after.compare(0, log.size(), log), 0);
    EXPECT_EQ(oracle::LinesOf(after.substr(log.size())).size(), 2u);
}
