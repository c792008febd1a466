// The main window: its creation sets the whole program up (paths, settings,
// startup screen, log, login, database, prompts, geometry); its destruction
// stores the geometry and ends the message loop.
#include <windows.h>
#include <shlwapi.h>

#include "journal/journal.h"
#include "log/program_log.h"
#include "prompts/prompts.h"
#include "resource.h"
#include "settings/settings.h"
#include "shell/message_box.h"
#include "shell/paths.h"
#include "shell/shell.h"

HINSTANCE Instance;
HWND MainWindow;
HICON ClassIcon;

HWND PromptView;

namespace {

HBITMAP ExitBitmap;

// Set once creation has placed and shown the window: from then on the
// program has a session that the end of the Windows session ends.
bool Placed = false;
// Set once the end-of-session work (log line, geometry) has been done, so
// that it is done once, whichever way the program ends.
bool SessionEnded = false;

// What Windows shows beside Larkmoor while it waits for the answer to the
// unsaved-typing question.
constexpr const wchar_t kUnsavedEntryReason[] = L"A journal entry is not saved.";

// Reasons for holding up the end of a session came with Windows Vista. The
// program imports nothing newer than Windows XP has, so it looks them up
// and still starts where they are missing (there Windows shows no reason).
void* BlockReasonFunction(const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), name));
}

void RegisterBlockReason(HWND window) {
    using Create = BOOL(WINAPI*)(HWND, LPCWSTR);
    if (void* create = BlockReasonFunction("ShutdownBlockReasonCreate"))
        reinterpret_cast<Create>(create)(window, kUnsavedEntryReason);
}

void RemoveBlockReason(HWND window) {
    using Destroy = BOOL(WINAPI*)(HWND);
    if (void* destroy = BlockReasonFunction("ShutdownBlockReasonDestroy"))
        reinterpret_cast<Destroy>(destroy)(window);
}

// The child identifier of the hidden prompt list and the prompt view.
HMENU const kUnaddressedChild = reinterpret_cast<HMENU>(static_cast<INT_PTR>(-1));

void OnCreate(HWND window) {
    Placed = false;
    SessionEnded = false;
    FormProgramFolder();
    FormDataPath(SettingsPath, kSettingsFileName);
    LoadSettings();

    if (ShowStartupScreen == 1)
        DialogBoxParamA(Instance, MAKEINTRESOURCEA(IDD_STARTUP), window, StartupScreenDlgProc, 0);

    FormDataPath(LogPath, kLogFileName);
    FormDataPath(PromptsPath, kPromptsFileName);
    FormDataPath(DatabasePath, kDatabaseFileName);

    if (LogEnabled == 1) LogSessionStart();

    // Cancel in the login posts the quit message; creation still runs to its
    // end and the message loop then stops at once.
    if (AutoLogin == 0)
        DialogBoxParamA(Instance, MAKEINTRESOURCEA(IDD_LOGIN), window, LoginDlgProc, 0);

    if (!PathFileExistsA(DatabasePath)) CreateJournalDatabase();

    if (!PathFileExistsA(PromptsPath)) {
        JoinPath(DefaultPromptsPath, sizeof DefaultPromptsPath, ProgramFolder,
                 kDefaultPromptsFileName);
        CopyFileA(DefaultPromptsPath, PromptsPath, TRUE);
    }

    PromptList = CreateWindowExA(0, "listbox", nullptr, WS_CHILD, 0, 0, 10, 10, window,
                                 kUnaddressedChild, Instance, nullptr);
    LoadPrompts();

    RECT client;
    GetClientRect(window, &client);
    PromptView = CreateWindowExA(0, "edit", nullptr,
                                 WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_READONLY | ES_MULTILINE, 0,
                                 0, client.right - client.left, client.bottom - client.top, window,
                                 kUnaddressedChild, Instance, nullptr);

    SetWindowPos(window, HWND_TOP, WindowLeft, WindowTop, WindowWidth, WindowHeight,
                 SWP_SHOWWINDOW);
    ShowRandomPrompt();
    // A saved place that no screen shows any more (a monitor taken away, or
    // a hand-edited settings file) would hide the window for good: centre
    // it as on a first start.
    if (WindowTop == 0 || MonitorFromWindow(window, MONITOR_DEFAULTTONULL) == nullptr)
        CenterWindow(window);

    HMENU menu = GetMenu(window);
    ExitBitmap = LoadBitmapA(Instance, MAKEINTRESOURCEA(IDB_EXIT));
    SetMenuItemBitmaps(menu, IDM_EXIT, MF_BYCOMMAND, ExitBitmap, ExitBitmap);
    Placed = true;
}

void OnSize(HWND window) {
    RECT client;
    GetClientRect(window, &client);
    SetWindowPos(PromptView, HWND_TOP, 0, 0, client.right, client.bottom, SWP_SHOWWINDOW);
}

// The end of the program's session, once: the log line when logging is on,
// and the window's place kept in the settings.
void EndSession(HWND window) {
    if (SessionEnded) return;
    SessionEnded = true;
    if (LogEnabled == 1) LogSessionEnd();
    RECT outer;
    GetWindowRect(window, &outer);
    WindowLeft = outer.left;
    WindowTop = outer.top;
    WindowWidth = outer.right - outer.left;
    WindowHeight = outer.bottom - outer.top;
    SaveSettings();
}

void OnDestroy(HWND window) {
    EndSession(window);
    DeleteObject(ExitBitmap);
    ExitBitmap = nullptr;
    Placed = false;
    PostQuitMessage(0);
}

bool QuitRequested() {
    MSG quit;
    return PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE) != FALSE;
}

// Windows asks whether the session may end. Only typing not saved in the
// Entries dialog can hold it up; then the dialog asks its own question, and
// Windows is told why the end waits for as long as the question is open.
// Everything else (a login, another dialog) lets it end at once.
BOOL OnQueryEndSession(HWND window) {
    if (!EntriesHoldUnsavedTyping()) return TRUE;
    RegisterBlockReason(window);
    const bool mayEnd = EntriesMayDropTyping();
    RemoveBlockReason(window);
    return mayEnd ? TRUE : FALSE;
}

// The session is ending and the process will be ended without its destroy
// message: the end-of-session work of Exit, and nothing else. A program
// still being set up (its startup screen or first login open), or already
// ending by Cancel at a login, has no session to end, as with that Cancel.
// At the login after a logout the window has its place and the session its
// start line: that session is ended as Exit would end it.
void OnEndSession(HWND window, WPARAM ending) {
    if (ending == FALSE || !Placed || QuitRequested()) return;
    EndSession(window);
}

// The menu and the accelerators give commands only while no modal dialog is
// open (a modal dialog disables the window), but another program can post
// them at any time. They are taken only while the window is enabled, so that
// nothing gets past the login, and not once the program has been asked to
// end (Cancel at the login), when commands posted earlier still wait ahead
// of the quit message.
bool TakesCommands(HWND window) {
    return IsWindowEnabled(window) && !QuitRequested();
}

}  // namespace

ATOM RegisterMainWindowClass(HINSTANCE instance) {
    WNDCLASSA windowClass = {};
    windowClass.style = 0;
    windowClass.lpfnWndProc = MainWndProc;
    windowClass.cbClsExtra = 0;
    windowClass.cbWndExtra = 0;
    windowClass.hInstance = instance;
    windowClass.hIcon = ClassIcon;
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
    windowClass.lpszMenuName = MAKEINTRESOURCEA(IDR_MAIN_MENU);
    windowClass.lpszClassName = kMainClassName;
    return RegisterClassA(&windowClass);
}

LRESULT CALLBACK MainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        OnCreate(window);
        return 0;
    case WM_SIZE:
        OnSize(window);
        return 0;
    case WM_COMMAND:
        if (TakesCommands(window)) DispatchCommand(window, wParam);
        return 0;
    case WM_DESTROY:
        OnDestroy(window);
        return 0;
    // Windows sends these to every top-level window, also while a modal
    // dialog keeps this one disabled.
    case WM_QUERYENDSESSION:
        return OnQueryEndSession(window);
    case WM_ENDSESSION:
        OnEndSession(window, wParam);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

void CenterWindow(HWND window) {
    RECT work;
    RECT outer;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    GetWindowRect(window, &outer);
    const int workWidth = work.right - work.left;
    const int workHeight = work.bottom - work.top;
    const int width = outer.right - outer.left;
    const int height = outer.bottom - outer.top;
    // Signed halving that rounds down, so an oversized window overhangs both
    // edges alike.
    const int x = work.left + ((workWidth - width) >> 1);
    const int y = work.top + ((workHeight - height) >> 1);
    SetWindowPos(window, HWND_TOP, x, y, 0, 0, SWP_NOSIZE);
}
