// larkmoor-tool backup and restore: whole, checked copies of the journal,
// the settings and the prompts, and putting them back.
#include <sqlite3.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "shell/paths.h"
#include "tool/platform.h"
#include "tool/tool.h"

namespace {

constexpr const char kBackupPrefix[] = "larkmoor-";
constexpr const char kKeptPrefix[] = "before-restore-";
constexpr const char kUnfinishedSuffix[] = ".tmp";
constexpr const char kBackupsFolder[] = "backups";

// The data files a backup holds, under the same names as in the data folder
// (without the data folder's leading slash), so that a backup folder is
// itself a data folder the tool can verify or export.
const char* const kSmallFiles[] = {kSettingsFileName + 1, kPromptsFileName + 1};
const char* const kJournalName = kDatabaseFileName + 1;

// "YYYY-MM-DD-hhmmss" of now.
std::string FolderStamp() {
    int now[6];
    platform::LocalTime(now);
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02d-%02d%02d%02d", now[0], now[1], now[2],
                  now[3], now[4], now[5]);
    return stamp;
}

// A new name prefix + stamp in folder that nothing has yet; two backups in
// the same second wait for the next one.
std::string FreshName(const std::string& folder, const char* prefix) {
    std::string name;
    for (int attempt = 0; attempt < 30; ++attempt) {
        name = prefix + FolderStamp();
        const std::string path = JoinFolder(folder, name);
        if (!platform::IsDirectory(path) && !platform::IsFile(path) &&
            !platform::IsDirectory(path + kUnfinishedSuffix))
            return name;
        platform::SleepMilliseconds(100);
    }
    return std::string();
}

bool IsBackupName(const std::string& name) {
    // larkmoor-YYYY-MM-DD-hhmmss
    const std::string prefix = kBackupPrefix;
    if (name.size() != prefix.size() + 17 || name.compare(0, prefix.size(), prefix) != 0)
        return false;
    for (std::size_t i = 0; i < 17; ++i) {
        const char c = name[prefix.size() + i];
        const bool dash = i == 4 || i == 7 || i == 10;
        if (dash ? c != '-' : (c < '0' || c > '9')) return false;
    }
    return true;
}

// Copies a database with SQLite's online backup: the whole file in one step
// under one read lock, so the copy is one consistent state of the journal,
// never a half-written one. While another program holds the file locked
// the step is tried again until the wait runs out.
bool CopyDatabase(const std::string& from, const std::string& to, std::string* why) {
    Database source(from, SQLITE_OPEN_READWRITE);
    Database target(to, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    if (!source.Opened() || !target.Opened()) {
        *why = "cannot open " + (source.Opened() ? to : from);
        return false;
    }
    sqlite3_backup* backup = sqlite3_backup_init(target.Handle(), "main", source.Handle(), "main");
    if (backup == nullptr) {
        *why = sqlite3_errmsg(target.Handle());
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
    if (step == SQLITE_DONE && finish == SQLITE_OK) return true;
    *why = step == SQLITE_BUSY || step == SQLITE_LOCKED
               ? "the journal stayed locked by another program"
               : std::string(sqlite3_errstr(step == SQLITE_DONE ? finish : step));
    return false;
}

// True when the copy passes SQLite's integrity check and holds the table.
bool CopyIsSound(const std::string& path) {
    Database db(path, SQLITE_OPEN_READONLY);
    if (!db.Opened() || !HoldsJournalTable(db.Handle())) return false;
    Query check(db.Handle(), "PRAGMA integrity_check;");
    if (!check.Prepared() || sqlite3_step(check.Handle()) != SQLITE_ROW) return false;
    const unsigned char* verdict = sqlite3_column_text(check.Handle(), 0);
    return verdict != nullptr && std::strcmp(reinterpret_cast<const char*>(verdict), "ok") == 0 &&
           sqlite3_step(check.Handle()) == SQLITE_DONE;
}

// Copies the journal and the small files of one folder into another.
bool CopyDataFiles(const std::string& from, const std::string& to, std::string* why) {
    if (platform::IsFile(JoinFolder(from, kJournalName)) &&
        !CopyDatabase(JoinFolder(from, kJournalName), JoinFolder(to, kJournalName), why))
        return false;
    for (const char* name : kSmallFiles) {
        const std::string source = JoinFolder(from, name);
        if (platform::IsFile(source) && !CopyFileAtomically(source, JoinFolder(to, name))) {
            *why = "cannot copy " + source;
            return false;
        }
    }
    return true;
}

// Deletes the oldest backups in folder beyond the newest keep.
void KeepNewest(const std::string& folder, std::size_t keep) {
    std::vector<std::string> backups;
    for (const std::string& name : platform::ListFolder(folder))
        if (IsBackupName(name) && platform::IsDirectory(JoinFolder(folder, name)))
            backups.push_back(name);
    std::sort(backups.begin(), backups.end());
    for (std::size_t i = 0; i + keep < backups.size(); ++i) {
        const std::string old = JoinFolder(folder, backups[i]);
        if (platform::RemoveTree(old))
            platform::WriteError("removed the old backup " + old + "\n");
        else
            Complain("could not remove the old backup " + old);
    }
}

// True when a running Larkmoor or another program holds the journal: on
// Windows the program's single-instance mutex, everywhere a lock on the file.
// Taking the lock also rolls back what an interrupted save left behind.
bool JournalInUse(const std::string& journal) {
    if (platform::ProgramRunning()) return true;
    if (!platform::IsFile(journal)) return false;
    Database db(journal, SQLITE_OPEN_READWRITE, 0);
    if (!db.Opened()) return false;
    const bool locked = !db.Run("BEGIN EXCLUSIVE;");
    if (!locked) db.Run("ROLLBACK;");
    return locked;
}

}  // namespace

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
    const std::string name =
        platform::MakeDirectory(folder) ? FreshName(folder, kBackupPrefix) : "";
    if (name.empty()) {
        Complain("cannot make a backup folder in " + folder);
        return kExitFailed;
    }
    // The copy is made under a temporary name and checked; only a whole,
    // sound copy gets the final name.
    const std::string done = JoinFolder(folder, name);
    const std::string unfinished = done + kUnfinishedSuffix;
    std::string why;
    bool ok = platform::MakeDirectory(unfinished);
    if (!ok) why = "cannot make " + unfinished;
    ok = ok && CopyDataFiles(context.dataFolder, unfinished, &why);
    if (ok && !CopyIsSound(JoinFolder(unfinished, kJournalName))) {
        why = "the copy of the journal does not pass SQLite's integrity check (run verify)";
        ok = false;
    }
    if (ok && !platform::Rename(unfinished, done)) {
        why = "cannot rename " + unfinished + " to " + done;
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

int RunRestore(const ToolContext& context, const CommandLine& line) {
    const std::string& backup = line.positional[0];
    if (!platform::IsFile(JoinFolder(backup, kJournalName))) {
        Complain(backup + " is not a Larkmoor backup: it holds no " + kJournalName);
        return kExitFailed;
    }
    if (const int access = CheckAccess(context); access != kExitDone) return access;

    const Findings findings = VerifyFolder(backup);
    for (const std::string& finding : findings.serious) Complain(finding);
    if (!findings.serious.empty()) {
        Complain("the backup is damaged; nothing was restored");
        return kExitFailed;
    }
    for (const std::string& finding : findings.rows) Complain("note: " + finding);

    const std::string journal = JournalPath(context);
    if (JournalInUse(journal)) {
        Complain(
            "Larkmoor is running, or another program uses the journal: close it and "
            "restore again; nothing was restored");
        return kExitFailed;
    }
    if (!platform::MakeDirectory(context.dataFolder)) {
        Complain("cannot make the data folder " + context.dataFolder);
        return kExitFailed;
    }
    // What the backup replaces is kept first, whole, in a folder of its own.
    bool anything = platform::IsFile(journal);
    for (const char* name : kSmallFiles)
        anything = anything || platform::IsFile(JoinFolder(context.dataFolder, name));
    std::string kept;
    if (anything) {
        const std::string name = FreshName(context.dataFolder, kKeptPrefix);
        kept = JoinFolder(context.dataFolder, name);
        std::string why;
        if (name.empty() || !platform::MakeDirectory(kept) ||
            !CopyDataFiles(context.dataFolder, kept, &why)) {
            if (!name.empty()) platform::RemoveTree(kept);
            Complain("cannot keep the present files (" + why + "); nothing was restored");
            return kExitFailed;
        }
    }
    // Each file goes in place in one step: written beside the old one, then
    // moved over it.
    const char* const names[] = {kJournalName, kSmallFiles[0], kSmallFiles[1]};
    for (const char* name : names) {
        const std::string source = JoinFolder(backup, name);
        if (!platform::IsFile(source)) continue;
        if (!CopyFileAtomically(source, JoinFolder(context.dataFolder, name))) {
            Complain("cannot put " + std::string(name) + " in place" +
                     (kept.empty() ? std::string() : "; the files as they were are in " + kept));
            return kExitFailed;
        }
    }
    Say("Restored " + backup +
        (kept.empty() ? "." : "; the files it replaced are in " + kept + "."));
    return kExitDone;
}
