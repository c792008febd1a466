// The journal database as the program's windows see it: runs the portable
// store routines on the database file, shows what went wrong in message
// boxes and fills the Entries dialog's controls with what was read.
#include <windows.h>

#include "journal/journal.h"
#include "resource.h"
#include "shell/message_box.h"
#include "shell/shell.h"

namespace {

constexpr const char kCreateDatabaseError[] = "Create database error!";
constexpr const char kCompactDatabaseError[] = "Compact database error!";
constexpr const char kCannotOpenForSaving[] = "Unable to open database for saving!";
constexpr const char kCannotDelete[] = "Unable to delete a record!";
constexpr const char kDeleteRecordCaption[] = "Delete Record";

constexpr const char kJournalUnreadable[] =
    "The journal could not be read: the database file is locked by another program, "
    "damaged or not a Larkmoor database.";
constexpr const char kEntryUnreadable[] =
    "The entry could not be read: the database file is locked by another program, "
    "damaged or not a Larkmoor database.";
constexpr const char kEntryGone[] =
    "The selected entry is no longer in the journal (another program may have deleted it).";

// SQLite takes file names in UTF-8; the program's paths are ANSI. A path
// that cannot be converted is passed as it is.
char DatabaseFile[4 * kTextSize];

const char* DatabaseFileName() {
    WCHAR wide[kTextSize];
    const int length = MultiByteToWideChar(CP_ACP, 0, DatabasePath, -1, wide, kTextSize);
    if (length <= 0 || WideCharToMultiByte(CP_UTF8, 0, wide, -1, DatabaseFile, sizeof DatabaseFile,
                                           nullptr, nullptr) <= 0)
        CopyText(DatabaseFile, sizeof DatabaseFile, DatabasePath);
    return DatabaseFile;
}

void Notice(HWND owner, const char* text) {
    ShowMessage(owner, kNoticeCaption, text, MB_ICONWARNING);
}

// Adds the listing's lines to the subject list, each with its record number.
// Drawing is held back while the lines go in, and the list reserves its
// memory once, so that a long journal fills quickly.
//
// The list box keeps its lines sorted with its own case-blind comparison:
// LB_ADDSTRING finds each line's place by a binary search, some seventeen
// comparisons a line in a journal of 100,000 entries, and for a long journal
// that search costs more than the query. The rows arrive in nearly the list's
// order, so most lines sort after every line already listed. Such a line is
// appended with LB_INSERTSTRING at the end, where LB_ADDSTRING would put it
// as well, after one comparison with the last line, made here with the
// list's own comparison and locale. Every other line goes through
// LB_ADDSTRING. The list thus ends up line for line as one LB_ADDSTRING a
// row would leave it.
class ListFiller final : public SubjectSink {
public:
    explicit ListFiller(HWND list)
        : list_(list), locale_(static_cast<LCID>(SendMessageA(list, LB_GETLOCALE, 0, 0))) {
        SendMessageA(list_, WM_SETREDRAW, FALSE, 0);
        count_ = SendMessageA(list_, LB_GETCOUNT, 0, 0);
        ReadLastLine();
    }
    ~ListFiller() {
        SendMessageA(list_, WM_SETREDRAW, TRUE, 0);
        InvalidateRect(list_, nullptr, TRUE);
    }
    ListFiller(const ListFiller&) = delete;
    ListFiller& operator=(const ListFiller&) = delete;

    void Begin(std::size_t rows, std::size_t textBytes) override {
        SendMessageA(list_, LB_INITSTORAGE, static_cast<WPARAM>(rows),
                     static_cast<LPARAM>(textBytes));
    }
    void Add(int record, const char* subject) override {
        // The line as the list box stores it: converted from the ANSI code page.
        WCHAR* line = lines_[1 - lastSlot_];
        const bool widened = MultiByteToWideChar(CP_ACP, 0, subject, -1, line, kTextSize) > 0;
        const bool append = widened && SortsAfterLastLine(line);
        const LRESULT index =
            append ? SendMessageA(list_, LB_INSERTSTRING, static_cast<WPARAM>(-1),
                                  reinterpret_cast<LPARAM>(subject))
                   : SendMessageA(list_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(subject));
        if (index < 0) return;
        SendMessageA(list_, LB_SETITEMDATA, static_cast<WPARAM>(index),
                     static_cast<LPARAM>(record));
        if (index == count_) {
            // The line went to the end: it is the last line now.
            lastSlot_ = 1 - lastSlot_;
            lastKnown_ = widened;
        }
        ++count_;
    }

private:
    // True when LB_ADDSTRING would put the line at the end: the list is
    // empty, or the line sorts strictly after the list's last line.
    bool SortsAfterLastLine(const WCHAR* line) const {
        if (count_ == 0) return true;
        if (!lastKnown_) return false;
        return CompareStringW(locale_, NORM_IGNORECASE, lines_[lastSlot_], -1, line, -1) ==
               CSTR_LESS_THAN;
    }
    // A list that already holds lines: its last line, when it fits.
    void ReadLastLine() {
        lastKnown_ = false;
        if (count_ <= 0) return;
        const WPARAM last = static_cast<WPARAM>(count_ - 1);
        const LRESULT length = SendMessageW(list_, LB_GETTEXTLEN, last, 0);
        if (length < 0 || length >= static_cast<LRESULT>(kTextSize)) return;
        lastKnown_ = SendMessageW(list_, LB_GETTEXT, last,
                                  reinterpret_cast<LPARAM>(lines_[lastSlot_])) >= 0;
    }

    HWND list_;
    LCID locale_;
    LRESULT count_ = 0;
    // Two line buffers: the list's last line and the line being added.
    WCHAR lines_[2][kTextSize] = {};
    int lastSlot_ = 0;
    bool lastKnown_ = false;
};

bool ReportListing(HWND dialog, StoreResult result) {
    if (result == StoreResult::Done) return true;
    Notice(dialog, kJournalUnreadable);
    return false;
}

}  // namespace

void CreateJournalDatabase() {
    if (StoreCreateTable(DatabaseFileName()) != StoreResult::Done)
        Notice(MainWindow, kCreateDatabaseError);
}

bool CompactJournalDatabase() {
    if (StoreCompact(DatabaseFileName()) == StoreResult::Done) return true;
    Notice(MainWindow, kCompactDatabaseError);
    return false;
}

StoreResult InsertEntry(const char* date, const char* quotedSubject, const char* quotedEntry) {
    const StoreResult result =
        StoreInsertEntry(DatabaseFileName(), date, quotedSubject, quotedEntry);
    if (result == StoreResult::OpenFailed) Notice(MainWindow, kCannotOpenForSaving);
    return result;
}

StoreResult UpdateEntry(int record, const char* date, const char* quotedSubject,
                        const char* quotedEntry) {
    const StoreResult result =
        StoreUpdateEntry(DatabaseFileName(), record, date, quotedSubject, quotedEntry);
    if (result == StoreResult::OpenFailed) Notice(MainWindow, kCannotOpenForSaving);
    return result;
}

StoreResult DeleteEntry(int record) {
    const StoreResult result = StoreDeleteEntry(DatabaseFileName(), record);
    if (result == StoreResult::OpenFailed)
        ShowMessage(MainWindow, kDeleteRecordCaption, kCannotDelete, MB_ICONERROR);
    return result;
}

bool ListSubjects(HWND dialog) {
    StoreResult result;
    {
        ListFiller filler(GetDlgItem(dialog, IDC_SUBJECT_LIST));
        result = StoreListSubjects(DatabaseFileName(), filler);
    }
    return ReportListing(dialog, result);
}

bool SearchSubjects(HWND dialog, const char* quotedSearch) {
    StoreResult result;
    {
        ListFiller filler(GetDlgItem(dialog, IDC_SUBJECT_LIST));
        result = StoreSearchSubjects(DatabaseFileName(), quotedSearch, filler);
    }
    return ReportListing(dialog, result);
}

bool ShowEntryByNumber(HWND dialog, int record) {
    static JournalRecord shown;
    const StoreResult result = StoreReadEntry(DatabaseFileName(), record, shown);
    if (result == StoreResult::NoSuchRecord) {
        Notice(dialog, kEntryGone);
        return false;
    }
    if (result != StoreResult::Done) {
        Notice(dialog, kEntryUnreadable);
        return false;
    }
    SetDlgItemTextA(dialog, IDC_RECORD_NUMBER, shown.number);
    SetDlgItemTextA(dialog, IDC_DATE, shown.date);
    SetDlgItemTextA(dialog, IDC_SUBJECT, shown.subject);
    SetDlgItemTextA(dialog, IDC_ENTRY_TEXT, shown.entry);
    return true;
}
