// larkmoor-tool import: the entries of a json export added to the journal in
// one transaction, each checked as the Entries dialog checks what is typed.
#include <sqlite3.h>

#include <algorithm>
#include <string>
#include <vector>

#include "journal/text.h"
#include "tool/json_reader.h"
#include "tool/platform.h"
#include "tool/tool.h"

namespace {

constexpr std::size_t kShownProblems = 20;
constexpr std::size_t kMinSubject = 3;
constexpr std::size_t kMaxSubject = kTextSize - 1;
constexpr std::size_t kMaxText = kEntrySize - 1;

// An entry ready for the program's insert statement.
struct NewEntry {
    std::string date;
    std::string subject;  // bytes of the code page
    std::string text;     // bytes of the code page
};

bool IsTimestamp(const std::string& text) {
    if (text.size() != 19) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char expected = i == 4 || i == 7     ? '-'
                              : i == 10            ? ' '
                              : i == 13 || i == 16 ? ':'
                                                   : '#';
        if (expected == '#' ? (text[i] < '0' || text[i] > '9') : text[i] != expected) return false;
    }
    return true;
}

// Converts one field; on failure says why, naming the field.
bool Convert(const std::string& utf8, const char* field, const CodePage& page, std::string* bytes,
             std::string* why) {
    const TypedText typed = ConvertTypedText(Utf16FromUtf8(utf8), page);
    if (!typed.refused.empty()) {
        *why = std::string("the ") + field + " holds characters that code page " +
               std::to_string(page.number) + " cannot hold: " + DescribeCharacters(typed.refused);
        return false;
    }
    if (typed.bytes.find('\0') != std::string::npos) {
        *why = std::string("the ") + field + " holds a zero character (U+0000), which ends a text";
        return false;
    }
    *bytes = typed.bytes;
    return true;
}

// Checks one entry of the file as the Entries dialog checks its fields.
bool CheckEntry(const JsonValue& item, const CodePage& page, NewEntry* entry, std::string* why) {
    if (item.kind != JsonValue::Kind::Object) {
        *why = "not an object with a subject and a text";
        return false;
    }
    const JsonValue* subject = item.Member("subject");
    const JsonValue* text = item.Member("text");
    const JsonValue* date = item.Member("date");
    if (subject == nullptr || subject->kind != JsonValue::Kind::String) {
        *why = "no subject (a string)";
        return false;
    }
    if (text == nullptr || text->kind != JsonValue::Kind::String) {
        *why = "no text (a string)";
        return false;
    }
    if (!Convert(subject->text, "subject", page, &entry->subject, why)) return false;
    if (!Convert(text->text, "text", page, &entry->text, why)) return false;
    if (entry->subject.size() < kMinSubject || entry->subject.size() > kMaxSubject) {
        *why = "the subject has " + Thousands(static_cast<long long>(entry->subject.size())) +
               " characters; a subject has 3 to 779";
        return false;
    }
    if (entry->text.empty() || entry->text.size() > kMaxText) {
        *why = "the text has " + Thousands(static_cast<long long>(entry->text.size())) +
               " characters; an entry text has 1 to 32,766";
        return false;
    }
    if (HoldsScrambleKey(entry->text.c_str())) {
        char key[2] = {static_cast<char>(kScrambleKey), '\0'};
        *why = "the text holds the character \"" + ToUtf8(key, page) +
               "\" (byte 0xA5), which the journal cannot store";
        return false;
    }
    if (date == nullptr || date->kind == JsonValue::Kind::Null) {
        entry->date = NowTimestamp();
    } else if (date->kind != JsonValue::Kind::String || !IsTimestamp(date->text)) {
        *why = "the date is not of the form YYYY-MM-DD hh:mm:ss";
        return false;
    } else {
        entry->date = date->text;
    }
    return true;
}

// "entry 3" with the start of its subject, for messages.
std::string Naming(std::size_t position, const JsonValue& item) {
    std::string name = "entry " + std::to_string(position);
    const JsonValue* subject =
        item.kind == JsonValue::Kind::Object ? item.Member("subject") : nullptr;
    if (subject == nullptr || subject->kind != JsonValue::Kind::String) return name;
    std::u16string shown = Utf16FromUtf8(subject->text);
    if (shown.size() > 40) shown = shown.substr(0, 39) + u"\u2026";
    return name + " (\"" + Utf8FromUtf16(shown) + "\")";
}

// Reads the file and checks every entry. On refusal prints why.
bool ReadEntries(const std::string& path, const CodePage& page, std::vector<NewEntry>* entries) {
    std::string bytes;
    if (!ReadWholeFile(path, &bytes)) {
        Complain("cannot read " + path);
        return false;
    }
    JsonValue root;
    std::string error;
    if (!ParseJson(bytes, &root, &error)) {
        Complain(path + " is not a JSON document: " + error);
        return false;
    }
    const JsonValue* format = root.Member("format");
    const JsonValue* version = root.Member("version");
    const JsonValue* list = root.Member("entries");
    if (root.kind != JsonValue::Kind::Object || list == nullptr ||
        list->kind != JsonValue::Kind::Array) {
        Complain(path + " is not a Larkmoor export: it needs an object with an \"entries\" list");
        return false;
    }
    if ((format != nullptr && format->text != "larkmoor-journal") ||
        (version != nullptr && version->text != "1")) {
        Complain(path + " is not a Larkmoor export of version 1 (format \"larkmoor-journal\")");
        return false;
    }
    std::vector<std::string> problems;
    for (std::size_t i = 0; i < list->items.size(); ++i) {
        NewEntry entry;
        std::string why;
        if (CheckEntry(list->items[i], page, &entry, &why))
            entries->push_back(std::move(entry));
        else
            problems.push_back(Naming(i + 1, list->items[i]) + ": " + why);
    }
    for (std::size_t i = 0; i < problems.size() && i < kShownProblems; ++i) Complain(problems[i]);
    if (problems.size() > kShownProblems)
        Complain("and " + std::to_string(problems.size() - kShownProblems) + " more");
    if (!problems.empty()) {
        Complain("nothing was imported: " + std::to_string(problems.size()) + " of " +
                 std::to_string(list->items.size()) + " entries cannot be stored as they are");
        return false;
    }
    return true;
}

// Adds the entries in one transaction through the program's own insert
// statement, with the values prepared as the Entries dialog prepares them.
bool Insert(const std::string& path, const std::vector<NewEntry>& entries, bool dryRun,
            long long* first, long long* last) {
    Database db(path, SQLITE_OPEN_READWRITE);
    if (!db.Opened() || !HoldsJournalTable(db.Handle())) {
        Complain("the journal " + path +
                 " cannot be written: it is not a Larkmoor journal, or it is damaged");
        return false;
    }
    if (!db.Run("BEGIN IMMEDIATE;")) {
        Complain("the journal is locked by another program: " + db.Message());
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
            Complain("entry " + std::to_string(i + 1) + " could not be added (" + db.Message() +
                     "); nothing was imported");
            db.Run("ROLLBACK;");
            return false;
        }
        if (i == 0) *first = sqlite3_last_insert_rowid(db.Handle());
        *last = sqlite3_last_insert_rowid(db.Handle());
    }
    if (dryRun) return db.Run("ROLLBACK;");
    if (!db.Run("COMMIT;")) {
        Complain("the entries could not be saved (" + db.Message() + "); nothing was imported");
        db.Run("ROLLBACK;");
        return false;
    }
    return true;
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
    if (const int access = CheckAccess(context); access != kExitDone) return access;

    std::vector<NewEntry> entries;
    if (!ReadEntries(file, *context.page, &entries)) return kExitFailed;

    const std::string journal = JournalPath(context);
    const bool fresh = !platform::IsFile(journal);
    if (fresh && dryRun) {
        Say("Dry run: a new journal would be made in " + context.dataFolder + " with " +
            std::to_string(entries.size()) + " entries; nothing was written.");
        return kExitDone;
    }
    if (fresh) {
        // A new journal, made as the program makes it at its first start.
        if (!platform::MakeDirectory(context.dataFolder) ||
            StoreCreateTable(journal.c_str()) != StoreResult::Done) {
            Complain("cannot make a new journal " + journal);
            return kExitFailed;
        }
    }
    long long first = 0;
    long long last = 0;
    if (!Insert(journal, entries, dryRun, &first, &last)) return kExitFailed;
    const std::string count =
        std::to_string(entries.size()) + (entries.size() == 1 ? " entry" : " entries");
    if (dryRun) {
        Say("Dry run: " + count + " would be added; nothing was written.");
    } else if (entries.empty()) {
        Say("No entries to add.");
    } else {
        Say("Added " + count + ", records " + std::to_string(first) + " to " +
            std::to_string(last) + (fresh ? ", to a new journal." : "."));
    }
    return kExitDone;
}
