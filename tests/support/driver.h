// End-to-end test support: starts the real larkmoor.exe as its own process
// and drives it from this one through its windows, as a user would.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "support/files.h"

// The folder holding larkmoor.exe and the files shipped beside it.
std::string ProgramFolderPath();
// Top-level dialog windows (class #32770) of a process, with their captions.
struct DialogWindow {
    HWND window;
    std::string caption;
};
std::vector<DialogWindow> ProcessDialogs(DWORD processId);

std::string TextOf(HWND window);
// Another process's window text read in UTF-16, as UTF-8, and the reverse:
// text as the user types it, whatever the code page of either process.
std::string TextUtf8(HWND window);
void SetTextUtf8(HWND window, const std::string& text);
// The text of a message box (its static text control), in UTF-8.
std::string MessageBoxText(HWND box);
// Posts the command a click on the button would send, without waiting.
void PostClick(HWND dialog, int id);
// Posts a menu or accelerator command to the main window, without waiting.
void PostCommand(HWND window, int id);
// Presses the keys as the keyboard would (for accelerators): the window is
// brought to the front and the keys go down in order and up in reverse.
void PressKeys(HWND window, const std::vector<WORD>& keys);

// One run of the real program.
class Larkmoor {
public:
    ~Larkmoor();
    // Starts larkmoor.exe with workingFolder (UTF-8) as its current folder
    // (the program folder when empty).
    bool Start(const std::string& workingFolder = std::string());
    // The visible main window of this process, or null after the timeout.
    HWND WaitMainWindow(DWORD timeoutMs = 20000);
    // A dialog of this process with exactly this caption, or null.
    HWND WaitDialog(const std::string& caption, DWORD timeoutMs = 10000);
    // Waits until the process ends; true with its exit code, false on timeout.
    bool WaitExit(DWORD* exitCode, DWORD timeoutMs = 20000);
    void Kill();
    DWORD ProcessId() const { return info_.dwProcessId; }
    HANDLE Process() const { return info_.hProcess; }

private:
    PROCESS_INFORMATION info_ = {};
};
