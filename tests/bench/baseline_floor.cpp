// Start-up floor: the least a program must do to start as Larkmoor is
// required to start, without any of Larkmoor's own work. The benchmark times
// it from process start to its text showing, exactly as it times the program,
// and holds the program's start-up within 1.1x of it.
//
// What it carries, each because no way of writing the program could skip it:
// - The program's resources, linked from its own resource script: the same
//   manifest, so the version 6 common controls load for its windows, and the
//   class menu IDR_MAIN_MENU, which the system loads from the resource and
//   builds while the window is created, and draws as its menu bar.
// - The class icon IDI_MAIN, loaded by LoadIconA from the same resource and
//   registered with the class, as the program's class must have it. Under
//   Wine it is the dearest single piece of start-up: the program started in
//   a median 148 ms with its icon and 114 ms without.
// - The same imports. The data folder is looked up through the shell before
//   the window shows, so shell32 (and shlwapi, which joins the folder's name)
//   loads with the program before WinMain. The floor looks it up once, while
//   its window is created, through the program's own routine (FormDataFolder,
//   src/shell/folders.cpp), which also creates the folder if it is missing.
// - The main window created hidden, then placed at its saved position and
//   size and shown by one SetWindowPos from a saved record, as the program
//   places it from its settings (the same place: bench_ids.h).
// - A read-only multi-line edit filling the client area, one line of text put
//   in, the window updated and the message loop running.
//
// What it leaves to the program, whose cost the ratio measures: the
// single-instance mutex, the accelerator table, the program folder,
// the further lookups of the data folder, the settings file, the session-start
// log line, the checks for the database and the prompts file, the hidden
// prompt list and its fill, the random pick, the Exit item's bitmap.
#include "bench/baseline_window.h"
#include "resource.h"
#include "shell/shell.h"

// The main window, as the program's: null while the window is created. The
// shell's routines linked here name it as the owner of their boxes.
HWND MainWindow;

namespace {

HINSTANCE FloorInstance;

// The saved place, read from its record as the program reads its settings.
struct SavedPlace {
    int left, top, width, height;
};
constexpr SavedPlace kPlace = {kSavedLeft, kSavedTop, kSavedWidth, kSavedHeight};

// Creation does the floor's work, in the program's order: the data folder,
// the edit, the window placed and shown, the text.
LRESULT CALLBACK FloorWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_CREATE) return BaselineWndProc(window, message, wParam, lParam);
    FormDataFolder();
    CreateTextView(window, FloorInstance);
    SetWindowPos(window, HWND_TOP, kPlace.left, kPlace.top, kPlace.width, kPlace.height,
                 SWP_SHOWWINDOW);
    SetWindowTextA(TextView, kBaselineLine);
    return 0;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    FloorInstance = instance;
    if (RegisterBaselineClass(instance, kBaselineFloorClass, FloorWndProc,
                              MAKEINTRESOURCEA(IDR_MAIN_MENU),
                              LoadIconA(instance, MAKEINTRESOURCEA(IDI_MAIN))) == 0)
        return 1;
    HWND window = CreateWindowExA(0, kBaselineFloorClass, kMainWindowTitle, WS_OVERLAPPEDWINDOW,
                                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                  nullptr, nullptr, instance, nullptr);
    if (window == nullptr) return 1;
    MainWindow = window;
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);
    return RunMessageLoop();
}
