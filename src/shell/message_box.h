// The program's message boxes. One routine shows them all, in UTF-16, so that
// a message can name any character the user typed, whatever the code page.
#pragma once

#include <windows.h>

#include <string_view>

// Captions that several parts of the program share.
constexpr const char kNoticeCaption[] = "Notice";
constexpr const char kUnexpectedErrorCaption[] = "An unexpected error has occurred!";
constexpr const char kLarkmoorNoticeCaption[] = "Larkmoor Notice";

// Shows a message box owned by owner and returns the button pressed, as
// MessageBox does. caption and text are UTF-8 (the program's own texts are
// plain ASCII); a null caption gives the system's "Error".
int ShowMessage(HWND owner, const char* caption, std::string_view text, UINT flags);

// A program file that cannot be read or written: the system-modal error box
// with the caption "An unexpected error has occurred!", owned by MainWindow
// (no owner while the main window is being created).
void ShowFileError(const char* text);
