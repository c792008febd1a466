// Larkmoor's entry point: registers the window class, turns a second copy
// away, creates the main window and runs the one message loop.
#include "resource.h"
#include "shell/message_box.h"
#include "shell/shell.h"

namespace {

constexpr const char kStartupFailed[] = "Larkmoor startup failed!";
constexpr const char kAlreadyRunning[] = "An instance of this program is already running.";

[[noreturn]] void FailStartup() {
    // No caption: the system's "Error".
    ShowMessage(nullptr, nullptr, kStartupFailed, MB_ICONERROR);
    ExitProcess(0);
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    MSG message = {};

    Instance = GetModuleHandleA(nullptr);
    ClassIcon = LoadIconA(Instance, MAKEINTRESOURCEA(IDI_MAIN));
    if (RegisterMainWindowClass(Instance) == 0) FailStartup();

    // The mutex is never released: this instance holds it until it ends.
    CreateMutexA(nullptr, TRUE, kMutexName);
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        ShowMessage(nullptr, kLarkmoorNoticeCaption, kAlreadyRunning,
                    MB_SYSTEMMODAL | MB_ICONINFORMATION);
        HWND running = FindWindowA(kMainClassName, nullptr);
        ShowWindow(running, SW_RESTORE);
        SetForegroundWindow(running);
        ExitProcess(0);
    }

    HACCEL accelerators = LoadAcceleratorsA(Instance, MAKEINTRESOURCEA(IDR_ACCELERATORS));

    // The creation message shows the window itself, at its saved place.
    HWND window = CreateWindowExA(0, kMainClassName, kMainWindowTitle, WS_OVERLAPPEDWINDOW,
                                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                  nullptr, nullptr, Instance, nullptr);
    if (window == nullptr) FailStartup();
    MainWindow = window;
    ShowWindow(MainWindow, SW_SHOW);
    UpdateWindow(MainWindow);

    while (GetMessageA(&message, nullptr, 0, 0) != 0) {
        if (TranslateAcceleratorA(MainWindow, accelerators, &message) != 0) continue;
        // Key-down messages are never translated, so typed characters never
        // reach the read-only prompt view.
        if (message.message != WM_KEYDOWN) TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    ExitProcess(static_cast<UINT>(message.wParam));
}
