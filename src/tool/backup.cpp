// larkmoor-tool backup: whole, checked copies of the journal, the settings
// and the prompts, in folders of their own.
#include "tool/backup.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tool/platform.h"
#include "tool/safe_output.h"
#include "tool/tool.h"

namespace {

constexpr const char kUnfinishedSuffix[] = ".tmp";
constexpr const char kBackupsFolder[] = "backups";

// "YYYY-MM-DD-hhmmss" of now.
std::string FolderStamp() {
    int now[6];
    platform::LocalTime(now);
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02d-%02d%02d%02d", now[0], now[1], now[2],
                  now[3], now[4], now[5]);
    return stamp;
}

bool Exists(const std::string& path) {
    platform::FileInfo info;
    return !platform::Inspect(path, &info) || info.kind != platform::FileKind::Missing;
}

bool WriteMark(std::FILE* file, void*) {
    return std::fputs(kBackupMarkText, file) >= 0;
}

// True when the folder holds the tool's mark, exactly as the tool writes it.
bool HoldsMark(const std::string& folder) {
    const std::string mark = JoinFolder(folder, kBackupMarkName);
    platform::FileInfo info;
    if (!platform::Inspect(mark, &info) || info.kind != platform::FileKind::Regular ||
        info.size != sizeof kBackupMarkText - 1)
        return false;
    std::string bytes;
    std::string why;
    return ReadWholeFile(mark, &bytes, &why) && bytes == kBackupMarkText;
}

// The files a backup the tool made can hold, and nothing else.
bool HoldsOnlyBackupFiles(const std::string& folder) {
    for (const std::string& name : platform::ListFolder(folder)) {
        const bool known = name == kBackupMarkName || name == kJournalName ||
                           name == kSettingsName || name == kPromptsName ||
                           name == std::string(kJournalName) + "-journal";
        platform::FileInfo info;
        if (!known || !platform::Inspect(JoinFolder(folder, name), &info) ||
            info.kind != platform::FileKind::Regular)
            return false;
    }
    return true;
}

struct Backup {
    std::string name;
    std::string stamp;
    unsigned long serial;
};

// Deletes the oldest of the backups the tool made in folder beyond the
// newest keep. A folder that only looks like one (no mark, or files the tool
// does not put there) is neither counted nor deleted.
void KeepNewest(const std::string& folder, std::size_t keep) {
    std::vector<Backup> backups;
    for (const std::string& name : platform::ListFolder(folder)) {
        Backup backup{name, std::string(), 0};
        platform::FileInfo info;
        const std::string path = JoinFolder(folder, name);
        if (ParseBackupName(name, kBackupPrefix, &backup.stamp, &backup.serial) &&
            platform::Inspect(path, &info) && info.kind == platform::FileKind::Directory &&
            HoldsMark(path))
            backups.push_back(backup);
    }
    std::sort(backups.begin(), backups.end(), [](const Backup& a, const Backup& b) {
        return a.stamp != b.stamp ? a.stamp < b.stamp : a.serial < b.serial;
    });
    for (std::size_t i = 0; i + keep < backups.size(); ++i) {
        const std::string old = JoinFolder(folder, backups[i].name);
        // Looked at again right before: only the tool's own files go.
        if (!HoldsMark(old) || !HoldsOnlyBackupFiles(old)) {
            Complain("left the old backup " + old +
                     " as it is: it holds files larkmoor-tool did not put there");
            continue;
        }
        if (platform::RemoveTree(old))
            platform::WriteError("removed the old backup " + old + "\n");
        else
            Complain("could not remove the old backup " + old + ": " + platform::ErrorText());
    }
}

}  // namespace

bool ParseBackupName(const std::string& name, const char* prefix, std::string* stamp,
                     unsigned long* serial) {
    // prefix + YYYY-MM-DD-hhmmss, then perhaps -N (N from 2).
    const std::size_t start = std::strlen(prefix);
    if (name.compare(0, start, prefix) != 0 || name.size() < start + 17) return false;
    for (std::size_t i = 0; i < 17; ++i) {
        const char c = name[start + i];
        const bool dash = i == 4 || i == 7 || i == 10;
        if (dash ? c != '-' : (c < '0' || c > '9')) return false;
    }
    *stamp = name.substr(start, 17);
    *serial = 1;
    if (name.size() == start + 17) return true;
    const std::string rest = name.substr(start + 17);
    if (rest.size() < 2 || rest.size() > 8 || rest[0] != '-' || rest[1] == '0' ||
        rest.find_first_not_of("0123456789", 1) != std::string::npos)
        return false;
    *serial = std::strtoul(rest.c_str() + 1, nullptr, 10);
    return *serial >= 2;
}

std::string MakeStampedFolder(const std::string& folder, const char* prefix, unsigned mode,
                              std::string* why) {
    const std::string stamp = FolderStamp();
    for (unsigned long serial = 1; serial < 1000; ++serial) {
        const std::string path = JoinFolder(
            folder, prefix + stamp + (serial == 1 ? std::string() : "-" + std::to_string(serial)));
        if (Exists(path)) continue;
        // The unfinished folder is made new, so that two runs in the same
        // second never share one; the final name comes only from it.
        if (!platform::MakeNewDirectory(path + kUnfinishedSuffix, mode)) {
            if (Exists(path + kUnfinishedSuffix)) continue;
            *why = "cannot make a folder in " + folder + ": " + platform::ErrorText();
            return std::string();
        }
        if (!Exists(path)) return path;
        platform::RemoveFolder(path + kUnfinishedSuffix);
    }
    *why = "cannot make a folder in " + folder + ": too many folders of this second";
    return std::string();
}

namespace {

bool CopyIntoNewFile(const std::string& from, const std::string& to, unsigned mode,
                     std::string* why) {
    Database source(from, SQLITE_OPEN_READWRITE);
    if (!source.Opened()) {
        *why = "cannot open the journal " + from + ": " + source.Why();
        return false;
    }
    Database target(to, SQLITE_OPEN_READWRITE);
    if (!target.Opened()) {
        *why = "cannot open " + to + ": " + target.Why();
        return false;
    }
    sqlite3_backup* backup = sqlite3_backup_init(target.Handle(), "main", source.Handle(), "main");
    if (backup == nullptr) {
        *why = "cannot copy the journal: " + target.Why();
        return false;
    }
    int step = SQLITE_OK;
    for (int waited = 0;; waited += 20) {
        step = sqlite3_backup_step(backup, -1);
        if ((step != SQLITE_BUSY && step != SQLITE_LOCKED) || waited >= kLockWaitMilliseconds)
            break;
        platform::SleepMilliseconds(20);
    }
    const int finish = sqlite3_backup_finish(backup);
    if (step != SQLITE_DONE || finish != SQLITE_OK) {
        const int code = step != SQLITE_DONE ? step : finish;
        *why = "cannot copy the journal " + from + ": " +
               DescribeSqliteFailure(code, sqlite3_errstr(code), sqlite3_system_errno(source.Handle()));
        return false;
    }
    if (!platform::SetMode(to, mode != 0 ? mode : platform::NewFileMode())) {
        *why = "cannot set the permissions of " + to + ": " + platform::ErrorText();
        return false;
    }
    return true;
}

}  // namespace

bool CopyJournal(const std::string& from, const std::string& to, unsigned mode,
                 std::string* why) {
    // The copy is made in a file of its own, private until it is whole, and
    // goes again when it cannot be made whole.
    std::FILE* made = platform::CreateNewFile(to);
    if (made == nullptr) {
        *why = "cannot make " + to + ": " + platform::ErrorText();
        return false;
    }
    std::fclose(made);
    if (CopyIntoNewFile(from, to, mode, why)) return true;
    platform::RemoveFile(to);
    platform::RemoveFile(to + "-journal");
    return false;
}

bool JournalIsSound(const std::string& path, std::string* why) {
    Database db(path, SQLITE_OPEN_READONLY);
    if (!db.Opened()) {
        *why = db.Why();
        return false;
    }
    if (!HoldsJournalTable(db.Handle())) {
        *why = "it does not hold the program's table";
        return false;
    }
    Query check(db.Handle(), "PRAGMA integrity_check;");
    if (!check.Prepared() || sqlite3_step(check.Handle()) != SQLITE_ROW) {
        *why = db.Why();
        return false;
    }
    const unsigned char* verdict = sqlite3_column_text(check.Handle(), 0);
    if (verdict == nullptr || std::strcmp(reinterpret_cast<const char*>(verdict), "ok") != 0 ||
        sqlite3_step(check.Handle()) != SQLITE_DONE) {
        *why = "it does not pass SQLite's integrity check (run verify)";
        return false;
    }
    return true;
}

int RunBackup(const ToolContext& context, const CommandLine& line) {
    std::size_t keep = 0;
    if (const std::string* value = line.Value("keep")) {
        const bool number = !value->empty() && value->size() < 7 &&
                            value->find_first_not_of("0123456789") == std::string::npos;
        keep = number ? std::stoul(*value) : 0;
        if (keep == 0) {
            Complain("--keep needs a number of backups, 1 or more");
            return kExitUsage;
        }
    }
    if (!JournalExists(context)) return kExitFailed;
    const std::string journal = JournalPath(context);
    const std::string* to = line.Value("to");
    const std::string folder = to != nullptr ? *to : JoinFolder(context.dataFolder, kBackupsFolder);
    if (!platform::MakeDirectory(folder)) {
        Complain("no backup was made: cannot make the folder " + folder + ": " +
                 platform::ErrorText());
        return kExitFailed;
    }
    // A backup is as private as the data folder it comes from.
    platform::FileInfo data;
    platform::InspectTarget(context.dataFolder, &data);
    const unsigned folderMode = data.mode != 0 ? data.mode : 0700;
    std::string why;
    const std::string done = MakeStampedFolder(folder, kBackupPrefix, folderMode, &why);
    if (done.empty()) {
        Complain("no backup was made: " + why);
        return kExitFailed;
    }
    // The copy is made under a temporary name and checked; only a whole,
    // sound copy gets the final name.
    const std::string unfinished = done + kUnfinishedSuffix;
    platform::FileInfo journalInfo;
    platform::InspectTarget(journal, &journalInfo);
    bool ok = CopyJournal(journal, JoinFolder(unfinished, kJournalName), journalInfo.mode, &why);
    for (const char* name : {kSettingsName, kPromptsName}) {
        const std::string source = JoinFolder(context.dataFolder, name);
        platform::FileInfo info;
        if (!ok || !platform::InspectTarget(source, &info) ||
            info.kind == platform::FileKind::Missing)
            continue;
        // The journal is what a backup is for: a settings or prompts file
        // that is no file (a folder in its place) is left out, and said so.
        if (info.kind != platform::FileKind::Regular)
            Complain("note: " + source + " is not a regular file; the backup is made without it");
        else
            ok = CopyFileSafely(source, JoinFolder(unfinished, name), OutputRules(), &why);
    }
    if (ok && !WriteFileSafely(JoinFolder(unfinished, kBackupMarkName), OutputRules(), WriteMark,
                               nullptr, &why))
        ok = false;
    if (ok && !JournalIsSound(JoinFolder(unfinished, kJournalName), &why)) {
        why = "the copy of the journal is not sound: " + why;
        ok = false;
    }
    if (ok && !platform::Rename(unfinished, done)) {
        why = "cannot rename " + unfinished + " to " + done + ": " + platform::ErrorText();
        ok = false;
    }
    if (!ok) {
        platform::RemoveTree(unfinished);
        Complain("no backup was made: " + why);
        return kExitFailed;
    }
    Say(done);
    if (keep > 0) KeepNewest(folder, keep);
    return kExitDone;
}
