// The program's message boxes: see message_box.h.
#include "shell/message_box.h"

#include <string>

#include "journal/codepage.h"
#include "shell/shell.h"

int ShowMessage(HWND owner, const char* caption, std::string_view text, UINT flags) {
    const std::u16string wideText = Utf16FromUtf8(text);
    std::u16string wideCaption;
    if (caption != nullptr) wideCaption = Utf16FromUtf8(caption);
    return MessageBoxW(
        owner, reinterpret_cast<const WCHAR*>(wideText.c_str()),
        caption != nullptr ? reinterpret_cast<const WCHAR*>(wideCaption.c_str()) : nullptr, flags);
}

void ShowFileError(const char* text) {
    ShowMessage(MainWindow, kUnexpectedErrorCaption, text, MB_SYSTEMMODAL | MB_ICONERROR);
}
