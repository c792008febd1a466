// larkmoor-tool restore: a backup's journal, settings and prompts put back in
// place of the data folder's, all three or none, with the files they replace
// kept first.
//
// A journal SQLite can open is restored through SQLite itself: one write
// transaction on the live journal holds every other writer out from before
// the present files are kept until the backup's content is committed, so no
// save another program commits can be lost from both, and SQLite's own
// rollback journal or write-ahead log carries the change (nothing old is
// left beside the file to be replayed into it). Only a journal SQLite cannot
// use (missing, not a database, damaged) is replaced as a file, and only
// while no -journal, -wal or -shm file is beside it.
#include <sqlite3.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "tool/backup.h"
#include "tool/platform.h"
#include "tool/safe_output.h"
#include "tool/tool.h"

namespace {

const char* const kCompanionEnds[] = {"-journal", "-wal", "-shm"};

bool IsThere(const std::string& path) {
    platform::FileInfo info;
    return !platform::Inspect(path, &info) || info.kind != platform::FileKind::Missing;
}

std::string Quoted(const std::string& name) {
    std::string quoted = "\"";
    for (char c : name) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

// Failures that mean SQLite cannot use the file as a journal at all.
bool Unusable(int code) {
    code &= 0xFF;
    return code == SQLITE_NOTADB || code == SQLITE_CORRUPT;
}

// True when the file begins as every SQLite database does (or is empty,
// which SQLite takes for an empty database). Anything else is never opened
// through SQLite, which would take a -wal or -journal file beside it for
// part of it.
bool LooksLikeDatabase(const std::string& path) {
    std::FILE* file = platform::OpenFile(path, "rb");
    if (file == nullptr) return false;
    char header[16] = {};
    const std::size_t got = std::fread(header, 1, sizeof header, file);
    std::fclose(file);
    return got == 0 || (got == sizeof header && std::memcmp(header, "SQLite format 3", 16) == 0);
}

class Restore {
public:
    Restore(const ToolContext& context, std::string backup)
        : context_(context), backup_(std::move(backup)), journal_(JournalPath(context)) {}
    ~Restore() {
        delete live_;
        if (!temporary_.empty()) platform::RemoveFile(temporary_);
    }
    Restore(const Restore&) = delete;
    Restore& operator=(const Restore&) = delete;

    int Run();

private:
    enum class Lock { Held, Busy, Unusable, Failed };
    Lock TakeLiveJournal();
    void LetGoOfLiveJournal();
    bool CheckCompanions();
    bool KeepPresentFiles();
    bool ReplaceLiveContent(int* code);
    bool PrepareNewJournal();
    bool PlaceSmallFiles();
    void PutBackSmallFiles();
    bool Finish();
    bool Fail(const std::string& why);

    const ToolContext& context_;
    const std::string backup_;
    const std::string journal_;
    Database* live_ = nullptr;  // the live journal, in a write transaction
    std::string kept_;          // before-restore-..., once made
    std::string temporary_;     // the new journal file, when replaced as a file
    struct Placed {
        std::string name;
        bool existed;
    };
    std::vector<Placed> placed_;  // small files already put in place
    std::string putBack_;         // what undoing said
};

Restore::Lock Restore::TakeLiveJournal() {
    live_ = new Database(journal_, SQLITE_OPEN_READWRITE, kLockWaitMilliseconds);
    const auto failed = [this] {
        const int code = live_->Code() & 0xFF;
        if (code == SQLITE_BUSY || code == SQLITE_LOCKED) return Lock::Busy;
        return Unusable(code) ? Lock::Unusable : Lock::Failed;
    };
    if (!live_->Opened()) return failed();
    Query attach(live_->Handle(), "ATTACH DATABASE ?1 AS saved;");
    const std::string from = JoinFolder(backup_, kJournalName);
    if (!attach.Prepared() ||
        sqlite3_bind_text(attach.Handle(), 1, from.c_str(), -1, SQLITE_TRANSIENT) != SQLITE_OK ||
        sqlite3_step(attach.Handle()) != SQLITE_DONE)
        return failed();
    // From here no other program can commit a change until this transaction
    // ends; reading goes on.
    return live_->Run("BEGIN IMMEDIATE;") ? Lock::Held : failed();
}

void Restore::LetGoOfLiveJournal() {
    if (live_ == nullptr) return;
    live_->Run("ROLLBACK;");
    delete live_;
    live_ = nullptr;
}

bool Restore::CheckCompanions() {
    for (const char* end : kCompanionEnds) {
        const std::string companion = journal_ + end;
        if (IsThere(companion)) {
            putBack_ = "there is a " + BaseName(companion) + " beside the journal, which SQLite " +
                       "would take for part of the restored journal; move both away and " +
                       "restore again";
            return false;
        }
    }
    return true;
}

// Copies the data folder's files into before-restore-YYYY-MM-DD-hhmmss, the
// journal through SQLite where it can be read so, else byte for byte.
bool Restore::KeepPresentFiles() {
    bool anything = false;
    for (const char* name : {kJournalName, kSettingsName, kPromptsName})
        anything = anything || IsThere(JoinFolder(context_.dataFolder, name));
    if (!anything) return true;
    platform::FileInfo folder;
    platform::InspectTarget(context_.dataFolder, &folder);
    std::string why;
    const std::string kept =
        MakeStampedFolder(context_.dataFolder, kKeptPrefix, folder.mode != 0 ? folder.mode : 0700,
                          &why);
    if (kept.empty()) return Fail("cannot keep the present files: " + why);
    const std::string unfinished = kept + ".tmp";
    platform::FileInfo info;
    bool ok = true;
    if (platform::InspectTarget(journal_, &info) && info.kind != platform::FileKind::Missing) {
        const std::string copy = JoinFolder(unfinished, kJournalName);
        // A journal SQLite cannot read whole is kept as the bytes it is.
        ok = (live_ != nullptr && CopyJournal(journal_, copy, info.mode, &why)) ||
             CopyFileSafely(journal_, copy, OutputRules(), &why);
    }
    for (const char* name : {kSettingsName, kPromptsName}) {
        const std::string source = JoinFolder(context_.dataFolder, name);
        if (ok && platform::InspectTarget(source, &info) && info.kind != platform::FileKind::Missing)
            ok = CopyFileSafely(source, JoinFolder(unfinished, name), OutputRules(), &why);
    }
    if (ok && !platform::Rename(unfinished, kept)) {
        why = "cannot rename " + unfinished + ": " + platform::ErrorText();
        ok = false;
    }
    if (!ok) {
        platform::RemoveTree(unfinished);
        return Fail("cannot keep the present files: " + why);
    }
    kept_ = kept;
    return true;
}

// The backup's schema and rows in place of the live journal's, inside the
// transaction that holds it.
bool Restore::ReplaceLiveContent(int* code) {
    sqlite3* db = live_->Handle();
    std::vector<std::pair<std::string, std::string>> present;  // type, name
    {
        Query objects(db,
                      "SELECT type, name FROM main.sqlite_master WHERE type IN ('table', 'view') "
                      "AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\';");
        if (!objects.Prepared()) return *code = live_->Code(), false;
        while (sqlite3_step(objects.Handle()) == SQLITE_ROW)
            present.emplace_back(
                reinterpret_cast<const char*>(sqlite3_column_text(objects.Handle(), 0)),
                reinterpret_cast<const char*>(sqlite3_column_text(objects.Handle(), 1)));
    }
    // Views first: dropping a table a view uses would not stop it, but keep
    // the order plain. A table takes its indexes and triggers with it.
    for (int pass = 0; pass < 2; ++pass) {
        for (const auto& object : present) {
            if ((object.first == "view") != (pass == 0)) continue;
            const std::string drop = "DROP " + std::string(pass == 0 ? "VIEW " : "TABLE ") +
                                     "main." + Quoted(object.second) + ";";
            if (!live_->Run(drop.c_str())) return *code = live_->Code(), false;
        }
    }
    struct Object {
        std::string type, name, sql;
    };
    std::vector<Object> wanted;
    {
        Query objects(db,
                      "SELECT type, name, sql FROM saved.sqlite_master WHERE sql IS NOT NULL "
                      "AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\' ORDER BY rowid;");
        if (!objects.Prepared()) return *code = live_->Code(), false;
        while (sqlite3_step(objects.Handle()) == SQLITE_ROW) {
            Object object;
            for (int i = 0; i < 3; ++i) {
                const unsigned char* text = sqlite3_column_text(objects.Handle(), i);
                (i == 0 ? object.type : i == 1 ? object.name : object.sql) =
                    text != nullptr ? reinterpret_cast<const char*>(text) : "";
            }
            wanted.push_back(object);
        }
    }
    // Tables, their rows, then what reads or watches them: no trigger fires
    // while the rows go in.
    for (int pass = 0; pass < 2; ++pass) {
        for (const Object& object : wanted) {
            if ((object.type == "table") != (pass == 0)) continue;
            if (!live_->Run(object.sql.c_str())) return *code = live_->Code(), false;
            if (pass != 0) continue;
            const std::string copy = "INSERT INTO main." + Quoted(object.name) +
                                     " SELECT * FROM saved." + Quoted(object.name) + ";";
            if (!live_->Run(copy.c_str())) return *code = live_->Code(), false;
        }
    }
    Query version(db, "PRAGMA saved.user_version;");
    if (version.Prepared() && sqlite3_step(version.Handle()) == SQLITE_ROW) {
        const std::string set = "PRAGMA main.user_version = " +
                                std::to_string(sqlite3_column_int(version.Handle(), 0)) + ";";
        live_->Run(set.c_str());
    }
    return true;
}

// A journal that SQLite cannot use is replaced as a file: the backup's is
// copied beside it first.
bool Restore::PrepareNewJournal() {
    platform::FileInfo present;
    platform::FileInfo copy;
    platform::InspectTarget(journal_, &present);
    platform::InspectTarget(JoinFolder(backup_, kJournalName), &copy);
    const unsigned mode = present.kind == platform::FileKind::Regular ? present.mode : copy.mode;
    std::string why;
    for (int attempt = 0; attempt < 100 && temporary_.empty(); ++attempt) {
        const std::string name = journal_ + "." + std::to_string(platform::ProcessId()) + "-" +
                                 std::to_string(attempt) + ".larkmoor-tool.tmp";
        if (!IsThere(name)) temporary_ = name;
    }
    if (temporary_.empty() ||
        !CopyJournal(JoinFolder(backup_, kJournalName), temporary_, mode, &why)) {
        if (why.empty()) why = "no free name beside the journal";
        return Fail("cannot copy the backup's journal: " + why);
    }
    return true;
}

bool Restore::PlaceSmallFiles() {
    for (const char* name : {kSettingsName, kPromptsName}) {
        const std::string source = JoinFolder(backup_, name);
        if (!IsThere(source)) continue;  // the data folder's own stays
        const std::string target = JoinFolder(context_.dataFolder, name);
        const bool existed = IsThere(target);
        std::string why;
        if (!CopyFileSafely(source, target, OutputRules(), &why)) {
            PutBackSmallFiles();
            return Fail("cannot put " + std::string(name) + " in place: " + why);
        }
        placed_.push_back({name, existed});
    }
    return true;
}

// Puts back every small file already replaced, from the copies kept.
void Restore::PutBackSmallFiles() {
    for (const Placed& placed : placed_) {
        const std::string target = JoinFolder(context_.dataFolder, placed.name);
        std::string why;
        const bool back =
            placed.existed
                ? CopyFileSafely(JoinFolder(kept_, placed.name), target, OutputRules(), &why)
                : (platform::RemoveFile(target) || (why = platform::ErrorText(), false));
        putBack_ += back ? "; " + placed.name + " is back as it was"
                         : "; " + placed.name + " could not be put back (" + why +
                               "): its copy is in " + kept_;
    }
    placed_.clear();
}

bool Restore::Finish() {
    if (live_ != nullptr) {
        if (live_->Run("COMMIT;")) return true;
        const std::string why = live_->Why();
        LetGoOfLiveJournal();
        PutBackSmallFiles();
        return Fail("cannot save the restored journal: " + why);
    }
    const bool replacing = IsThere(journal_);
    if ((replacing ? platform::MoveOver(temporary_, journal_)
                   : platform::Rename(temporary_, journal_))) {
        temporary_.clear();
        return true;
    }
    const std::string why = platform::ErrorText();
    PutBackSmallFiles();
    return Fail("cannot put " + std::string(kJournalName) + " in place: " + why);
}

bool Restore::Fail(const std::string& why) {
    putBack_ = why + putBack_;
    return false;
}

int Restore::Run() {
    bool ok = true;
    platform::FileInfo info;
    platform::InspectTarget(journal_, &info);
    if (info.kind == platform::FileKind::Regular && LooksLikeDatabase(journal_)) {
        switch (TakeLiveJournal()) {
        case Lock::Held:
            break;
        case Lock::Busy:
            Complain("the journal is locked by another program (Larkmoor?): close it and "
                     "restore again; nothing was restored");
            return kExitFailed;
        case Lock::Failed:
            Complain("cannot open the journal " + journal_ + ": " + live_->Why() +
                     "; nothing was restored");
            return kExitFailed;
        case Lock::Unusable:
            LetGoOfLiveJournal();
            break;
        }
    } else if (info.kind != platform::FileKind::Missing &&
               info.kind != platform::FileKind::Regular) {
        Complain("the journal " + journal_ + " is not a regular file; nothing was restored");
        return kExitFailed;
    }
    if (live_ == nullptr) ok = CheckCompanions();
    ok = ok && KeepPresentFiles();
    int code = SQLITE_OK;
    if (ok && live_ != nullptr && !ReplaceLiveContent(&code)) {
        if (!Unusable(code)) {
            const std::string why = live_->Why();
            LetGoOfLiveJournal();
            ok = Fail("cannot write the journal: " + why);
        } else {
            // Damaged beyond what SQLite can change: replaced as a file.
            LetGoOfLiveJournal();
            ok = CheckCompanions();
        }
    }
    if (ok && live_ == nullptr) ok = PrepareNewJournal();
    ok = ok && PlaceSmallFiles() && Finish();
    if (!ok) {
        LetGoOfLiveJournal();
        Complain(putBack_ + "; nothing was restored" +
                 (kept_.empty() ? std::string() : " (the files as they were are in " + kept_ + ")"));
        return kExitFailed;
    }
    Say("Restored " + backup_ +
        (kept_.empty() ? "." : "; the files it replaced are in " + kept_ + "."));
    return kExitDone;
}

}  // namespace

int RunRestore(const ToolContext& context, const CommandLine& line) {
    const std::string& backup = line.positional[0];
    platform::FileInfo info;
    if (!platform::InspectTarget(backup, &info) || info.kind != platform::FileKind::Directory) {
        Complain("cannot restore from " + backup + ": " +
                 (info.kind == platform::FileKind::Missing ? std::string("there is no such folder")
                  : info.kind == platform::FileKind::Directory ? platform::ErrorText()
                                                                : std::string("it is not a folder")));
        return kExitFailed;
    }
    const platform::FileInfo backupFolder = info;
    if (!platform::InspectTarget(JoinFolder(backup, kJournalName), &info) ||
        info.kind != platform::FileKind::Regular) {
        Complain(backup + " is not a Larkmoor backup: it holds no " + kJournalName);
        return kExitFailed;
    }
    if (!InspectDataFolder(context, &info)) return kExitFailed;
    if (info.kind == platform::FileKind::Directory && platform::SameFile(info, backupFolder)) {
        Complain(backup + " is the data folder itself, not a backup of it; nothing was restored");
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

    if (platform::ProgramRunning()) {
        Complain("Larkmoor is running: close it and restore again; nothing was restored");
        return kExitFailed;
    }
    if (!platform::MakeDirectory(context.dataFolder)) {
        Complain("cannot make the data folder " + context.dataFolder + ": " +
                 platform::ErrorText());
        return kExitFailed;
    }
    Restore restore(context, backup);
    return restore.Run();
}
