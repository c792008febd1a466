// The journal's Win32 side: the Entries dialog and the database routines
// that report their failures in message boxes and fill the dialog's controls.
#pragma once

#include <windows.h>

#include "journal/journal_store.h"

enum class EntryMode { None, Add, Search, Browse };

// Which mode the Entries dialog is opened in; None while it is closed.
extern EntryMode EntriesMode;

INT_PTR CALLBACK EntriesDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// For the end of the Windows session. True while the open Entries dialog
// holds typing not saved yet (or is asking about it), the test its close
// question uses.
bool EntriesHoldUnsavedTyping();
// Asks the dialog's own unsaved-typing question when there is such typing.
// True when nothing is unsaved, the user chose not to save it, or chose to
// and it was saved; false after Cancel or a refused save (the typing stays).
bool EntriesMayDropTyping();

// Creates the journal table in a new database file; says so when it cannot.
void CreateJournalDatabase();

// Compacts the database file. Returns true only when the compaction itself
// succeeded; otherwise it has shown "Compact database error!".
bool CompactJournalDatabase();

// The writes of the Entries dialog. When the file cannot be opened they show
// their own message (owned by the main window) and return OpenFailed; every
// other outcome is returned for the dialog to report.
StoreResult InsertEntry(const char* date, const char* quotedSubject, const char* quotedEntry);
StoreResult UpdateEntry(int record, const char* date, const char* quotedSubject,
                        const char* quotedEntry);
StoreResult DeleteEntry(int record);

// Add the subjects of every record (or of the records that match the quoted
// search text) to the dialog's subject list, each line carrying its record
// number as item data. A failed query is reported once, owned by the dialog;
// the result is false then.
bool ListSubjects(HWND dialog);
bool SearchSubjects(HWND dialog, const char* quotedSearch);

// Fills the record number, date, subject and entry fields with the record of
// that number. A record that cannot be read, or is gone, is reported.
bool ShowEntryByNumber(HWND dialog, int record);
