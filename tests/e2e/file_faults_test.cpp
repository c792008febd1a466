// The data folder and its files failing beneath the real program: the whole
// folder read-only, and the settings, log or prompts file replaced by a
// folder of the same name. The program keeps working, says what failed, and
// afterwards every file is as it was, byte for byte.
#include <gtest/gtest.h>

#include "e2e/fault_support.h"
#include "e2e/settings_flows.h"
#include "resource.h"

using namespace faults;

namespace {

constexpr char kErrorCaption[] = "An unexpected error has occurred!";
constexpr char kOwnPrompts[] = "First prompt of my own\r\nSecond prompt\r\nThird one\r\n";
constexpr char kLogBefore[] =
    "2024-01-02 03:04:05 - Session Start\n2024-01-02 03:09:05 - Session End\n";

class FileFaultTest : public ::testing::Test {
protected:
    void SetUp() override {
        RemoveDataFolder();
        WriteSettingsFile(50, 40, 360, 260, 0, 1, 1);  // quiet start-up, logging on
        ASSERT_TRUE(WriteFileBytes(LogFile(), kLogBefore));
        ASSERT_TRUE(WriteFileBytes(PromptsFile(), kOwnPrompts));
        CreateJournal({{"2024-01-02 03:04:05", "Morning pages", "Three pages."},
                       {"2024-02-03 04:05:06", "It's a plan", "Don't forget."}});
    }
    void TearDown() override {
        if (mounted_) Unmount(DataFolderPath());
        RemoveDataFolder();
    }

    // Every data file, byte for byte.
    struct Bytes {
        std::string settings, log, prompts, database;
    };
    static Bytes ReadAll() {
        return {ReadFileBytes(SettingsFile()), ReadFileBytes(LogFile()),
                ReadFileBytes(PromptsFile()), ReadFileBytes(DatabaseFile())};
    }

    bool mounted_ = false;
};

void ExpectSameBytes(const std::string& after, const std::string& before, const char* what) {
    EXPECT_TRUE(after == before) << what << " changed: " << before.size() << " bytes before, "
                                 << after.size() << " after";
}

}  // namespace

TEST_F(FileFaultTest, ReadOnlyDataFolderRefusesEveryWriteAndKeepsEverything) {
    if (!CanMount()) GTEST_SKIP() << "no mounting here: the read-only folder cannot be made";
    const Bytes before = ReadAll();
    ASSERT_TRUE(mounted_ = MountReadOnly(DataFolderPath()));

    Larkmoor program;
    ASSERT_TRUE(program.Start());
    // The line that marks the session's start cannot be written.
    ASSERT_TRUE(Answer(program, kErrorCaption, "Program log write error!"));
    HWND window = program.WaitMainWindow();
    ASSERT_NE(window, nullptr) << OpenDialogs(program);

    // The journal reads, and a new entry is refused with the typing kept.
    HWND dialog = OpenEntries(program, window, IDM_BROWSE_ENTRIES, "Browse Larkmoor entries");
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(ListLines(dialog), (std::vector<std::string>{"It's a plan", "Morning pages"}));
    CloseEntries(dialog);
    dialog = OpenEntries(program, window, IDM_ADD_ENTRY, "Add a Larkmoor entry");
    ASSERT_NE(dialog, nullptr);
    SetField(dialog, IDC_SUBJECT, "On a read-only disk");
    SetField(dialog, IDC_ENTRY_TEXT, "Kept in the field.");
    PostClick(dialog, IDC_SAVE);
    ASSERT_TRUE(Answer(program, "Notice", kNotSaved));
    EXPECT_EQ(Field(dialog, IDC_SUBJECT), "On a read-only disk");
    EXPECT_EQ(Field(dialog, IDC_ENTRY_TEXT), "Kept in the field.");
    CloseEntries(dialog);

    // A new password that cannot be saved is not taken.
    PostCommand(window, IDM_CHANGE_PASSWORD);
    dialog = program.WaitDialog("Larkmoor: Change password");
    ASSERT_NE(dialog, nullptr);
    SetField(dialog, IDC_CURRENT_PASSWORD, "granite");
    SetField(dialog, IDC_NEW_PASSWORD, "basalt");
    PostClick(dialog, IDOK);
    ASSERT_TRUE(Answer(program, kErrorCaption, "Preferences file write error!"));
    ASSERT_TRUE(Answer(program, "Notice", "The password was not changed."));
    PostClick(dialog, IDCANCEL);
    ASSERT_TRUE(flows::WaitGone(dialog));

    // Edited prompts that cannot be saved stay in the dialog.
    PostCommand(window, IDM_EDIT_PROMPTS);
    dialog = program.WaitDialog("Larkmoor: Edit Brainstorm Prompts");
    ASSERT_NE(dialog, nullptr);
    SetField(dialog, IDC_PROMPTS_TEXT, "A prompt typed on a read-only disk");
    PostClick(dialog, IDOK);
    HWND box = program.WaitDialog("Notice");
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(MessageBoxText(box).rfind("The prompts could not be saved.", 0), 0u)
        << MessageBoxText(box);
    PostClick(box, IDOK);
    ASSERT_TRUE(flows::WaitGone(box));
    EXPECT_EQ(Field(dialog, IDC_PROMPTS_TEXT), "A prompt typed on a read-only disk");
    PostClick(dialog, IDCANCEL);
    ASSERT_TRUE(flows::WaitGone(dialog));

    // The session's end and the settings cannot be written either.
    ExitAnswering(program, window, 2);
    Unmount(DataFolderPath());
    mounted_ = false;

    const Bytes after = ReadAll();
    ExpectSameBytes(after.settings, before.settings, "the settings file");
    ExpectSameBytes(after.log, before.log, "the log");
    ExpectSameBytes(after.prompts, before.prompts, "the prompts file");
    ExpectSameBytes(after.database, before.database, "the database");
}

namespace {

enum class Replaced { Settings, Log, Prompts };

struct FolderCase {
    const char* name;
    Replaced which;
};

const FolderCase kFolderCases[] = {
    {"Settings", Replaced::Settings},
    {"Log", Replaced::Log},
    {"Prompts", Replaced::Prompts},
};

class FileReplacedByFolderTest : public FileFaultTest,
                                 public ::testing::WithParamInterface<FolderCase> {};

std::string PathOf(Replaced which) {
    switch (which) {
    case Replaced::Settings:
        return SettingsFile();
    case Replaced::Log:
        return LogFile();
    case Replaced::Prompts:
        break;
    }
    return PromptsFile();
}

}  // namespace

TEST_P(FileReplacedByFolderTest, TheProgramSaysSoAndTheFolderIsLeftAlone) {
    const Replaced which = GetParam().which;
    const std::string path = PathOf(which);
    ASSERT_TRUE(DeleteFileA(path.c_str()));
    ASSERT_TRUE(CreateDirectoryA(path.c_str(), nullptr));
    const std::string inside = path + "\\inside.txt";
    ASSERT_TRUE(WriteFileBytes(inside, "Something of the user's own."));
    const Bytes before = ReadAll();

    Larkmoor program;
    ASSERT_TRUE(program.Start());
    switch (which) {
    case Replaced::Settings:
        // The initial settings apply (startup screen on) and cannot be saved.
        ASSERT_TRUE(Answer(program, kErrorCaption, "Preferences file write error!"));
        break;
    case Replaced::Log:
        ASSERT_TRUE(Answer(program, kErrorCaption, "Program log write error!"));
        break;
    case Replaced::Prompts:
        ASSERT_TRUE(Answer(program, kErrorCaption, "Program quotes read error!"));
        break;
    }
    HWND window = program.WaitMainWindow();
    ASSERT_NE(window, nullptr) << OpenDialogs(program);

    switch (which) {
    case Replaced::Settings: {
        // Preferences still work for this run; saving them says it failed.
        PostCommand(window, IDM_PREFERENCES);
        HWND dialog = program.WaitDialog("Larkmoor Preferences");
        ASSERT_NE(dialog, nullptr);
        PostClick(dialog, IDOK);
        ASSERT_TRUE(Answer(program, kErrorCaption, "Preferences file write error!"));
        ASSERT_TRUE(flows::WaitGone(dialog));
        ExitAnswering(program, window, 1);
        break;
    }
    case Replaced::Log: {
        // The viewer shows nothing and cannot delete the folder.
        PostCommand(window, IDM_VIEW_LOG);
        HWND dialog = program.WaitDialog("Larkmoor: View Program Log");
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(SendMessageW(GetDlgItem(dialog, IDC_LOG_LIST), LB_GETCOUNT, 0, 0), 0);
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_DELETE_LOG)));
        PostClick(dialog, IDOK);
        ASSERT_TRUE(flows::WaitGone(dialog));
        ExitAnswering(program, window, 1);
        break;
    }
    case Replaced::Prompts: {
        // No prompt to show, none to pick, and nothing to edit.
        HWND view = FindWindowExA(window, nullptr, "Edit", nullptr);
        EXPECT_EQ(TextOf(view), "");
        PostCommand(window, IDM_GET_PROMPT);
        PostCommand(window, IDM_EDIT_PROMPTS);
        HWND box = program.WaitDialog("Notice");
        ASSERT_NE(box, nullptr) << OpenDialogs(program);
        EXPECT_EQ(MessageBoxText(box).rfind("The prompts file could not be read:", 0), 0u)
            << MessageBoxText(box);
        PostClick(box, IDOK);
        ASSERT_TRUE(flows::WaitGone(box));
        EXPECT_EQ(TextOf(view), "");
        ExitAnswering(program, window);
        break;
    }
    }

    EXPECT_EQ(GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_DIRECTORY,
              static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
    EXPECT_EQ(ReadFileBytes(inside), "Something of the user's own.");
    const Bytes after = ReadAll();
    if (which != Replaced::Settings) ExpectSameBytes(after.settings, before.settings, "settings");
    if (which != Replaced::Log) {
        // The session's two lines (and the Preferences line), after the lines of before.
        EXPECT_EQ(after.log.compare(0, before.log.size(), before.log), 0) << after.log;
        EXPECT_EQ(flows::LinesOf(after.log).size(),
                  flows::LinesOf(before.log).size() + (which == Replaced::Settings ? 3 : 2));
    }
    if (which != Replaced::Prompts) ExpectSameBytes(after.prompts, before.prompts, "prompts");
    ExpectSameBytes(after.database, before.database, "the database");
    EXPECT_FALSE(PathExists(SettingsFile() + ".new"));
}

INSTANTIATE_TEST_SUITE_P(Files, FileReplacedByFolderTest, ::testing::ValuesIn(kFolderCases),
                         [](const ::testing::TestParamInfo<FolderCase>& replaced) {
                             return std::string(replaced.param.name);
                         });

namespace {

class ReadOnlyFileTest : public FileFaultTest,
                         public ::testing::WithParamInterface<FolderCase> {
protected:
    void TearDown() override {
        const std::string path = PathOf(GetParam().which);
        if (immutable_) SetImmutable(path, false);
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        FileFaultTest::TearDown();
    }
    bool immutable_ = false;
};

}  // namespace

TEST_P(ReadOnlyFileTest, ReadOnlyFileIsReadButNeverChanged) {
    const Replaced which = GetParam().which;
    const std::string path = PathOf(which);
    ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));
    // The settings and prompts files are replaced whole by a move, which
    // Windows refuses over a read-only file and the program refuses itself
    // everywhere: the attribute alone must do. The log is opened for
    // appending, which root may do regardless: make it immutable too.
    if (which == Replaced::Log && RunningAsRoot()) {
        ASSERT_TRUE(immutable_ = SetImmutable(path, true));
    }
    const Bytes before = ReadAll();

    Larkmoor program;
    ASSERT_TRUE(program.Start());
    if (which == Replaced::Log) {
        ASSERT_TRUE(Answer(program, kErrorCaption, "Program log write error!"));
    }
    HWND window = program.WaitMainWindow();
    ASSERT_NE(window, nullptr) << OpenDialogs(program);
    // The prompts were read.
    EXPECT_NE(TextOf(FindWindowExA(window, nullptr, "Edit", nullptr)), "");

    if (which == Replaced::Prompts) {
        PostCommand(window, IDM_EDIT_PROMPTS);
        HWND dialog = program.WaitDialog("Larkmoor: Edit Brainstorm Prompts");
        ASSERT_NE(dialog, nullptr);
        SetField(dialog, IDC_PROMPTS_TEXT, "A new prompt for a read-only file");
        PostClick(dialog, IDOK);
        HWND box = program.WaitDialog("Notice");
        ASSERT_NE(box, nullptr) << OpenDialogs(program);
        EXPECT_EQ(MessageBoxText(box).rfind("The prompts could not be saved.", 0), 0u);
        PostClick(box, IDOK);
        ASSERT_TRUE(flows::WaitGone(box));
        EXPECT_EQ(Field(dialog, IDC_PROMPTS_TEXT), "A new prompt for a read-only file");
        PostClick(dialog, IDCANCEL);
        ASSERT_TRUE(flows::WaitGone(dialog));
    }
    if (which == Replaced::Log) {
        // The viewer shows the lines, and cannot delete the log.
        PostCommand(window, IDM_VIEW_LOG);
        HWND dialog = program.WaitDialog("Larkmoor: View Program Log");
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(SendMessageW(GetDlgItem(dialog, IDC_LOG_LIST), LB_GETCOUNT, 0, 0), 2);
        PostClick(dialog, IDC_DELETE_LOG);
        ASSERT_TRUE(Answer(program, "Notice",
                           "Delete the program log? Its lines cannot be brought back.", IDYES));
        ASSERT_TRUE(Answer(program, "Notice", "The program log could not be deleted."));
        EXPECT_EQ(SendMessageW(GetDlgItem(dialog, IDC_LOG_LIST), LB_GETCOUNT, 0, 0), 2);
        PostClick(dialog, IDOK);
        ASSERT_TRUE(flows::WaitGone(dialog));
    }
    // Leaving: the session's end line, and the settings.
    ExitAnswering(program, window, which == Replaced::Prompts ? 0 : 1);

    const Bytes after = ReadAll();
    ExpectSameBytes(after.database, before.database, "the database");
    switch (which) {
    case Replaced::Settings:
        ExpectSameBytes(after.settings, before.settings, "the read-only settings file");
        break;
    case Replaced::Log:
        ExpectSameBytes(after.log, before.log, "the read-only log");
        break;
    case Replaced::Prompts:
        ExpectSameBytes(after.prompts, before.prompts, "the read-only prompts file");
        break;
    }
}

INSTANTIATE_TEST_SUITE_P(Files, ReadOnlyFileTest, ::testing::ValuesIn(kFolderCases),
                         [](const ::testing::TestParamInfo<FolderCase>& readOnly) {
                             return std::string(readOnly.param.name);
                         });
