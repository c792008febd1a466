// End-to-end test support: see driver.h.
#include "support/driver.h"

#include <shlwapi.h>

#include "journal/codepage.h"

namespace e2e {

const char kNotSaved[] =
    "The entry was not saved: the journal database could not be written (it may be locked "
    "by another program, damaged or full). Your subject and text are kept.";
const char kNotDeleted[] =
    "The entry was not deleted: the journal database could not be written (it may be locked "
    "by another program, damaged or full).";
const char kJournalUnreadable[] =
    "The journal could not be read: the database file is locked by another program, "
    "damaged or not a Larkmoor database.";
const char kErrorCaption[] = "An unexpected error has occurred!";

namespace {

constexpr char kEndMarker[] = "END-OF-SHELL-OUTPUT";

std::string Narrow(const std::wstring& wide) {
    if (wide.empty()) return std::string();
    const int size = static_cast<int>(wide.size());
    const int bytes = WideCharToMultiByte(CP_ACP, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<std::size_t>(bytes), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.data(), size, &text[0], bytes, nullptr, nullptr);
    return text;
}

// The text may change between the question of its length and the question
// of the text itself: a text that fills the buffer is asked for again.
std::wstring WideTextOf(HWND window) {
    for (;;) {
        const std::size_t length = static_cast<std::size_t>(Send(window, WM_GETTEXTLENGTH));
        std::wstring wide(length + 2, L'\0');
        const std::size_t got = static_cast<std::size_t>(
            Send(window, WM_GETTEXT, wide.size(), reinterpret_cast<LPARAM>(&wide[0])));
        wide.resize(got);
        if (got <= length || !IsWindow(window)) return wide;
    }
}

std::string ClassOf(HWND window) {
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

std::string TempFile(const char* name) {
    char temp[MAX_PATH] = {};
    GetTempPathA(sizeof temp, temp);
    return std::string(temp) + name + std::to_string(GetCurrentProcessId());
}

// A shell command that waits up to a minute for a file to exist.
std::string WaitForFile(const std::string& path) {
    return "for i in $(seq 1200); do [ -e " + path + " ] && break; sleep 0.05; done; [ -e " +
           path + " ]";
}

bool Succeeded(const std::string& printed) {
    return printed.size() >= 9 && printed.compare(printed.size() - 9, 9, "status 0\n") == 0;
}

}  // namespace

std::string ProgramFolderPath() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, sizeof path);
    PathRemoveFileSpecA(path);
    PathAppendA(path, "program");
    return path;
}

std::string DataFile(const char* name) { return DataFolderPath() + "\\" + name; }
std::string DatabaseFile() { return DataFile("larkmoor.3db"); }
std::string SettingsFile() { return DataFile("larkmoor.cfg"); }
std::string LogFile() { return DataFile("larkmoorlog.txt"); }
std::string PromptsFile() { return DataFile("larkmoorqtx.txt"); }

bool Ask(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* answer,
         DWORD timeoutMs) {
    DWORD_PTR result = 0;
    if (SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL, timeoutMs, &result) == 0)
        return false;
    if (answer != nullptr) *answer = static_cast<LRESULT>(result);
    return true;
}

LRESULT Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (!Ask(window, message, wParam, lParam, &result) && IsWindow(window))
        ADD_FAILURE() << "message " << message << " to a " << ClassOf(window)
                      << " of the program got no answer in " << kAnswerMs / 1000 << " s";
    return result;
}

std::string TextOf(HWND window) {
    return Narrow(WideTextOf(window));
}

std::string TextUtf8(HWND window) {
    const std::wstring wide = WideTextOf(window);
    return Utf8FromUtf16(std::u16string(wide.begin(), wide.end()));
}

void SetTextUtf8(HWND window, const std::string& text) {
    const std::u16string wide = Utf16FromUtf8(text);
    Send(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide.c_str()));
}

std::string Field(HWND dialog, int id) {
    return TextOf(GetDlgItem(dialog, id));
}

void SetField(HWND dialog, int id, const std::string& text) {
    const int size = static_cast<int>(text.size());
    std::wstring wide(static_cast<std::size_t>(
                          MultiByteToWideChar(CP_ACP, 0, text.data(), size, nullptr, 0)),
                      L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), size, &wide[0], static_cast<int>(wide.size()));
    HWND field = GetDlgItem(dialog, id);
    EXPECT_TRUE(Send(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide.c_str())));
}

std::string MessageBoxText(HWND box) {
    return TextUtf8(GetDlgItem(box, 0xFFFF));
}

void PostClick(HWND dialog, int id) {
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

void PostCommand(HWND window, int id) {
    PostMessageA(window, WM_COMMAND, MAKEWPARAM(id, 0), 0);
}

void PostKey(HWND window, WPARAM key) {
    PostMessageA(window, WM_KEYDOWN, key, 1);
    PostMessageA(window, WM_KEYUP, key, 0xC0000001);
}

bool BringToFront(HWND window) {
    SetForegroundWindow(window);
    return WaitUntil([window] { return GetForegroundWindow() == window; });
}

// Another process's thread, stopped while this object lives. SuspendThread
// returns before that thread has stopped; reading its context waits until it
// has.
class HeldThread {
public:
    explicit HeldThread(DWORD id)
        : thread_(OpenThread(THREAD_SUSPEND_RESUME | THREAD_GET_CONTEXT, FALSE, id)) {
        if (thread_ == nullptr || SuspendThread(thread_) == static_cast<DWORD>(-1)) return;
        CONTEXT context = {};
        context.ContextFlags = CONTEXT_CONTROL;
        held_ = GetThreadContext(thread_, &context) != 0;
        if (!held_) ResumeThread(thread_);
    }
    ~HeldThread() {
        if (held_) ResumeThread(thread_);
        if (thread_ != nullptr) CloseHandle(thread_);
    }
    HeldThread(const HeldThread&) = delete;
    HeldThread& operator=(const HeldThread&) = delete;
    bool Held() const { return held_; }

private:
    HANDLE thread_;
    bool held_ = false;
};

void PressKeys(HWND window, const std::vector<WORD>& keys) {
    EXPECT_TRUE(BringToFront(window)) << "the window did not come to the front";
    // Keys go to the window that has the keyboard focus in the window's
    // thread when they are pressed, and the thread takes the activation a
    // little after the window has come to the front: the keys wait until the
    // window or one of its children has the focus.
    const DWORD thread = GetWindowThreadProcessId(window, nullptr);
    EXPECT_TRUE(WaitUntil([&] {
        GUITHREADINFO input = {};
        input.cbSize = sizeof input;
        return GetGUIThreadInfo(thread, &input) && input.hwndActive == window &&
               (input.hwndFocus == window || IsChild(window, input.hwndFocus));
    })) << "the window did not take the keyboard focus";
    // Each key goes down at i and up at its mirror place from the end.
    std::vector<INPUT> inputs(2 * keys.size());
    for (std::size_t i = 0; i < keys.size(); ++i) {
        INPUT& down = inputs[i];
        INPUT& up = inputs[inputs.size() - 1 - i];
        down.type = up.type = INPUT_KEYBOARD;
        down.ki.wVk = up.ki.wVk = keys[i];
        up.ki.dwFlags = KEYEVENTF_KEYUP;
    }
    // Whenever a window of the program takes the X focus (at start-up, when
    // a dialog closes), Wine sets its key state to the X server's keyboard,
    // in the program's thread and a little later. The X server has none of
    // these keys down: should that come between a Ctrl going down and the
    // key it modifies, the Ctrl is let up again and Ctrl+S arrives as S.
    // SendInput queues one key at a time, so the program's thread is held
    // until all of them are queued, down and up.
    const HeldThread held(thread);
    EXPECT_TRUE(held.Held()) << "the program's thread could not be held";
    EXPECT_EQ(SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)),
              static_cast<UINT>(inputs.size()));
}

bool WaitGone(HWND window) {
    return WaitUntil([window] { return !IsWindow(window); });
}

bool CloseBy(HWND dialog, int button) {
    PostClick(dialog, button);
    return WaitGone(dialog);
}

bool Settle(HWND edit) {
    // A left margin other than the one the edit has now; no earlier Settle
    // is still on its way.
    const WORD wanted = LOWORD(Send(edit, EM_GETMARGINS)) == 11 ? 12 : 11;
    PostMessageA(edit, EM_SETMARGINS, EC_LEFTMARGIN, MAKELPARAM(wanted, 0));
    return WaitUntil([edit, wanted] { return LOWORD(Send(edit, EM_GETMARGINS)) == wanted; });
}

HWND PromptView(HWND window) {
    return FindWindowExA(window, nullptr, "Edit", nullptr);
}

std::vector<PROCESSENTRY32> ChildProcesses(DWORD parentId) {
    std::vector<PROCESSENTRY32> children;
    // No process (one never started): under Wine the processes started from
    // Linux, this test program among them, have parent 0.
    if (parentId == 0) return children;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return children;
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
        if (entry.th32ParentProcessID == parentId) children.push_back(entry);
    CloseHandle(snapshot);
    return children;
}

bool WaitForChild(DWORD parentId, const char* exeName, DWORD timeoutMs) {
    return WaitUntil(
        [&] {
            for (const PROCESSENTRY32& child : ChildProcesses(parentId))
                if (lstrcmpiA(child.szExeFile, exeName) == 0) return true;
            return false;
        },
        timeoutMs);
}

void EndChildren(DWORD parentId) {
    for (const PROCESSENTRY32& child : ChildProcesses(parentId)) {
        HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, child.th32ProcessID);
        if (process == nullptr) continue;
        TerminateProcess(process, 0);
        WaitForSingleObject(process, kWaitMs);
        CloseHandle(process);
    }
}

std::vector<HWND> TopWindows(DWORD processId, const char* className, bool visibleOnly) {
    // The system picks the windows of the class: a light look, which the
    // benchmark takes every millisecond while it times the program.
    std::vector<HWND> found;
    HWND window = nullptr;
    while ((window = FindWindowExA(nullptr, window, className, nullptr)) != nullptr) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == processId && (!visibleOnly || IsWindowVisible(window)))
            found.push_back(window);
    }
    return found;
}

std::vector<DialogWindow> ProcessDialogs(DWORD processId) {
    std::vector<DialogWindow> dialogs;
    for (HWND window : TopWindows(processId, "#32770")) dialogs.push_back({window, TextOf(window)});
    return dialogs;
}

SessionEnd::SessionEnd() {
    char folder[MAX_PATH] = {};
    GetSystemDirectoryA(folder, sizeof folder);
    std::string command = "\"" + std::string(folder) + "\\wineboot.exe\" --end-session";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    EXPECT_TRUE(CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                               &startup, &wineboot_))
        << command;
}

SessionEnd::~SessionEnd() {
    if (wineboot_.hProcess == nullptr) return;
    EXPECT_TRUE(Done()) << "wineboot --end-session did not end";
    TerminateProcess(wineboot_.hProcess, 1);
    CloseHandle(wineboot_.hProcess);
    CloseHandle(wineboot_.hThread);
}

bool SessionEnd::Done(DWORD timeoutMs) {
    if (wineboot_.hProcess == nullptr ||
        WaitForSingleObject(wineboot_.hProcess, timeoutMs) != WAIT_OBJECT_0)
        return false;
    GetExitCodeProcess(wineboot_.hProcess, &code_);
    return true;
}

Larkmoor::~Larkmoor() {
    Kill();
}

bool Larkmoor::Start(const std::string& workingFolder, const std::string& program,
                     const std::string& arguments) {
    WCHAR programFolder[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, programFolder, MAX_PATH);
    PathRemoveFileSpecW(programFolder);
    PathAppendW(programFolder, L"program");
    const std::u16string built(reinterpret_cast<const char16_t*>(programFolder));
    const std::u16string folder = workingFolder.empty() ? built : Utf16FromUtf8(workingFolder);
    std::u16string command =
        u"\"" + (program.empty() ? built + u"\\larkmoor.exe" : Utf16FromUtf8(program)) + u"\"";
    if (!arguments.empty()) command += u" \"" + Utf16FromUtf8(arguments) + u"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    return CreateProcessW(nullptr, reinterpret_cast<WCHAR*>(&command[0]), nullptr, nullptr, FALSE,
                          0, nullptr, reinterpret_cast<const WCHAR*>(folder.c_str()), &startup,
                          &info_) != 0;
}

HWND Larkmoor::WaitMainWindow(DWORD timeoutMs) {
    HWND found = nullptr;
    WaitUntil(
        [&] {
            const std::vector<HWND> windows = TopWindows(info_.dwProcessId, "larkmoorclass");
            found = windows.empty() ? nullptr : windows[0];
            return found != nullptr;
        },
        timeoutMs);
    return found;
}

HWND Larkmoor::WaitDialog(const std::string& caption, DWORD timeoutMs) {
    HWND found = nullptr;
    WaitUntil(
        [&] {
            for (HWND window : TopWindows(info_.dwProcessId, "#32770")) {
                // A top-level window's caption is read without asking its thread.
                WCHAR text[256] = {};
                GetWindowTextW(window, text, 256);
                if (Narrow(text) == caption) found = window;
            }
            return found != nullptr;
        },
        timeoutMs);
    return found;
}

bool Larkmoor::WaitExit(DWORD* exitCode, DWORD timeoutMs) {
    if (info_.hProcess == nullptr) return false;
    if (WaitForSingleObject(info_.hProcess, timeoutMs) != WAIT_OBJECT_0) return false;
    GetExitCodeProcess(info_.hProcess, exitCode);
    return true;
}

void Larkmoor::Kill() {
    if (info_.hProcess == nullptr) return;
    if (WaitForSingleObject(info_.hProcess, 0) != WAIT_OBJECT_0) {
        TerminateProcess(info_.hProcess, 1);
        WaitForSingleObject(info_.hProcess, kStartMs);
    }
    CloseHandle(info_.hProcess);
    CloseHandle(info_.hThread);
    info_ = {};
}

HWND StartQuiet(Larkmoor& program, const std::string& workingFolder) {
    if (!program.Start(workingFolder)) return nullptr;
    return program.WaitMainWindow();
}

HWND StartAtLogin(Larkmoor& program) {
    return program.Start() ? program.WaitDialog("Larkmoor Login") : nullptr;
}

HWND LogOut(Larkmoor& program, HWND window) {
    PostCommand(window, IDM_LOGOUT);
    EXPECT_TRUE(Answer(program, "Notice", "You have logged out."));
    return program.WaitDialog("Larkmoor Login");
}

std::string AnswerBox(Larkmoor& program, const std::string& caption, int button,
                      DWORD timeoutMs) {
    HWND box = program.WaitDialog(caption, timeoutMs);
    if (box == nullptr) return "(no box)";
    const std::string text = MessageBoxText(box);
    RecordBox(TextUtf8(box), text);
    PostClick(box, button);
    EXPECT_TRUE(WaitGone(box)) << "the box \"" << caption << "\" stayed";
    return text;
}

bool Answer(Larkmoor& program, const std::string& caption, const std::string& text, int button,
            DWORD timeoutMs) {
    const std::string shown = AnswerBox(program, caption, button, timeoutMs);
    EXPECT_EQ(shown, text) << "box \"" << caption << "\"; open: " << OpenDialogs(program);
    return shown != "(no box)";
}

std::string OpenDialogs(DWORD processId) {
    std::string captions;
    for (const DialogWindow& dialog : ProcessDialogs(processId))
        captions += "[" + dialog.caption + ": " + MessageBoxText(dialog.window) + "] ";
    return captions;
}

bool TryPassword(Larkmoor& program, HWND login, const std::string& password) {
    SetField(login, IDC_PASSWORD, password);
    PostClick(login, IDOK);
    // The box first, then the login: a refusal shows its box over the login,
    // which stays, while a login that lets the user in closes before any
    // box of the start-up that follows. So a box seen before the login was
    // seen still showing is the refusal, and a login gone means accepted,
    // whatever box came after it.
    HWND box = nullptr;
    bool loginShown = true;
    EXPECT_TRUE(WaitUntil([&] {
        box = program.WaitDialog("Notice", 0);
        loginShown = IsWindow(login) && IsWindowVisible(login);
        return box != nullptr || !loginShown;
    })) << OpenDialogs(program);
    if (!loginShown) return true;
    EXPECT_TRUE(Answer(program, "Notice", "Incorrect password!"));
    return false;
}

void ExitAnswering(Larkmoor& program, HWND window, int errorBoxes) {
    PostCommand(window, IDM_EXIT);
    for (int i = 0; i < errorBoxes; ++i)
        ASSERT_NE(AnswerBox(program, kErrorCaption), "(no box)")
            << "error box " << i + 1 << " of " << errorBoxes;
    EndsWithZero(program);
}

bool EndsWithZero(Larkmoor& program) {
    DWORD code = 99;
    const bool ended = program.WaitExit(&code);
    EXPECT_TRUE(ended) << "still running; open: " << OpenDialogs(program);
    EXPECT_EQ(code, 0u);
    return ended && code == 0;
}

HWND OpenDialog(Larkmoor& program, HWND window, int command, DWORD timeoutMs) {
    static const std::map<int, std::string> captions = {
        {IDM_ADD_ENTRY, "Add a Larkmoor entry"},
        {IDM_SEARCH_ENTRIES, "Search for Larkmoor entries"},
        {IDM_BROWSE_ENTRIES, "Browse Larkmoor entries"},
        {IDM_PREFERENCES, "Larkmoor Preferences"},
        {IDM_CHANGE_PASSWORD, "Larkmoor: Change password"},
        {IDM_EDIT_PROMPTS, "Larkmoor: Edit Brainstorm Prompts"},
        {IDM_VIEW_LOG, "Larkmoor: View Program Log"}};
    PostCommand(window, command);
    return program.WaitDialog(captions.at(command), timeoutMs);
}

void ChangePassword(Larkmoor& program, HWND window, const std::string& current,
                    const std::string& fresh, const std::string& notice, bool unsaved) {
    HWND dialog = OpenDialog(program, window, IDM_CHANGE_PASSWORD);
    ASSERT_NE(dialog, nullptr);
    SetTextUtf8(GetDlgItem(dialog, IDC_CURRENT_PASSWORD), current);
    SetTextUtf8(GetDlgItem(dialog, IDC_NEW_PASSWORD), fresh);
    PostClick(dialog, IDOK);
    if (unsaved) {
        ASSERT_TRUE(Answer(program, kErrorCaption, "Preferences file write error!"));
    }
    ASSERT_TRUE(Answer(program, "Notice", notice));
    // A refused change leaves the dialog open.
    if (IsWindowVisible(dialog)) PostClick(dialog, IDCANCEL);
    ASSERT_TRUE(WaitGone(dialog));
}

void CloseEntries(HWND dialog) {
    EXPECT_TRUE(CloseBy(dialog, IDC_ENTRIES_OK));
}

std::vector<std::string> ListLines(HWND dialog, int id) {
    // List box texts must be read wide across processes.
    HWND list = GetDlgItem(dialog, id);
    std::vector<std::string> lines;
    const LRESULT count = Send(list, LB_GETCOUNT);
    for (LRESULT i = 0; i < count; ++i) {
        const LRESULT length = Send(list, LB_GETTEXTLEN, static_cast<WPARAM>(i));
        std::wstring wide(static_cast<std::size_t>(length < 0 ? 0 : length) + 1, L'\0');
        wide.resize(static_cast<std::size_t>(
            Send(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&wide[0]))));
        lines.push_back(Narrow(wide));
    }
    return lines;
}

bool WaitLineCount(HWND dialog, std::size_t count) {
    HWND list = GetDlgItem(dialog, IDC_SUBJECT_LIST);
    return WaitUntil([&] { return Send(list, LB_GETCOUNT) == static_cast<LRESULT>(count); });
}

bool WaitFieldText(HWND dialog, int id, const std::string& text) {
    return WaitUntil([&] { return Field(dialog, id) == text; });
}

void TypeAndSave(HWND dialog, const std::string& subject, const std::string& text) {
    SetField(dialog, IDC_SUBJECT, subject);
    SetField(dialog, IDC_ENTRY_TEXT, text);
    PostClick(dialog, IDC_SAVE);
}

bool SaveRefused(Larkmoor& program, HWND dialog, const std::string& subject,
                 const std::string& text, const std::string& caption, const std::string& message) {
    SetTextUtf8(GetDlgItem(dialog, IDC_SUBJECT), subject);
    SetTextUtf8(GetDlgItem(dialog, IDC_ENTRY_TEXT), text);
    PostClick(dialog, IDC_SAVE);
    const bool answered = Answer(program, caption, message);
    EXPECT_EQ(TextUtf8(GetDlgItem(dialog, IDC_SUBJECT)), subject);
    EXPECT_TRUE(TextUtf8(GetDlgItem(dialog, IDC_ENTRY_TEXT)) == text) << "the typed text changed";
    return answered;
}

namespace {

// The index of the first line with this text; the line count when none.
std::size_t LineIndex(HWND dialog, const std::string& subject) {
    const std::vector<std::string> lines = ListLines(dialog);
    std::size_t index = 0;
    while (index < lines.size() && lines[index] != subject) ++index;
    EXPECT_LT(index, lines.size()) << subject;
    return index;
}

}  // namespace

void SelectLine(HWND dialog, const std::string& subject) {
    const std::size_t index = LineIndex(dialog, subject);
    HWND list = GetDlgItem(dialog, IDC_SUBJECT_LIST);
    Send(list, LB_SETCURSEL, index);
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_SUBJECT_LIST, LBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(list));
    ASSERT_TRUE(WaitFieldText(dialog, IDC_SUBJECT, subject));
}

void ClickLine(HWND dialog, const std::string& subject) {
    const LRESULT index = static_cast<LRESULT>(LineIndex(dialog, subject));
    HWND list = GetDlgItem(dialog, IDC_SUBJECT_LIST);
    const LRESULT height = Send(list, LB_GETITEMHEIGHT);
    const LPARAM point =
        MAKELPARAM(4, (index - Send(list, LB_GETTOPINDEX)) * height + height / 2);
    PostMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, point);
    PostMessageA(list, WM_LBUTTONUP, 0, point);
}

void CloseEntriesDropping(Larkmoor& program, HWND dialog) {
    PostClick(dialog, IDC_ENTRIES_OK);
    EXPECT_TRUE(Answer(program, kUnsavedCaption, kUnsavedQuestion, IDNO));
    EXPECT_TRUE(WaitGone(dialog));
}

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
    const std::string input = TempFile("larkmoor-script-");
    const std::string output = TempFile("larkmoor-output-");
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
    const bool ended = started && WaitUntil(
                                     [&] {
                                         text = ReadFileBytes(output);
                                         return text.find(std::string(kEndMarker) + "\n") !=
                                                std::string::npos;
                                     },
                                     timeoutMs);
    EXPECT_TRUE(ended) << "the script printed: " << text;
    DeleteFileA(input.c_str());
    DeleteFileA(output.c_str());
    return text.substr(0, text.find(kEndMarker));
}

DWORD RunProgram(const std::string& commandLine, DWORD timeoutMs) {
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    std::u16string command = Utf16FromUtf8(commandLine);
    if (!CreateProcessW(nullptr, reinterpret_cast<WCHAR*>(&command[0]), nullptr, nullptr, FALSE, 0,
                        nullptr, nullptr, &startup, &process)) {
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
    static const bool can = !UnixPath("C:\\").empty() && PathExists("Z:\\bin\\sh") &&
                            Succeeded(RunShell("dir=$(mktemp -d) && mount -t tmpfs -o size=64k "
                                               "larkmoor-probe \"$dir\" && umount \"$dir\" && "
                                               "rmdir \"$dir\""));
    return can;
}

bool MountReadOnly(const std::string& windowsFolder) {
    const std::string folder = "'" + UnixPath(windowsFolder) + "'";
    return folder != "''" && Succeeded(RunShell("mount --bind " + folder + " " + folder +
                                                " && mount -o remount,bind,ro " + folder + " " +
                                                folder));
}

bool MountSmallDisk(const std::string& windowsFolder, int kilobytes) {
    const std::string folder = UnixPath(windowsFolder);
    return !folder.empty() && Succeeded(RunShell("mount -t tmpfs -o size=" +
                                                 std::to_string(kilobytes) + "k larkmoor-full '" +
                                                 folder + "'"));
}

void Unmount(const std::string& windowsFolder) {
    const std::string folder = UnixPath(windowsFolder);
    // Wine may still hold a handle on the folder for a moment: unmount lazily.
    if (!folder.empty())
        RunShell("while mountpoint -q '" + folder + "'; do umount -l '" + folder + "' || break; done");
}

bool SetImmutable(const std::string& windowsPath, bool on) {
    const std::string path = UnixPath(windowsPath);
    return PathExists("Z:\\bin\\sh") && !path.empty() &&
           Succeeded(RunShell(std::string("chattr ") + (on ? "+i" : "-i") + " '" + path + "'"));
}

bool RunningAsRoot() {
    static const bool root = PathExists("Z:\\bin\\sh") && RunShell("id -u") == "0\nstatus 0\n";
    return root;
}

bool SqliteToolAvailable() {
    return PathExists("Z:\\usr\\bin\\sqlite3") && PathExists("Z:\\bin\\sh") &&
           !UnixPath(DataFolderPath()).empty();
}

std::string RunSqliteTool(const std::string& statements) {
    const std::string printed = RunShell("/usr/bin/sqlite3 -batch '" + UnixPath(DatabaseFile()) +
                                         "' <<'END-OF-STATEMENTS'\n" + statements +
                                         "\nEND-OF-STATEMENTS");
    EXPECT_TRUE(Succeeded(printed)) << printed;
    return printed.substr(0, printed.rfind("status "));
}

DatabaseLock::DatabaseLock(const char* kind, LockHolder holder) : holder_(holder) {
    const std::string begin = std::string("BEGIN ") + kind + ";";
    if (holder_ == LockHolder::TestProcess) {
        db_ = new SideDb(DatabaseFile());
        held_ = db_->Exec(begin).empty();
        return;
    }
    // The sqlite3 program begins the transaction, says so, and waits for the
    // stop file before it rolls back and ends.
    files_ = "/tmp/larkmoor-lock-" + std::to_string(GetCurrentProcessId());
    held_ = RunShell("rm -f " + files_ + "-*\n(/usr/bin/sqlite3 -batch -bail '" +
                     UnixPath(DatabaseFile()) + "' '" + begin + "' '.shell touch " + files_ +
                     "-ready' '.shell while [ ! -e " + files_ + "-stop ]; do sleep 0.05; done' " +
                     "'ROLLBACK;'; touch " + files_ + "-done) >/dev/null 2>&1 &\n" +
                     WaitForFile(files_ + "-ready") + " && echo held")
                .find("held\n") != std::string::npos;
}

DatabaseLock::~DatabaseLock() {
    if (!files_.empty())
        RunShell("touch " + files_ + "-stop\n" + WaitForFile(files_ + "-done") + "\nrm -f " +
                 files_ + "-*");
    if (db_ != nullptr && held_) db_->Exec("ROLLBACK;");
    delete db_;
}

DataFiles TakeSnapshot() {
    return {ReadFileBytes(SettingsFile()), ReadFileBytes(LogFile()), ReadFileBytes(PromptsFile()),
            ReadFileBytes(DatabaseFile()), ReadJournal(DatabaseFile())};
}

void ExpectNothingLost(const DataFiles& before, const DataFiles& after) {
    // The settings are rewritten at every exit, with the same record.
    EXPECT_EQ(after.settings, before.settings);
    EXPECT_EQ(after.log.compare(0, before.log.size(), before.log), 0)
        << "the log lost lines: before\n" << before.log << "after\n" << after.log;
    // A missing prompts file is copied from the program folder at start-up.
    EXPECT_TRUE(before.prompts.empty() || after.prompts == before.prompts) << "prompts changed";
    for (const JournalRow& row : before.rows) {
        bool found = false;
        for (const JournalRow& kept : after.rows) found = found || kept == row;
        EXPECT_TRUE(found) << "entry lost: " << row;
    }
}

std::vector<std::string> LogEvents() {
    return oracle::LogEvents(ReadFileBytes(LogFile()));
}

}  // namespace e2e
