// Login, logout and the program log through the real program: the password
// at start-up and after a logout, near misses and the longest passwords,
// Cancel and Escape, commands sent while the login waits, the logging
// switch, View Program Log, and what the program writes (no entry in the
// log, no plain password anywhere).
#include <gtest/gtest.h>

#include "resource.h"
#include "support/driver.h"

using namespace e2e;

namespace {

using LoginTest = ProgramTest;

const std::string kWrong = " - Incorrect login password.";

}  // namespace

TEST_F(LoginTest, AutomaticLoginOffAsksForThePasswordAndLogsEachNearMiss) {
    QuietSettings(0);
    Larkmoor program;
    HWND login = StartAtLogin(program);
    ASSERT_NE(login, nullptr);
    // The main window waits, hidden, behind the login.
    EXPECT_EQ(program.WaitMainWindow(300), nullptr);
    const std::vector<std::string> wrong = {
        "GRANITE", "Granite", "gRANITE", "graniTe", "granit", "g", "granite1", "granite ",
        " granite", "granitegranite", std::string(779, 'g'), std::string(100000, 'x')};
    for (const std::string& guess : wrong) EXPECT_FALSE(TryPassword(program, login, guess)) << guess.substr(0, 20);
    ASSERT_TRUE(WaitUntil([&] { return LogEvents().size() == wrong.size() + 1; }));
    EXPECT_TRUE(TryPassword(program, login, "granite"));
    HWND window = program.WaitMainWindow();
    ASSERT_NE(window, nullptr);
    ExitAnswering(program, window);

    std::vector<std::string> events(wrong.size() + 2, kWrong);
    events.front() = " - Session Start";
    events.back() = " - Session End";
    EXPECT_EQ(LogEvents(), events);
}

TEST_F(LoginTest, PasswordsOf779And780Bytes) {
    std::string longest;
    while (longest.size() < 779) longest += "Pw0-x";
    longest.resize(779);
    WriteSettingsFile(50, 40, 360, 260, 0, 1, 0, longest);
    Larkmoor program;
    HWND login = StartAtLogin(program);
    ASSERT_NE(login, nullptr);
    // One byte short, one byte different, and 780 bytes whose first 779 are
    // not the password: refused. All 779 bytes: in.
    EXPECT_FALSE(TryPassword(program, login, longest.substr(0, 778)));
    EXPECT_FALSE(TryPassword(program, login, longest.substr(0, 778) + "Q"));
    EXPECT_FALSE(TryPassword(program, login, "Q" + longest));
    EXPECT_TRUE(TryPassword(program, login, longest));
    HWND window = program.WaitMainWindow();
    ASSERT_NE(window, nullptr);
    // The field reads 779 bytes at most, so a 780th typed byte takes no part.
    login = LogOut(program, window);
    ASSERT_NE(login, nullptr);
    EXPECT_TRUE(TryPassword(program, login, longest + "Z"));
    ASSERT_TRUE(WaitUntil([&] { return ProcessDialogs(program.ProcessId()).empty(); }));
    ExitAnswering(program, window);
    EXPECT_EQ(LogEvents(), (std::vector<std::string>{" - Session Start", kWrong, kWrong, kWrong,
                                                     " - Session End"}));
}

TEST_F(LoginTest, CommandsWhileTheLoginWaitsDoNothingAndCancelOrEscapeEndWithZero) {
    QuietSettings(0);
    ASSERT_EQ(SideDb(DatabaseFile()).CreateJournal({{"2024-01-02 03:04:05", "Private", "Not yours."}}), "");
    const std::string database = ReadFileBytes(DatabaseFile());
    const std::string settings = ReadFileBytes(SettingsFile());
    const std::vector<int> commands = {IDM_BROWSE_ENTRIES,  IDM_ADD_ENTRY,  IDM_SEARCH_ENTRIES,
                                       IDM_VIEW_LOG,        IDM_PREFERENCES, IDM_CHANGE_PASSWORD,
                                       IDM_EDIT_PROMPTS,    IDM_COMPACT_DATABASE, IDM_LOGOUT};
    // At start-up the main window waits, hidden, behind the login; after a
    // logout it shows, but takes no command until the password is given.
    for (bool afterLogout : {false, true}) {
        SCOPED_TRACE(afterLogout ? "after a logout" : "at start-up");
        Larkmoor program;
        HWND login = StartAtLogin(program);
        ASSERT_NE(login, nullptr);
        HWND window = FindWindowA("larkmoorclass", nullptr);
        ASSERT_NE(window, nullptr);
        if (afterLogout) {
            ASSERT_TRUE(TryPassword(program, login, "granite"));
            ASSERT_EQ(program.WaitMainWindow(), window);
            // Moved: a record saved on the way out would differ.
            SetWindowPos(window, nullptr, 200, 150, 400, 300, SWP_NOZORDER | SWP_NOACTIVATE);
            login = LogOut(program, window);
            ASSERT_NE(login, nullptr);
        }
        for (int command : commands) PostCommand(window, command);
        SetField(login, IDC_PASSWORD, "xx");
        ASSERT_TRUE(Settle(GetDlgItem(login, IDC_PASSWORD)));
        EXPECT_EQ(OpenDialogs(program), "[Larkmoor Login: ] ");
        // Ending: the commands still queued go nowhere.
        for (int command : commands) PostCommand(window, command);
        if (afterLogout)
            PostClick(login, IDCANCEL);
        else
            PressKeys(login, {VK_ESCAPE});
        for (int command : commands) PostCommand(window, command);
        ASSERT_TRUE(EndsWithZero(program));
        EXPECT_EQ(ReadFileBytes(DatabaseFile()), database);
        // No session's end and no settings written; start-up still ran to its
        // end: the prompts file was copied.
        EXPECT_EQ(LogEvents(), std::vector<std::string>(afterLogout ? 2 : 1, " - Session Start"));
        EXPECT_EQ(ReadFileBytes(SettingsFile()), settings);
        EXPECT_TRUE(PathExists(PromptsFile()));
    }
}

TEST_F(LoginTest, NoEntryInTheLogAndNoPlainPasswordInAnyFile) {
    QuietSettings();
    const std::string password = "Quartz-Zebra-77";
    const std::string guess = "Wrong-Guess-55";
    const std::vector<std::string> secrets = {"Secret-Subject-42", "Secret-Text-99 and more",
                                              "Changed-Secret-31"};
    Larkmoor program;
    HWND window = StartQuiet(program);
    ASSERT_NE(window, nullptr);

    ChangePassword(program, window, "granite", password, "Your password has been changed.");

    HWND login = LogOut(program, window);
    ASSERT_NE(login, nullptr);
    EXPECT_FALSE(TryPassword(program, login, guess));
    EXPECT_FALSE(TryPassword(program, login, "granite"));
    EXPECT_TRUE(TryPassword(program, login, password));

    HWND dialog = OpenDialog(program, window, IDM_ADD_ENTRY);
    ASSERT_NE(dialog, nullptr);
    TypeAndSave(dialog, secrets[0], secrets[1]);
    ASSERT_TRUE(WaitLineCount(dialog, 1));
    CloseEntries(dialog);
    dialog = OpenDialog(program, window, IDM_BROWSE_ENTRIES);
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(WaitFieldText(dialog, IDC_SUBJECT, secrets[0]));
    SetField(dialog, IDC_ENTRY_TEXT, secrets[2]);
    PostClick(dialog, IDC_SAVE);
    ASSERT_TRUE(WaitFieldText(dialog, IDC_SUBJECT, ""));
    CloseEntries(dialog);
    dialog = OpenDialog(program, window, IDM_PREFERENCES);
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(CloseBy(dialog, IDOK));
    PostCommand(window, IDM_COMPACT_DATABASE);
    ASSERT_TRUE(Answer(program, "Notice", "Database compacted."));
    ExitAnswering(program, window);

    const std::map<std::string, std::string> files = ReadTree(DataFolderPath());
    ASSERT_GE(files.size(), 4u);  // settings, log, prompts, database
    for (const auto& [path, bytes] : files) {
        // Passwords and entry texts are stored scrambled only.
        for (const std::string& plain : {password, guess, std::string("granite"), secrets[1], secrets[2]})
            EXPECT_EQ(bytes.find(plain), std::string::npos) << path << " holds " << plain;
    }
    const std::string log = ReadFileBytes(LogFile());
    EXPECT_EQ(log.find("Secret"), std::string::npos) << "the log names an entry";
    EXPECT_EQ(LogEvents(), (std::vector<std::string>{" - Session Start", kWrong, kWrong,
                                                     " - Logging is enabled", " - Session End"}));
    EXPECT_NE(ReadFileBytes(SettingsFile()).find(oracle::Scrambled(password) + "\n"), std::string::npos);
}

TEST_F(LoginTest, UntickingTheLogStopsLaterLinesAndTickingItWritesAtOnce) {
    QuietSettings();
    Larkmoor program;
    HWND window = StartQuiet(program);
    ASSERT_NE(window, nullptr);
    PressKeys(window, {VK_F2});
    HWND preferences = program.WaitDialog("Larkmoor Preferences");
    ASSERT_NE(preferences, nullptr);
    HWND logBox = GetDlgItem(preferences, IDC_ENABLE_LOG);
    EXPECT_EQ(Send(logBox, BM_GETCHECK), BST_CHECKED);
    Send(logBox, BM_SETCHECK, BST_UNCHECKED);
    Send(GetDlgItem(preferences, IDC_AUTO_LOGIN), BM_SETCHECK, BST_UNCHECKED);
    ASSERT_TRUE(CloseBy(preferences, IDOK));
    const std::vector<std::string> disabled = {" - Session Start", " - Logging is disabled"};
    EXPECT_EQ(LogEvents(), disabled);
    // Saved at once, with the geometry loaded at start-up.
    EXPECT_EQ(ReadFileBytes(SettingsFile()), oracle::SettingsFile(50, 40, 360, 260, 0, 0, 0));

    // A wrong password and the end of the run now write nothing; the next
    // start asks for the password and writes no session line.
    HWND login = LogOut(program, window);
    ASSERT_NE(login, nullptr);
    EXPECT_FALSE(TryPassword(program, login, "wrong"));
    EXPECT_TRUE(TryPassword(program, login, "granite"));
    ExitAnswering(program, window);
    EXPECT_EQ(LogEvents(), disabled);

    Larkmoor again;
    login = StartAtLogin(again);
    ASSERT_NE(login, nullptr);
    EXPECT_TRUE(TryPassword(again, login, "granite"));
    window = again.WaitMainWindow();
    ASSERT_NE(window, nullptr);
    // Ticking the log again writes its line at once, and the end of the run.
    preferences = OpenDialog(again, window, IDM_PREFERENCES);
    ASSERT_NE(preferences, nullptr);
    Send(GetDlgItem(preferences, IDC_ENABLE_LOG), BM_SETCHECK, BST_CHECKED);
    ASSERT_TRUE(CloseBy(preferences, IDOK));
    EXPECT_EQ(LogEvents().size(), 3u);
    EXPECT_EQ(LogEvents().back(), " - Logging is enabled");
    ExitAnswering(again, window);
    EXPECT_EQ(LogEvents().back(), " - Session End");
}
