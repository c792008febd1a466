// The journal through the real program: entries are added, found, changed
// and deleted in the Entries dialog and the database is compacted, driven
// from this process; then the plain sqlite3 command-line program reads the
// stored bytes, and rows it writes show in the program.
//
// Under Wine a Windows process can start a Linux program; the sqlite3 tool
// is started that way, reading its statements from a file and writing its
// output to another. Wine hands back no process handle to wait on, so the
// statements end with a marker line and the output is read once the marker
// has arrived. Where there is no Wine or no sqlite3 tool, the checks that
// need it are skipped.
#include <gtest/gtest.h>

#include <windows.h>

#include <cctype>
#include <cstdio>
#include <string>
#include <vector>

#include "journal/text.h"
#include "resource.h"
#include "fault_support.h"
#include "support/driver.h"

using faults::DatabaseFile;
using faults::UnixPath;

namespace {

constexpr const char kEndMarker[] = "END-OF-SQLITE-OUTPUT";

bool WaitFor(bool (*ready)(void*), void* context, DWORD timeoutMs = 10000) {
    const DWORD start = GetTickCount();
    while (!ready(context)) {
        if (GetTickCount() - start > timeoutMs) return false;
        Sleep(50);
    }
    return true;
}

// The Windows path of the sqlite3 command-line program, or empty.
std::string SqliteTool() {
    for (const char* candidate : {"Z:\\usr\\bin\\sqlite3", "Z:\\usr\\local\\bin\\sqlite3"})
        if (PathExists(candidate)) return candidate;
    return std::string();
}

bool SqliteToolAvailable() {
    return !SqliteTool().empty() && !UnixPath(DataFolderPath()).empty();
}

// Runs the sqlite3 program on the journal file with these statements and
// returns everything it printed, the marker line taken off. Fails the test
// (and returns what came) when the marker does not arrive.
std::string RunSqlite(const std::string& statements) {
    char temp[MAX_PATH] = {};
    GetTempPathA(sizeof temp, temp);
    const std::string input = std::string(temp) + "larkmoor-sqlite-in.sql";
    const std::string output = std::string(temp) + "larkmoor-sqlite-out.txt";
    EXPECT_TRUE(WriteFileBytes(input, statements + "\nSELECT '" + kEndMarker + "';\n"));

    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE in = CreateFileA(input.c_str(), GENERIC_READ, FILE_SHARE_READ, &inherit, OPEN_EXISTING,
                            0, nullptr);
    HANDLE out = CreateFileA(output.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                             &inherit, CREATE_ALWAYS, 0, nullptr);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = in;
    startup.hStdOutput = out;
    startup.hStdError = out;
    PROCESS_INFORMATION process = {};
    const std::string tool = SqliteTool();
    std::string command = "\"" + UnixPath(tool) + "\" -batch \"" + UnixPath(DatabaseFile()) + "\"";
    const BOOL started = CreateProcessA(tool.c_str(), &command[0], nullptr, nullptr, TRUE, 0,
                                        nullptr, nullptr, &startup, &process);
    CloseHandle(in);
    CloseHandle(out);
    EXPECT_TRUE(started) << command;
    if (process.hProcess != nullptr) CloseHandle(process.hProcess);
    if (process.hThread != nullptr) CloseHandle(process.hThread);

    struct Context {
        const std::string* path;
        std::string text;
    } context = {&output, std::string()};
    const bool ended = WaitFor(
        [](void* parameter) {
            auto* c = static_cast<Context*>(parameter);
            c->text = ReadFileBytes(*c->path);
            return c->text.find(std::string(kEndMarker) + "\n") != std::string::npos;
        },
        &context, 20000);
    EXPECT_TRUE(ended) << "sqlite3 printed: " << context.text;
    DeleteFileA(input.c_str());
    DeleteFileA(output.c_str());
    const std::size_t marker = context.text.find(kEndMarker);
    return marker == std::string::npos ? context.text : context.text.substr(0, marker);
}

std::string Scrambled(const std::string& text) {
    std::string scrambled(text.size() + 1, '\0');
    ScrambleText(text.c_str(), &scrambled[0]);
    scrambled.resize(text.size());
    return scrambled;
}

std::string Hex(const std::string& bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string hex;
    for (unsigned char byte : bytes) {
        hex += digits[byte >> 4];
        hex += digits[byte & 15];
    }
    return hex;
}

bool IsTimestamp(const std::string& text) {
    if (text.size() != 19) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool separator = i == 4 || i == 7 || i == 10 || i == 13 || i == 16;
        const char expected = i == 4 || i == 7 ? '-' : i == 10 ? ' ' : ':';
        if (separator ? text[i] != expected : !std::isdigit(static_cast<unsigned char>(text[i])))
            return false;
    }
    return true;
}

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::string part;
    for (char c : text) {
        if (c == separator) {
            parts.push_back(part);
            part.clear();
        } else {
            part += c;
        }
    }
    if (!part.empty()) parts.push_back(part);
    return parts;
}

// --- Driving the Entries dialog of the other process ----------------------------

void SetField(HWND dialog, int id, const std::string& text) {
    DWORD_PTR result = 0;
    SendMessageTimeoutA(GetDlgItem(dialog, id), WM_SETTEXT, 0,
                        reinterpret_cast<LPARAM>(text.c_str()), SMTO_ABORTIFHUNG, 5000, &result);
}

std::string Field(HWND dialog, int id) {
    return TextOf(GetDlgItem(dialog, id));
}

// The list's lines; list box texts must be read wide across processes.
std::vector<std::string> ListLines(HWND dialog) {
    HWND list = GetDlgItem(dialog, IDC_SUBJECT_LIST);
    std::vector<std::string> lines;
    const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        WCHAR wide[kTextSize] = {};
        char text[kTextSize * 2] = {};
        SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(wide));
        WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof text, nullptr, nullptr);
        lines.push_back(text);
    }
    return lines;
}

bool WaitLineCount(HWND dialog, std::size_t count) {
    struct Context {
        HWND list;
        std::size_t count;
    } context = {GetDlgItem(dialog, IDC_SUBJECT_LIST), count};
    return WaitFor(
        [](void* parameter) {
            auto* c = static_cast<Context*>(parameter);
            return SendMessageW(c->list, LB_GETCOUNT, 0, 0) == static_cast<LRESULT>(c->count);
        },
        &context);
}

bool WaitFieldText(HWND dialog, int id, const std::string& text) {
    struct Context {
        HWND field;
        const std::string* text;
    } context = {GetDlgItem(dialog, id), &text};
    return WaitFor(
        [](void* parameter) {
            auto* c = static_cast<Context*>(parameter);
            return TextOf(c->field) == *c->text;
        },
        &context);
}

// Selects the line with this text as a click would, and waits until its
// record is shown.
void SelectLine(HWND dialog, const std::string& subject) {
    const std::vector<std::string> lines = ListLines(dialog);
    std::size_t index = 0;
    while (index < lines.size() && lines[index] != subject) ++index;
    ASSERT_LT(index, lines.size()) << subject;
    HWND list = GetDlgItem(dialog, IDC_SUBJECT_LIST);
    SendMessageW(list, LB_SETCURSEL, index, 0);
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_SUBJECT_LIST, LBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(list));
    ASSERT_TRUE(WaitFieldText(dialog, IDC_SUBJECT, subject));
}

bool WaitGone(HWND window) {
    return WaitFor(
        [](void* parameter) {
            HWND w = static_cast<HWND>(parameter);
            return !IsWindow(w) || !IsWindowVisible(w);
        },
        window);
}

HWND OpenEntries(Larkmoor& program, HWND window, WORD key, const char* title) {
    PressKeys(window, {VK_CONTROL, key});
    return program.WaitDialog(title);
}

void CloseEntries(HWND dialog) {
    PostClick(dialog, IDC_ENTRIES_OK);
    EXPECT_TRUE(WaitGone(dialog));
}

class JournalEndToEndTest : public ::testing::Test {
protected:
    void SetUp() override {
        RemoveDataFolder();
        WriteSettingsFile(50, 40, 360, 260, 0, 1, 1);  // quiet start-up
    }
    void TearDown() override { RemoveDataFolder(); }
};

struct Entry {
    std::string subject;
    std::string text;
};

}  // namespace

TEST_F(JournalEndToEndTest, AddSearchChangeDeleteCompactAndReadTheBytesBack) {
    // Bytes beyond ASCII go through the windows unchanged in the Western
    // code page; 0x82 scrambles to a single quote.
    const bool western = GetACP() == 1252;
    const Entry shopping = {"Shopping list", "Bread\r\nMilk \"fresh\"\r\n100% butter"};
    const Entry plan = {"It's a plan",
                        western ? "Don't forget the caf\xe9 \x82quote\x82" : "Don't forget"};
    const Entry garden = {"Garden ideas", "Roses, 'tulips' and a_pond"};
    const Entry changed = {"Shopping list (done)", "All bought; it's done."};

    Larkmoor program;
    ASSERT_TRUE(program.Start());
    HWND window = program.WaitMainWindow();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(PathExists(DatabaseFile()));  // created at start-up

    // Add three entries in one opening of the dialog.
    HWND dialog = OpenEntries(program, window, 'A', "Add a Larkmoor entry");
    ASSERT_NE(dialog, nullptr);
    std::size_t count = 0;
    for (const Entry* entry : {&shopping, &plan, &garden}) {
        SetField(dialog, IDC_SUBJECT, entry->subject);
        SetField(dialog, IDC_ENTRY_TEXT, entry->text);
        PostClick(dialog, IDC_SAVE);
        ASSERT_TRUE(WaitLineCount(dialog, ++count)) << entry->subject;
        ASSERT_TRUE(WaitFieldText(dialog, IDC_SUBJECT, ""));
    }
    EXPECT_EQ(ListLines(dialog),
              (std::vector<std::string>{"Garden ideas", "It's a plan", "Shopping list"}));
    CloseEntries(dialog);

    // Find one by a piece of its subject, in any letter case.
    dialog = OpenEntries(program, window, 'S', "Search for Larkmoor entries");
    ASSERT_NE(dialog, nullptr);
    SetField(dialog, IDC_SEARCH_TEXT, "PLAN");
    PostClick(dialog, IDC_SEARCH_GO);
    ASSERT_TRUE(WaitLineCount(dialog, 1));
    EXPECT_EQ(ListLines(dialog), std::vector<std::string>{"It's a plan"});
    SelectLine(dialog, "It's a plan");
    EXPECT_EQ(Field(dialog, IDC_RECORD_NUMBER), "2");
    EXPECT_EQ(Field(dialog, IDC_ENTRY_TEXT), plan.text);
    const std::string planDate = Field(dialog, IDC_DATE);
    EXPECT_TRUE(IsTimestamp(planDate)) << planDate;
    CloseEntries(dialog);

    // Change one through Browse: same record number, new subject and date.
    dialog = OpenEntries(program, window, 'B', "Browse Larkmoor entries");
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(WaitFieldText(dialog, IDC_SUBJECT, "Garden ideas"));  // first line, no click
    SelectLine(dialog, "Shopping list");
    EXPECT_EQ(Field(dialog, IDC_RECORD_NUMBER), "1");
    EXPECT_EQ(Field(dialog, IDC_ENTRY_TEXT), shopping.text);
    const std::string oldDate = Field(dialog, IDC_DATE);
    Sleep(1100);  // the new date differs in its seconds at least
    SetField(dialog, IDC_SUBJECT, changed.subject);
    SetField(dialog, IDC_ENTRY_TEXT, changed.text);
    PostClick(dialog, IDC_SAVE);
    ASSERT_TRUE(WaitFieldText(dialog, IDC_SUBJECT, ""));
    ASSERT_TRUE(WaitLineCount(dialog, 3));
    SelectLine(dialog, changed.subject);
    EXPECT_EQ(Field(dialog, IDC_RECORD_NUMBER), "1");
    EXPECT_EQ(Field(dialog, IDC_ENTRY_TEXT), changed.text);
    const std::string newDate = Field(dialog, IDC_DATE);
    EXPECT_TRUE(IsTimestamp(newDate)) << newDate;
    EXPECT_GT(newDate, oldDate);

    // Delete one, answering Yes.
    SelectLine(dialog, "Garden ideas");
    PostClick(dialog, IDC_DELETE);
    HWND confirm = program.WaitDialog("Confirm Deletion");
    ASSERT_NE(confirm, nullptr);
    EXPECT_EQ(MessageBoxText(confirm), "Are you sure?");
    PostClick(confirm, IDYES);
    ASSERT_TRUE(WaitLineCount(dialog, 2));
    EXPECT_EQ(ListLines(dialog), (std::vector<std::string>{"It's a plan", "Shopping list (done)"}));
    CloseEntries(dialog);

    // Compact, and the notice says so.
    PostCommand(window, IDM_COMPACT_DATABASE);
    HWND notice = program.WaitDialog("Notice");
    ASSERT_NE(notice, nullptr);
    EXPECT_EQ(MessageBoxText(notice), "Database compacted.");
    PostClick(notice, IDOK);
    ASSERT_TRUE(WaitGone(notice));

    PostCommand(window, IDM_EXIT);
    DWORD code = 99;
    ASSERT_TRUE(program.WaitExit(&code));
    EXPECT_EQ(code, 0u);

    if (!SqliteToolAvailable()) GTEST_SKIP() << "no sqlite3 command-line program under Wine here";
    const std::string schema = RunSqlite(".schema");
    EXPECT_EQ(schema,
              "CREATE TABLE dbtable (a integer primary key, dbdate text, dbsubject text, dbentry "
              "blob);\n");
    const std::string rows = RunSqlite(
        "SELECT a, dbdate, hex(dbsubject), hex(dbentry), typeof(dbentry) FROM dbtable ORDER BY a;");
    const std::vector<std::string> lines = Split(rows, '\n');
    ASSERT_EQ(lines.size(), 2u) << rows;
    const std::vector<std::string> first = Split(lines[0], '|');
    const std::vector<std::string> second = Split(lines[1], '|');
    ASSERT_EQ(first.size(), 5u) << lines[0];
    ASSERT_EQ(second.size(), 5u) << lines[1];
    EXPECT_EQ(first[0], "1");
    EXPECT_EQ(first[1], newDate);
    EXPECT_EQ(first[2], Hex(changed.subject));
    EXPECT_EQ(first[3], Hex(Scrambled(changed.text)));
    EXPECT_EQ(first[4], "text");
    EXPECT_EQ(second[0], "2");
    EXPECT_EQ(second[1], planDate);
    EXPECT_EQ(second[2], Hex(plan.subject));
    EXPECT_EQ(second[3], Hex(Scrambled(plan.text)));
    EXPECT_EQ(second[4], "text");
}

TEST_F(JournalEndToEndTest, RowsWrittenBySqliteShowInBrowse) {
    if (!SqliteToolAvailable()) GTEST_SKIP() << "no sqlite3 command-line program under Wine here";
    const std::string text = "Written by the sqlite3 tool,\r\nscrambled as the program's own.";
    CreateDirectoryA(DataFolderPath().c_str(), nullptr);
    const std::string printed = RunSqlite(
        "CREATE TABLE dbtable (a integer primary key, dbdate text, dbsubject text, dbentry blob);\n"
        "INSERT INTO dbtable VALUES(NULL,'2001-02-03 04:05:06','From the shell',CAST(X'" +
        Hex(Scrambled(text)) +
        "' AS TEXT));\n"
        "INSERT INTO dbtable VALUES(NULL,'2002-03-04 05:06:07','Also from the shell',X'" +
        Hex(Scrambled("A blob works too")) + "');");
    ASSERT_EQ(printed, "");

    Larkmoor program;
    ASSERT_TRUE(program.Start());
    HWND window = program.WaitMainWindow();
    ASSERT_NE(window, nullptr);
    HWND dialog = OpenEntries(program, window, 'B', "Browse Larkmoor entries");
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(WaitLineCount(dialog, 2));
    EXPECT_EQ(ListLines(dialog),
              (std::vector<std::string>{"Also from the shell", "From the shell"}));
    ASSERT_TRUE(WaitFieldText(dialog, IDC_SUBJECT, "Also from the shell"));
    EXPECT_EQ(Field(dialog, IDC_ENTRY_TEXT), "A blob works too");
    SelectLine(dialog, "From the shell");
    EXPECT_EQ(Field(dialog, IDC_RECORD_NUMBER), "1");
    EXPECT_EQ(Field(dialog, IDC_DATE), "2001-02-03 04:05:06");
    EXPECT_EQ(Field(dialog, IDC_ENTRY_TEXT), text);
    CloseEntries(dialog);
    PostCommand(window, IDM_EXIT);
    DWORD code = 99;
    ASSERT_TRUE(program.WaitExit(&code));
}
