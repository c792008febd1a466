// The program killed (its process terminated) in the middle of saving the
// settings and of saving an entry, at a spread of moments after the save was
// asked for. At the next start every file must be whole and readable: the
// settings file holds the old record or the new one, the database passes its
// integrity check and holds every entry of before plus, at most, the new one
// whole. A kill that leaves the database's rollback journal behind landed in
// the middle of the write; the test says how many did.
#include <gtest/gtest.h>

#include <cstdio>

#include "e2e/fault_support.h"
#include "e2e/settings_flows.h"
#include "resource.h"

using namespace faults;

namespace {

// Moments of the kill after the save was asked for, in milliseconds.
std::vector<DWORD> KillDelays() {
    std::vector<DWORD> delays;
    // Most saves take a few milliseconds: the kills crowd there.
    for (DWORD delay = 0; delay <= 12; ++delay) delays.push_back(delay);
    for (DWORD delay = 15; delay <= 40; delay += 5) delays.push_back(delay);
    return delays;
}

class KillTest : public ::testing::Test {
protected:
    void SetUp() override { RemoveDataFolder(); }
    void TearDown() override { RemoveDataFolder(); }
};

std::string SettingsWith(int log) {
    return "50\n40\n360\n260\n0\n" + std::to_string(log) + "\n1\n" + flows::Scrambled("granite") +
           "\n";
}

// The program starts on the files as they are, and ends normally.
void StartsAndEnds() {
    Larkmoor program;
    HWND window = StartQuiet(program);
    ASSERT_NE(window, nullptr) << OpenDialogs(program);
    ExitAnswering(program, window);
}

}  // namespace

TEST_F(KillTest, KilledWhileSavingTheSettingsLeavesTheOldOrTheNewFileWhole) {
    CreateDirectoryA(DataFolderPath().c_str(), nullptr);
    int oldKept = 0;
    int newKept = 0;
    int newFileLeft = 0;
    for (DWORD delay : KillDelays()) {
        SCOPED_TRACE("killed " + std::to_string(delay) + " ms after OK");
        ASSERT_TRUE(WriteFileBytes(SettingsFile(), SettingsWith(1)));
        Larkmoor program;
        HWND window = StartQuiet(program);
        ASSERT_NE(window, nullptr);
        // Preferences: untick logging and press OK, which saves at once.
        PostCommand(window, IDM_PREFERENCES);
        HWND dialog = program.WaitDialog("Larkmoor Preferences");
        ASSERT_NE(dialog, nullptr);
        SendMessageA(GetDlgItem(dialog, IDC_ENABLE_LOG), BM_SETCHECK, BST_UNCHECKED, 0);
        PostClick(dialog, IDOK);
        Sleep(delay);
        program.Kill();

        if (PathExists(SettingsFile() + ".new")) ++newFileLeft;
        const std::string settings = ReadFileBytes(SettingsFile());
        if (settings == SettingsWith(1)) {
            ++oldKept;
        } else {
            EXPECT_EQ(settings, SettingsWith(0)) << "neither the old nor the new file";
            ++newKept;
        }
        StartsAndEnds();
    }
    std::printf("settings kills: %d left the old file, %d the new one, %d a half-made new file\n",
                oldKept, newKept, newFileLeft);
}

TEST_F(KillTest, HalfWrittenNewSettingsFileIsIgnoredAndReplaced) {
    // What a kill during the write leaves: the old file whole, beside it the
    // start of the new one.
    CreateDirectoryA(DataFolderPath().c_str(), nullptr);
    ASSERT_TRUE(WriteFileBytes(SettingsFile(), SettingsWith(1)));
    ASSERT_TRUE(WriteFileBytes(SettingsFile() + ".new", "50\n40\n3"));
    StartsAndEnds();
    // The old record was in use (logging on: the session was logged) and was
    // saved over the half-made file, which is gone.
    EXPECT_EQ(ReadFileBytes(SettingsFile()), SettingsWith(1));
    EXPECT_EQ(flows::LogEvents(), (std::vector<std::string>{" - Session Start", " - Session End"}));
    EXPECT_FALSE(PathExists(SettingsFile() + ".new"));
}

TEST_F(KillTest, KilledWhileSavingAnEntryLeavesTheJournalWholeAtTheNextStart) {
    WriteSettingsFile(50, 40, 360, 260, 0, 1, 1);
    CreateJournal({{"2024-01-02 03:04:05", "Morning pages", "Three pages."},
                   {"2024-02-03 04:05:06", "It's a plan", "Don't forget."}});
    int journalsLeft = 0;
    int stored = 0;
    for (DWORD delay : KillDelays()) {
        SCOPED_TRACE("killed " + std::to_string(delay) + " ms after Save");
        const std::vector<Row> before = ReadRows();
        Larkmoor program;
        HWND window = StartQuiet(program);
        ASSERT_NE(window, nullptr);
        HWND dialog = OpenEntries(program, window, IDM_ADD_ENTRY, "Add a Larkmoor entry");
        ASSERT_NE(dialog, nullptr);
        const std::string subject = "Killed after " + std::to_string(delay) + " ms";
        const std::string text(5000, static_cast<char>('a' + delay % 26));
        SetField(dialog, IDC_SUBJECT, subject);
        SetField(dialog, IDC_ENTRY_TEXT, text);
        PostClick(dialog, IDC_SAVE);
        Sleep(delay);
        program.Kill();
        if (PathExists(DatabaseFile() + "-journal")) ++journalsLeft;

        // The next start lists the journal (rolling back a write cut short),
        // and then the file: whole, old rows kept, the new one there whole
        // or not at all.
        {
            Larkmoor next;
            window = StartQuiet(next);
            ASSERT_NE(window, nullptr);
            dialog = OpenEntries(next, window, IDM_BROWSE_ENTRIES, "Browse Larkmoor entries");
            ASSERT_NE(dialog, nullptr) << OpenDialogs(next);
            ASSERT_TRUE(flows::WaitUntil([&] { return ListLines(dialog).size() >= before.size(); }));
            CloseEntries(dialog);
            ExitAnswering(next, window);
        }
        // A journal file may stay behind, empty or no longer hot; either way
        // the file reads whole without it.
        ASSERT_TRUE(IntegrityOk());
        const std::vector<Row> after = ReadRows();
        ASSERT_GE(after.size(), before.size());
        ASSERT_LE(after.size(), before.size() + 1);
        for (std::size_t i = 0; i < before.size(); ++i) EXPECT_EQ(after[i], before[i]);
        if (after.size() == before.size() + 1) {
            ++stored;
            EXPECT_EQ(after.back().subject, subject);
            EXPECT_EQ(after.back().entry, text);
        }
    }
    std::printf("entry kills: %d stored, %d left a rollback journal behind\n", stored,
                journalsLeft);
}
