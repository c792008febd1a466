// larkmoor-tool verify: the journal, the settings file and the prompts file,
// checked as the program reads them.
#include <sqlite3.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <string>

#include "journal/entry_rules.h"
#include "prompts/prompt_file.h"
#include "settings/settings_file.h"
#include "shell/paths.h"
#include "tool/platform.h"
#include "tool/tool.h"

namespace {

constexpr std::size_t kShownIntegrityProblems = 20;

std::string Text(sqlite3_stmt* statement, int column) {
    const unsigned char* text = sqlite3_column_text(statement, column);
    return text == nullptr ? std::string() : reinterpret_cast<const char*>(text);
}

// What the program makes of one stored text value (date, subject or entry),
// or an empty text when it shows the value as stored. limit is the longest
// text the program holds; scrambled values are unscrambled first.
std::string CheckValue(sqlite3_stmt* row, int column, const char* what, std::size_t limit,
                       bool scrambled) {
    const int type = sqlite3_column_type(row, column);
    if (type == SQLITE_NULL) return std::string("no ") + what + " (NULL)";
    if (type == SQLITE_INTEGER || type == SQLITE_FLOAT)
        return std::string("the ") + what + " is stored as a number";
    const char* bytes = static_cast<const char*>(sqlite3_column_blob(row, column));
    const std::size_t size = static_cast<std::size_t>(sqlite3_column_bytes(row, column));
    const void* zero = size == 0 ? nullptr : std::memchr(bytes, '\0', size);
    const void* key = !scrambled || size == 0 ? nullptr : std::memchr(bytes, kScrambleKey, size);
    std::size_t shown = size;
    const char* reason = nullptr;
    if (zero != nullptr) {
        shown = static_cast<std::size_t>(static_cast<const char*>(zero) - bytes);
        reason = "it holds a zero byte";
    }
    if (key != nullptr && static_cast<std::size_t>(static_cast<const char*>(key) - bytes) < shown) {
        shown = static_cast<std::size_t>(static_cast<const char*>(key) - bytes);
        reason = "it holds the scramble key byte 0xA5, which unscrambles to a zero byte";
    }
    if (shown > limit) {
        return std::string("the ") + what + " has " + Thousands(static_cast<long long>(size)) +
               " bytes; the program shows its first " + Thousands(static_cast<long long>(limit));
    }
    if (reason != nullptr) {
        return std::string("the ") + what + " is shown cut short after " +
               Thousands(static_cast<long long>(shown)) + " of its " +
               Thousands(static_cast<long long>(size)) + " bytes: " + reason;
    }
    return std::string();
}

void CheckRows(sqlite3* db, Findings* findings, std::size_t* rows) {
    Query select(db,
                 "SELECT a, typeof(a), dbdate, dbsubject, dbentry, length(CAST(dbsubject AS "
                 "BLOB)) FROM dbtable ORDER BY a;");
    if (!select.Prepared()) {
        findings->serious.push_back(std::string(kDatabaseFileName + 1) +
                                    ": the rows cannot be read: " + sqlite3_errmsg(db));
        return;
    }
    int step;
    while ((step = sqlite3_step(select.Handle())) == SQLITE_ROW) {
        ++*rows;
        sqlite3_stmt* row = select.Handle();
        const std::string number = Text(row, 0);
        const std::string prefix = std::string(kDatabaseFileName + 1) + ": record " + number + ": ";
        const long long value = sqlite3_column_int64(row, 0);
        if (Text(row, 1) != "integer" || value < INT_MIN || value > INT_MAX) {
            findings->rows.push_back(
                prefix + "its number is not a 32-bit number; the program does not list it");
            continue;
        }
        const std::string problems[] = {
            CheckValue(row, 2, "date", kTextSize - 1, false),
            CheckValue(row, 3, "subject", kLongestSubject, false),
            CheckValue(row, 4, "text", kLongestEntry, true),
        };
        for (const std::string& problem : problems)
            if (!problem.empty()) findings->rows.push_back(prefix + problem);
        if (sqlite3_column_type(row, 3) == SQLITE_TEXT ||
            sqlite3_column_type(row, 3) == SQLITE_BLOB) {
            const long long length = sqlite3_column_int64(row, 5);
            if (length < static_cast<long long>(kShortestSubject))
                findings->rows.push_back(prefix + "the subject has " + std::to_string(length) +
                                         " characters; the program saves 3 to 779");
        }
        if (sqlite3_column_type(row, 4) != SQLITE_NULL && sqlite3_column_bytes(row, 4) == 0)
            findings->rows.push_back(prefix + "the text is empty");
    }
    if (step != SQLITE_DONE)
        findings->serious.push_back(std::string(kDatabaseFileName + 1) +
                                    ": reading the rows failed: " + sqlite3_errmsg(db));
}

void CheckJournal(const std::string& path, Findings* findings) {
    const std::string name = kDatabaseFileName + 1;
    platform::FileInfo info;
    if (!platform::InspectTarget(path, &info)) {
        findings->serious.push_back(name + ": cannot be looked at: " + platform::ErrorText());
        return;
    }
    if (info.kind == platform::FileKind::Missing) {
        findings->serious.push_back(name + ": there is no journal database");
        return;
    }
    if (info.kind != platform::FileKind::Regular) {
        findings->serious.push_back(name + ": is not a regular file");
        return;
    }
    Database journal(path, SQLITE_OPEN_READONLY);
    sqlite3* db = journal.Handle();
    if (!journal.Opened()) {
        findings->serious.push_back(name + ": cannot be opened: " + journal.Why());
        return;
    }
    {
        Query check(db, "PRAGMA integrity_check;");
        int step = check.Prepared() ? sqlite3_step(check.Handle()) : SQLITE_ERROR;
        std::size_t problems = 0;
        for (; step == SQLITE_ROW; step = sqlite3_step(check.Handle())) {
            const std::string line = Text(check.Handle(), 0);
            if (line == "ok") continue;
            if (++problems <= kShownIntegrityProblems)
                findings->serious.push_back(name + ": integrity check: " + line);
        }
        if (problems > kShownIntegrityProblems)
            findings->serious.push_back(name + ": integrity check: and " +
                                        std::to_string(problems - kShownIntegrityProblems) +
                                        " more problems");
        if (step != SQLITE_DONE)
            findings->serious.push_back(name + ": the integrity check cannot run: " + journal.Why());
    }
    if (findings->serious.empty()) {
        if (!HoldsJournalTable(db))
            findings->serious.push_back(name +
                                        ": the table dbtable is missing or not the program's "
                                        "(a integer primary key, dbdate text, dbsubject text, "
                                        "dbentry blob)");
        else
            CheckRows(db, findings, &findings->entries);
    }
}

void CheckSettings(const std::string& path, Findings* findings) {
    platform::FileInfo info;
    // The program makes a settings file at its first start.
    if (platform::InspectTarget(path, &info) && info.kind == platform::FileKind::Missing) return;
    findings->checked.push_back("the settings file");
    const std::string finding = CheckSettingsFile(path);
    if (!finding.empty()) findings->serious.push_back(finding);
}

void CheckPrompts(const std::string& path, Findings* findings) {
    const std::string name = kPromptsFileName + 1;
    platform::FileInfo info;
    // The program copies the default prompts when there is no file.
    if (platform::InspectTarget(path, &info) && info.kind == platform::FileKind::Missing) return;
    findings->checked.push_back("the prompts file");
    std::FILE* file = info.kind == platform::FileKind::Regular ? platform::OpenFile(path, "rb")
                                                               : nullptr;
    if (file == nullptr) {
        findings->serious.push_back(name + ": cannot be read: " +
                                    (info.kind == platform::FileKind::Regular
                                         ? platform::ErrorText()
                                         : std::string("it is not a regular file")));
        return;
    }
    // The prompts as the program reads them: in pieces of at most 779
    // characters, each piece a prompt of its own.
    char piece[kTextSize];
    std::size_t number = 1;
    std::size_t length = 0;
    bool zero = false;
    for (std::size_t got; (got = ReadPromptPiece(file, piece)) > 0;) {
        const bool ended = piece[got - 1] == '\n';
        const std::size_t characters = ended ? got - 1 : got;
        zero = zero || std::memchr(piece, '\0', characters) != nullptr;
        length += characters;
        if (!ended && got == static_cast<std::size_t>(kPromptReadSize)) continue;
        if (length > static_cast<std::size_t>(kPromptReadSize))
            findings->rows.push_back(
                name + ": line " + std::to_string(number) + " has " +
                Thousands(static_cast<long long>(length)) +
                " characters; the program shows lines over 779 characters as several prompts");
        if (zero)
            findings->rows.push_back(name + ": line " + std::to_string(number) +
                                     " holds a zero byte; the program shows the prompt cut there");
        ++number;
        length = 0;
        zero = false;
    }
    if (std::ferror(file) != 0)
        findings->serious.push_back(name + ": cannot be read: " + platform::ErrorText());
    std::fclose(file);
}

}  // namespace

bool HoldsJournalTable(sqlite3* db) {
    struct Column {
        const char* name;
        const char* type;
        int key;
    };
    static const Column kColumns[] = {{"a", "integer", 1},
                                      {"dbdate", "text", 0},
                                      {"dbsubject", "text", 0},
                                      {"dbentry", "blob", 0}};
    Query info(db, "PRAGMA table_info(dbtable);");
    if (!info.Prepared()) return false;
    std::size_t count = 0;
    while (sqlite3_step(info.Handle()) == SQLITE_ROW) {
        if (count >= 4) return false;
        const Column& wanted = kColumns[count++];
        if (Text(info.Handle(), 1) != wanted.name ||
            sqlite3_stricmp(Text(info.Handle(), 2).c_str(), wanted.type) != 0 ||
            sqlite3_column_int(info.Handle(), 5) != wanted.key)
            return false;
    }
    return count == 4;
}

std::string CheckSettingsFile(const std::string& path) {
    const std::string name = kSettingsFileName + 1;
    platform::FileInfo info;
    const SettingsLoad load = LoadSettingsFile(path, &info);
    const std::string fallback = "; the program then uses the initial password and asks for it";
    switch (load.reading.damage) {
    case SettingsDamage::None:
        return std::string();
    case SettingsDamage::EndsEarly:
        return name + ": the file ends after line " + std::to_string(load.reading.line) +
               " of eight" + fallback;
    case SettingsDamage::NotANumber:
        return name + ": line " + std::to_string(load.reading.line) + " is not a number" +
               fallback;
    case SettingsDamage::NoPassword:
        return name + ": the password line is missing or empty" + fallback;
    case SettingsDamage::Unreadable:
        return name + ": cannot be read (" +
               (info.kind == platform::FileKind::Directory ? std::string("it is a folder")
                : info.kind == platform::FileKind::Other  ? std::string("it is not a regular file")
                                                          : platform::ErrnoText(load.error)) +
               ")" + fallback;
    }
    return std::string();
}

Findings VerifyFolder(const std::string& folder) {
    Findings findings;
    CheckJournal(JoinFolder(folder, kDatabaseFileName + 1), &findings);
    CheckSettings(JoinFolder(folder, kSettingsFileName + 1), &findings);
    CheckPrompts(JoinFolder(folder, kPromptsFileName + 1), &findings);
    return findings;
}

int RunVerify(const ToolContext& context, const CommandLine&) {
    const Findings findings = VerifyFolder(context.dataFolder);
    for (const std::string& finding : findings.serious) Say(finding);
    for (const std::string& finding : findings.rows) Say(finding);
    if (findings.Count() == 0) {
        std::string sound = "Sound: the journal (" +
                            Thousands(static_cast<long long>(findings.entries)) +
                            (findings.entries == 1 ? " entry)" : " entries)");
        for (std::size_t i = 0; i < findings.checked.size(); ++i)
            sound += (i + 1 == findings.checked.size() ? " and " : ", ") + findings.checked[i];
        Say(sound + ".");
        return kExitDone;
    }
    Say(std::to_string(findings.Count()) + (findings.Count() == 1 ? " finding." : " findings."));
    return kExitFailed;
}
