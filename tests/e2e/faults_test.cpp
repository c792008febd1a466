// The data folder and its files failing beneath the real program: the whole
// folder read-only, a file replaced by a folder of its name or made
// read-only, a full disk (a small tmpfs of the test's own, filled to the last
// byte), and the program killed in the middle of a save. The program keeps
// working, says what failed, keeps what the user typed, and leaves every file
// whole: as it was, or at most with the new record in it. Where the machine
// does not allow mounting, the tests that need it are skipped and say so.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "resource.h"
#include "support/driver.h"

using namespace e2e;

namespace {

constexpr char kOwnPrompts[] = "First prompt of my own\r\nSecond prompt\r\nThird one\r\n";
constexpr char kLogBefore[] =
    "2024-01-02 03:04:05 - Session Start\n2024-01-02 03:09:05 - Session End\n";
const std::vector<NewEntry> kTwoEntries = {{"2024-01-02 03:04:05", "Morning pages", "Three pages."},
                                           {"2024-02-03 04:05:06", "It's a plan", "Don't forget."}};

class FileFaultTest : public QuietProgramTest {
protected:
    void SetUp() override {
        QuietProgramTest::SetUp();
        ASSERT_TRUE(WriteFileBytes(LogFile(), kLogBefore));
        ASSERT_TRUE(WriteFileBytes(PromptsFile(), kOwnPrompts));
        ASSERT_EQ(SideDb(DatabaseFile()).CreateJournal(kTwoEntries), "");
    }
    void TearDown() override {
        if (mounted_) Unmount(DataFolderPath());
        ProgramTest::TearDown();
    }
    bool mounted_ = false;
};

void ExpectSame(const std::string& after, const std::string& before, const char* what) {
    EXPECT_TRUE(after == before) << what << " changed: " << before.size() << " bytes before, "
                                 << after.size() << " after";
}

// Types into the Edit Brainstorm Prompts dialog, presses OK and checks the
// refusal: the dialog stays, with the text in it, and is given back.
HWND EditPromptsRefused(Larkmoor& program, HWND window, const std::string& text) {
    HWND dialog = OpenDialog(program, window, IDM_EDIT_PROMPTS);
    EXPECT_NE(dialog, nullptr);
    SetField(dialog, IDC_PROMPTS_TEXT, text);
    PostClick(dialog, IDOK);
    EXPECT_EQ(AnswerBox(program, "Notice").rfind("The prompts could not be saved.", 0), 0u);
    EXPECT_TRUE(Field(dialog, IDC_PROMPTS_TEXT) == text);
    return dialog;
}

}  // namespace

TEST_F(FileFaultTest, ReadOnlyDataFolderRefusesEveryWriteAndKeepsEverything) {
    if (!CanMount()) GTEST_SKIP() << "no mounting here: the read-only folder cannot be made";
    const DataFiles before = TakeSnapshot();
    ASSERT_TRUE(mounted_ = MountReadOnly(DataFolderPath()));

    Larkmoor program;
    ASSERT_TRUE(program.Start());
    // The line that marks the session's start cannot be written.
    ASSERT_TRUE(Answer(program, kErrorCaption, "Program log write error!"));
    HWND window = program.WaitMainWindow();
    ASSERT_NE(window, nullptr) << OpenDialogs(program);

    // The journal reads, and a new entry is refused with the typing kept.
    HWND dialog = OpenDialog(program, window, IDM_BROWSE_ENTRIES);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(ListLines(dialog), (std::vector<std::string>{"It's a plan", "Morning pages"}));
    CloseEntries(dialog);
    dialog = OpenDialog(program, window, IDM_ADD_ENTRY);
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(SaveRefused(program, dialog, "On a read-only disk", "Kept in the field."));
    CloseEntriesDropping(program, dialog);

    // A new password that cannot be saved is not taken.
    ChangePassword(program, window, "granite", "basalt", "The password was not changed.", true);

    EXPECT_TRUE(CloseBy(EditPromptsRefused(program, window, "A prompt typed on a read-only disk"),
                        IDCANCEL));
    // The session's end and the settings cannot be written either.
    ExitAnswering(program, window, 2);
    Unmount(DataFolderPath());
    mounted_ = false;

    const DataFiles after = TakeSnapshot();
    ExpectSame(after.settings, before.settings, "the settings file");
    ExpectSame(after.log, before.log, "the log");
    ExpectSame(after.prompts, before.prompts, "the prompts file");
    ExpectSame(after.database, before.database, "the database");
}

namespace {

enum class Which { Settings, Log, Prompts };

// A data file replaced by a folder of its name (with a file of the user's
// in it), or made read-only.
struct FileCase {
    const char* name;
    Which which;
    bool folder;
};

const FileCase kFileCases[] = {
    {"SettingsReplacedByAFolder", Which::Settings, true}, {"LogReplacedByAFolder", Which::Log, true},
    {"PromptsReplacedByAFolder", Which::Prompts, true},   {"ReadOnlySettings", Which::Settings, false},
    {"ReadOnlyLog", Which::Log, false},                   {"ReadOnlyPrompts", Which::Prompts, false},
};

class FileCaseTest : public FileFaultTest, public ::testing::WithParamInterface<FileCase> {
protected:
    void TearDown() override {
        if (immutable_) SetImmutable(Path(), false);
        SetFileAttributesA(Path().c_str(), FILE_ATTRIBUTE_NORMAL);
        FileFaultTest::TearDown();
    }
    std::string Path() const {
        const Which which = GetParam().which;
        return which == Which::Settings ? SettingsFile() : which == Which::Log ? LogFile() : PromptsFile();
    }
    bool immutable_ = false;
};

}  // namespace

TEST_P(FileCaseTest, TheProgramSaysWhatFailedAndLeavesTheFileAlone) {
    const Which which = GetParam().which;
    const bool folder = GetParam().folder;
    const std::string path = Path();
    const std::string inside = path + "\\inside.txt";
    if (folder) {
        ASSERT_TRUE(DeleteFileA(path.c_str()));
        ASSERT_TRUE(CreateDirectoryA(path.c_str(), nullptr));
        ASSERT_TRUE(WriteFileBytes(inside, "Something of the user's own."));
    } else {
        // The settings and prompts files are replaced whole by a move, which
        // Windows refuses over a read-only file and the program refuses
        // itself everywhere: the attribute alone must do. The log is opened
        // for appending, which root may do regardless: make it immutable too.
        ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));
        if (which == Which::Log && RunningAsRoot()) {
            ASSERT_TRUE(immutable_ = SetImmutable(path, true));
        }
    }
    const DataFiles before = TakeSnapshot();

    Larkmoor program;
    ASSERT_TRUE(program.Start());
    // At start-up: the session's line cannot be written, the prompts cannot
    // be read. A settings file that cannot be read is no first start: the
    // initial password is asked for, with every number 0 (logging off), and
    // nothing is saved yet.
    const char* atStart = which == Which::Log                     ? "Program log write error!"
                          : !folder || which == Which::Settings ? nullptr
                                                                 : "Program quotes read error!";
    if (atStart != nullptr) {
        ASSERT_TRUE(Answer(program, kErrorCaption, atStart));
    }
    if (which == Which::Settings && folder) {
        HWND login = program.WaitDialog("Larkmoor Login");
        ASSERT_NE(login, nullptr) << OpenDialogs(program);
        ASSERT_TRUE(TryPassword(program, login, "granite"));
    }
    HWND window = program.WaitMainWindow();
    ASSERT_NE(window, nullptr) << OpenDialogs(program);
    if (which == Which::Settings && folder) {
        // Preferences still work for this run; saving them says it failed.
        HWND dialog = OpenDialog(program, window, IDM_PREFERENCES);
        ASSERT_NE(dialog, nullptr);
        PostClick(dialog, IDOK);
        ASSERT_TRUE(Answer(program, kErrorCaption, "Preferences file write error!"));
        ASSERT_TRUE(WaitGone(dialog));
    } else if (which == Which::Log) {
        // The viewer shows the lines (none from a folder), and cannot delete them.
        HWND dialog = OpenDialog(program, window, IDM_VIEW_LOG);
        ASSERT_NE(dialog, nullptr);
        HWND list = GetDlgItem(dialog, IDC_LOG_LIST);
        EXPECT_EQ(Send(list, LB_GETCOUNT), folder ? 0 : 2);
        EXPECT_EQ(IsWindowEnabled(GetDlgItem(dialog, IDC_DELETE_LOG)) != FALSE, !folder);
        if (!folder) {
            PostClick(dialog, IDC_DELETE_LOG);
            ASSERT_TRUE(Answer(program, "Notice", "Delete the program log? Its lines cannot be brought back.", IDYES));
            ASSERT_TRUE(Answer(program, "Notice", "The program log could not be deleted."));
            EXPECT_EQ(Send(list, LB_GETCOUNT), 2);
            EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, IDC_DELETE_LOG)));
        }
        ASSERT_TRUE(CloseBy(dialog, IDOK));
    } else if (which == Which::Prompts && folder) {
        // No prompt to show, none to pick, and nothing to edit.
        EXPECT_EQ(TextOf(PromptView(window)), "");
        PostCommand(window, IDM_GET_PROMPT);
        PostCommand(window, IDM_EDIT_PROMPTS);
        EXPECT_EQ(AnswerBox(program, "Notice").rfind("The prompts file could not be read:", 0), 0u);
        EXPECT_EQ(TextOf(PromptView(window)), "");
    } else if (which == Which::Prompts) {
        EXPECT_TRUE(CloseBy(
            EditPromptsRefused(program, window, "A new prompt for a read-only file"), IDCANCEL));
    }
    if (!folder) {
        EXPECT_NE(TextOf(PromptView(window)), "") << "the prompts were read";
    }
    // Leaving: the session's end line and the settings.
    ExitAnswering(program, window, which == Which::Prompts ? 0 : 1);

    const DataFiles after = TakeSnapshot();
    ExpectSame(after.database, before.database, "the database");
    if (which != Which::Settings) ExpectSame(after.settings, before.settings, "settings");
    if (which != Which::Prompts) ExpectSame(after.prompts, before.prompts, "prompts");
    if (which == Which::Log) {
        ExpectSame(after.log, before.log, "the log");
    } else if (folder) {
        // The session's two lines, after the lines of before; with the
        // settings unreadable logging is off, and only the Preferences line
        // (logging disabled) is written.
        EXPECT_EQ(after.log.compare(0, before.log.size(), before.log), 0) << after.log;
        EXPECT_EQ(oracle::LinesOf(after.log).size(),
                  oracle::LinesOf(before.log).size() + (which == Which::Settings ? 1 : 2));
    }
    if (folder) {
        EXPECT_NE(GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);
        EXPECT_EQ(ReadFileBytes(inside), "Something of the user's own.");
    } else if (which != Which::Log) {
        ExpectSame(ReadFileBytes(path), which == Which::Settings ? before.settings : before.prompts,
                   "the read-only file");
    }
    EXPECT_FALSE(PathExists(path + ".new"));
}

INSTANTIATE_TEST_SUITE_P(Files, FileCaseTest, ::testing::ValuesIn(kFileCases),
                         [](const ::testing::TestParamInfo<FileCase>& c) { return std::string(c.param.name); });

namespace {

// A small disk of the test's own on the data folder, empty: the files of
// FileFaultTest are not written.
class DiskFullTest : public FileFaultTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        if (!CanMount()) GTEST_SKIP() << "no mounting here: no small disk can be made full";
        CreateDirectoryA(DataFolderPath().c_str(), nullptr);
        ASSERT_TRUE(mounted_ = MountSmallDisk(DataFolderPath(), 1024));
    }
};

// Fills the disk of the data folder to its last byte, or frees it again.
void FillDisk() {
    const std::string folder = UnixPath(DataFolderPath());
    const std::string printed =
        RunShell("dd if=/dev/zero of='" + folder + "/filler' bs=4k 2>/dev/null; df -k '" + folder + "'");
    ASSERT_NE(printed.find("100%"), std::string::npos) << printed;
}

void FreeDisk() {
    ASSERT_TRUE(DeleteFileA(DataFile("filler").c_str()));
}

}  // namespace

TEST_F(DiskFullTest, EveryWriteFailsCleanlyAndSucceedsOnceThereIsRoom) {
    QuietSettings();
    // A log whose last page has room for only part of the next line, so
    // that a line written now would be cut at the page's end.
    std::string log;
    const std::string line = "2024-01-02 03:04:05 - Session Start\n";
    while (log.size() + line.size() < 4096 - 10) log += line;
    log += std::string(4096 - 10 - log.size() - 1, 'x') + "\n";
    ASSERT_TRUE(WriteFileBytes(LogFile(), log));
    ASSERT_TRUE(WriteFileBytes(PromptsFile(), kOwnPrompts));
    ASSERT_EQ(SideDb(DatabaseFile()).CreateJournal(kTwoEntries), "");
    const DataFiles before = TakeSnapshot();
    FillDisk();

    Larkmoor program;
    ASSERT_TRUE(program.Start());
    // The line that marks the session's start does not fit.
    ASSERT_TRUE(Answer(program, kErrorCaption, "Program log write error!"));
    HWND window = program.WaitMainWindow();
    ASSERT_NE(window, nullptr) << OpenDialogs(program);
    // Preferences: the log line and the settings file both fail.
    HWND dialog = OpenDialog(program, window, IDM_PREFERENCES);
    ASSERT_NE(dialog, nullptr);
    PostClick(dialog, IDOK);
    ASSERT_TRUE(Answer(program, kErrorCaption, "Program log write error!"));
    ASSERT_TRUE(Answer(program, kErrorCaption, "Preferences file write error!"));
    ASSERT_TRUE(WaitGone(dialog));
    // Edited prompts that do not fit stay in their dialog.
    const std::string prompts = std::string(kOwnPrompts) + std::string(8000, 'p');
    dialog = EditPromptsRefused(program, window, prompts);

    // Nothing was changed, cut or left behind.
    const DataFiles full = TakeSnapshot();
    EXPECT_EQ(full.settings, before.settings);
    EXPECT_TRUE(full.log == before.log) << "the log changed on a full disk";
    EXPECT_EQ(full.prompts, before.prompts);
    EXPECT_TRUE(full.database == before.database);
    EXPECT_FALSE(PathExists(SettingsFile() + ".new"));
    EXPECT_FALSE(PathExists(PromptsFile() + ".new"));

    // With room again, the same OK saves them.
    FreeDisk();
    ASSERT_TRUE(CloseBy(dialog, IDOK)) << OpenDialogs(program);
    EXPECT_EQ(ReadFileBytes(PromptsFile()), prompts);

    // A new entry on a full disk is refused and stays in the fields; with
    // room again, the same Save stores it.
    FillDisk();
    dialog = OpenDialog(program, window, IDM_ADD_ENTRY);
    ASSERT_NE(dialog, nullptr);
    // Short lines: the edit control formats one long line very slowly under Wine.
    std::string text;
    while (text.size() < 20000) text += std::string(98, 'w') + "\r\n";
    ASSERT_TRUE(SaveRefused(program, dialog, "Written on a full disk", text));
    EXPECT_TRUE(ReadFileBytes(DatabaseFile()) == before.database);
    FreeDisk();
    PostClick(dialog, IDC_SAVE);
    ASSERT_TRUE(WaitLineCount(dialog, 3)) << OpenDialogs(program);
    CloseEntries(dialog);
    ExitAnswering(program, window);

    DataFiles after = TakeSnapshot();
    after.prompts = before.prompts;  // changed on purpose
    ExpectNothingLost(before, after);
    EXPECT_TRUE(IntegrityOk(DatabaseFile()));
    ASSERT_EQ(after.rows.size(), 3u);
    EXPECT_EQ(after.rows[2].subject, "Written on a full disk");
    EXPECT_TRUE(after.rows[2].entry == text);
    // The log goes on with whole lines after the lines of before.
    const std::vector<std::string> lines = oracle::LinesOf(after.log);
    EXPECT_EQ(lines.back().substr(19), " - Session End");
    for (const std::string& each : lines) EXPECT_EQ(each.find("(no line feed)"), std::string::npos);
}

// --- The program killed while saving ---------------------------------------------

namespace {

using KillTest = ProgramTest;

enum class Landed { Before, Inside, After };

// Kills the program during a save, at moments that close in on the write:
// a spread of delays after the save was asked for (until three kills have
// landed inside the write), then halfway between the latest that came too
// early and the earliest that came too late, until one has. attempt() makes
// one try and says where its kill landed. Fails when none landed inside:
// the test would have proved nothing.
void KillDuringWrites(const std::function<Landed(double delayMs)>& attempt) {
    const std::vector<double> spread = {0, 1, 2, 3, 4, 5, 6, 8, 10, 12, 15, 20, 30, 40};
    double early = 0;
    double late = 60;
    int inside = 0;
    int tries = 0;
    for (; tries < 60 && (inside == 0 || (inside < 3 && tries < static_cast<int>(spread.size())));
         ++tries) {
        const double delay = tries < static_cast<int>(spread.size()) ? spread[tries] : (early + late) / 2;
        SCOPED_TRACE("killed " + std::to_string(delay) + " ms after the save was asked for");
        const Landed landed = attempt(delay);
        if (::testing::Test::HasFailure()) return;
        // The moment of the write wanders on a busy machine: when the kills
        // too early and too late cross or meet, the window widens again.
        if (landed == Landed::Inside) ++inside;
        if (landed == Landed::Before) early = std::max(early, delay);
        if (landed == Landed::After) late = std::min(late, delay);
        if (late - early < 0.05) {
            if (landed == Landed::Before) late = early + 10;
            else early = std::max(0.0, late - 10);
        }
    }
    EXPECT_GT(inside, 0) << "no kill in " << tries << " tries landed inside a write";
    std::printf("kills: %d of %d inside a write\n", inside, tries);
}

// Waits the delay to within a fraction of a millisecond.
void WaitMs(double delay) {
    LARGE_INTEGER frequency, start, now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    do QueryPerformanceCounter(&now);
    while ((now.QuadPart - start.QuadPart) * 1000.0 / frequency.QuadPart < delay);
}

}  // namespace

TEST_F(KillTest, KilledWhileSavingTheSettingsLeavesTheOldOrTheNewFileWhole) {
    const std::string logged = oracle::SettingsFile(50, 40, 360, 260, 0, 1, 1);
    const std::string unlogged = oracle::SettingsFile(50, 40, 360, 260, 0, 0, 1);
    KillDuringWrites([&](double delay) {
        RemoveDataFolder();
        QuietSettings();
        Larkmoor program;
        HWND window = StartQuiet(program);
        EXPECT_NE(window, nullptr);
        // Preferences: untick logging and press OK, which saves at once.
        HWND dialog = OpenDialog(program, window, IDM_PREFERENCES);
        EXPECT_NE(dialog, nullptr);
        Send(GetDlgItem(dialog, IDC_ENABLE_LOG), BM_SETCHECK, BST_UNCHECKED);
        PostClick(dialog, IDOK);
        WaitMs(delay);
        program.Kill();
        const bool newFileLeft = PathExists(SettingsFile() + ".new");
        const std::string settings = ReadFileBytes(SettingsFile());
        EXPECT_TRUE(settings == logged || settings == unlogged) << "neither the old nor the new file";
        if (!newFileLeft) return settings == logged ? Landed::Before : Landed::After;
        // The next start takes the whole file and leaves no new file behind.
        Larkmoor next;
        window = StartQuiet(next);
        EXPECT_NE(window, nullptr) << OpenDialogs(next);
        if (window != nullptr) ExitAnswering(next, window);
        EXPECT_EQ(ReadFileBytes(SettingsFile()), settings);
        EXPECT_FALSE(PathExists(SettingsFile() + ".new"));
        return Landed::Inside;
    });
}

TEST_F(KillTest, HalfWrittenNewSettingsFileIsIgnoredAndReplaced) {
    // What a kill during the write leaves: the old file whole, beside it the
    // start of the new one. The old record was in use (logging on: the
    // session was logged) and was saved over the half-made file.
    QuietSettings();
    ASSERT_TRUE(WriteFileBytes(SettingsFile() + ".new", "50\n40\n3"));
    Larkmoor program;
    HWND window = StartQuiet(program);
    ASSERT_NE(window, nullptr);
    ExitAnswering(program, window);
    EXPECT_EQ(ReadFileBytes(SettingsFile()), oracle::SettingsFile(50, 40, 360, 260, 0, 1, 1));
    EXPECT_EQ(LogEvents(), (std::vector<std::string>{" - Session Start", " - Session End"}));
    EXPECT_FALSE(PathExists(SettingsFile() + ".new"));
}

TEST_F(KillTest, KilledWhileSavingAnEntryLeavesTheJournalWholeAtTheNextStart) {
    QuietSettings();
    ASSERT_EQ(SideDb(DatabaseFile()).CreateJournal(kTwoEntries), "");
    int saved = 0;
    KillDuringWrites([&](double delay) {
        const std::vector<JournalRow> before = ReadJournal(DatabaseFile());
        const std::string subject = "Killed after " + std::to_string(delay) + " ms";
        const std::string text(5000, static_cast<char>('a' + saved++ % 26));
        Larkmoor program;
        HWND window = StartQuiet(program);
        EXPECT_NE(window, nullptr);
        HWND dialog = OpenDialog(program, window, IDM_ADD_ENTRY);
        EXPECT_NE(dialog, nullptr);
        TypeAndSave(dialog, subject, text);
        WaitMs(delay);
        program.Kill();
        const bool journalLeft = PathExists(DatabaseFile() + "-journal");
        if (journalLeft) {
            // The next start lists the journal, rolling back a write cut short.
            Larkmoor next;
            window = StartQuiet(next);
            EXPECT_NE(window, nullptr);
            dialog = window == nullptr ? nullptr : OpenDialog(next, window, IDM_BROWSE_ENTRIES);
            EXPECT_NE(dialog, nullptr) << OpenDialogs(next);
            if (dialog != nullptr) {
                EXPECT_TRUE(WaitUntil([&] { return ListLines(dialog).size() >= before.size(); }));
                CloseEntries(dialog);
                ExitAnswering(next, window);
            }
        }
        // Whole, old rows kept, the new one there whole or not at all. A
        // journal file may stay behind, no longer hot: the file reads whole
        // without it.
        EXPECT_TRUE(IntegrityOk(DatabaseFile()));
        const std::vector<JournalRow> after = ReadJournal(DatabaseFile());
        EXPECT_TRUE(after.size() == before.size() || after.size() == before.size() + 1);
        for (std::size_t i = 0; i < before.size() && i < after.size(); ++i) EXPECT_EQ(after[i], before[i]);
        const bool stored = after.size() == before.size() + 1;
        if (stored) {
            EXPECT_EQ(after.back().subject, subject);
            EXPECT_TRUE(after.back().entry == text);
        }
        return journalLeft ? Landed::Inside : stored ? Landed::After : Landed::Before;
    });
}
