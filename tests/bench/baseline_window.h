// The start-up baselines' main window (baseline_window.cpp,
// baseline_floor.cpp), which the dialog baseline (baseline_list.cpp) also
// shows: a window class, a window with a read-only multi-line edit child
// filling it, shown, one line of text put into the edit, and the message
// loop.
#pragma once

#include <windows.h>

#include "bench/bench_ids.h"

inline HWND TextView;

// Keeps the edit filling the window and ends the loop with the window.
inline LRESULT CALLBACK BaselineWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
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

// Registers the class with this procedure, class menu and class icon (none
// when null), as the program registers its own; the class atom, 0 on failure.
inline ATOM RegisterBaselineClass(HINSTANCE instance, const char* className, WNDPROC procedure,
                                  const char* menu = nullptr, HICON icon = nullptr) {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = instance;
    windowClass.hIcon = icon;
    windowClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
    windowClass.lpszMenuName = menu;
    windowClass.lpszClassName = className;
    return RegisterClassA(&windowClass);
}

// Creates the read-only multi-line edit filling the window's client area.
inline void CreateTextView(HWND window, HINSTANCE instance) {
    RECT client;
    GetClientRect(window, &client);
    TextView = CreateWindowExA(0, "edit", nullptr,
                               WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_READONLY | ES_MULTILINE, 0, 0,
                               client.right, client.bottom, window, nullptr, instance, nullptr);
}

// Runs the message loop until the quit message; its code.
inline int RunMessageLoop() {
    MSG message = {};
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return static_cast<int>(message.wParam);
}

// Registers the class with this procedure, shows the window at left, top
// (the saved size) and runs the loop; the exit code.
inline int RunBaselineWindow(HINSTANCE instance, const char* className, const char* title,
                             int left, int top, WNDPROC procedure) {
    if (RegisterBaselineClass(instance, className, procedure) == 0) return 1;
    HWND window = CreateWindowExA(0, className, title, WS_OVERLAPPEDWINDOW, left, top, kSavedWidth,
                                  kSavedHeight, nullptr, nullptr, instance, nullptr);
    if (window == nullptr) return 1;
    CreateTextView(window, instance);
    ShowWindow(window, SW_SHOW);
    SetWindowTextA(TextView, kBaselineLine);
    UpdateWindow(window);
    return RunMessageLoop();
}
