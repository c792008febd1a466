// The application shell: program-wide handles, the folder and file paths,
// the main window and the command dispatch.
#pragma once

#include <windows.h>

#include "journal/text.h"

// Set at start-up; null until the main window's creation call has returned.
extern HINSTANCE Instance;
extern HWND MainWindow;
extern HICON ClassIcon;

// Folder and file paths, fixed once while the main window is created.
extern char ProgramFolder[kTextSize];
extern char DataFolder[kTextSize];
extern char SettingsPath[kTextSize];
extern char LogPath[kTextSize];
extern char PromptsPath[kTextSize];
extern char DatabasePath[kTextSize];
extern char DefaultPromptsPath[kTextSize];

// ProgramFolder := the current directory. The paths are ANSI: a folder whose
// path the code page cannot hold is named by its short form; where it has
// none, a box says why Larkmoor cannot use the folder and the program ends.
void FormProgramFolder();
// DataFolder := "larkmoor" under the user's application-data folder, looked
// up with the shell (owner MainWindow) and created; an existing folder is
// fine. Ends the program as FormProgramFolder does.
void FormDataFolder();
// Looks the data folder up again, then path := DataFolder followed directly
// by name (kTextSize bytes).
void FormDataPath(char* path, const char* name);

// The read-only edit control that shows the current prompt.
extern HWND PromptView;

constexpr const char kMainClassName[] = "larkmoorclass";
constexpr const char kMainWindowTitle[] = "Larkmoor";
constexpr const char kMutexName[] = "LarkmoorIsRunning";

// Registers the main window class with the given instance and the icon in
// ClassIcon. Returns the class atom, 0 on failure.
ATOM RegisterMainWindowClass(HINSTANCE instance);

LRESULT CALLBACK MainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Moves the window to the middle of the desktop work area, keeping its size.
void CenterWindow(HWND window);

// Runs the menu or accelerator command in the low word of wParam.
void DispatchCommand(HWND window, WPARAM wParam);

// Startup screen and About box.
INT_PTR CALLBACK StartupScreenDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK AboutDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Opens the help file of the program folder with its associated viewer.
void OpenHelpFile(HWND owner);

// A shell open counts as failed when its result, taken unsigned, is 32 or less.
inline bool ShellOpenFailed(HINSTANCE result) {
    return reinterpret_cast<UINT_PTR>(result) <= 32;
}
