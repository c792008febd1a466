// Placeholder until the prompt store is built.
#include "prompts/prompts.h"

HWND PromptList;

void LoadPrompts() {}
void ShowRandomPrompt() {}
