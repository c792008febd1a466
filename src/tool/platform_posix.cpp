// The system interface of larkmoor-tool on POSIX systems (Linux): see
// platform.h. Also the POSIX form of the atomic file replacement.
#include "tool/platform.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
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

// Flushes a folder's entry list to the disk, so that a rename in it lasts.
void SyncFolderOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    const int descriptor = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (descriptor < 0) return;
    ::fsync(descriptor);
    ::close(descriptor);
}

}  // namespace

bool ReplaceFileContents(const char* path, FileWriter write, void* context) {
    // A file that nobody may write (no write permission bits) stays as it is,
    // as a read-only file does on Windows; root would otherwise replace it.
    struct stat old;
    if (::stat(path, &old) == 0 && (old.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return false;
    const std::string newPath = std::string(path) + ".new";
    std::FILE* file = std::fopen(newPath.c_str(), "wb");
    if (file == nullptr) return false;
    bool ok = write(file, context);
    ok = std::fflush(file) == 0 && ok;
    ok = ::fsync(::fileno(file)) == 0 && ok;
    ok = std::fclose(file) == 0 && ok;
    if (ok && ::rename(newPath.c_str(), path) == 0) {
        SyncFolderOf(path);
        return true;
    }
    ::unlink(newPath.c_str());
    return false;
}

namespace platform {

std::vector<std::string> Arguments(int argc, char** argv) {
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i) arguments.emplace_back(argv[i]);
    return arguments;
}

void PrepareStandardStreams() {}

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

std::FILE* OpenFile(const std::string& path, const char* mode) {
    return std::fopen(path.c_str(), mode);
}

bool IsFile(const std::string& path) {
    struct stat info;
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool IsDirectory(const std::string& path) {
    struct stat info;
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool MakeDirectory(const std::string& path) {
    return ::mkdir(path.c_str(), 0777) == 0 || (errno == EEXIST && IsDirectory(path));
}

bool Rename(const std::string& from, const std::string& to) {
    // rename() would replace an empty folder or a file: refuse any target.
    struct stat info;
    if (::lstat(to.c_str(), &info) == 0) return false;
    return ::rename(from.c_str(), to.c_str()) == 0;
}

bool RemoveFile(const std::string& path) {
    return ::unlink(path.c_str()) == 0;
}

bool RemoveTree(const std::string& path) {
    struct stat info;
    if (::lstat(path.c_str(), &info) != 0) return errno == ENOENT;
    if (!S_ISDIR(info.st_mode)) return ::unlink(path.c_str()) == 0;
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

bool ReplaceWholeFile(const std::string& path, FileWriter write, void* context) {
    return ReplaceFileContents(path.c_str(), write, context);
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

}  // namespace platform
