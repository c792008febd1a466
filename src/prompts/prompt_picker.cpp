// The prompt picker: shows a random prompt from the hidden list in the main
// window's prompt area, never the same item twice in a row.
#include "prompts/prompts.h"
#include "prompts/random.h"
#include "shell/shell.h"

void ShowRandomPrompt() {
    const LRESULT count = SendMessageA(PromptList, LB_GETCOUNT, 0, 0);
    const std::uint32_t index =
        PickPromptIndex(count > 0 ? static_cast<std::uint32_t>(count) : 0, GetTickCount());

    // No prompt at all leaves the prompt area empty.
    char prompt[kTextSize];
    ClearText(prompt, sizeof prompt);
    if (index != kNoPromptIndex) GetPromptText(index, prompt);
    SendMessageA(PromptView, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(prompt));
}
