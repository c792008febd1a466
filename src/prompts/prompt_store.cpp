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

// Reserves the list's storage for the prompts of the file at once, so that a
// long file does not make the list grow its storage some thousands of times.
// The count is an upper bound, taken from a quick first pass over the file's
// bytes: one prompt a line, and one more for each full read of a long line.
// The pass reads the file in binary mode, which for a file of 100,000 prompts
// takes a few milliseconds less than the runtime's text mode: it gives a line
// feed for each line feed byte, and a Ctrl+Z only ends the text sooner.
void ReservePromptList() {
    std::FILE* file = std::fopen(PromptsPath, "rb");
    if (file == nullptr) return;
    std::size_t lineFeeds = 0;
    std::size_t characters = 0;
    char chunk[65536];
    std::size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
        characters += got;
        for (std::size_t i = 0; i < got; ++i) lineFeeds += chunk[i] == '\n';
    }
    std::fclose(file);
    const std::size_t prompts = lineFeeds + 1 + characters / kPromptReadSize;
    SendMessageA(PromptList, LB_INITSTORAGE, prompts, static_cast<LPARAM>(characters + prompts));
}

}  // namespace

void LoadPrompts() {
    // Text mode: the C runtime reads CR LF as LF and stops at Ctrl+Z.
    std::FILE* file = std::fopen(PromptsPath, "rt");
    if (file == nullptr) {
        ShowFileError(kPromptsReadError);
        return;
    }
    // The list is never shown; with its drawing held it also skips keeping
    // its scroll range up to date at every line.
    SendMessageA(PromptList, WM_SETREDRAW, FALSE, 0);
    ReservePromptList();
    ReadPrompts(file, LineEnds::Translated, AddToPromptList, nullptr);
    SendMessageA(PromptList, WM_SETREDRAW, TRUE, 0);
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
