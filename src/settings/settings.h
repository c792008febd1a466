// Settings, login and password: the Win32 side.
#pragma once

#include <windows.h>

#include "settings/settings_file.h"

// Loads the record from the settings file (LoadSettingsFrom): a missing file
// gets the settings of a first start, which are saved at once; a file that
// cannot be read gets the initial password with automatic login off.
void LoadSettings();

// Writes the whole record to the settings file. The file is written beside
// the old one and then put in its place, so a failure in the middle keeps
// the previous settings. A failure shows "Preferences file write error!"
// and returns false.
bool SaveSettings();

INT_PTR CALLBACK PreferencesDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK LoginDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK ChangePasswordDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
