// The program as a whole, started as its own process: the ways to end it, a
// second instance, the startup screen, the About box and the help command.
#include "support/driver.h"

#include "resource.h"

using namespace e2e;

namespace {

using ShellTest = ProgramTest;

}  // namespace

TEST_F(ShellTest, CtrlXAndTheCloseBoxEndTheProgramWithZero) {
    QuietSettings();
    for (bool closeBox : {false, true}) {
        Larkmoor program;
        HWND window = StartQuiet(program);
        ASSERT_NE(window, nullptr);
        if (closeBox)
            PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
        else
            PressKeys(window, {VK_CONTROL, 'X'});
        ASSERT_TRUE(EndsWithZero(program)) << closeBox;
    }
}

TEST_F(ShellTest, SecondInstanceNotifiesThenRestoresTheFirst) {
    QuietSettings();
    Larkmoor first;
    HWND window = StartQuiet(first);
    ASSERT_NE(window, nullptr);
    ShowWindow(window, SW_MINIMIZE);
    ASSERT_TRUE(IsIconic(window));

    Larkmoor second;
    ASSERT_TRUE(second.Start());
    ASSERT_NE(second.WaitDialog("Larkmoor Notice"), nullptr);
    // The first copy stays minimised until the notice is dismissed.
    EXPECT_TRUE(IsIconic(window));
    ASSERT_TRUE(Answer(second, "Larkmoor Notice", "An instance of this program is already running."));
    ASSERT_TRUE(EndsWithZero(second));
    EXPECT_TRUE(WaitUntil([window] { return !IsIconic(window); }));
    ExitAnswering(first, window);
}

TEST_F(ShellTest, SecondInstanceLeavesTheFirstWhereItWas) {
    for (bool loginWaits : {false, true}) {
        SCOPED_TRACE(loginWaits ? "the first waits for its password" : "a dialog is open");
        RemoveDataFolder();
        QuietSettings(loginWaits ? 0 : 1);
        Larkmoor first;
        ASSERT_TRUE(first.Start());
        HWND login = loginWaits ? first.WaitDialog("Larkmoor Login") : nullptr;
        HWND window = loginWaits ? nullptr : first.WaitMainWindow();
        HWND dialog = loginWaits ? nullptr : OpenDialog(first, window, IDM_ADD_ENTRY);
        ASSERT_NE(loginWaits ? login : dialog, nullptr);
        if (!loginWaits) {
            SetField(dialog, IDC_SUBJECT, "Typed before the second start");
            SetField(dialog, IDC_ENTRY_TEXT, "Still here afterwards.");
        }

        Larkmoor second;
        ASSERT_TRUE(second.Start());
        ASSERT_TRUE(Answer(second, "Larkmoor Notice", "An instance of this program is already running."));
        ASSERT_TRUE(EndsWithZero(second));

        if (loginWaits) {
            // Still waiting for the password, the window disabled behind it
            // (commands sent meanwhile are the login tests').
            EXPECT_TRUE(IsWindowVisible(login));
            window = FindWindowA("larkmoorclass", nullptr);
            ASSERT_NE(window, nullptr);
            EXPECT_FALSE(IsWindowEnabled(window));
            EXPECT_EQ(OpenDialogs(first), "[Larkmoor Login: ] ");
            EXPECT_TRUE(TryPassword(first, login, "granite"));
            window = first.WaitMainWindow();
            ASSERT_NE(window, nullptr);
        } else {
            // The dialog still open, the typing in it, and it saves.
            EXPECT_TRUE(IsWindowVisible(dialog));
            EXPECT_FALSE(IsWindowEnabled(window));
            EXPECT_EQ(Field(dialog, IDC_SUBJECT), "Typed before the second start");
            EXPECT_EQ(Field(dialog, IDC_ENTRY_TEXT), "Still here afterwards.");
            PostClick(dialog, IDC_SAVE);
            ASSERT_TRUE(WaitLineCount(dialog, 1));
            CloseEntries(dialog);
        }
        ExitAnswering(first, window);
        if (!loginWaits) {
            const std::vector<JournalRow> rows = ReadJournal(DatabaseFile());
            ASSERT_EQ(rows.size(), 1u);
            EXPECT_EQ(rows[0].entry, "Still here afterwards.");
        }
        EXPECT_EQ(LogEvents(), (std::vector<std::string>{" - Session Start", " - Session End"}));
    }
}

// The startup screen, watched from another process: with its switch at 1 it
// stands alone before the main window (its time is checked by the Win32
// tests); with any other value it never shows.
TEST_F(ShellTest, StartupScreenShowsBeforeTheMainWindowOnlyWithItsSwitchAtOne) {
    for (int value : {1, 0, 2, -1}) {
        SCOPED_TRACE(value);
        RemoveDataFolder();
        WriteSettingsFile(50, 40, 360, 260, value, 0, 1);
        Larkmoor program;
        ASSERT_TRUE(program.Start());
        bool startupSeen = false;
        bool bothAtOnce = false;
        HWND window = nullptr;
        ASSERT_TRUE(WaitUntil(
            [&] {
                // The main window first, then the startup screen (a dialog
                // without title bar holding the product icon): a screen still
                // there after the main window was seen is a true overlap.
                window = program.WaitMainWindow(0);
                HWND screen = nullptr;
                for (const DialogWindow& dialog : ProcessDialogs(program.ProcessId())) {
                    HWND icon = GetDlgItem(dialog.window, IDC_PRODUCT_ICON);
                    if (icon != nullptr &&
                        (GetWindowLongA(dialog.window, GWL_STYLE) & WS_CAPTION) != WS_CAPTION)
                        screen = dialog.window;
                }
                startupSeen = startupSeen || screen != nullptr;
                bothAtOnce = bothAtOnce || (screen != nullptr && window != nullptr);
                return window != nullptr && screen == nullptr;
            },
            kStartMs));
        EXPECT_EQ(startupSeen, value == 1);
        EXPECT_FALSE(bothAtOnce) << "the main window shows only after the startup screen";
        ExitAnswering(program, window);
    }
}

// F1 opens the help file beside the program in the help viewer (whose
// process the test ends again); started from another folder, the program
// reports the help file as missing.
TEST_F(ShellTest, F1OpensTheHelpFileBesideTheProgramOrSaysItIsMissing) {
    // Logging off; a prompts file of its own, so that a start from another
    // folder needs no default.
    WriteSettingsFile(50, 40, 360, 260, 0, 0, 1);
    WriteFileBytes(PromptsFile(), "alpha\nbeta\ngamma\n");
    ASSERT_TRUE(PathExists(ProgramFolderPath() + "\\larkmoorhelp.chm"));
    for (bool elsewhere : {false, true}) {
        SCOPED_TRACE(elsewhere ? "started from another folder" : "started in the program folder");
        const std::string folder = elsewhere ? EmptyTempFolder("larkmoor-elsewhere") : "";
        Larkmoor program;
        HWND window = StartQuiet(program, folder);
        ASSERT_NE(window, nullptr);
        PressKeys(window, {VK_F1});
        if (elsewhere) {
            HWND box = program.WaitDialog("Error!");
            ASSERT_NE(box, nullptr);
            EXPECT_EQ(GetWindow(box, GW_OWNER), window);
            ASSERT_TRUE(Answer(program, "Error!", "Unable to open program's help file"));
            EXPECT_TRUE(ChildProcesses(program.ProcessId()).empty()) << "no viewer was started";
        } else {
            EXPECT_TRUE(WaitForChild(program.ProcessId(), "hh.exe")) << "the help viewer was started";
            EXPECT_EQ(program.WaitDialog("Error!", 2000), nullptr);
            EndChildren(program.ProcessId());
        }
        ExitAnswering(program, window);
        if (elsewhere) RemoveTree(folder);
    }
}
