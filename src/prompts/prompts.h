// Brainstorm prompts: the hidden list that holds them and the picker.
#pragma once

#include <windows.h>

// Hidden, unsorted list box holding the prompts in file order.
extern HWND PromptList;

// Fills PromptList from the prompts file in the data folder.
void LoadPrompts();

// Copies the text of item index of PromptList into prompt (kTextSize
// bytes), as ANSI text with its terminator. Returns false, leaving an empty
// text, when there is no such item or it does not fit.
bool GetPromptText(WPARAM index, char* prompt);

// Empties PromptList and fills it again from the prompts file, then shows a
// new prompt: one that differs from the prompt shown until now when the file
// holds another.
void ReloadPrompts();

// Shows a random prompt in PromptView, never the one shown last.
void ShowRandomPrompt();

INT_PTR CALLBACK EditPromptsDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
