// Helpers shared by the commands of larkmoor-tool: see tool.h.
#include <sqlite3.h>

#include <cstring>

#include "journal/text.h"
#include "log/log_file.h"
#include "settings/password.h"
#include "settings/settings_file.h"
#include "shell/paths.h"
#include "tool/platform.h"
#include "tool/tool.h"

namespace {

#ifdef _WIN32
constexpr char kSeparator = '\\';
#else
constexpr char kSeparator = '/';
#endif

constexpr std::size_t kOutputBlock = 64 * 1024;

// The settings as the program reads them. A data folder without a settings
// file gets the program's first-start settings, as the program gives it.
void LoadSettings(const ToolContext& context) {
    ApplyDefaultSettings();
    std::FILE* file = platform::OpenFile(DataFile(context, kSettingsFileName), "rb");
    if (file == nullptr) return;
    ReadSettingsFrom(file);
    std::fclose(file);
}

// The program's log line for a wrong password, when logging is on.
void LogIncorrectPassword(const ToolContext& context) {
    if (LogEnabled != 1) return;
    const std::string now = NowTimestamp();
    ComposeLogLine(now.c_str(), kIncorrectPasswordText, "");
    std::FILE* file = platform::OpenFile(DataFile(context, kLogFileName), "ab");
    bool written = file != nullptr && WriteLogLineTo(file);
    if (file != nullptr) written = std::fclose(file) == 0 && written;
    if (!written) Complain("Program log write error!");
}

bool ReadPassword(const ToolContext& context, std::string* typed) {
    if (context.passwordStdin) {
        typed->clear();
        int c;
        while ((c = std::getchar()) != EOF && c != '\n') typed->push_back(static_cast<char>(c));
    } else if (!platform::ReadHiddenLine("Password: ", typed)) {
        return false;
    }
    if (!typed->empty() && typed->back() == '\r') typed->pop_back();
    return true;
}

bool CopyFrom(std::FILE* target, void* context) {
    std::FILE* source = static_cast<std::FILE*>(context);
    char block[64 * 1024];
    std::size_t got;
    while ((got = std::fread(block, 1, sizeof block, source)) > 0)
        if (std::fwrite(block, 1, got, target) != got) return false;
    return std::ferror(source) == 0;
}

}  // namespace

bool CommandLine::Has(const char* name) const {
    return Value(name) != nullptr;
}

const std::string* CommandLine::Value(const char* name) const {
    const std::string* value = nullptr;
    for (const auto& option : options)
        if (option.first == name) value = &option.second;
    return value;
}

std::string JoinFolder(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    const char last = folder.back();
    if (last == '/' || last == '\\') return folder + name;
    return folder + kSeparator + name;
}

std::string DataFile(const ToolContext& context, const char* name) {
    // The program joins its file names, which begin with a slash, straight
    // to the data folder.
    return context.dataFolder + name;
}

std::string JournalPath(const ToolContext& context) {
    return DataFile(context, kDatabaseFileName);
}

bool JournalExists(const ToolContext& context) {
    const std::string journal = JournalPath(context);
    if (platform::IsFile(journal)) return true;
    Complain("there is no journal in " + context.dataFolder + " (no file " + journal + ")");
    return false;
}

void Say(std::string_view text) {
    platform::WriteOut(std::string(text) + "\n");
}

void Complain(std::string_view text) {
    platform::WriteError("larkmoor-tool: " + std::string(text) + "\n");
}

std::string ToUtf8(std::string_view bytes, const CodePage& page) {
    return Utf8FromUtf16(DecodeText(bytes, page));
}

std::string NowTimestamp() {
    int now[6];
    platform::LocalTime(now);
    char text[kTimestampSize];
    FormatTimestampFields(text, sizeof text, now[0], now[1], now[2], now[3], now[4], now[5]);
    return text;
}

int CheckAccess(const ToolContext& context) {
    LoadSettings(context);
    if (AutoLogin != 0) return kExitDone;
    std::string typed;
    if (!ReadPassword(context, &typed)) {
        Complain(
            "automatic login is off: the password is needed (type it at a console, or "
            "give it on standard input with --password-stdin)");
        return kExitWrongPassword;
    }
    if (typed.empty()) {
        Complain("Password required!");
        return kExitWrongPassword;
    }
    // The password is held in the code page, as the Login dialog reads it,
    // and only its first 779 bytes count. A character the code page cannot
    // hold cannot be part of the password.
    const TypedText password = ConvertTypedText(Utf16FromUtf8(typed), *context.page);
    char cut[kTextSize];
    CopyText(cut, sizeof cut, password.bytes.c_str());
    const bool right = password.refused.empty() && MatchesStoredPassword(cut, StoredPassword);
    ClearText(cut, sizeof cut);
    if (right) return kExitDone;
    Complain("Incorrect password!");
    LogIncorrectPassword(context);
    return kExitWrongPassword;
}

void Output::Write(std::string_view text) {
    pending_.append(text.data(), text.size());
    if (pending_.size() >= kOutputBlock) Flush(false);
}

bool Output::Finish() {
    Flush(true);
    return !failed_;
}

void Output::Flush(bool all) {
    if (pending_.empty()) return;
    // A console is given whole characters only: standard output is written
    // up to the last line end, and the rest waits for more.
    std::size_t size = pending_.size();
    if (!all && file_ == nullptr && pending_.size() < 4 * kOutputBlock) {
        const std::size_t end = pending_.rfind('\n');
        if (end != std::string::npos) size = end + 1;
    }
    const bool ok = file_ != nullptr ? std::fwrite(pending_.data(), 1, size, file_) == size
                                     : platform::WriteOut(std::string_view(pending_.data(), size));
    if (!ok) failed_ = true;
    pending_.erase(0, size);
}

bool ReadWholeFile(const std::string& path, std::string* bytes) {
    std::FILE* file = platform::OpenFile(path, "rb");
    if (file == nullptr) return false;
    bytes->clear();
    char block[64 * 1024];
    std::size_t got;
    while ((got = std::fread(block, 1, sizeof block, file)) > 0) bytes->append(block, got);
    const bool ok = std::ferror(file) == 0;
    std::fclose(file);
    return ok;
}

bool CopyFileAtomically(const std::string& from, const std::string& to) {
    std::FILE* source = platform::OpenFile(from, "rb");
    if (source == nullptr) return false;
    const bool copied = platform::ReplaceWholeFile(to, CopyFrom, source);
    std::fclose(source);
    return copied;
}

std::string Thousands(long long number) {
    std::string digits = std::to_string(number);
    const int sign = digits[0] == '-' ? 1 : 0;
    for (int i = static_cast<int>(digits.size()) - 3; i > sign; i -= 3)
        digits.insert(static_cast<std::size_t>(i), ",");
    return digits;
}

Database::Database(const std::string& path, int flags, int waitMs)
    : opened_(sqlite3_open_v2(path.c_str(), &db_, flags, nullptr) == SQLITE_OK) {
    sqlite3_busy_timeout(db_, waitMs);
}

Database::~Database() {
    sqlite3_close(db_);
}

bool Database::Run(const char* statements) {
    return sqlite3_exec(db_, statements, nullptr, nullptr, nullptr) == SQLITE_OK;
}

std::string Database::Message() const {
    return sqlite3_errmsg(db_);
}

Query::Query(sqlite3* db, const char* text)
    : prepared_(sqlite3_prepare_v2(db, text, -1, &statement_, nullptr) == SQLITE_OK) {}

Query::~Query() {
    sqlite3_finalize(statement_);
}
