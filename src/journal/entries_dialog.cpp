// The Entries dialog: one modal dialog, opened in one of three modes, through
// which journal entries are written (Add), found by a piece of their subject
// (Search), walked through (Browse), changed and deleted. It reaches the
// database only through the journal routines and keeps the user's typing
// whenever a write does not succeed.
#include <windows.h>

#include <cstring>

#include "journal/clock.h"
#include "journal/entry_rules.h"
#include "journal/journal.h"
#include "journal/refused_text.h"
#include "journal/text.h"
#include "resource.h"
#include "shell/ansi_text.h"
#include "shell/message_box.h"

EntryMode EntriesMode = EntryMode::None;

namespace {

// 1 while Save rewrites the record shown (Search and Browse), 0 in Add.
int SaveUpdates = 0;

// The subject and entry fields as they were last filled from the journal or
// emptied. Text that differs from them is typing not saved yet.
std::u16string ShownSubject;
std::u16string ShownEntry;
// True while the user is asked whether to save that typing.
bool Asking = false;
// The Entries dialog while it is open, for the main window's questions when
// Windows ends the session; null otherwise.
HWND OpenEntries = nullptr;

// Work buffers, reused at every use. The quoted forms have room for texts
// made of single quotes only, so nothing is ever stored cut.
char SearchText[kTextSize];
char QuotedSearchText[kQuotedTextSize];
char DateText[kTextSize];
char SubjectText[kTextSize];
char QuotedSubject[kQuotedTextSize];
char EntryText[kEntrySize];
char ScrambledEntry[kEntrySize];
char QuotedScrambledEntry[kQuotedEntrySize];
char Timestamp[kTimestampSize];

constexpr const char kDataEntryErrorCaption[] = "Data Entry Error";
constexpr const char kConfirmDeletionCaption[] = "Confirm Deletion";
constexpr const char kUnsavedChangesCaption[] = "Unsaved Changes";

constexpr const char kSearchTooShort[] = "Search string must be at least 3 characters.";
constexpr const char kConfirmDeletion[] = "Are you sure?";
constexpr const char kUnsavedChanges[] =
    "The changes to this entry are not saved. Do you want to save them?";
constexpr const char kNoEntrySelected[] =
    "No entry is selected to change, so nothing was saved. Select an entry in the list to "
    "change it; to write a new entry, use Add.";
constexpr const char kNotSaved[] =
    "The entry was not saved: the journal database could not be written (it may be locked "
    "by another program, damaged or full). Your subject and text are kept.";
constexpr const char kNotSavedRecordGone[] =
    "The entry was not saved: its record is no longer in the journal (another program may "
    "have deleted it). Your subject and text are kept; Add can store them as a new entry.";
constexpr const char kNotDeleted[] =
    "The entry was not deleted: the journal database could not be written (it may be locked "
    "by another program, damaged or full).";
constexpr const char kNotDeletedRecordGone[] =
    "The entry was not deleted: its record is no longer in the journal (another program may "
    "have deleted it).";

void Warn(HWND dialog, std::string_view text, const char* caption) {
    ShowMessage(dialog, caption, text, MB_ICONWARNING);
}

// Puts the focus on a field and selects the character of its text at
// position (in UTF-16 units), so the user sees what to change.
void ShowCharacter(HWND dialog, int id, std::size_t position) {
    HWND field = GetDlgItem(dialog, id);
    SendMessageW(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(field), TRUE);
    SendMessageW(field, EM_SETSEL, position, position + 1);
    SendMessageW(field, EM_SCROLLCARET, 0, 0);
}

// True when the field's text can be kept as typed; otherwise the user has
// been told which characters this computer's code page cannot hold.
bool Representable(HWND dialog, int id, const ControlText& text, const char* field) {
    if (text.ansi.refused.empty()) return true;
    Warn(dialog, FieldOutsideCharacterSetMessage(field, text.ansi.refused), kDataEntryErrorCaption);
    ShowCharacter(dialog, id, FindFirstOf(text.typed, text.ansi.refused));
    return false;
}

HWND SubjectList(HWND dialog) {
    return GetDlgItem(dialog, IDC_SUBJECT_LIST);
}

void RememberShownText(HWND dialog) {
    ShownSubject = ReadTypedText(GetDlgItem(dialog, IDC_SUBJECT));
    ShownEntry = ReadTypedText(GetDlgItem(dialog, IDC_ENTRY_TEXT));
}

// The fields are empty: nothing is shown, and nothing needs reading back.
void ForgetShownText() {
    ShownSubject.clear();
    ShownEntry.clear();
}

// The record number and the date are the program's own; only the subject and
// the entry hold the user's typing.
bool UnsavedTyping(HWND dialog) {
    return ReadTypedText(GetDlgItem(dialog, IDC_SUBJECT)) != ShownSubject ||
           ReadTypedText(GetDlgItem(dialog, IDC_ENTRY_TEXT)) != ShownEntry;
}

void EmptyFields(HWND dialog) {
    SetDlgItemTextA(dialog, IDC_RECORD_NUMBER, "");
    SetDlgItemTextA(dialog, IDC_DATE, "");
    SetDlgItemTextA(dialog, IDC_SUBJECT, "");
    SetDlgItemTextA(dialog, IDC_ENTRY_TEXT, "");
    ForgetShownText();
}

// The record number field is read-only and filled only from the database,
// so it is either empty (no record shown) or a record's number.
bool ShownRecord(HWND dialog, int* record) {
    BOOL shown = FALSE;
    *record = static_cast<int>(GetDlgItemInt(dialog, IDC_RECORD_NUMBER, &shown, TRUE));
    return shown != FALSE;
}

// The record number of the selected line, or -1 when none is selected.
int SelectedRecord(HWND dialog) {
    HWND list = SubjectList(dialog);
    const LRESULT index = SendMessageA(list, LB_GETCURSEL, 0, 0);
    if (index == LB_ERR) return -1;
    return static_cast<int>(SendMessageA(list, LB_GETITEMDATA, static_cast<WPARAM>(index), 0));
}

// Selects the line of a record (none when it has no line or record is -1).
// Setting the selection from here sends no notification.
void SelectRecordLine(HWND dialog, int record) {
    HWND list = SubjectList(dialog);
    const LRESULT count = SendMessageA(list, LB_GETCOUNT, 0, 0);
    LRESULT line = -1;
    for (LRESULT i = 0; record >= 0 && i < count && line < 0; ++i)
        if (SendMessageA(list, LB_GETITEMDATA, static_cast<WPARAM>(i), 0) == record) line = i;
    SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(line), 0);
}

// Shows the record of the selected line: each line carries its record
// number, so lines that share a subject each lead to their own record.
void ShowSelectedEntry(HWND dialog) {
    EmptyFields(dialog);
    const int record = SelectedRecord(dialog);
    if (record >= 0 && ShowEntryByNumber(dialog, record)) RememberShownText(dialog);
}

void RefillList(HWND dialog) {
    SendMessageA(SubjectList(dialog), LB_RESETCONTENT, 0, 0);
    ListSubjects(dialog);
}

// True when the write succeeded. A file that could not be opened has been
// reported by the routine itself; every other failure is reported here.
bool WriteSucceeded(HWND dialog, StoreResult result, const char* failed, const char* recordGone) {
    switch (result) {
    case StoreResult::Done:
        return true;
    case StoreResult::OpenFailed:
        return false;
    case StoreResult::NoSuchRecord:
        Warn(dialog, recordGone, kNoticeCaption);
        return false;
    case StoreResult::StatementFailed:
    case StoreResult::TooLong:
        break;
    }
    Warn(dialog, failed, kNoticeCaption);
    return false;
}

void SetUp(HWND dialog) {
    OpenEntries = dialog;
    ForgetShownText();  // the fields start empty
    SendMessageA(SubjectList(dialog), LB_SETHORIZONTALEXTENT, 2048, 0);
    // The fields take no more than the buffers that Save and Go read them
    // into, so the user meets the limit while typing, not at Save.
    SendDlgItemMessageA(dialog, IDC_SEARCH_TEXT, EM_SETLIMITTEXT, kTextSize - 1, 0);
    SendDlgItemMessageA(dialog, IDC_SUBJECT, EM_SETLIMITTEXT, kTextSize - 1, 0);
    SendDlgItemMessageA(dialog, IDC_ENTRY_TEXT, EM_SETLIMITTEXT, kEntrySize - 1, 0);

    switch (EntriesMode) {
    case EntryMode::Add:
        SaveUpdates = 0;
        SetWindowTextA(dialog, "Add a Larkmoor entry");
        EnableWindow(GetDlgItem(dialog, IDC_SEARCH_TEXT), FALSE);
        EnableWindow(GetDlgItem(dialog, IDC_SEARCH_GO), FALSE);
        EnableWindow(SubjectList(dialog), FALSE);
        EnableWindow(GetDlgItem(dialog, IDC_DELETE), FALSE);
        break;
    case EntryMode::Search:
        SetWindowTextA(dialog, "Search for Larkmoor entries");
        SaveUpdates = 1;
        break;
    case EntryMode::Browse:
        SaveUpdates = 1;
        SetWindowTextA(dialog, "Browse Larkmoor entries");
        EnableWindow(GetDlgItem(dialog, IDC_SEARCH_TEXT), FALSE);
        EnableWindow(GetDlgItem(dialog, IDC_SEARCH_GO), FALSE);
        if (ListSubjects(dialog) && SendMessageA(SubjectList(dialog), LB_GETCOUNT, 0, 0) > 0) {
            SendMessageA(SubjectList(dialog), LB_SETCURSEL, 0, 0);
            ShowSelectedEntry(dialog);
        }
        break;
    case EntryMode::None:
        SaveUpdates = 0;
        break;
    }
}

void Search(HWND dialog) {
    ClearText(SearchText, sizeof SearchText);
    ClearText(QuotedSearchText, sizeof QuotedSearchText);
    SendMessageA(SubjectList(dialog), LB_RESETCONTENT, 0, 0);
    // A character the code page cannot hold is in no stored subject; a
    // look-alike in its place would find other subjects.
    const ControlText search = ReadControlText(GetDlgItem(dialog, IDC_SEARCH_TEXT));
    if (!search.ansi.refused.empty()) {
        Warn(dialog, SearchOutsideCharacterSetMessage(search.ansi.refused), kNoticeCaption);
        return;
    }
    CopyAnsiText(search.ansi.bytes, SearchText, sizeof SearchText);
    if (std::strlen(SearchText) < 3) {
        Warn(dialog, kSearchTooShort, kNoticeCaption);
        return;
    }
    QuoteSqlText(SearchText, QuotedSearchText);
    SearchSubjects(dialog, QuotedSearchText);
}

// True when the entry was stored; otherwise the user has been told why and
// the fields are kept.
bool Save(HWND dialog) {
    // What the code page cannot hold is refused first, before anything in
    // the dialog changes: the four fields stay as the user left them.
    const ControlText subject = ReadControlText(GetDlgItem(dialog, IDC_SUBJECT));
    const ControlText entry = ReadControlText(GetDlgItem(dialog, IDC_ENTRY_TEXT));
    if (!Representable(dialog, IDC_SUBJECT, subject, kSubjectFieldName) ||
        !Representable(dialog, IDC_ENTRY_TEXT, entry, kEntryFieldName))
        return false;

    ClearText(QuotedSubject, sizeof QuotedSubject);
    ClearText(ScrambledEntry, sizeof ScrambledEntry);
    ClearText(QuotedScrambledEntry, sizeof QuotedScrambledEntry);

    // The new date shows from here on, also when a check below refuses.
    FormatTimestamp(Timestamp);
    SetDlgItemTextA(dialog, IDC_DATE, Timestamp);
    CopyAnsiText(ReadControlText(GetDlgItem(dialog, IDC_DATE)).ansi.bytes, DateText,
                 sizeof DateText);

    CopyAnsiText(subject.ansi.bytes, SubjectText, sizeof SubjectText);
    CopyAnsiText(entry.ansi.bytes, EntryText, sizeof EntryText);
    switch (CheckEntryTexts(SubjectText, EntryText)) {
    case EntryProblem::None:
        break;
    case EntryProblem::SubjectRequired:
        Warn(dialog, kSubjectRequired, kDataEntryErrorCaption);
        return false;
    case EntryProblem::SubjectTooShort:
        Warn(dialog, kSubjectTooShort, kDataEntryErrorCaption);
        return false;
    case EntryProblem::EntryRequired:
        Warn(dialog, kEntryRequired, kDataEntryErrorCaption);
        return false;
    case EntryProblem::EntryHoldsScrambleKey: {
        // The key byte scrambles to a zero byte, which would end the stored
        // text there: refuse rather than store the entry cut.
        const std::u32string holding =
            CharactersHoldingByte(entry.typed, EncodeAnsiCharacter, nullptr, kScrambleKey);
        Warn(dialog, ScrambleKeyInEntryMessage(holding), kDataEntryErrorCaption);
        ShowCharacter(dialog, IDC_ENTRY_TEXT, FindFirstOf(entry.typed, holding));
        return false;
    }
    case EntryProblem::SubjectTooLong:
    case EntryProblem::SubjectHoldsZero:
    case EntryProblem::EntryTooLong:
    case EntryProblem::EntryHoldsZero:
        // Texts read from the fields are cut to their buffers and hold no
        // zero byte.
        return false;
    }
    int record = 0;
    const bool recordShown = ShownRecord(dialog, &record);
    if (SaveUpdates == 1 && !recordShown) {
        Warn(dialog, kNoEntrySelected, kNoticeCaption);
        return false;
    }

    QuoteSqlText(SubjectText, QuotedSubject);
    ScrambleText(EntryText, ScrambledEntry);
    QuoteSqlText(ScrambledEntry, QuotedScrambledEntry);

    StoreResult result;
    if (SaveUpdates == 1)
        result = UpdateEntry(record, DateText, QuotedSubject, QuotedScrambledEntry);
    else if (EntriesMode == EntryMode::Add)
        result = InsertEntry(DateText, QuotedSubject, QuotedScrambledEntry);
    else
        return false;
    if (!WriteSucceeded(dialog, result, kNotSaved, kNotSavedRecordGone)) return false;

    // After a save the list shows every subject, in every mode.
    RefillList(dialog);
    EmptyFields(dialog);
    return true;
}

void Delete(HWND dialog) {
    if (ShowMessage(dialog, kConfirmDeletionCaption, kConfirmDeletion, MB_YESNO | MB_ICONWARNING) !=
        IDYES)
        return;
    // With no record shown there is nothing to delete; the list is still
    // refilled and the fields emptied.
    int record = 0;
    if (ShownRecord(dialog, &record) &&
        !WriteSucceeded(dialog, DeleteEntry(record), kNotDeleted, kNotDeletedRecordGone))
        return;
    RefillList(dialog);
    EmptyFields(dialog);
}

// Typing not saved yet is never dropped without asking. True when the dialog
// may go on to close or to show another record: nothing was typed, the user
// chose not to save it, or chose to and it was saved.
// A second request that arrives while the question is open (a notification
// already on its way) is refused; the first one's answer decides.
bool MayLeaveTyping(HWND dialog) {
    if (Asking) return false;
    if (!UnsavedTyping(dialog)) return true;
    Asking = true;
    const int answer = ShowMessage(dialog, kUnsavedChangesCaption, kUnsavedChanges,
                                   MB_YESNOCANCEL | MB_ICONQUESTION);
    const bool mayLeave = answer == IDNO || (answer == IDYES && Save(dialog));
    Asking = false;
    return mayLeave;
}

// Another line was selected. The newly selected record is known by its
// number, because a save on the way refills the list.
void SelectionChanged(HWND dialog) {
    const int wanted = SelectedRecord(dialog);
    int shown = 0;
    if (!ShownRecord(dialog, &shown)) shown = -1;
    if (!MayLeaveTyping(dialog)) {
        SelectRecordLine(dialog, shown);
        return;
    }
    if (SelectedRecord(dialog) != wanted) SelectRecordLine(dialog, wanted);
    ShowSelectedEntry(dialog);
}

void Close(HWND dialog) {
    if (!MayLeaveTyping(dialog)) return;
    OpenEntries = nullptr;
    EntriesMode = EntryMode::None;
    SaveUpdates = 0;
    EndDialog(dialog, 0);
}

}  // namespace

INT_PTR CALLBACK EntriesDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        SetUp(dialog);
        return TRUE;
    case WM_COMMAND:
        // The list's notifications are all taken; only a change of selection
        // shows another record.
        if (LOWORD(wParam) == IDC_SUBJECT_LIST) {
            if (HIWORD(wParam) == LBN_SELCHANGE) SelectionChanged(dialog);
            return TRUE;
        }
        // Buttons count only with notification code 0 (a click). IDOK and
        // IDCANCEL are not handled, so Enter and Escape leave the dialog open.
        switch (wParam) {
        case IDC_SEARCH_GO:
            Search(dialog);
            return TRUE;
        case IDC_SAVE:
            Save(dialog);
            return TRUE;
        case IDC_DELETE:
            Delete(dialog);
            return TRUE;
        case IDC_ENTRIES_OK:
            Close(dialog);
            return TRUE;
        }
        return FALSE;
    case WM_CLOSE:
        Close(dialog);
        return TRUE;
    case WM_DESTROY:
        if (OpenEntries == dialog) OpenEntries = nullptr;
        return FALSE;
    }
    return FALSE;
}

bool EntriesHoldUnsavedTyping() {
    return OpenEntries != nullptr && (Asking || UnsavedTyping(OpenEntries));
}

bool EntriesMayDropTyping() {
    return OpenEntries == nullptr || MayLeaveTyping(OpenEntries);
}
