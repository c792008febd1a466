// larkmoor-tool verify: the journal, the settings file and the prompts file,
// checked as the program reads them.
#include <sqlite3.h>

#include <climits>
#include <cstring>
#include <string>

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
            CheckValue(row, 3, "subject", kTextSize - 1, false),
            CheckValue(row, 4, "text", kEntrySize - 1, true),
        };
        for (const std::string& problem : problems)
            if (!problem.empty()) findings->rows.push_back(prefix + problem);
        if (sqlite3_column_type(row, 3) == SQLITE_TEXT ||
            sqlite3_column_type(row, 3) == SQLITE_BLOB) {
            const long long length = sqlite3_column_int64(row, 5);
            if (length < 3)
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
    if (!platform::IsFile(path)) {
        findings->serious.push_back(name + ": there is no journal database");
        return;
    }
    Database journal(path, SQLITE_OPEN_READONLY);
    sqlite3* db = journal.Handle();
    if (!journal.Opened()) {
        findings->serious.push_back(name + ": cannot be opened: " + journal.Message());
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
            findings->serious.push_back(name +
                                        ": the integrity check cannot run: " + sqlite3_errmsg(db));
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

bool IsNumberLine(const std::string& line) {
    std::size_t i = line.size() > 1 && line[0] == '-' ? 1 : 0;
    if (i == line.size() || line.size() - i > 10) return false;
    for (std::size_t k = i; k < line.size(); ++k)
        if (line[k] < '0' || line[k] > '9') return false;
    const long long value = std::stoll(line);
    return value >= INT_MIN && value <= INT_MAX;
}

void CheckSettings(const std::string& path, Findings* findings) {
    const std::string name = kSettingsFileName + 1;
    std::string bytes;
    if (!platform::IsFile(path)) return;  // the program makes one at its start
    findings->checked.push_back("the settings file");
    if (!ReadWholeFile(path, &bytes)) {
        findings->serious.push_back(name + ": cannot be read");
        return;
    }
    // Lines end in a line feed; a file saved by an editor with CR LF line
    // ends reads the same in the program.
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = bytes.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(bytes.substr(start, end - start));
    if (start < bytes.size()) lines.push_back(bytes.substr(start));
    const bool crLf = !lines.empty() && !lines[0].empty() && lines[0].back() == '\r';
    if (crLf)
        for (std::string& line : lines)
            if (!line.empty() && line.back() == '\r') line.pop_back();
    for (std::size_t i = 0; i < 7 && i < lines.size(); ++i)
        if (!IsNumberLine(lines[i]))
            findings->serious.push_back(name + ": line " + std::to_string(i + 1) +
                                        " is not a number");
    if (lines.size() < 8) {
        findings->serious.push_back(name + ": the file ends after line " +
                                    std::to_string(lines.size()) +
                                    " of eight; the program then uses the initial password");
        return;
    }
    if (lines.size() > 8)
        findings->serious.push_back(name + ": " + std::to_string(lines.size()) +
                                    " lines; the program reads eight");
    const std::string& password = lines[7];
    if (password.empty()) {
        findings->serious.push_back(name +
                                    ": the password line is empty; the program then uses "
                                    "the initial password");
        return;
    }
    if (password.size() > kTextSize - 1) {
        findings->serious.push_back(name + ": the password line is longer than 779 bytes");
        return;
    }
    std::FILE* file = platform::OpenFile(path, "rb");
    if (file == nullptr) return;
    ReadSettingsFrom(file);
    std::fclose(file);
    if (password != StoredPassword)
        findings->serious.push_back(name + ": the password line does not read back as written");
}

void CheckPrompts(const std::string& path, Findings* findings) {
    const std::string name = kPromptsFileName + 1;
    std::string bytes;
    if (!platform::IsFile(path)) return;  // the program copies the default one
    findings->checked.push_back("the prompts file");
    if (!ReadWholeFile(path, &bytes)) {
        findings->serious.push_back(name + ": cannot be read");
        return;
    }
    std::size_t number = 1;
    std::size_t length = 0;
    bool zero = false;
    auto endLine = [&] {
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
    };
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == kEndOfFileMark) break;
        if (bytes[i] == '\n' ||
            (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')) {
            if (bytes[i] == '\r') ++i;
            endLine();
        } else {
            zero = zero || bytes[i] == '\0';
            ++length;
        }
    }
    if (length > 0) endLine();
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
