// A full disk beneath the real program: the data folder is a small tmpfs of
// the test's own, filled to the last byte. Every write fails; the program
// says so where it can, keeps what the user typed, leaves every file as it
// was (no half-written line or record), and once space is freed the same
// actions succeed. Where the machine does not allow mounting, the test is
// skipped and says so.
#include <gtest/gtest.h>

#include "e2e/fault_support.h"
#include "e2e/settings_flows.h"
#include "resource.h"

using namespace faults;

namespace {

constexpr char kErrorCaption[] = "An unexpected error has occurred!";
constexpr char kPrompts[] = "First prompt\r\nSecond prompt\r\nThird prompt\r\n";

class DiskFullTest : public ::testing::Test {
protected:
    void SetUp() override {
        RemoveDataFolder();
        if (!CanMount()) GTEST_SKIP() << "no mounting here: no small disk can be made full";
        CreateDirectoryA(DataFolderPath().c_str(), nullptr);
        ASSERT_TRUE(mounted_ = MountSmallDisk(DataFolderPath(), 1024));
    }
    void TearDown() override {
        if (mounted_) Unmount(DataFolderPath());
        RemoveDataFolder();
    }
    bool mounted_ = false;
};

// Fills the disk of the data folder to its last byte.
void FillDisk() {
    const std::string folder = UnixPath(DataFolderPath());
    const std::string printed = RunShell("dd if=/dev/zero of='" + folder +
                                         "/filler' bs=4k 2>/dev/null; df -k '" + folder + "'");
    ASSERT_NE(printed.find("100%"), std::string::npos) << printed;
}

void FreeDisk() {
    ASSERT_TRUE(DeleteFileA(DataFile("filler").c_str()));
}

// A log whose last page has room for only part of the next line, so that a
// line written now would be cut at the page's end.
std::string LogFillingItsPage() {
    std::string log;
    const std::string line = "2024-01-02 03:04:05 - Session Start\n";
    while (log.size() + line.size() < 4096 - 10) log += line;
    log += std::string(4096 - 10 - log.size() - 1, 'x') + "\n";
    return log;
}

}  // namespace

TEST_F(DiskFullTest, EveryWriteFailsCleanlyAndSucceedsOnceThereIsRoom) {
    WriteSettingsFile(50, 40, 360, 260, 0, 1, 1);
    ASSERT_TRUE(WriteFileBytes(LogFile(), LogFillingItsPage()));
    ASSERT_TRUE(WriteFileBytes(PromptsFile(), kPrompts));
    CreateJournal({{"2024-01-02 03:04:05", "Morning pages", "Three pages."},
                   {"2024-02-03 04:05:06", "It's a plan", "Don't forget."}});
    const DataFiles before = TakeSnapshot();
    const std::string databaseBefore = ReadFileBytes(DatabaseFile());
    FillDisk();

    Larkmoor program;
    ASSERT_TRUE(program.Start());
    // The line that marks the session's start does not fit.
    ASSERT_TRUE(Answer(program, kErrorCaption, "Program log write error!"));
    HWND window = program.WaitMainWindow();
    ASSERT_NE(window, nullptr) << OpenDialogs(program);

    // Preferences: the log line and the settings file both fail.
    PostCommand(window, IDM_PREFERENCES);
    HWND dialog = program.WaitDialog("Larkmoor Preferences");
    ASSERT_NE(dialog, nullptr);
    PostClick(dialog, IDOK);
    ASSERT_TRUE(Answer(program, kErrorCaption, "Program log write error!"));
    ASSERT_TRUE(Answer(program, kErrorCaption, "Preferences file write error!"));
    ASSERT_TRUE(flows::WaitGone(dialog));

    // Edited prompts that do not fit stay in their dialog.
    PostCommand(window, IDM_EDIT_PROMPTS);
    dialog = program.WaitDialog("Larkmoor: Edit Brainstorm Prompts");
    ASSERT_NE(dialog, nullptr);
    const std::string prompts = std::string(kPrompts) + std::string(8000, 'p');
    SetField(dialog, IDC_PROMPTS_TEXT, prompts);
    PostClick(dialog, IDOK);
    HWND box = program.WaitDialog("Notice");
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(MessageBoxText(box).rfind("The prompts could not be saved.", 0), 0u);
    PostClick(box, IDOK);
    ASSERT_TRUE(flows::WaitGone(box));
    EXPECT_EQ(Field(dialog, IDC_PROMPTS_TEXT), prompts);

    // Nothing was changed, cut or left behind.
    {
        const DataFiles full = TakeSnapshot();
        EXPECT_EQ(full.settings, before.settings);
        EXPECT_TRUE(full.log == before.log) << "the log changed on a full disk";
        EXPECT_EQ(full.prompts, before.prompts);
        EXPECT_EQ(ReadFileBytes(DatabaseFile()), databaseBefore);
        EXPECT_FALSE(PathExists(SettingsFile() + ".new"));
        EXPECT_FALSE(PathExists(PromptsFile() + ".new"));
    }
    // With room again, the same OK saves them.
    FreeDisk();
    PostClick(dialog, IDOK);
    ASSERT_TRUE(flows::WaitGone(dialog)) << OpenDialogs(program);
    EXPECT_EQ(ReadFileBytes(PromptsFile()), prompts);

    // A new entry on a full disk is refused and stays in the fields; with
    // room again, the same Save stores it.
    FillDisk();
    dialog = OpenEntries(program, window, IDM_ADD_ENTRY, "Add a Larkmoor entry");
    ASSERT_NE(dialog, nullptr);
    const std::string text(20000, 'w');
    SetField(dialog, IDC_SUBJECT, "Written on a full disk");
    SetField(dialog, IDC_ENTRY_TEXT, text);
    PostClick(dialog, IDC_SAVE);
    ASSERT_TRUE(Answer(program, "Notice", kNotSaved));
    EXPECT_EQ(Field(dialog, IDC_SUBJECT), "Written on a full disk");
    EXPECT_EQ(Field(dialog, IDC_ENTRY_TEXT), text);
    EXPECT_EQ(ReadFileBytes(DatabaseFile()), databaseBefore);
    FreeDisk();
    PostClick(dialog, IDC_SAVE);
    ASSERT_TRUE(WaitLineCount(dialog, 3)) << OpenDialogs(program);
    CloseEntries(dialog);
    ExitAnswering(program, window);

    DataFiles after = TakeSnapshot();
    EXPECT_EQ(after.prompts, prompts);
    after.prompts = before.prompts;  // changed on purpose
    ExpectNothingLost(before, after);
    EXPECT_TRUE(IntegrityOk());
    ASSERT_EQ(after.rows.size(), 3u);
    EXPECT_EQ(after.rows[2].subject, "Written on a full disk");
    EXPECT_EQ(after.rows[2].entry, text);
    // The log goes on with whole lines after the lines of before.
    const std::vector<std::string> lines = flows::LinesOf(after.log);
    EXPECT_EQ(lines.back().substr(19), " - Session End");
    for (const std::string& line : lines) EXPECT_EQ(line.find("(no line feed)"), std::string::npos);
}
