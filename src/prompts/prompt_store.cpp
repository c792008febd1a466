// The prompt store: the hidden list box that holds the prompts in file order,
// filled from the prompts file in the data folder.
#include <cstdio>
#include <cstring>

#include "prompts/prompt_file.h"
#include "prompts/prompts.h"
#include "prompts/random.h"
#include "shell/ansi_text.h"
#include "shell/message_box.h"
#include "shell/shell.h"

HWND PromptList;

namespace {

constexpr const char kPromptsReadError[] = "Program quotes read error!";

// Items that the list box cannot add are skipped without a message.
void AddToPromptList(const char* prompt, void*) {
    SendMessageA(PromptList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(prompt));
}

// Index of the first item whose text is exactly text (case counts), or -1.
LRESULT FindPrompt(const char* text) {
    const LRESULT count = SendMessageA(PromptList, LB_GETCOUNT, 0, 0);
    char item[kTextSize];
    for (LRESULT index = 0; index < count; ++index) {
        if (GetPromptText(static_cast<WPARAM>(index), item) && std::strcmp(item, text) == 0)
            return index;
    }
    return -1;
}

}  // namespace

void LoadPrompts() {
    // Text mode: the C runtime reads CR LF as LF and stops at Ctrl+Z.
    std::FILE* file = std::fopen(PromptsPath, "rt");
    if (file == nullptr) {
        ShowFileError(kPromptsReadError);
        return;
    }
    ReadPrompts(file, LineEnds::Translated, AddToPromptList, nullptr);
    std::fclose(file);
}

bool GetPromptText(WPARAM index, char* prompt) {
    // The item is fetched in UTF-16 and turned into ANSI here. Wine's own
    // conversion for an ANSI LB_GETTEXT goes through a fixed buffer of 512
    // characters and crashes on a longer item, while prompts run to 779.
    ClearText(prompt, kTextSize);
    const LRESULT length = SendMessageW(PromptList, LB_GETTEXTLEN, index, 0);
    if (length < 0 || length >= static_cast<LRESULT>(kTextSize)) return false;
    WCHAR wide[kTextSize];
    const LRESULT got = SendMessageW(PromptList, LB_GETTEXT, index, reinterpret_cast<LPARAM>(wide));
    if (got < 0 || got > length) return false;
    const TypedText text = ConvertToAnsi(std::u16string_view(
        reinterpret_cast<const char16_t*>(wide), static_cast<std::size_t>(got)));
    if (!text.refused.empty() || text.bytes.size() >= kTextSize) return false;
    std::memcpy(prompt, text.bytes.data(), text.bytes.size());
    return true;
}

void ReloadPrompts() {
    // The prompt on show, looked up in the new list below, so that the next
    // pick avoids it wherever it now stands. A prompt no longer in the file
    // cannot come again anyway, and LastPromptIndex then stays as it was.
    char shown[kTextSize];
    ClearText(shown, sizeof shown);
    const ControlText view = ReadControlText(PromptView);
    if (view.ansi.refused.empty()) CopyAnsiText(view.ansi.bytes, shown, sizeof shown);

    SendMessageA(PromptList, LB_RESETCONTENT, 0, 0);
    LoadPrompts();

    const LRESULT index = FindPrompt(shown);
    if (index >= 0) LastPromptIndex = static_cast<std::uint32_t>(index);
    ShowRandomPrompt();
}
