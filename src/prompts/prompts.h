// Brainstorm prompts: the hidden list that holds them and the picker.
#pragma once

#include <windows.h>

// Hidden, unsorted list box holding the prompts in file order.
extern HWND PromptList;

// Fills PromptList from the prompts file in the data folder.
void LoadPrompts();

// Shows a random prompt in PromptView, never the one shown last.
void ShowRandomPrompt();

INT_PTR CALLBACK EditPromptsDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
