// Helpers shared by the commands of larkmoor-tool: see tool.h.
#include <sqlite3.h>

#include <cerrno>
#include <cstring>

#include "journal/text.h"
#include "log/log_file.h"
#include "settings/password.h"
#include "settings/settings_file.h"
#include "shell/paths.h"
#include "tool/platform.h"
#include "tool/tool.h"

namespace {

constexpr std::size_t kOutputBlock = 64 * 1024;


std::FILE* OpenLog(const void* path) {
    return platform::OpenFile(*static_cast<const std::string*>(path), "ab+");
}

bool LogSize(const void* path, std::uint64_t* bytes) {
    platform::FileInfo info;
    if (!platform::InspectTarget(*static_cast<const std::string*>(path), &info) ||
        info.kind != platform::FileKind::Regular)
        return false;
    *bytes = info.size;
    return true;
}

void CutLogBack(const void* path, std::uint64_t bytes) {
    platform::CutFile(*static_cast<const std::string*>(path), bytes);
}

constexpr LogFileAccess kLogAccess = {OpenLog, LogSize, CutLogBack};

// The program's log line for a wrong password, when logging is on.
void LogIncorrectPassword(const ToolContext& context) {
    if (LogEnabled != 1) return;
    const std::string now = NowTimestamp();
    ComposeLogLine(now.c_str(), kIncorrectPasswordText, "");
    const std::string path = DataFile(context, kLogFileName);
    if (AppendLogLineTo(kLogAccess, &path) != LogAppend::Written)
        Complain("Program log write error! (" + path + ": " + platform::ErrorText() + ")");
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

// --- Text in the journal's code page -----------------------------------------------

std::u16string DecodeJournalText(const JournalCodePage& page, std::string_view bytes) {
    return page.table != nullptr ? DecodeText(bytes, *page.table)
                                 : platform::DecodeSystemText(bytes);
}

std::string ToUtf8(std::string_view bytes, const JournalCodePage& page) {
    return Utf8FromUtf16(DecodeJournalText(page, bytes));
}

TypedText EncodeJournalText(const JournalCodePage& page, std::u16string_view text) {
    return page.table != nullptr ? ConvertTypedText(text, *page.table)
                                 : ConvertTypedText(text, platform::EncodeSystemCharacter, nullptr);
}

std::u32string CharactersHoldingByte(const JournalCodePage& page, std::u16string_view text,
                                     unsigned char byte) {
    if (page.table == nullptr)
        return CharactersHoldingByte(text, platform::EncodeSystemCharacter, nullptr, byte);
    // A table's code page has one byte per character.
    std::u32string holding;
    const char16_t character = DecodeByte(*page.table, byte);
    if (text.find(character) != std::u16string_view::npos) holding.push_back(character);
    return holding;
}

std::string CutJournalText(const JournalCodePage& page, const std::string& bytes,
                           std::size_t size) {
    if (page.table == nullptr) return platform::CutSystemText(bytes, size);
    return bytes.substr(0, size == 0 ? 0 : size - 1);
}

TextFinder::TextFinder(const JournalCodePage& page, std::string_view pattern)
    : page_(page),
      matcher_(page.table != nullptr ? *page.table : kCodePages[0],
               page.table != nullptr ? pattern : std::string_view()),
      length_(0) {
    if (page.table != nullptr) {
        length_ = pattern.size();
    } else {
        lowered_ = DecodeJournalText(page, pattern);
        platform::LowerSystemCase(&lowered_);
        length_ = lowered_.size();
    }
}

bool TextFinder::Find(std::string_view text, std::size_t* at, std::size_t* length) const {
    *length = length_;
    if (page_.table != nullptr) {
        // One byte is one character, and one UTF-16 unit.
        *at = matcher_.Find(text);
        return *at != std::string_view::npos;
    }
    std::u16string lowered = DecodeJournalText(page_, text);
    platform::LowerSystemCase(&lowered);
    *at = lowered.find(lowered_);
    return *at != std::u16string::npos;
}

// --- Paths and messages -------------------------------------------------------------

std::string JoinFolder(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    const char last = folder.back();
    if (last == '/' || last == '\\') return folder + name;
    return folder + platform::Separator() + name;
}

std::string BaseName(const std::string& path) {
    const std::size_t slash = path.find_last_of(platform::Separator() == '\\' ? "/\\:" : "/");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.find_last_of(platform::Separator() == '\\' ? "/\\:" : "/");
    if (slash == std::string::npos) return ".";
    if (slash == 0 || path[slash] == ':') return path.substr(0, slash + 1);
    return path.substr(0, slash);
}

std::string DataFile(const ToolContext& context, const char* name) {
    // The program joins its file names, which begin with a slash, straight
    // to the data folder.
    return context.dataFolder + name;
}

std::string JournalPath(const ToolContext& context) {
    return DataFile(context, kDatabaseFileName);
}

bool InspectDataFolder(const ToolContext& context, platform::FileInfo* folder) {
    if (!platform::InspectTarget(context.dataFolder, folder)) {
        Complain("cannot enter the data folder " + context.dataFolder + ": " +
                 platform::ErrorText());
        return false;
    }
    if (folder->kind != platform::FileKind::Missing &&
        folder->kind != platform::FileKind::Directory) {
        Complain("the data folder " + context.dataFolder + " is not a folder");
        return false;
    }
    return true;
}

bool JournalExists(const ToolContext& context) {
    platform::FileInfo folder;
    if (!InspectDataFolder(context, &folder)) return false;
    if (folder.kind == platform::FileKind::Missing) {
        Complain("there is no data folder " + context.dataFolder);
        return false;
    }
    const std::string journal = JournalPath(context);
    platform::FileInfo file;
    if (!platform::InspectTarget(journal, &file)) {
        Complain("cannot enter the data folder " + context.dataFolder + ": " +
                 platform::ErrorText());
        return false;
    }
    if (file.kind == platform::FileKind::Regular) return true;
    if (file.kind == platform::FileKind::Missing)
        Complain("there is no journal in " + context.dataFolder + " (no file " + journal + ")");
    else
        Complain("the journal " + journal + " is not a regular file");
    return false;
}

void Say(std::string_view text) {
    platform::WriteOut(std::string(text) + "\n");
}

void Complain(std::string_view text) {
    platform::WriteError("larkmoor-tool: " + std::string(text) + "\n");
}

std::string NowTimestamp() {
    int now[6];
    platform::LocalTime(now);
    char text[kTimestampSize];
    FormatTimestampFields(text, sizeof text, now[0], now[1], now[2], now[3], now[4], now[5]);
    return text;
}

std::string Thousands(long long number) {
    std::string digits = std::to_string(number);
    const int sign = digits[0] == '-' ? 1 : 0;
    for (int i = static_cast<int>(digits.size()) - 3; i > sign; i -= 3)
        digits.insert(static_cast<std::size_t>(i), ",");
    return digits;
}

SettingsLoad LoadSettingsFile(const std::string& path, platform::FileInfo* info) {
    // Only a regular file is opened: opening a FIFO in its place would wait
    // for a writer for ever. Anything else there is a file that cannot be
    // read, as a folder is.
    std::FILE* file = nullptr;
    int openError = 0;
    if (!platform::InspectTarget(path, info)) {
        openError = errno != 0 ? errno : EIO;
    } else if (info->kind == platform::FileKind::Regular) {
        file = platform::OpenFile(path, "rb");
        openError = file == nullptr ? errno : 0;
    } else {
        openError = info->kind == platform::FileKind::Missing ? ENOENT : EISDIR;
    }
    const SettingsLoad load = LoadSettingsFrom(file, openError);
    if (file != nullptr) std::fclose(file);
    return load;
}

int CheckAccess(const ToolContext& context) {
    platform::FileInfo info;
    const SettingsLoad load = LoadSettingsFile(DataFile(context, kSettingsFileName), &info);
    if (AutoLogin != 0) return kExitDone;
    if (load.source == SettingsSource::Damaged)
        Complain("the settings file " + DataFile(context, kSettingsFileName) +
                 " is damaged or cannot be read: as Larkmoor does, the tool asks for the "
                 "initial password (see verify)");
    std::string typed;
    if (!ReadPassword(context, &typed)) {
        Complain(
            "automatic login is off: the password is needed (type it at a console, or "
            "give it on standard input with --password-stdin)");
        return kExitWrongPassword;
    }
    // The password is held in the code page, as the Login dialog reads it,
    // and only its first 779 bytes count.
    const std::u16string wide = Utf16FromUtf8(typed);
    TypedText password = EncodeJournalText(context.page, wide);
    std::string cut = CutJournalText(context.page, password.bytes, kTextSize);
    const LoginAnswer answer =
        CheckLoginPassword(wide.empty(), !password.refused.empty(), cut.c_str(), StoredPassword);
    std::fill(cut.begin(), cut.end(), '\0');
    std::fill(password.bytes.begin(), password.bytes.end(), '\0');
    std::fill(typed.begin(), typed.end(), '\0');
    if (answer == LoginAnswer::Right) return kExitDone;
    if (answer == LoginAnswer::PasswordRequired) {
        Complain(kPasswordRequired);
        return kExitWrongPassword;
    }
    Complain(kIncorrectPassword);
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

bool ReadWholeFile(const std::string& path, std::string* bytes, std::string* why) {
    std::FILE* file = platform::OpenFile(path, "rb");
    if (file == nullptr) {
        *why = platform::ErrorText();
        return false;
    }
    bytes->clear();
    char block[64 * 1024];
    std::size_t got;
    while ((got = std::fread(block, 1, sizeof block, file)) > 0) bytes->append(block, got);
    const bool ok = std::ferror(file) == 0;
    if (!ok) *why = platform::ErrorText();
    std::fclose(file);
    return ok;
}

// --- SQLite -------------------------------------------------------------------------

std::string DescribeSqliteFailure(int code, const std::string& message, int systemError) {
    const std::string system =
        systemError != 0 ? " (" + platform::SystemErrorText(systemError) + ")" : std::string();
    switch (code & 0xFF) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return "it is locked by another program (Larkmoor?)";
    case SQLITE_NOTADB:
        return "it is not a SQLite database (" + message + ")";
    case SQLITE_CORRUPT:
        return "it is damaged (" + message + ")";
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_CANTOPEN:
    case SQLITE_IOERR:
    case SQLITE_FULL:
        return message + system;
    default:
        break;
    }
    if (message.find("no such table") != std::string::npos)
        return "it is not a Larkmoor journal (" + message + ")";
    return message;
}

std::string DescribeStoreFailure(const StoreFailure& failure) {
    return DescribeSqliteFailure(failure.code, failure.message, failure.systemError);
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

std::string Database::Why() const {
    return DescribeSqliteFailure(sqlite3_extended_errcode(db_), sqlite3_errmsg(db_),
                                 sqlite3_system_errno(db_));
}

int Database::Code() const {
    return sqlite3_errcode(db_);
}

Query::Query(sqlite3* db, const char* text)
    : prepared_(sqlite3_prepare_v2(db, text, -1, &statement_, nullptr) == SQLITE_OK) {}

Query::~Query() {
    sqlite3_finalize(statement_);
}
