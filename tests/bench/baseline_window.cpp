// Start-up baseline: the least a program of Larkmoor's kind does before the
// user sees it. It registers a window class, creates a window with a
// read-only multi-line edit child filling it, shows it, puts one line of text
// into the edit and runs the message loop. Built with the same toolchain and
// options as the program; the benchmark times it from process start to the
// text being there, exactly as it times the program.
#include <windows.h>

#include "bench/bench_ids.h"

namespace {

HWND TextView;

LRESULT CALLBACK BaselineWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SIZE: {
        RECT client;
        GetClientRect(window, &client);
        SetWindowPos(TextView, HWND_TOP, 0, 0, client.right, client.bottom, SWP_SHOWWINDOW);
        return 0;
    }
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = BaselineWndProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
    windowClass.lpszClassName = kBaselineWindowClass;
    if (RegisterClassA(&windowClass) == 0) return 1;

    HWND window = CreateWindowExA(0, kBaselineWindowClass, "Baseline", WS_OVERLAPPEDWINDOW, 50, 40,
                                  480, 360, nullptr, nullptr, instance, nullptr);
    if (window == nullptr) return 1;
    RECT client;
    GetClientRect(window, &client);
    TextView = CreateWindowExA(0, "edit", nullptr,
                               WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_READONLY | ES_MULTILINE, 0, 0,
                               client.right, client.bottom, window, nullptr, instance, nullptr);
    ShowWindow(window, SW_SHOW);
    SetWindowTextA(TextView, kBaselineLine);
    UpdateWindow(window);

    MSG message = {};
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return static_cast<int>(message.wParam);
}
