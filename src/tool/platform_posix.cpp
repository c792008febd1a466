// The system interface of larkmoor-tool on POSIX systems (Linux): see
// platform.h.
#include "tool/platform.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

namespace {

bool WriteAll(int descriptor, std::string_view text) {
    while (!text.empty()) {
        const ssize_t written = ::write(descriptor, text.data(), text.size());
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        text.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

std::string FolderPart(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

// Flushes a folder's entry list to the disk, so that a rename in it lasts.
void SyncFolderOf(const std::string& path) {
    const int descriptor = ::open(FolderPart(path).c_str(), O_RDONLY | O_DIRECTORY);
    if (descriptor < 0) return;
    ::fsync(descriptor);
    ::close(descriptor);
}

void Describe(const struct stat& status, platform::FileInfo* info) {
    info->size = static_cast<std::uint64_t>(status.st_size);
    info->mode = status.st_mode & 07777;
    info->readOnly = (status.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
    info->device = static_cast<std::uint64_t>(status.st_dev);
    info->index = static_cast<std::uint64_t>(status.st_ino);
    if (S_ISREG(status.st_mode))
        info->kind = platform::FileKind::Regular;
    else if (S_ISDIR(status.st_mode))
        info->kind = platform::FileKind::Directory;
    else if (S_ISLNK(status.st_mode))
        info->kind = platform::FileKind::Link;
    else
        info->kind = platform::FileKind::Other;
    info->what = S_ISFIFO(status.st_mode)                            ? "a FIFO"
                 : S_ISCHR(status.st_mode) || S_ISBLK(status.st_mode) ? "a device"
                 : S_ISSOCK(status.st_mode)                          ? "a socket"
                                                                     : "not a regular file";
}

bool InspectWith(int (*look)(const char*, struct stat*), const std::string& path,
                 platform::FileInfo* info) {
    *info = platform::FileInfo();
    struct stat status;
    if (look(path.c_str(), &status) == 0) {
        Describe(status, info);
        return true;
    }
    return errno == ENOENT;
}

}  // namespace

namespace platform {

std::vector<std::string> Arguments(int argc, char** argv) {
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i) arguments.emplace_back(argv[i]);
    return arguments;
}

void PrepareStandardStreams() {
    for (int descriptor = 0; descriptor <= 2; ++descriptor) {
        if (::fcntl(descriptor, F_GETFD) != -1 || errno != EBADF) continue;
        // The lowest free descriptor is this one.
        const int opened = ::open("/dev/null", descriptor == 0 ? O_RDONLY : O_WRONLY);
        if (opened >= 0 && opened != descriptor) {
            ::dup2(opened, descriptor);
            ::close(opened);
        }
    }
}

bool WriteOut(std::string_view text) {
    return WriteAll(STDOUT_FILENO, text);
}

bool WriteError(std::string_view text) {
    return WriteAll(STDERR_FILENO, text);
}

std::string DefaultDataFolder() {
    return std::string();
}

int SystemCodePage() {
    return 0;
}

std::u16string DecodeSystemText(std::string_view bytes) {
    return std::u16string(bytes.begin(), bytes.end());
}

bool EncodeSystemCharacter(char32_t character, std::string* bytes, const void*) {
    if (character >= 0x80) return false;
    bytes->push_back(static_cast<char>(character));
    return true;
}

std::string CutSystemText(const std::string& bytes, std::size_t size) {
    return bytes.substr(0, size == 0 ? 0 : size - 1);
}

void LowerSystemCase(std::u16string* text) {
    for (char16_t& c : *text)
        if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
}

bool ProgramRunning() {
    return false;
}

bool ReadHiddenLine(const char* prompt, std::string* line) {
    const int tty = ::open("/dev/tty", O_RDWR | O_NOCTTY);
    if (tty < 0) return false;
    termios saved;
    const bool terminal = ::tcgetattr(tty, &saved) == 0;
    if (terminal) {
        termios quiet = saved;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        quiet.c_lflag |= ECHONL;
        ::tcsetattr(tty, TCSAFLUSH, &quiet);
    }
    WriteAll(tty, prompt);
    line->clear();
    char byte = 0;
    ssize_t got = 0;
    while ((got = ::read(tty, &byte, 1)) == 1 && byte != '\n') line->push_back(byte);
    if (terminal) ::tcsetattr(tty, TCSAFLUSH, &saved);
    ::close(tty);
    return terminal && got >= 0;
}

bool Inspect(const std::string& path, FileInfo* info) {
    return InspectWith(::lstat, path, info);
}

bool InspectTarget(const std::string& path, FileInfo* info) {
    return InspectWith(::stat, path, info);
}

bool SameFile(const FileInfo& a, const FileInfo& b) {
    return a.kind != FileKind::Missing && b.kind != FileKind::Missing && a.device == b.device &&
           a.index == b.index;
}

std::FILE* OpenFile(const std::string& path, const char* mode) {
    return std::fopen(path.c_str(), mode);
}

std::FILE* CreateNewFile(const std::string& path) {
    const int descriptor =
        ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (descriptor < 0) return nullptr;
    std::FILE* file = ::fdopen(descriptor, "wb");
    if (file == nullptr) {
        const int error = errno;
        ::close(descriptor);
        ::unlink(path.c_str());
        errno = error;
    }
    return file;
}

bool SyncFile(std::FILE* file) {
    return ::fsync(::fileno(file)) == 0;
}

bool SetMode(const std::string& path, unsigned mode) {
    return ::chmod(path.c_str(), static_cast<mode_t>(mode)) == 0;
}

unsigned NewFileMode() {
    const mode_t mask = ::umask(022);
    ::umask(mask);
    return 0666u & ~static_cast<unsigned>(mask);
}

bool MakeDirectory(const std::string& path) {
    if (::mkdir(path.c_str(), 0777) == 0) return true;
    if (errno != EEXIST) return false;
    struct stat status;
    if (::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode)) return true;
    errno = ENOTDIR;
    return false;
}

bool MakeNewDirectory(const std::string& path, unsigned mode) {
    if (::mkdir(path.c_str(), static_cast<mode_t>(mode)) != 0) return false;
    // mkdir leaves out what the umask takes away; the mode asked for is meant.
    ::chmod(path.c_str(), static_cast<mode_t>(mode));
    return true;
}

bool Rename(const std::string& from, const std::string& to) {
    // rename() would replace a file or an empty folder: the target must be free.
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
        SyncFolderOf(to);
        return true;
    }
    if (errno != EINVAL && errno != ENOSYS) return false;
    // A file system that cannot refuse by itself.
    struct stat status;
    if (::lstat(to.c_str(), &status) == 0) {
        errno = EEXIST;
        return false;
    }
    if (::rename(from.c_str(), to.c_str()) != 0) return false;
    SyncFolderOf(to);
    return true;
}

bool MoveOver(const std::string& from, const std::string& to) {
    if (::rename(from.c_str(), to.c_str()) != 0) return false;
    SyncFolderOf(to);
    return true;
}

bool RemoveFile(const std::string& path) {
    return ::unlink(path.c_str()) == 0;
}

bool RemoveFolder(const std::string& path) {
    return ::rmdir(path.c_str()) == 0;
}

bool RemoveTree(const std::string& path) {
    struct stat status;
    if (::lstat(path.c_str(), &status) != 0) return errno == ENOENT;
    if (!S_ISDIR(status.st_mode)) return ::unlink(path.c_str()) == 0;
    bool ok = true;
    for (const std::string& name : ListFolder(path)) ok = RemoveTree(path + "/" + name) && ok;
    return ::rmdir(path.c_str()) == 0 && ok;
}

std::vector<std::string> ListFolder(const std::string& path) {
    std::vector<std::string> names;
    DIR* folder = ::opendir(path.c_str());
    if (folder == nullptr) return names;
    while (const dirent* entry = ::readdir(folder)) {
        if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
            names.emplace_back(entry->d_name);
    }
    ::closedir(folder);
    return names;
}

bool CutFile(const std::string& path, std::uint64_t size) {
    return ::truncate(path.c_str(), static_cast<off_t>(size)) == 0;
}

std::string ErrorText() {
    return ErrnoText(errno);
}

std::string ErrnoText(int error) {
    return std::strerror(error);
}

std::string SystemErrorText(int code) {
    return std::strerror(code);
}

void LocalTime(int fields[6]) {
    const std::time_t now = std::time(nullptr);
    std::tm local = {};
    ::localtime_r(&now, &local);
    fields[0] = local.tm_year + 1900;
    fields[1] = local.tm_mon + 1;
    fields[2] = local.tm_mday;
    fields[3] = local.tm_hour;
    fields[4] = local.tm_min;
    fields[5] = local.tm_sec;
}

void SleepMilliseconds(int milliseconds) {
    ::usleep(static_cast<useconds_t>(milliseconds) * 1000);
}

unsigned long ProcessId() {
    return static_cast<unsigned long>(::getpid());
}

char Separator() {
    return '/';
}

bool CaseBlindNames() {
    return false;
}

}  // namespace platform
