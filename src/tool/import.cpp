// larkmoor-tool import: the entries of a json export added to the journal in
// one transaction, each checked as the Entries dialog checks what is typed.
#include <sqlite3.h>

#include <algorithm>
#include <string>
#include <vector>

#include "journal/entry_rules.h"
#include "journal/text.h"
#include "tool/json_reader.h"
#include "tool/platform.h"
#include "tool/tool.h"

namespace {

constexpr std::size_t kShownProblems = 20;
constexpr const char kFormatName[] = "larkmoor-journal";

// An entry ready for the program's insert statement.
struct NewEntry {
    std::string date;
    std::string subject;  // bytes of the code page
    std::string text;     // bytes of the code page
};

// Converts one field; on failure says why, naming the field.
bool Convert(const std::string& utf8, const char* field, const JournalCodePage& page,
             std::string* bytes, std::string* why) {
    const TypedText typed = EncodeJournalText(page, Utf16FromUtf8(utf8));
    if (!typed.refused.empty()) {
        *why = std::string("the ") + field + " holds characters that code page " +
               std::to_string(page.number) + " cannot hold: " + DescribeCharacters(typed.refused);
        return false;
    }
    *bytes = typed.bytes;
    return true;
}

// Why the Entries dialog would not store the entry as it is.
std::string DescribeProblem(EntryProblem problem, const NewEntry& entry,
                            const JournalCodePage& page) {
    const std::string subjectSize = Thousands(static_cast<long long>(entry.subject.size()));
    const std::string textSize = Thousands(static_cast<long long>(entry.text.size()));
    switch (problem) {
    case EntryProblem::None:
        break;
    case EntryProblem::SubjectRequired:
    case EntryProblem::SubjectTooShort:
    case EntryProblem::SubjectTooLong:
        return "the subject has " + subjectSize + " characters; a subject has 3 to 779";
    case EntryProblem::SubjectHoldsZero:
        return "the subject holds a zero character (U+0000), which ends a text";
    case EntryProblem::EntryRequired:
    case EntryProblem::EntryTooLong:
        return "the text has " + textSize + " characters; an entry text has 1 to 32,766";
    case EntryProblem::EntryHoldsZero:
        return "the text holds a zero character (U+0000), which ends a text";
    case EntryProblem::EntryHoldsScrambleKey: {
        const std::u32string holding =
            CharactersHoldingByte(page, Utf16FromUtf8(ToUtf8(entry.text, page)), kScrambleKey);
        return "the text holds the character " + DescribeCharacters(holding) +
               " (byte 0xA5), which the journal cannot store";
    }
    }
    return std::string();
}

// Checks one entry of the file as the Entries dialog checks its fields.
bool CheckItem(const ImportItem& item, const JournalCodePage& page, NewEntry* entry,
               std::string* why) {
    if (!item.isObject) {
        *why = "not an object with a subject and a text";
        return false;
    }
    if (item.subject.kind != JsonField::Kind::String) {
        *why = "no subject (a string)";
        return false;
    }
    if (item.text.kind != JsonField::Kind::String) {
        *why = "no text (a string)";
        return false;
    }
    if (!Convert(item.subject.text, "subject", page, &entry->subject, why)) return false;
    if (!Convert(item.text.text, "text", page, &entry->text, why)) return false;
    const EntryProblem problem = CheckEntryTexts(entry->subject, entry->text);
    if (problem != EntryProblem::None) {
        *why = DescribeProblem(problem, *entry, page);
        return false;
    }
    if (item.date.kind == JsonField::Kind::Absent || item.date.kind == JsonField::Kind::Null) {
        entry->date = NowTimestamp();
    } else if (item.date.kind != JsonField::Kind::String || !IsTimestampText(item.date.text)) {
        *why = "the date is not a real time of the form YYYY-MM-DD hh:mm:ss";
        return false;
    } else {
        entry->date = item.date.text;
    }
    return true;
}

// "entry 3 ("Its subject") at line 7, column 5", for messages.
std::string Naming(std::size_t position, const ImportItem& item) {
    std::string name = "entry " + std::to_string(position);
    if (item.subject.kind == JsonField::Kind::String) {
        std::u16string shown = Utf16FromUtf8(item.subject.text);
        if (shown.size() > 40) shown = shown.substr(0, 39) + u"\u2026";
        name += " (\"" + Utf8FromUtf16(shown) + "\")";
    }
    return name + " at line " + std::to_string(item.line) + ", column " +
           std::to_string(item.column);
}

// Reads the file, refusing what is not a regular file or is too large before
// reading it whole.
bool ReadImportFile(const std::string& path, std::string* bytes) {
    platform::FileInfo info;
    if (!platform::InspectTarget(path, &info)) {
        Complain("cannot read " + path + ": " + platform::ErrorText());
        return false;
    }
    if (info.kind == platform::FileKind::Missing) {
        Complain("cannot read " + path + ": there is no such file");
        return false;
    }
    if (info.kind != platform::FileKind::Regular) {
        Complain("cannot read " + path + ": it is " +
                 (info.kind == platform::FileKind::Directory ? std::string("a folder")
                                                             : std::string(info.what)) +
                 ", not a regular file");
        return false;
    }
    const std::string limit = Thousands(static_cast<long long>(kMaxImportBytes / (1024 * 1024)));
    if (info.size > kMaxImportBytes) {
        Complain("cannot read " + path + ": it is larger than " + limit +
                 " MiB, the most import reads");
        return false;
    }
    std::FILE* file = platform::OpenFile(path, "rb");
    if (file == nullptr) {
        Complain("cannot read " + path + ": " + platform::ErrorText());
        return false;
    }
    bytes->clear();
    char block[64 * 1024];
    std::size_t got;
    bool ok = true;
    while ((got = std::fread(block, 1, sizeof block, file)) > 0) {
        // The file may grow after it was looked at.
        if (bytes->size() + got > kMaxImportBytes) {
            Complain("cannot read " + path + ": it is larger than " + limit +
                     " MiB, the most import reads");
            ok = false;
            break;
        }
        bytes->append(block, got);
    }
    if (ok && std::ferror(file) != 0) {
        Complain("cannot read " + path + ": " + platform::ErrorText());
        ok = false;
    }
    std::fclose(file);
    return ok;
}

// Reads the file and checks every entry. On refusal prints why.
bool ReadEntries(const std::string& path, const JournalCodePage& page,
                 std::vector<NewEntry>* entries) {
    std::string bytes;
    if (!ReadImportFile(path, &bytes)) return false;
    ImportDocument document;
    std::string error;
    if (!ReadImportDocument(bytes, &document, &error)) {
        Complain(path + " is not a JSON document: " + error);
        return false;
    }
    std::string().swap(bytes);
    if (!document.rootIsObject || document.entries != ImportDocument::Entries::List) {
        Complain(path + " is not a Larkmoor export: it needs an object with an \"entries\" list");
        return false;
    }
    if (document.format.kind != JsonField::Kind::Absent &&
        (document.format.kind != JsonField::Kind::String || document.format.text != kFormatName)) {
        Complain(path + " is not a Larkmoor export: its \"format\" is not \"" + kFormatName + "\"");
        return false;
    }
    if (document.version.kind != JsonField::Kind::Number || document.version.number != 1) {
        Complain(path + " is not a Larkmoor export of version 1: its \"version\" must be the "
                 "number 1");
        return false;
    }
    std::vector<std::string> problems;
    for (std::size_t i = 0; i < document.items.size(); ++i) {
        NewEntry entry;
        std::string why;
        if (CheckItem(document.items[i], page, &entry, &why))
            entries->push_back(std::move(entry));
        else
            problems.push_back(Naming(i + 1, document.items[i]) + ": " + why);
    }
    for (std::size_t i = 0; i < problems.size() && i < kShownProblems; ++i) Complain(problems[i]);
    if (problems.size() > kShownProblems)
        Complain("and " + std::to_string(problems.size() - kShownProblems) + " more");
    if (!problems.empty()) {
        Complain("nothing was imported: " + std::to_string(problems.size()) + " of " +
                 std::to_string(document.items.size()) + " entries cannot be stored as they are");
        return false;
    }
    return true;
}

// Adds the entries in one transaction through the program's own insert
// statement, with the values prepared as the Entries dialog prepares them.
// A dry run takes the transaction back; so does any failure.
bool Insert(const std::string& path, const std::vector<NewEntry>& entries, bool dryRun,
            long long* first, long long* last) {
    Database db(path, SQLITE_OPEN_READWRITE);
    if (!db.Opened()) {
        Complain("the journal " + path + " cannot be opened: " + db.Why() +
                 "; nothing was imported");
        return false;
    }
    if (!HoldsJournalTable(db.Handle())) {
        Complain("the journal " + path + " cannot be written: " +
                 (db.Code() != SQLITE_OK ? db.Why()
                                         : std::string("it does not hold the program's table")) +
                 "; nothing was imported");
        return false;
    }
    if (!db.Run("BEGIN IMMEDIATE;")) {
        Complain("the journal " + path + " cannot be written: " + db.Why() +
                 "; nothing was imported");
        return false;
    }
    std::vector<char> statement(kStatementSize);
    std::vector<char> subject(kQuotedTextSize);
    std::vector<char> scrambled(kEntrySize);
    std::vector<char> text(kQuotedEntrySize);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        std::fill(subject.begin(), subject.end(), '\0');
        std::fill(scrambled.begin(), scrambled.end(), '\0');
        std::fill(text.begin(), text.end(), '\0');
        QuoteSqlText(entries[i].subject.c_str(), subject.data());
        ScrambleText(entries[i].text.c_str(), scrambled.data());
        QuoteSqlText(scrambled.data(), text.data());
        if (!BuildInsertStatement(statement.data(), statement.size(), entries[i].date.c_str(),
                                  subject.data(), text.data()) ||
            !db.Run(statement.data())) {
            Complain("entry " + std::to_string(i + 1) + " could not be added: " + db.Why() +
                     "; nothing was imported");
            db.Run("ROLLBACK;");
            return false;
        }
        if (i == 0) *first = sqlite3_last_insert_rowid(db.Handle());
        *last = sqlite3_last_insert_rowid(db.Handle());
    }
    if (dryRun) return db.Run("ROLLBACK;");
    if (!db.Run("COMMIT;")) {
        Complain("the entries could not be saved: " + db.Why() + "; nothing was imported");
        db.Run("ROLLBACK;");
        return false;
    }
    return true;
}

// A new journal: made as the program makes it at its first start, in a file
// of its own beside where it goes, filled, and put in place only whole. A
// failure, or a dry run, leaves nothing behind: no file, and no data folder
// that was not there.
bool InsertIntoNewJournal(const ToolContext& context, const std::vector<NewEntry>& entries,
                          bool dryRun, long long* first, long long* last) {
    const std::string journal = JournalPath(context);
    for (const char* end : {"-journal", "-wal", "-shm"}) {
        platform::FileInfo info;
        if (!platform::Inspect(journal + end, &info) || info.kind != platform::FileKind::Missing) {
            Complain("there is a " + BaseName(journal + end) +
                     " without a journal in the data folder, which SQLite would take for part "
                     "of a new journal; move it away and import again; nothing was imported");
            return false;
        }
    }
    platform::FileInfo folder;
    platform::InspectTarget(context.dataFolder, &folder);
    const bool madeFolder = folder.kind == platform::FileKind::Missing;
    if (!platform::MakeDirectory(context.dataFolder)) {
        Complain("cannot make the data folder " + context.dataFolder + ": " +
                 platform::ErrorText() + "; nothing was imported");
        return false;
    }
    const std::string temporary =
        journal + "." + std::to_string(platform::ProcessId()) + ".larkmoor-tool.tmp";
    bool ok;
    {
        // The program's own table.
        Database made(temporary, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
        ok = made.Opened() && made.Run(kCreateTableStatement);
        if (!ok)
            Complain("cannot make a new journal in " + context.dataFolder + ": " + made.Why() +
                     "; nothing was imported");
    }
    ok = ok && Insert(temporary, entries, dryRun, first, last);
    if (ok && !dryRun && !platform::Rename(temporary, journal)) {
        Complain("cannot put the new journal in place as " + journal + ": " +
                 platform::ErrorText() + "; nothing was imported");
        ok = false;
    }
    if (!ok || dryRun) {
        platform::RemoveFile(temporary);
        platform::RemoveFile(temporary + "-journal");
        if (madeFolder) platform::RemoveFolder(context.dataFolder);
    }
    return ok;
}

}  // namespace

int RunImport(const ToolContext& context, const CommandLine& line) {
    const std::string* format = line.Value("format");
    if (format == nullptr || *format != "json") {
        Complain("import reads --format json (see larkmoor-tool import --help)");
        return kExitUsage;
    }
    const bool dryRun = line.Has("dry-run");
    const std::string& file = line.positional[0];
    platform::FileInfo folder;
    if (!InspectDataFolder(context, &folder)) return kExitFailed;
    if (const int access = CheckAccess(context); access != kExitDone) return access;

    std::vector<NewEntry> entries;
    if (!ReadEntries(file, context.page, &entries)) return kExitFailed;

    const std::string journal = JournalPath(context);
    platform::FileInfo info;
    if (!platform::InspectTarget(journal, &info)) {
        Complain("cannot enter the data folder " + context.dataFolder + ": " +
                 platform::ErrorText());
        return kExitFailed;
    }
    if (info.kind != platform::FileKind::Missing && info.kind != platform::FileKind::Regular) {
        Complain("the journal " + journal + " is not a regular file; nothing was imported");
        return kExitFailed;
    }
    const bool fresh = info.kind == platform::FileKind::Missing;
    long long first = 0;
    long long last = 0;
    const bool done = fresh ? InsertIntoNewJournal(context, entries, dryRun, &first, &last)
                            : Insert(journal, entries, dryRun, &first, &last);
    if (!done) return kExitFailed;
    const std::string count =
        std::to_string(entries.size()) + (entries.size() == 1 ? " entry" : " entries");
    if (dryRun) {
        Say("Dry run: " + count + " would be added" +
            (fresh ? " to a new journal in " + context.dataFolder : std::string()) +
            "; nothing was written.");
    } else if (entries.empty()) {
        Say(fresh ? "No entries to add; a new, empty journal was made." : "No entries to add.");
    } else {
        Say("Added " + count + ", records " + std::to_string(first) + " to " +
            std::to_string(last) + (fresh ? ", to a new journal." : "."));
    }
    return kExitDone;
}
