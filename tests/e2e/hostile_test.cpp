// Hostile input and access through the real program: SQL typed as subjects,
// entry texts and search texts; the password check against near misses and
// the longest passwords; Cancel and Escape at the login, and commands sent
// to the main window while the login waits; what the program writes (no
// entry in the log, no plain password anywhere); and a second instance while
// a modal dialog is open in the first.
#include <gtest/gtest.h>

#include <algorithm>

#include <sqlite3.h>

#include "e2e/fault_support.h"
#include "e2e/settings_flows.h"
#include "resource.h"

using namespace faults;

namespace {

class HostileTest : public ::testing::Test {
protected:
    void SetUp() override { RemoveDataFolder(); }
    void TearDown() override { RemoveDataFolder(); }
};

// The subjects the search should list: the same three patterns with the
// search text bound as a value, so that nothing of it is read as SQL.
std::vector<std::string> BoundSearch(const std::string& search) {
    std::vector<std::string> subjects;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(DatabaseFile().c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* statement = nullptr;
        sqlite3_prepare_v2(db,
                           "SELECT dbsubject FROM dbtable WHERE dbsubject LIKE ?1 || '%' OR "
                           "dbsubject LIKE '%' || ?1 || '%' OR dbsubject LIKE '%' || ?1",
                           -1, &statement, nullptr);
        sqlite3_bind_text(statement, 1, search.data(), static_cast<int>(search.size()),
                          SQLITE_TRANSIENT);
        while (sqlite3_step(statement) == SQLITE_ROW)
            subjects.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)));
        sqlite3_finalize(statement);
    }
    sqlite3_close(db);
    std::sort(subjects.begin(), subjects.end());
    return subjects;
}

std::vector<std::string> Sorted(std::vector<std::string> lines) {
    std::sort(lines.begin(), lines.end());
    return lines;
}

std::string HighBytes() {
    std::string bytes;
    for (int byte = 0x80; byte <= 0xFF; ++byte) bytes += static_cast<char>(byte);
    return bytes;
}

struct Hostile {
    std::string subject;
    std::string text;
};

std::vector<Hostile> HostileEntries() {
    return {
        {"x'); DROP TABLE dbtable; --", "'); DELETE FROM dbtable; --"},
        {"a' OR '1'='1", "' OR 1=1 --"},
        {"'; UPDATE dbtable SET dbsubject='owned' WHERE 'a'='a",
         "x', dbsubject='owned' WHERE 1=1; --"},
        {"/* not a comment */ -- nor this", "/* */ -- ; ;; ;"},
        {"semi;colon;;", ";"},
        {"100% _under_ \\back\\slash\\", "\\'\\\"%_"},
        {"\"double\" and 'single' ''quotes''", "''''''''"},
        {"Bytes " + HighBytes(), "Bytes " + HighBytes().substr(0, 0x25) + HighBytes().substr(0x26)},
        {std::string(40, '\''), std::string(40, '\x82')},  // 0x82 scrambles to a quote
    };
}

}  // namespace

TEST_F(HostileTest, SqlInSubjectsTextsAndSearchesIsPlainText) {
    WriteSettingsFile(50, 40, 360, 260, 0, 1, 1);
    CreateJournal({{"2024-01-02 03:04:05", "Bystander one", "Must never change."},
                   {"2024-02-03 04:05:06", "Bystander two", "Nor this."}});
    const std::vector<Row> bystanders = ReadRows();
    const std::vector<Hostile> hostile = HostileEntries();

    Larkmoor program;
    HWND window = StartQuiet(program);
    ASSERT_NE(window, nullptr);
    HWND dialog = OpenEntries(program, window, IDM_ADD_ENTRY, "Add a Larkmoor entry");
    ASSERT_NE(dialog, nullptr);
    std::size_t count = bystanders.size();
    for (const Hostile& entry : hostile) {
        SetField(dialog, IDC_SUBJECT, entry.subject);
        SetField(dialog, IDC_ENTRY_TEXT, entry.text);
        PostClick(dialog, IDC_SAVE);
        ASSERT_TRUE(WaitLineCount(dialog, ++count)) << entry.subject << OpenDialogs(program);
        ASSERT_TRUE(WaitFieldText(dialog, IDC_SUBJECT, ""));
    }
    CloseEntries(dialog);

    // Stored byte for byte, and the rows of before untouched.
    std::vector<Row> rows = ReadRows();
    ASSERT_EQ(rows.size(), bystanders.size() + hostile.size());
    EXPECT_EQ(rows[0], bystanders[0]);
    EXPECT_EQ(rows[1], bystanders[1]);
    for (std::size_t i = 0; i < hostile.size(); ++i) {
        EXPECT_EQ(rows[bystanders.size() + i].subject, hostile[i].subject);
        EXPECT_EQ(rows[bystanders.size() + i].entry, hostile[i].text);
    }

    // Every subject is found by itself, and each search lists exactly what
    // the same patterns find with the text bound as a value.
    dialog = OpenEntries(program, window, IDM_SEARCH_ENTRIES, "Search for Larkmoor entries");
    ASSERT_NE(dialog, nullptr);
    std::vector<std::string> searches = {"%' OR 1=1 --", "'; DROP TABLE dbtable; --",
                                         "x%' OR dbsubject LIKE '%", "\\%\\", "_%_", "';'"};
    for (const Hostile& entry : hostile) searches.push_back(entry.subject);
    for (const std::string& search : searches) {
        SCOPED_TRACE(search);
        const std::vector<std::string> expected = BoundSearch(search);
        SetField(dialog, IDC_SEARCH_TEXT, search);
        PostClick(dialog, IDC_SEARCH_GO);
        ASSERT_TRUE(Settle(dialog, IDC_SEARCH_TEXT));
        EXPECT_EQ(Sorted(ListLines(dialog)), expected);
    }
    // A found line shows its own record.
    SetField(dialog, IDC_SEARCH_TEXT, hostile[0].subject);
    PostClick(dialog, IDC_SEARCH_GO);
    ASSERT_TRUE(Settle(dialog, IDC_SEARCH_TEXT));
    ASSERT_EQ(ListLines(dialog), std::vector<std::string>{hostile[0].subject});
    SelectLine(dialog, hostile[0].subject);
    EXPECT_EQ(Field(dialog, IDC_ENTRY_TEXT), hostile[0].text);

    // Changing it to another hostile subject changes that record alone.
    SetField(dialog, IDC_SUBJECT, hostile[2].subject + " (changed)");
    SetField(dialog, IDC_ENTRY_TEXT, hostile[1].text);
    PostClick(dialog, IDC_SAVE);
    ASSERT_TRUE(WaitFieldText(dialog, IDC_SUBJECT, ""));
    CloseEntries(dialog);

    // And deleting another one removes that record alone.
    dialog = OpenEntries(program, window, IDM_BROWSE_ENTRIES, "Browse Larkmoor entries");
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(WaitLineCount(dialog, count));
    SelectLine(dialog, hostile[1].subject);
    PostClick(dialog, IDC_DELETE);
    ASSERT_TRUE(Answer(program, "Confirm Deletion", "Are you sure?", IDYES));
    ASSERT_TRUE(WaitLineCount(dialog, count - 1));
    CloseEntries(dialog);
    ExitAnswering(program, window);

    rows = ReadRows();
    ASSERT_EQ(rows.size(), count - 1);
    EXPECT_TRUE(IntegrityOk());
    EXPECT_EQ(rows[0], bystanders[0]);
    EXPECT_EQ(rows[1], bystanders[1]);
    EXPECT_EQ(rows[2].subject, hostile[2].subject + " (changed)");
    EXPECT_EQ(rows[2].entry, hostile[1].text);
    for (std::size_t i = 3; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i].subject, hostile[i - 1].subject);
        EXPECT_EQ(rows[i].entry, hostile[i - 1].text);
    }
}

TEST_F(HostileTest, CommandsSentToTheMainWindowWhileTheLoginWaitsDoNothing) {
    WriteSettingsFile(50, 40, 360, 260, 0, 1, 0);
    CreateJournal({{"2024-01-02 03:04:05", "Private", "Not for anyone without the password."}});
    const std::string database = ReadFileBytes(DatabaseFile());

    // At start-up the main window waits, hidden, behind the login.
    Larkmoor program;
    ASSERT_TRUE(program.Start());
    HWND login = program.WaitDialog("Larkmoor Login");
    ASSERT_NE(login, nullptr);
    HWND window = FindWindowA("larkmoorclass", nullptr);
    ASSERT_NE(window, nullptr);
    for (int command : {IDM_BROWSE_ENTRIES, IDM_ADD_ENTRY, IDM_SEARCH_ENTRIES, IDM_VIEW_LOG,
                        IDM_PREFERENCES, IDM_CHANGE_PASSWORD, IDM_EDIT_PROMPTS,
                        IDM_COMPACT_DATABASE})
        PostCommand(window, command);
    Sleep(500);
    EXPECT_EQ(OpenDialogs(program), "[Larkmoor Login: ] ");

    // Escape: the program ends, and the commands still queued go nowhere.
    for (int command : {IDM_BROWSE_ENTRIES, IDM_ADD_ENTRY}) PostCommand(window, command);
    PressKeys(login, {VK_ESCAPE});
    for (int command : {IDM_BROWSE_ENTRIES, IDM_ADD_ENTRY}) PostCommand(window, command);
    DWORD code = 99;
    ASSERT_TRUE(program.WaitExit(&code)) << OpenDialogs(program);
    EXPECT_EQ(code, 0u);
    EXPECT_EQ(ReadFileBytes(DatabaseFile()), database);

    // After a logout the same: the window shows, but takes no command until
    // the password is given, and Cancel ends the program.
    Larkmoor again;
    ASSERT_TRUE(again.Start());
    login = again.WaitDialog("Larkmoor Login");
    ASSERT_NE(login, nullptr);
    flows::SetFieldText(login, IDC_PASSWORD, "granite");
    PostClick(login, IDOK);
    window = again.WaitMainWindow();
    ASSERT_NE(window, nullptr);
    PostCommand(window, IDM_LOGOUT);
    ASSERT_TRUE(Answer(again, "Notice", "You have logged out."));
    login = again.WaitDialog("Larkmoor Login");
    ASSERT_NE(login, nullptr);
    for (int command : {IDM_BROWSE_ENTRIES, IDM_SEARCH_ENTRIES, IDM_CHANGE_PASSWORD, IDM_LOGOUT})
        PostCommand(window, command);
    Sleep(500);
    EXPECT_EQ(OpenDialogs(again), "[Larkmoor Login: ] ");
    PostClick(login, IDCANCEL);
    PostCommand(window, IDM_BROWSE_ENTRIES);
    ASSERT_TRUE(again.WaitExit(&code)) << OpenDialogs(again);
    EXPECT_EQ(code, 0u);
    EXPECT_EQ(ReadFileBytes(DatabaseFile()), database);
}

namespace {

// Types the password and presses OK; true when the login accepted it.
bool TryPassword(Larkmoor& program, HWND login, const std::string& password) {
    flows::SetFieldText(login, IDC_PASSWORD, password);
    PostClick(login, IDOK);
    HWND box = nullptr;
    const bool ended = flows::WaitUntil([&] {
        if (!IsWindow(login) || !IsWindowVisible(login)) return true;
        box = program.WaitDialog("Notice", 0);
        return box != nullptr;
    });
    EXPECT_TRUE(ended) << OpenDialogs(program);
    if (box == nullptr) return true;
    EXPECT_EQ(MessageBoxText(box), "Incorrect password!");
    PostClick(box, IDOK);
    EXPECT_TRUE(flows::WaitGone(box));
    return false;
}

int CountOf(const std::vector<std::string>& events, const std::string& event) {
    return static_cast<int>(std::count(events.begin(), events.end(), event));
}

}  // namespace

TEST_F(HostileTest, NearMissesOfThePasswordAreRefusedEachWithOneLogLine) {
    WriteSettingsFile(50, 40, 360, 260, 0, 1, 0);
    Larkmoor program;
    ASSERT_TRUE(program.Start());
    HWND login = program.WaitDialog("Larkmoor Login");
    ASSERT_NE(login, nullptr);
    const std::vector<std::string> wrong = {
        "GRANITE", "Granite", "gRANITE", "graniTe", "granit", "g", "granite1", "granite ",
        " granite", "granitegranite", std::string(779, 'g'), std::string(100000, 'x')};
    for (const std::string& guess : wrong) {
        SCOPED_TRACE(guess.substr(0, 20));
        EXPECT_FALSE(TryPassword(program, login, guess));
    }
    EXPECT_TRUE(TryPassword(program, login, "granite"));
    HWND window = program.WaitMainWindow();
    ASSERT_NE(window, nullptr);
    ExitAnswering(program, window);

    const std::vector<std::string> events = flows::LogEvents();
    EXPECT_EQ(CountOf(events, " - Incorrect login password."), static_cast<int>(wrong.size()));
    EXPECT_EQ(events.front(), " - Session Start");
    EXPECT_EQ(events.back(), " - Session End");
}

TEST_F(HostileTest, PasswordsOf779And780Bytes) {
    std::string longest;
    while (longest.size() < 779) longest += "Pw0-x";
    longest.resize(779);
    WriteSettingsFile(50, 40, 360, 260, 0, 1, 0, longest.c_str());
    ASSERT_EQ(flows::LinesOf(flows::SettingsFile()).back().size(), 779u);

    Larkmoor program;
    ASSERT_TRUE(program.Start());
    HWND login = program.WaitDialog("Larkmoor Login");
    ASSERT_NE(login, nullptr);
    // One byte short, one byte different, and 780 bytes whose first 779
    // are not the password: refused.
    EXPECT_FALSE(TryPassword(program, login, longest.substr(0, 778)));
    EXPECT_FALSE(TryPassword(program, login, longest.substr(0, 778) + "Q"));
    EXPECT_FALSE(TryPassword(program, login, "Q" + longest));
    // All 779 bytes: in.
    EXPECT_TRUE(TryPassword(program, login, longest));
    HWND window = program.WaitMainWindow();
    ASSERT_NE(window, nullptr);

    // The field reads 779 bytes at most, so a 780th typed byte takes no part.
    PostCommand(window, IDM_LOGOUT);
    ASSERT_TRUE(Answer(program, "Notice", "You have logged out."));
    login = program.WaitDialog("Larkmoor Login");
    ASSERT_NE(login, nullptr);
    EXPECT_TRUE(TryPassword(program, login, longest + "Z"));
    ASSERT_TRUE(flows::WaitUntil([&] { return ProcessDialogs(program.ProcessId()).empty(); }));
    ExitAnswering(program, window);
    EXPECT_EQ(CountOf(flows::LogEvents(), " - Incorrect login password."), 3);
}

namespace {

// Every file under the folder, by path, with its bytes.
void ReadTree(const std::string& folder, std::vector<std::pair<std::string, std::string>>* files) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        const std::string name = found.cFileName;
        if (name == "." || name == "..") continue;
        const std::string path = folder + "\\" + name;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            ReadTree(path, files);
        else
            files->emplace_back(path, ReadFileBytes(path));
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

bool Holds(const std::string& bytes, const std::string& text) {
    return bytes.find(text) != std::string::npos;
}

}  // namespace

TEST_F(HostileTest, NoEntryInTheLogAndNoPlainPasswordInAnyFile) {
    WriteSettingsFile(50, 40, 360, 260, 0, 1, 1);
    const std::string password = "Quartz-Zebra-77";
    const std::string guess = "Wrong-Guess-55";
    const std::vector<std::string> secrets = {"Secret-Subject-42", "Secret-Text-99 and more",
                                              "Changed-Secret-31"};
    Larkmoor program;
    HWND window = StartQuiet(program);
    ASSERT_NE(window, nullptr);

    PostCommand(window, IDM_CHANGE_PASSWORD);
    HWND dialog = program.WaitDialog("Larkmoor: Change password");
    ASSERT_NE(dialog, nullptr);
    SetField(dialog, IDC_CURRENT_PASSWORD, "granite");
    SetField(dialog, IDC_NEW_PASSWORD, password);
    PostClick(dialog, IDOK);
    ASSERT_TRUE(Answer(program, "Notice", "Your password has been changed."));
    ASSERT_TRUE(flows::WaitGone(dialog));

    PostCommand(window, IDM_LOGOUT);
    ASSERT_TRUE(Answer(program, "Notice", "You have logged out."));
    HWND login = program.WaitDialog("Larkmoor Login");
    ASSERT_NE(login, nullptr);
    EXPECT_FALSE(TryPassword(program, login, guess));
    EXPECT_FALSE(TryPassword(program, login, "granite"));
    EXPECT_TRUE(TryPassword(program, login, password));

    dialog = OpenEntries(program, window, IDM_ADD_ENTRY, "Add a Larkmoor entry");
    ASSERT_NE(dialog, nullptr);
    SetField(dialog, IDC_SUBJECT, secrets[0]);
    SetField(dialog, IDC_ENTRY_TEXT, secrets[1]);
    PostClick(dialog, IDC_SAVE);
    ASSERT_TRUE(WaitLineCount(dialog, 1));
    CloseEntries(dialog);
    dialog = OpenEntries(program, window, IDM_BROWSE_ENTRIES, "Browse Larkmoor entries");
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(WaitFieldText(dialog, IDC_SUBJECT, secrets[0]));
    SetField(dialog, IDC_ENTRY_TEXT, secrets[2]);
    PostClick(dialog, IDC_SAVE);
    ASSERT_TRUE(WaitFieldText(dialog, IDC_SUBJECT, ""));
    CloseEntries(dialog);
    PostCommand(window, IDM_PREFERENCES);
    dialog = program.WaitDialog("Larkmoor Preferences");
    ASSERT_NE(dialog, nullptr);
    PostClick(dialog, IDOK);
    ASSERT_TRUE(flows::WaitGone(dialog));
    PostCommand(window, IDM_COMPACT_DATABASE);
    ASSERT_TRUE(Answer(program, "Notice", "Database compacted."));
    ExitAnswering(program, window);

    std::vector<std::pair<std::string, std::string>> files;
    ReadTree(DataFolderPath(), &files);
    ASSERT_GE(files.size(), 4u);  // settings, log, prompts, database
    for (const auto& [path, bytes] : files) {
        SCOPED_TRACE(path);
        for (const std::string& plain : {password, guess, std::string("granite")})
            EXPECT_FALSE(Holds(bytes, plain)) << "holds the password or a guess in plain form";
        // Entry texts are stored scrambled only.
        EXPECT_FALSE(Holds(bytes, secrets[1]));
        EXPECT_FALSE(Holds(bytes, secrets[2]));
    }
    const std::string log = flows::LogFile();
    EXPECT_FALSE(Holds(log, secrets[0])) << "the log names an entry";
    EXPECT_FALSE(Holds(log, "Secret"));
    EXPECT_EQ(CountOf(flows::LogEvents(), " - Incorrect login password."), 2);
    EXPECT_TRUE(Holds(flows::SettingsFile(), flows::Scrambled(password) + "\n"));
}

TEST_F(HostileTest, SecondInstanceWhileAModalDialogIsOpenInTheFirst) {
    WriteSettingsFile(50, 40, 360, 260, 0, 1, 1);
    Larkmoor first;
    HWND window = StartQuiet(first);
    ASSERT_NE(window, nullptr);
    HWND dialog = OpenEntries(first, window, IDM_ADD_ENTRY, "Add a Larkmoor entry");
    ASSERT_NE(dialog, nullptr);
    SetField(dialog, IDC_SUBJECT, "Typed before the second start");
    SetField(dialog, IDC_ENTRY_TEXT, "Still here afterwards.");

    Larkmoor second;
    ASSERT_TRUE(second.Start());
    ASSERT_TRUE(Answer(second, "Larkmoor Notice", "An instance of this program is already running."));
    DWORD code = 99;
    ASSERT_TRUE(second.WaitExit(&code));
    EXPECT_EQ(code, 0u);

    // The first goes on where it was: its dialog open, the typing in it.
    EXPECT_TRUE(IsWindowVisible(dialog));
    EXPECT_FALSE(IsWindowEnabled(window));
    EXPECT_EQ(Field(dialog, IDC_SUBJECT), "Typed before the second start");
    EXPECT_EQ(Field(dialog, IDC_ENTRY_TEXT), "Still here afterwards.");
    PostClick(dialog, IDC_SAVE);
    ASSERT_TRUE(WaitLineCount(dialog, 1));
    CloseEntries(dialog);
    ExitAnswering(first, window);
    const std::vector<Row> rows = ReadRows();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].entry, "Still here afterwards.");
    EXPECT_EQ(flows::LogEvents(), (std::vector<std::string>{" - Session Start", " - Session End"}));
}

TEST_F(HostileTest, SecondInstanceWhileTheFirstWaitsForItsPassword) {
    WriteSettingsFile(50, 40, 360, 260, 0, 1, 0);
    CreateJournal({{"2024-01-02 03:04:05", "Private", "Not for anyone without the password."}});
    Larkmoor first;
    ASSERT_TRUE(first.Start());
    HWND login = first.WaitDialog("Larkmoor Login");
    ASSERT_NE(login, nullptr);

    Larkmoor second;
    ASSERT_TRUE(second.Start());
    ASSERT_TRUE(Answer(second, "Larkmoor Notice", "An instance of this program is already running."));
    DWORD code = 99;
    ASSERT_TRUE(second.WaitExit(&code));
    EXPECT_EQ(code, 0u);

    // The first still waits for the password; its window takes no command.
    EXPECT_TRUE(IsWindowVisible(login));
    HWND window = FindWindowA("larkmoorclass", nullptr);
    ASSERT_NE(window, nullptr);
    EXPECT_FALSE(IsWindowEnabled(window));
    PostCommand(window, IDM_BROWSE_ENTRIES);
    Sleep(300);
    EXPECT_EQ(OpenDialogs(first), "[Larkmoor Login: ] ");
    EXPECT_TRUE(TryPassword(first, login, "granite"));
    window = first.WaitMainWindow();
    ASSERT_NE(window, nullptr);
    ExitAnswering(first, window);
}
