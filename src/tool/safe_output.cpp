// Writing files safely: see safe_output.h.
#include "tool/safe_output.h"

#include <cctype>

#include "shell/paths.h"
#include "tool/platform.h"
#include "tool/tool.h"

namespace {

// The data folder's files, as the program names them, and the files that
// SQLite and the program put beside them.
const char* const kDataFileNames[] = {
    kDatabaseFileName, kSettingsFileName, kLogFileName, kPromptsFileName};
const char* const kCompanionEnds[] = {"", "-journal", "-wal", "-shm", ".new"};

bool SameName(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    if (!platform::CaseBlindNames()) return a == b;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

const char* KindName(const platform::FileInfo& info) {
    switch (info.kind) {
    case platform::FileKind::Link:
        return "a link";
    case platform::FileKind::Directory:
        return "a folder";
    case platform::FileKind::Other:
        return info.what;
    case platform::FileKind::Missing:
    case platform::FileKind::Regular:
        break;
    }
    return "";
}

// A name beside target that nothing has yet, and the file made under it;
// null, with *why, when none can be made.
std::FILE* CreateBeside(const std::string& target, std::string* temporary, std::string* why) {
    static unsigned serial = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        *temporary = target + "." + std::to_string(platform::ProcessId()) + "-" +
                     std::to_string(++serial) + ".larkmoor-tool.tmp";
        if (std::FILE* file = platform::CreateNewFile(*temporary)) return file;
        *why = platform::ErrorText();
        // Anything but a name already taken ends the attempts.
        platform::FileInfo info;
        if (!platform::Inspect(*temporary, &info) || info.kind == platform::FileKind::Missing)
            return nullptr;
    }
    *why = "no free temporary name beside it";
    return nullptr;
}

}  // namespace

bool IsDataFolderFile(const std::string& path, const std::string& dataFolder) {
    platform::FileInfo folder;
    platform::FileInfo parent;
    const bool sameFolder =
        platform::InspectTarget(dataFolder, &folder) &&
        folder.kind == platform::FileKind::Directory &&
        platform::InspectTarget(FolderOf(path), &parent) && platform::SameFile(folder, parent);
    platform::FileInfo target;
    const bool targetThere = platform::InspectTarget(path, &target) &&
                             target.kind != platform::FileKind::Missing;
    for (const char* name : kDataFileNames) {
        for (const char* end : kCompanionEnds) {
            const std::string file = std::string(name + 1) + end;
            if (sameFolder && SameName(BaseName(path), file)) return true;
            // The same file under another name (a hard link, say).
            platform::FileInfo own;
            if (targetThere && platform::InspectTarget(dataFolder + name + end, &own) &&
                own.kind != platform::FileKind::Missing && platform::SameFile(own, target))
                return true;
        }
    }
    return false;
}

bool WriteFileSafely(const std::string& target, const OutputRules& rules, OutputWriter write,
                     void* context, std::string* why) {
    platform::FileInfo old;
    if (!platform::Inspect(target, &old)) {
        *why = "cannot look at " + target + ": " + platform::ErrorText();
        return false;
    }
    const bool replacing = old.kind != platform::FileKind::Missing;
    if (replacing && old.kind != platform::FileKind::Regular) {
        *why = target + " is " + KindName(old) + ", not a regular file; nothing was written to it";
        return false;
    }
    if (replacing && old.readOnly) {
        *why = target + " is read-only; it was left as it is";
        return false;
    }
    if (rules.dataFolder != nullptr && IsDataFolderFile(target, *rules.dataFolder)) {
        *why = target + " is one of the data folder's own files; choose another name";
        return false;
    }
    std::string temporary;
    std::string reason;
    std::FILE* file = CreateBeside(target, &temporary, &reason);
    if (file == nullptr) {
        *why = "cannot write " + target + ": " + reason;
        return false;
    }
    bool ok = write(file, context);
    if (!ok) reason = platform::ErrorText();
    if (ok && (std::fflush(file) != 0 || !platform::SyncFile(file))) {
        ok = false;
        reason = platform::ErrorText();
    }
    if (std::fclose(file) != 0 && ok) {
        ok = false;
        reason = platform::ErrorText();
    }
    const unsigned mode = replacing ? old.mode : rules.newMode != 0 ? rules.newMode
                                                                    : platform::NewFileMode();
    if (ok && !platform::SetMode(temporary, mode)) {
        ok = false;
        reason = platform::ErrorText();
    }
    if (!ok) {
        platform::RemoveFile(temporary);
        *why = "cannot write " + target + ": " + reason;
        return false;
    }
    // What is there now must still be what was looked at: a file put there
    // meanwhile is not replaced unseen.
    platform::FileInfo now;
    if (!platform::Inspect(target, &now) || now.kind != old.kind ||
        (replacing && !platform::SameFile(now, old))) {
        platform::RemoveFile(temporary);
        *why = target + " changed while it was being written; it was left as it is";
        return false;
    }
    if (!(replacing ? platform::MoveOver(temporary, target)
                    : platform::Rename(temporary, target))) {
        reason = platform::ErrorText();
        platform::RemoveFile(temporary);
        *why = "cannot put " + target + " in place: " + reason;
        return false;
    }
    return true;
}

namespace {

struct CopySource {
    std::FILE* file;
};

bool CopyFrom(std::FILE* target, void* context) {
    std::FILE* source = static_cast<CopySource*>(context)->file;
    char block[64 * 1024];
    std::size_t got;
    while ((got = std::fread(block, 1, sizeof block, source)) > 0)
        if (std::fwrite(block, 1, got, target) != got) return false;
    return std::ferror(source) == 0;
}

}  // namespace

bool CopyFileSafely(const std::string& from, const std::string& target, OutputRules rules,
                    std::string* why) {
    platform::FileInfo info;
    if (!platform::InspectTarget(from, &info)) {
        *why = "cannot read " + from + ": " + platform::ErrorText();
        return false;
    }
    if (info.kind != platform::FileKind::Regular) {
        *why = "cannot read " + from + ": " +
               (info.kind == platform::FileKind::Missing ? "there is no such file"
                                                          : "it is not a regular file");
        return false;
    }
    CopySource source{platform::OpenFile(from, "rb")};
    if (source.file == nullptr) {
        *why = "cannot read " + from + ": " + platform::ErrorText();
        return false;
    }
    if (rules.newMode == 0) rules.newMode = info.mode;
    const bool copied = WriteFileSafely(target, rules, CopyFrom, &source, why);
    std::fclose(source.file);
    return copied;
}
