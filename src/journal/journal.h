// The journal: database routines used by the shell and the Entries dialog.
#pragma once

#include <windows.h>

enum class EntryMode { None, Add, Search, Browse };

// Which mode the Entries dialog is opened in; None while it is closed.
extern EntryMode EntriesMode;

INT_PTR CALLBACK EntriesDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Creates the journal table in a new database file.
void CreateJournalDatabase();

// Compacts the database file. Returns true when the compaction ran.
bool CompactJournalDatabase();
