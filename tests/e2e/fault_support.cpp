// Support for the fault tests: see fault_support.h.
#include "e2e/fault_support.h"

#include <sqlite3.h>

#include <ostream>

#include "e2e/settings_flows.h"
#include "journal/text.h"
#include "resource.h"

namespace faults {

const char kNotSaved[] =
    "The entry was not saved: the journal database could not be written (it may be locked "
    "by another program, damaged or full). Your subject and text are kept.";
const char kNotDeleted[] =
    "The entry was not deleted: the journal database could not be written (it may be locked "
    "by another program, damaged or full).";
const char kJournalUnreadable[] =
    "The journal could not be read: the database file is locked by another program, "
    "damaged or not a Larkmoor database.";

namespace {

constexpr char kEndMarker[] = "END-OF-SHELL-OUTPUT";

std::string Scramble(const std::string& text) {
    std::string scrambled = text;
    for (char& byte : scrambled) byte = static_cast<char>(static_cast<unsigned char>(byte) ^ kScrambleKey);
    return scrambled;
}

std::string TempFile(const char* name) {
    char temp[MAX_PATH] = {};
    GetTempPathA(sizeof temp, temp);
    return std::string(temp) + name;
}

std::string ColumnBytes(sqlite3_stmt* statement, int column) {
    const void* bytes = sqlite3_column_blob(statement, column);
    return bytes == nullptr
               ? std::string()
               : std::string(static_cast<const char*>(bytes), sqlite3_column_bytes(statement, column));
}

}  // namespace

std::string DataFile(const char* name) { return DataFolderPath() + "\\" + name; }
std::string DatabaseFile() { return DataFile("larkmoor.3db"); }
std::string SettingsFile() { return DataFile("larkmoor.cfg"); }
std::string LogFile() { return DataFile("larkmoorlog.txt"); }
std::string PromptsFile() { return DataFile("larkmoorqtx.txt"); }

std::string UnixPath(const std::string& windowsPath) {
    using Convert = char*(CDECL*)(LPCWSTR);
    auto convert = reinterpret_cast<Convert>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("kernel32"), "wine_get_unix_file_name")));
    if (convert == nullptr) return std::string();
    WCHAR wide[MAX_PATH] = {};
    MultiByteToWideChar(CP_ACP, 0, windowsPath.c_str(), -1, wide, MAX_PATH);
    char* unixPath = convert(wide);
    if (unixPath == nullptr) return std::string();
    std::string result = unixPath;
    HeapFree(GetProcessHeap(), 0, unixPath);
    return result;
}

std::string RunShell(const std::string& script, DWORD timeoutMs) {
    const std::string input = TempFile("larkmoor-fault-script.sh");
    const std::string output = TempFile("larkmoor-fault-output.txt");
    DeleteFileA(output.c_str());
    // Wine hands back no process to wait on: the script ends with a marker
    // line, and the output is read once the marker has arrived.
    EXPECT_TRUE(WriteFileBytes(input, "exec 2>&1\n(\n" + script + "\n)\necho \"status $?\"\necho " +
                                          kEndMarker + "\n"));
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE out = CreateFileA(output.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                             &inherit, CREATE_ALWAYS, 0, nullptr);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = nullptr;
    startup.hStdOutput = out;
    startup.hStdError = out;
    PROCESS_INFORMATION process = {};
    std::string command = "\"/bin/sh\" \"" + UnixPath(input) + "\"";
    const BOOL started = CreateProcessA("Z:\\bin\\sh", &command[0], nullptr, nullptr, TRUE, 0,
                                        nullptr, nullptr, &startup, &process);
    CloseHandle(out);
    EXPECT_TRUE(started) << command;
    if (process.hProcess != nullptr) CloseHandle(process.hProcess);
    if (process.hThread != nullptr) CloseHandle(process.hThread);
    std::string text;
    const bool ended = flows::WaitUntil(
        [&] {
            text = ReadFileBytes(output);
            return text.find(std::string(kEndMarker) + "\n") != std::string::npos;
        },
        timeoutMs);
    EXPECT_TRUE(ended) << "the script printed: " << text;
    DeleteFileA(input.c_str());
    DeleteFileA(output.c_str());
    const std::size_t marker = text.find(kEndMarker);
    return marker == std::string::npos ? text : text.substr(0, marker);
}

DWORD RunProgram(const std::string& commandLine, DWORD timeoutMs) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    std::string command = commandLine;
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        ADD_FAILURE() << "cannot start " << commandLine;
        return static_cast<DWORD>(-1);
    }
    DWORD code = static_cast<DWORD>(-1);
    if (WaitForSingleObject(process.hProcess, timeoutMs) == WAIT_OBJECT_0)
        GetExitCodeProcess(process.hProcess, &code);
    else
        ADD_FAILURE() << commandLine << " did not end in time";
    TerminateProcess(process.hProcess, code);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    return code;
}

bool CanMount() {
    static const bool can = [] {
        if (UnixPath("C:\\").empty() || !PathExists("Z:\\bin\\sh")) return false;
        const std::string printed = RunShell(
            "dir=$(mktemp -d) && mount -t tmpfs -o size=64k larkmoor-probe \"$dir\" && "
            "umount \"$dir\" && rmdir \"$dir\"");
        return printed.find("status 0\n") != std::string::npos;
    }();
    return can;
}

bool MountReadOnly(const std::string& windowsFolder) {
    const std::string folder = UnixPath(windowsFolder);
    return !folder.empty() &&
           RunShell("mount --bind '" + folder + "' '" + folder + "' && mount -o remount,bind,ro '" +
                    folder + "' '" + folder + "'")
                   .find("status 0\n") != std::string::npos;
}

bool MountSmallDisk(const std::string& windowsFolder, int kilobytes) {
    const std::string folder = UnixPath(windowsFolder);
    return !folder.empty() &&
           RunShell("mount -t tmpfs -o size=" + std::to_string(kilobytes) + "k larkmoor-full '" +
                    folder + "'")
                   .find("status 0\n") != std::string::npos;
}

void Unmount(const std::string& windowsFolder) {
    const std::string folder = UnixPath(windowsFolder);
    if (folder.empty()) return;
    // Wine may still hold a handle on the folder for a moment: unmount lazily.
    RunShell("while mountpoint -q '" + folder + "'; do umount -l '" + folder + "' || break; done");
}

bool SetImmutable(const std::string& windowsPath, bool on) {
    if (!PathExists("Z:\\bin\\sh")) return false;
    const std::string path = UnixPath(windowsPath);
    if (path.empty()) return false;
    return RunShell(std::string("chattr ") + (on ? "+i" : "-i") + " '" + path + "'")
               .find("status 0\n") != std::string::npos;
}

bool RunningAsRoot() {
    static const bool root = PathExists("Z:\\bin\\sh") &&
                             RunShell("id -u").find("0\nstatus 0\n") == 0;
    return root;
}

std::ostream& operator<<(std::ostream& out, const Row& row) {
    return out << "#" << row.record << " [" << row.date << "] [" << row.subject << "] ("
               << row.entry.size() << " bytes)";
}

std::vector<Row> ReadRows(const std::string& path) {
    std::vector<Row> rows;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_busy_timeout(db, 5000);
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(db, "SELECT a, dbdate, dbsubject, dbentry FROM dbtable ORDER BY a",
                               -1, &statement, nullptr) == SQLITE_OK) {
            while (sqlite3_step(statement) == SQLITE_ROW)
                rows.push_back({sqlite3_column_int64(statement, 0), ColumnBytes(statement, 1),
                                ColumnBytes(statement, 2), Scramble(ColumnBytes(statement, 3))});
        }
        sqlite3_finalize(statement);
    }
    sqlite3_close(db);
    return rows;
}

std::string RunSql(const std::string& path, const std::string& sql) {
    sqlite3* db = nullptr;
    std::string printed;
    if (sqlite3_open(path.c_str(), &db) != SQLITE_OK) {
        sqlite3_close(db);
        return "error: cannot open\n";
    }
    sqlite3_busy_timeout(db, 5000);
    char* error = nullptr;
    const int rc = sqlite3_exec(
        db, sql.c_str(),
        [](void* context, int columns, char** values, char**) {
            std::string& out = *static_cast<std::string*>(context);
            for (int i = 0; i < columns; ++i) {
                if (i > 0) out += '|';
                out += values[i] == nullptr ? "" : values[i];
            }
            out += '\n';
            return 0;
        },
        &printed, &error);
    if (rc != SQLITE_OK) printed += std::string("error: ") + (error ? error : "?") + "\n";
    sqlite3_free(error);
    sqlite3_close(db);
    return printed;
}

bool IntegrityOk(const std::string& path) {
    sqlite3* db = nullptr;
    bool ok = false;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_busy_timeout(db, 5000);
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &statement, nullptr) == SQLITE_OK &&
            sqlite3_step(statement) == SQLITE_ROW)
            ok = ColumnBytes(statement, 0) == "ok";
        sqlite3_finalize(statement);
    }
    sqlite3_close(db);
    return ok;
}

void CreateJournal(const std::vector<NewEntry>& entries, const std::string& path) {
    CreateDirectoryA(DataFolderPath().c_str(), nullptr);
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db,
                           "CREATE TABLE dbtable (a integer primary key, dbdate text, dbsubject "
                           "text, dbentry blob); BEGIN;",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO dbtable VALUES(NULL, ?1, ?2, ?3)", -1, &insert, nullptr);
    for (const NewEntry& entry : entries) {
        const std::string scrambled = Scramble(entry.text);
        sqlite3_bind_text(insert, 1, entry.date.data(), static_cast<int>(entry.date.size()),
                          SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 2, entry.subject.data(), static_cast<int>(entry.subject.size()),
                          SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 3, scrambled.data(), static_cast<int>(scrambled.size()),
                          SQLITE_TRANSIENT);
        EXPECT_EQ(sqlite3_step(insert), SQLITE_DONE);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    EXPECT_EQ(sqlite3_exec(db, "COMMIT;", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
}

bool SqliteToolAvailable() {
    return PathExists("Z:\\usr\\bin\\sqlite3") && !UnixPath(DataFolderPath()).empty() &&
           PathExists("Z:\\bin\\sh");
}

DatabaseLock::DatabaseLock(const std::string& path, const char* kind, LockHolder holder)
    : holder_(holder) {
    const std::string begin = std::string("BEGIN ") + kind + ";";
    if (holder_ == LockHolder::TestProcess) {
        if (sqlite3_open(path.c_str(), &db_) != SQLITE_OK) return;
        held_ = sqlite3_exec(db_, begin.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
        return;
    }
    // The sqlite3 program begins the transaction, says so, and waits for the
    // stop file before it rolls back and ends.
    const std::string base = "/tmp/larkmoor-lock-" + std::to_string(GetCurrentProcessId());
    const std::string ready = base + "-ready";
    stopFile_ = base + "-stop";
    doneFile_ = base + "-done";
    const std::string printed = RunShell(
        "rm -f '" + ready + "' '" + stopFile_ + "' '" + doneFile_ + "'\n" +
        "(/usr/bin/sqlite3 -batch -bail '" + UnixPath(path) + "' '" + begin + "' " +
        "\".shell touch '" + ready + "'\" " +
        "\".shell while [ ! -e '" + stopFile_ + "' ]; do sleep 0.05; done\" " +
        "'ROLLBACK;' ; touch '" + doneFile_ + "') >/dev/null 2>&1 &\n" +
        "for i in $(seq 100); do [ -e '" + ready + "' ] && break; sleep 0.05; done\n" +
        "[ -e '" + ready + "' ] && echo held");
    held_ = printed.find("held\n") != std::string::npos;
}

DatabaseLock::~DatabaseLock() {
    Release();
}

void DatabaseLock::Release() {
    if (holder_ == LockHolder::SqliteTool) {
        if (stopFile_.empty()) return;
        RunShell("touch '" + stopFile_ + "'\nfor i in $(seq 100); do [ -e '" + doneFile_ +
                 "' ] && break; sleep 0.05; done\nrm -f /tmp/larkmoor-lock-" +
                 std::to_string(GetCurrentProcessId()) + "-*");
        stopFile_.clear();
        held_ = false;
        return;
    }
    if (db_ == nullptr) return;
    if (held_) sqlite3_exec(db_, "ROLLBACK;", nullptr, nullptr, nullptr);
    held_ = false;
    sqlite3_close(db_);
    db_ = nullptr;
}

HWND StartQuiet(Larkmoor& program) {
    if (!program.Start()) return nullptr;
    return program.WaitMainWindow();
}

void SetField(HWND dialog, int id, const std::string& text) {
    flows::SetFieldText(dialog, id, text);
}

std::string Field(HWND dialog, int id) {
    // Read wide and whole: a field may hold far more than TextOf reads.
    HWND field = GetDlgItem(dialog, id);
    DWORD_PTR length = 0;
    SendMessageTimeoutW(field, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length);
    std::wstring wide(length + 1, L'\0');
    DWORD_PTR got = 0;
    SendMessageTimeoutW(field, WM_GETTEXT, wide.size(), reinterpret_cast<LPARAM>(&wide[0]),
                        SMTO_ABORTIFHUNG, 5000, &got);
    wide.resize(got);
    if (wide.empty()) return std::string();
    const int bytes = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()),
                                          nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<std::size_t>(bytes), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), &text[0], bytes,
                        nullptr, nullptr);
    return text;
}

std::vector<std::string> ListLines(HWND dialog) {
    // List box texts must be read wide across processes.
    HWND list = GetDlgItem(dialog, IDC_SUBJECT_LIST);
    std::vector<std::string> lines;
    const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        const LRESULT length = SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0);
        std::wstring wide(static_cast<std::size_t>(length < 0 ? 0 : length) + 1, L'\0');
        SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&wide[0]));
        std::string text(wide.size() * 2 + 1, '\0');
        const int bytes = WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, &text[0],
                                              static_cast<int>(text.size()), nullptr, nullptr);
        text.resize(bytes > 0 ? static_cast<std::size_t>(bytes - 1) : 0);
        lines.push_back(text);
    }
    return lines;
}

bool WaitLineCount(HWND dialog, std::size_t count, DWORD timeoutMs) {
    HWND list = GetDlgItem(dialog, IDC_SUBJECT_LIST);
    return flows::WaitUntil(
        [&] { return SendMessageW(list, LB_GETCOUNT, 0, 0) == static_cast<LRESULT>(count); },
        timeoutMs);
}

bool WaitFieldText(HWND dialog, int id, const std::string& text, DWORD timeoutMs) {
    return flows::WaitUntil([&] { return Field(dialog, id) == text; }, timeoutMs);
}

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

bool Settle(HWND dialog, int editId) {
    // Selections of one character that differ from the last Settle's and
    // from what setting a text leaves (an empty selection).
    static WPARAM start = 0;
    start = start == 0 ? 1 : 0;
    HWND field = GetDlgItem(dialog, editId);
    PostMessageA(field, EM_SETSEL, start, static_cast<LPARAM>(start + 1));
    return flows::WaitUntil([&] {
        DWORD_PTR selection = 0;
        SendMessageTimeoutA(field, EM_GETSEL, 0, 0, SMTO_ABORTIFHUNG, 5000, &selection);
        return LOWORD(selection) == start && HIWORD(selection) == start + 1;
    });
}

HWND OpenEntries(Larkmoor& program, HWND window, int command, const char* title) {
    PostCommand(window, command);
    return program.WaitDialog(title);
}

void CloseEntries(HWND dialog) {
    PostClick(dialog, IDC_ENTRIES_OK);
    EXPECT_TRUE(flows::WaitGone(dialog));
}

bool Answer(Larkmoor& program, const char* caption, const std::string& text, int button,
            DWORD timeoutMs) {
    HWND box = program.WaitDialog(caption, timeoutMs);
    EXPECT_NE(box, nullptr) << "no box \"" << caption << "\" saying " << text
                            << "; open: " << OpenDialogs(program);
    if (box == nullptr) return false;
    EXPECT_EQ(MessageBoxText(box), text);
    PostClick(box, button);
    EXPECT_TRUE(flows::WaitGone(box));
    return true;
}

std::string OpenDialogs(Larkmoor& program) {
    std::string captions;
    for (const DialogWindow& dialog : ProcessDialogs(program.ProcessId()))
        captions += "[" + dialog.caption + ": " + MessageBoxText(dialog.window) + "] ";
    return captions;
}

void ExitAnswering(Larkmoor& program, HWND window, int errorBoxes) {
    PostCommand(window, IDM_EXIT);
    for (int i = 0; i < errorBoxes; ++i) {
        HWND box = program.WaitDialog("An unexpected error has occurred!");
        ASSERT_NE(box, nullptr) << "error box " << i + 1 << " of " << errorBoxes;
        PostClick(box, IDOK);
        ASSERT_TRUE(flows::WaitGone(box));
    }
    DWORD code = 99;
    ASSERT_TRUE(program.WaitExit(&code)) << OpenDialogs(program);
    EXPECT_EQ(code, 0u);
}

DataFiles TakeSnapshot() {
    return {ReadFileBytes(SettingsFile()), ReadFileBytes(LogFile()), ReadFileBytes(PromptsFile()),
            ReadRows()};
}

void ExpectNothingLost(const DataFiles& before, const DataFiles& after) {
    // The settings are rewritten at every exit, with the same record.
    EXPECT_EQ(after.settings, before.settings);
    EXPECT_EQ(after.log.compare(0, before.log.size(), before.log), 0)
        << "the log lost lines: before\n" << before.log << "after\n" << after.log;
    // A missing prompts file is copied from the program folder at start-up.
    if (!before.prompts.empty()) {
        EXPECT_TRUE(after.prompts == before.prompts) << "the prompts file changed";
    }
    for (const Row& row : before.rows) {
        bool found = false;
        for (const Row& kept : after.rows) found = found || kept == row;
        EXPECT_TRUE(found) << "entry lost: " << row;
    }
}

}  // namespace faults
