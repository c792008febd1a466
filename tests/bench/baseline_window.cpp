// Bare start-up baseline: the least any program with a window does before the
// user sees it. It registers a window class, creates a window with a
// read-only multi-line edit child filling it, shows it, puts one line of text
// into the edit and runs the message loop (baseline_window.h). Built twice:
// as it is, and with the program's manifest alone (baseline_window_v6.rc).
// The start-up floor (baseline_floor.cpp) adds the work Larkmoor cannot leave
// out. Built with the same toolchain and options as the program; the
// benchmark times it from process start to the text being there, exactly as
// it times the program.
#include "bench/baseline_window.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    return RunBaselineWindow(instance, kBaselineWindowClass, "Baseline", kSavedLeft, kSavedTop,
                             BaselineWndProc);
}
