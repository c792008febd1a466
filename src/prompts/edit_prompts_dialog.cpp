// The Edit Brainstorm Prompts dialog: the whole prompts file in one
// multi-line field. OK writes the file and reads the prompts again; Cancel,
// Escape and the close box leave the file and the prompts as they were.
#include <shlwapi.h>

#include <cstdio>
#include <new>
#include <string>

#include "journal/refused_text.h"
#include "prompts/prompt_file.h"
#include "prompts/prompts.h"
#include "resource.h"
#include "shell/ansi_text.h"
#include "shell/message_box.h"
#include "shell/replace_file.h"
#include "shell/shell.h"

namespace {

// A larger file is refused rather than loaded into the field.
constexpr long kMaxEditedFileSize = 16L * 1024 * 1024;

constexpr const char kTooLarge[] = "The prompts file is too large to edit here (more than 16 MB):";
constexpr const char kNotRead[] = "The prompts file could not be read:";
constexpr const char kNotSaved[] =
    "The prompts could not be saved. The file is unchanged and your text is still in the "
    "dialog. The file to be replaced:";
constexpr const char kNoMemory[] = "There is not enough memory to edit the prompts.";

// True while the field takes the file's text.
bool Loading = false;

enum class FileRead { Read, Missing, TooLarge, Failed };

FileRead ReadPromptsFile(std::string* bytes) {
    if (!PathFileExistsA(PromptsPath)) return FileRead::Missing;
    std::FILE* file = std::fopen(PromptsPath, "rb");
    if (file == nullptr) return FileRead::Failed;
    FileRead result = FileRead::Read;
    char chunk[4096];
    std::size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
        if (bytes->size() + got > static_cast<std::size_t>(kMaxEditedFileSize)) {
            result = FileRead::TooLarge;
            break;
        }
        bytes->append(chunk, got);
    }
    if (result == FileRead::Read && std::ferror(file)) result = FileRead::Failed;
    std::fclose(file);
    return result;
}

bool WriteBytes(std::FILE* file, void* context) {
    const std::string& bytes = *static_cast<const std::string*>(context);
    return std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
}

// Writes the new prompts file: a new file, flushed to the disk, replaces the
// old one in a single move, so that a failure part-way leaves the old file
// whole. A read-only prompts file is left as it is.
bool WritePromptsFile(std::string* bytes) {
    return ReplaceFileContents(PromptsPath, WriteBytes, bytes);
}

std::string FieldText(HWND field) {
    const int length = GetWindowTextLengthA(field);
    std::string text(static_cast<std::size_t>(length > 0 ? length : 0) + 1, '\0');
    const int got = GetWindowTextA(field, &text[0], length + 1);
    text.resize(static_cast<std::size_t>(got > 0 ? got : 0));
    return text;
}

void ShowCount(HWND dialog, std::size_t count) {
    char label[64];
    std::snprintf(label, sizeof label, count == 1 ? "%lu prompt" : "%lu prompts",
                  static_cast<unsigned long>(count));
    SetDlgItemTextA(dialog, IDC_PROMPTS_COUNT, label);
}

void ShowPromptCount(HWND dialog) {
    const std::string text = FieldText(GetDlgItem(dialog, IDC_PROMPTS_TEXT));
    ShowCount(dialog, CountPrompts(text.data(), text.size()));
}

void ShowFileMessage(HWND owner, const char* what) {
    char text[4 * kTextSize];
    std::snprintf(text, sizeof text, "%s\n\n%s", what, Utf8FromAnsi(PromptsPath).c_str());
    ShowMessage(owner, kNoticeCaption, text, MB_ICONEXCLAMATION);
}

// Fills the field from the prompts file. A missing file gives an empty field
// (saving creates it); a file that cannot be read or is too large ends the
// dialog, since saving would replace it with less than it holds.
void OnInitDialog(HWND dialog) {
    HWND field = GetDlgItem(dialog, IDC_PROMPTS_TEXT);
    std::string bytes;
    switch (ReadPromptsFile(&bytes)) {
    case FileRead::Read:
    case FileRead::Missing:
        break;
    case FileRead::TooLarge:
        ShowFileMessage(dialog, kTooLarge);
        EndDialog(dialog, 0);
        return;
    case FileRead::Failed:
        ShowFileMessage(dialog, kNotRead);
        EndDialog(dialog, 0);
        return;
    }
    // No limit beyond the system's own on what may be typed in: the default
    // would stop the user at 32 KB, less than a long prompts file holds.
    SendMessageA(field, EM_SETLIMITTEXT, 0, 0);
    // The text goes into the empty field as one replacement, with drawing
    // held back until it is all in: the field then lays each line out once
    // (setting the window text lays a long line out twice). Its change
    // notice is not answered: the count comes from the text at hand.
    const std::string text = ToEditText(bytes.data(), bytes.size());
    Loading = true;
    SendMessageA(field, WM_SETREDRAW, FALSE, 0);
    SendMessageA(field, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
    // Caret at the start with nothing selected, so that a first key press
    // cannot replace the whole file.
    SendMessageA(field, EM_SETSEL, 0, 0);
    SendMessageA(field, EM_SCROLLCARET, 0, 0);
    SendMessageA(field, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(field, nullptr, TRUE);
    Loading = false;
    ShowCount(dialog, CountPrompts(text.data(), text.size()));
    SetFocus(field);
}

void OnOk(HWND dialog) {
    HWND field = GetDlgItem(dialog, IDC_PROMPTS_TEXT);
    ControlText text = ReadControlText(field);
    if (!text.ansi.refused.empty()) {
        // Nothing is saved; the first character at fault is selected.
        const std::size_t position = FindFirstOf(text.typed, text.ansi.refused);
        ShowMessage(dialog, kNoticeCaption,
                    PromptsOutsideCharacterSetMessage(text.typed, text.ansi.refused),
                    MB_ICONEXCLAMATION);
        SetFocus(field);
        SendMessageW(field, EM_SETSEL, position, position + 1);
        SendMessageW(field, EM_SCROLLCARET, 0, 0);
        return;
    }
    if (!WritePromptsFile(&text.ansi.bytes)) {
        ShowFileMessage(dialog, kNotSaved);
        SetFocus(field);
        return;
    }
    EndDialog(dialog, 0);
    ReloadPrompts();
}

INT_PTR HandleMessage(HWND dialog, UINT message, WPARAM wParam) {
    switch (message) {
    case WM_INITDIALOG:
        OnInitDialog(dialog);
        return FALSE;  // the focus is set
    case WM_COMMAND:
        switch (wParam) {
        case IDOK:
            OnOk(dialog);
            return TRUE;
        case IDCANCEL:
            EndDialog(dialog, 0);
            return TRUE;
        case MAKEWPARAM(IDC_PROMPTS_TEXT, EN_CHANGE):
            if (!Loading) ShowPromptCount(dialog);
            return TRUE;
        }
        return FALSE;
    case WM_CLOSE:
        EndDialog(dialog, 0);
        return TRUE;
    }
    return FALSE;
}

}  // namespace

INT_PTR CALLBACK EditPromptsDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    // Running out of memory for a large file must not throw through the
    // system's dialog code. Past the start the dialog stays open, keeping
    // the user's text.
    try {
        return HandleMessage(dialog, message, wParam);
    } catch (const std::bad_alloc&) {
        ShowMessage(dialog, kNoticeCaption, kNoMemory, MB_ICONEXCLAMATION);
        if (message == WM_INITDIALOG) EndDialog(dialog, 0);
        return TRUE;
    }
}
