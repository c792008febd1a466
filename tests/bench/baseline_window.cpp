// Start-up baseline: the least a program of Larkmoor's kind does before the
// user sees it. It registers a window class, creates a window with a
// read-only multi-line edit child filling it, shows it, puts one line of text
// into the edit and runs the message loop (baseline_window.h). Built with the
// same toolchain and options as the program; the benchmark times it from
// process start to the text being there, exactly as it times the program.
#include "bench/baseline_window.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    return RunBaselineWindow(instance, kBaselineWindowClass, "Baseline", 50, 40, BaselineWndProc);
}
