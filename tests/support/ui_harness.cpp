// In-process Win32 test support: see ui_harness.h.
#include "support/ui_harness.h"

#include <windows.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <cstdio>
#include <cstring>
#include <map>

#include <gtest/gtest.h>

#include "journal/codepage.h"
#include "journal/journal.h"
#include "journal/text.h"
#include "resource.h"
#include "shell/paths.h"
#include "shell/shell.h"

namespace {


MessageBoxAnswerer* ActiveAnswerer = nullptr;
HWND PendingBox = nullptr;  // the message box waiting to be read and answered

bool IsOwnDialog(HWND window) {
    // Dialogs of the program run one of its own procedures; a message box runs
    // the system's.
    auto procedure = GetWindowLongPtrA(window, DWLP_DLGPROC);
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                           GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(procedure), &module);
    return module == GetModuleHandleA(nullptr);
}

bool IsDialogClass(HWND window) {
    char name[32] = {};
    GetClassNameA(window, name, sizeof name);
    return std::strcmp(name, "#32770") == 0;
}

class ProgramEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        Instance = GetModuleHandleA(nullptr);
        ClassIcon = LoadIconA(Instance, MAKEINTRESOURCEA(IDI_MAIN));
        ASSERT_NE(RegisterMainWindowClass(Instance), 0);
    }
};

[[maybe_unused]] auto* const Environment =
    ::testing::AddGlobalTestEnvironment(new ProgramEnvironment);

}  // namespace

MessageBoxAnswerer::MessageBoxAnswerer() {
    hook_ = SetWindowsHookExA(WH_CBT, Hook, nullptr, GetCurrentThreadId());
    ActiveAnswerer = this;
}

MessageBoxAnswerer::~MessageBoxAnswerer() {
    UnhookWindowsHookEx(hook_);
    ActiveAnswerer = nullptr;
}

LRESULT CALLBACK MessageBoxAnswerer::Hook(int code, WPARAM wParam, LPARAM lParam) {
    MessageBoxAnswerer* self = ActiveAnswerer;
    if (code == HCBT_ACTIVATE && self != nullptr) {
        HWND box = reinterpret_cast<HWND>(wParam);
        if (IsDialogClass(box) && !IsOwnDialog(box) && GetPropA(box, "larkmoor.seen") == nullptr) {
            SetPropA(box, "larkmoor.seen", reinterpret_cast<HANDLE>(1));
            // A system-modal box is activated while it is still being set up,
            // before its text is in place: it is read and answered from the
            // box's own message loop.
            PendingBox = box;
            SetTimer(nullptr, 0, 0, Answer);
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

void CALLBACK MessageBoxAnswerer::Answer(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    MessageBoxAnswerer* self = ActiveAnswerer;
    HWND box = PendingBox;
    PendingBox = nullptr;
    if (self == nullptr || box == nullptr || !IsWindow(box)) return;
    SeenBox seen;
    seen.caption = WindowTextUtf8(box);
    seen.text = WindowTextUtf8(GetDlgItem(box, 0xFFFF));
    seen.owner = GetWindow(box, GW_OWNER);
    seen.topmost = (GetWindowLongA(box, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
    seen.yesNo = GetDlgItem(box, IDYES) != nullptr && GetDlgItem(box, IDNO) != nullptr;
    seen.cancel = GetDlgItem(box, IDCANCEL) != nullptr;
    // The message box's icon is the static control 0x440; system icons are
    // shared, so the handle tells which one it shows.
    seen.question = SendDlgItemMessageA(box, 0x440, STM_GETICON, 0, 0) ==
                    reinterpret_cast<LRESULT>(LoadIconA(nullptr, IDI_QUESTION));
    int answer = seen.yesNo ? IDYES : IDOK;
    if (!self->answers_.empty()) {
        answer = self->answers_.front();
        self->answers_.pop_front();
    }
    seen.answer = answer;
    if (self->look_) self->look_(box);
    self->boxes_.push_back(seen);
    RecordBox(seen.caption, seen.text);
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED), 0);
}

namespace {

using ProcedureLookup = FARPROC(WINAPI*)(HMODULE, LPCSTR);

std::map<HWND, std::u16string> BlockReasons;
void* SystemLookup = nullptr;

// The import slots through which this program calls a function of a DLL.
std::vector<void**> ImportSlots(const char* dll, const char* function) {
    std::vector<void**> found;
    auto* base = reinterpret_cast<BYTE*>(GetModuleHandleA(nullptr));
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(
        base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (auto* from = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
         from->Name != 0; ++from) {
        if (lstrcmpiA(reinterpret_cast<const char*>(base + from->Name), dll) != 0) continue;
        auto* names = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + from->OriginalFirstThunk);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + from->FirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
            const auto* named =
                reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (std::strcmp(reinterpret_cast<const char*>(named->Name), function) == 0)
                found.push_back(reinterpret_cast<void**>(&slots->u1.Function));
        }
    }
    return found;
}

// Puts a function into the import slots of GetProcAddress; gives the one
// that was there.
void* SwapLookup(void* replacement) {
    void* old = nullptr;
    for (void** slot : ImportSlots("kernel32.dll", "GetProcAddress")) {
        DWORD was = 0;
        VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &was);
        old = *slot;
        *slot = replacement;
        VirtualProtect(slot, sizeof *slot, was, &was);
    }
    EXPECT_NE(old, nullptr) << "GetProcAddress is not imported";
    return old;
}

BOOL WINAPI WatchedCreate(HWND window, LPCWSTR reason) {
    BlockReasons[window] = reinterpret_cast<const char16_t*>(reason);
    return TRUE;
}

BOOL WINAPI WatchedDestroy(HWND window) {
    return BlockReasons.erase(window) == 1;
}

// The program looks the two functions up (they are not in every Windows):
// it is handed the watched ones.
FARPROC WINAPI WatchedLookup(HMODULE module, LPCSTR name) {
    void* found = nullptr;
    if (!IS_INTRESOURCE(name) && module == GetModuleHandleA("user32.dll")) {
        if (std::strcmp(name, "ShutdownBlockReasonCreate") == 0)
            found = reinterpret_cast<void*>(WatchedCreate);
        if (std::strcmp(name, "ShutdownBlockReasonDestroy") == 0)
            found = reinterpret_cast<void*>(WatchedDestroy);
    }
    if (found == nullptr) found = reinterpret_cast<void*>(
        reinterpret_cast<ProcedureLookup>(SystemLookup)(module, name));
    return reinterpret_cast<FARPROC>(found);
}

}  // namespace

ShutdownBlockWatch::ShutdownBlockWatch() {
    BlockReasons.clear();
    SystemLookup = SwapLookup(reinterpret_cast<void*>(WatchedLookup));
}

ShutdownBlockWatch::~ShutdownBlockWatch() {
    if (SystemLookup != nullptr) SwapLookup(SystemLookup);
    SystemLookup = nullptr;
}

std::string ShutdownBlockWatch::Reason(HWND window) const {
    const auto found = BlockReasons.find(window);
    return found == BlockReasons.end() ? std::string() : Utf8FromUtf16(found->second);
}

void PrepareTestPaths() {
    const std::string folder = DataFolderPath();
    CreateDirectoryA(folder.c_str(), nullptr);
    GetCurrentDirectoryA(sizeof ProgramFolder, ProgramFolder);
    JoinPath(DataFolder, sizeof DataFolder, folder.c_str(), "");
    JoinPath(SettingsPath, sizeof SettingsPath, DataFolder, kSettingsFileName);
    JoinPath(LogPath, sizeof LogPath, DataFolder, kLogFileName);
    JoinPath(PromptsPath, sizeof PromptsPath, DataFolder, kPromptsFileName);
    JoinPath(DatabasePath, sizeof DatabasePath, DataFolder, kDatabaseFileName);
}

std::string WindowText(HWND window) {
    const int length = GetWindowTextLengthA(window);
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    const int got = GetWindowTextA(window, &text[0], length + 1);
    text.resize(static_cast<std::size_t>(got > 0 ? got : 0));
    return text;
}

std::string ItemText(HWND dialog, int id) {
    return WindowText(GetDlgItem(dialog, id));
}

std::string WindowTextUtf8(HWND window) {
    std::u16string text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, u'\0');
    const int got =
        GetWindowTextW(window, reinterpret_cast<WCHAR*>(&text[0]), static_cast<int>(text.size()));
    text.resize(static_cast<std::size_t>(got > 0 ? got : 0));
    return Utf8FromUtf16(text);
}

void SetWindowTextUtf8(HWND window, const std::string& text) {
    const std::u16string wide = Utf16FromUtf8(text);
    SendMessageW(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide.c_str()));
}

std::ostream& operator<<(std::ostream& out, const ListLine& line) {
    return out << '"' << line.text << "\"#" << line.data;
}

std::vector<ListLine> ListLines(HWND list) {
    std::vector<ListLine> lines;
    const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        const WPARAM index = static_cast<WPARAM>(i);
        std::u16string text(
            static_cast<std::size_t>(SendMessageW(list, LB_GETTEXTLEN, index, 0)) + 1, u'\0');
        text.resize(static_cast<std::size_t>(
            SendMessageW(list, LB_GETTEXT, index, reinterpret_cast<LPARAM>(&text[0]))));
        lines.push_back({Utf8FromUtf16(text), SendMessageW(list, LB_GETITEMDATA, index, 0)});
    }
    return lines;
}

int TextWidth(HWND control, const char* text) {
    const std::string own = WindowText(control);
    if (text == nullptr) text = own.c_str();
    HDC dc = GetDC(control);
    HGDIOBJ old =
        SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(control, WM_GETFONT, 0, 0)));
    SIZE size = {};
    GetTextExtentPoint32A(dc, text, lstrlenA(text), &size);
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    return size.cx;
}

HWND OpenTestDialog(int templateId, DLGPROC procedure, HWND owner) {
    return CreateDialogParamA(Instance, MAKEINTRESOURCEA(templateId), owner, procedure, 0);
}

void Click(HWND dialog, int id) {
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

bool PressKey(HWND dialog, int id, WPARAM key) {
    MSG message = {GetDlgItem(dialog, id), WM_KEYDOWN, key, 1, 0, {0, 0}};
    return IsDialogMessageA(dialog, &message) != FALSE;
}

void PumpMessages() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

namespace {

ModalScript* Script = nullptr;

BOOL CALLBACK FindScriptDialog(HWND window, LPARAM) {
    if (IsDialogClass(window) && IsOwnDialog(window) && IsWindowVisible(window)) {
        Script->dialog = window;
        return FALSE;
    }
    return TRUE;
}

void CALLBACK PlayStep(HWND, UINT, UINT_PTR, DWORD) {
    if (Script->dialog == nullptr) EnumThreadWindows(GetCurrentThreadId(), FindScriptDialog, 0);
    if (Script->dialog == nullptr || !IsWindow(Script->dialog)) return;
    if (Script->next < Script->steps.size())
        Script->steps[Script->next++](Script->dialog);
    else if (Script->next++ == Script->steps.size())
        EndDialog(Script->dialog, kForcedEnd);
}

LRESULT CALLBACK WatchCommands(int code, WPARAM wParam, LPARAM lParam) {
    const auto* message = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && Script != nullptr && message->hwnd == Script->dialog &&
        message->message == WM_COMMAND)
        Script->commands.push_back(message->wParam);
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace

bool ModalScript::Saw(WPARAM command) const {
    for (WPARAM seen : commands)
        if (seen == command) return true;
    return false;
}

INT_PTR RunModal(int templateId, DLGPROC procedure, ModalScript& script, HWND owner) {
    Script = &script;
    HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROC, WatchCommands, nullptr, GetCurrentThreadId());
    const UINT_PTR timer = SetTimer(nullptr, 0, 100, PlayStep);
    const DWORD start = GetTickCount();
    const INT_PTR result =
        DialogBoxParamA(Instance, MAKEINTRESOURCEA(templateId), owner, procedure, 0);
    script.elapsed = GetTickCount() - start;
    KillTimer(nullptr, timer);
    UnhookWindowsHookEx(hook);
    Script = nullptr;
    return result;
}

HWND CreateTestMainWindow() {
    MainWindow = nullptr;
    HWND window = CreateWindowExA(0, kMainClassName, kMainWindowTitle, WS_OVERLAPPEDWINDOW,
                                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                  nullptr, nullptr, Instance, nullptr);
    MainWindow = window;
    return window;
}

void HarnessTest::SetUp() {
    RemoveDataFolder();
    PrepareTestPaths();
    MainWindow = nullptr;
}

void HarnessTest::TearDown() {
    Close();
    PumpMessages();
    RemoveDataFolder();
    EntriesMode = EntryMode::None;
}

HWND HarnessTest::Open(int templateId, DLGPROC procedure, HWND owner) {
    Close();
    dialog_ = OpenTestDialog(templateId, procedure, owner);
    EXPECT_NE(dialog_, nullptr);
    return dialog_;
}

void HarnessTest::Close() {
    if (dialog_ != nullptr && IsWindow(dialog_)) DestroyWindow(dialog_);
    dialog_ = nullptr;
}

void HarnessTest::ExpectOneBox(const std::string& caption, const std::string& text) {
    ExpectOneBox(caption, text, dialog_);
}

void HarnessTest::ExpectOneBox(const std::string& caption, const std::string& text, HWND owner) {
    ASSERT_EQ(boxes_.Boxes().size(), 1u) << "expected one box saying " << text;
    EXPECT_EQ(boxes_.Boxes()[0].caption, caption);
    EXPECT_EQ(boxes_.Boxes()[0].text, text);
    EXPECT_EQ(boxes_.Boxes()[0].owner, owner);
    boxes_.Clear();
}

std::vector<std::string> HarnessTest::TakeBoxTexts() {
    std::vector<std::string> texts;
    for (const SeenBox& box : boxes_.Boxes()) texts.push_back(box.text);
    boxes_.Clear();
    return texts;
}
