// The settings record and its file format: see settings_file.h.
#include "settings/settings_file.h"

#include <cerrno>
#include <climits>
#include <cstring>

int WindowLeft;
int WindowTop;
int WindowWidth;
int WindowHeight;
int ShowStartupScreen;
int LogEnabled;
int AutoLogin;
char StoredPassword[kTextSize];

bool IsSettingsBlank(int byte) {
    return byte == ' ' || byte == '\t' || byte == '\n' || byte == '\v' || byte == '\f' ||
           byte == '\r';
}

namespace {

int SkipBlanks(std::FILE* file) {
    int c = std::getc(file);
    while (c != EOF && IsSettingsBlank(c)) c = std::getc(file);
    return c;
}

// Reads one signed decimal number and the white space after it, as the
// format "%d\n" would. Values beyond the range of int are held at its ends.
// On failure the field is left alone and the offending byte stays unread.
// The byte that ended the digits goes to *ender (EOF when the file ended).
bool ReadNumber(std::FILE* file, int* field, int* ender) {
    int c = SkipBlanks(file);
    bool negative = false;
    if (c == '-' || c == '+') {
        negative = (c == '-');
        c = std::getc(file);
    }
    if (c < '0' || c > '9') {
        if (c != EOF) std::ungetc(c, file);
        return false;
    }
    long long value = 0;
    for (; c >= '0' && c <= '9'; c = std::getc(file)) {
        if (value <= static_cast<long long>(INT_MAX) + 1) value = value * 10 + (c - '0');
    }
    if (negative) value = -value;
    if (value > INT_MAX) value = INT_MAX;
    if (value < INT_MIN) value = INT_MIN;
    *field = static_cast<int>(value);
    *ender = c;
    if (c != EOF && IsSettingsBlank(c)) c = SkipBlanks(file);
    if (c != EOF) std::ungetc(c, file);
    return true;
}

void SetInitialPassword() {
    ClearText(StoredPassword, sizeof StoredPassword);
    ScrambleText(kInitialPassword, StoredPassword);
}

// The record before anything is read: every number 0, so automatic login is
// off, and the initial password.
void ClearRecord() {
    WindowLeft = WindowTop = WindowWidth = WindowHeight = 0;
    ShowStartupScreen = LogEnabled = AutoLogin = 0;
    SetInitialPassword();
}

}  // namespace

void ApplyDefaultSettings() {
    WindowLeft = 0;
    WindowTop = 0;
    WindowWidth = 320;
    WindowHeight = 240;
    ShowStartupScreen = 1;
    LogEnabled = 1;
    AutoLogin = 1;
    SetInitialPassword();
}

SettingsReading ReadSettingsFrom(std::FILE* file) {
    int* const fields[] = {&WindowLeft,        &WindowTop,  &WindowWidth, &WindowHeight,
                           &ShowStartupScreen, &LogEnabled, &AutoLogin};
    SettingsReading reading;
    int ender = EOF;
    for (int i = 0; i < 7; ++i) {
        if (ReadNumber(file, fields[i], &ender) || reading.damage != SettingsDamage::None) continue;
        // The first number that cannot be read: the file ends there, or the
        // line holds something else.
        const int next = std::getc(file);
        reading.damage = next == EOF ? SettingsDamage::EndsEarly : SettingsDamage::NotANumber;
        reading.line = next == EOF ? i : i + 1;
        if (next != EOF) std::ungetc(next, file);
    }
    const bool allNumbersRead = reading.damage == SettingsDamage::None;
    // The program ends its lines with a line feed alone. A carriage return
    // after the last number means the file was saved by an editor with CR LF
    // line ends, and then the password line ends in one too.
    const bool crLfLines = allNumbersRead && ender == '\r';

    // After seven good numbers the blanks before the password line are already
    // gone; after a damaged number they may not be. Skipping them here keeps
    // what is read the same as what a later save writes and reads back.
    const int next = SkipBlanks(file);
    if (next != EOF) std::ungetc(next, file);

    char line[kTextSize];
    ClearText(line, sizeof line);
    if (std::fgets(line, sizeof line, file) == nullptr) {
        SetInitialPassword();
        if (allNumbersRead) reading.damage = SettingsDamage::NoPassword;
        return reading;
    }
    std::size_t length = std::strlen(line);
    if (length > 0 && line[length - 1] == '\n') line[--length] = '\0';
    if (crLfLines && length > 0 && line[length - 1] == '\r') line[--length] = '\0';
    // An empty password can never be typed at the login (it is refused before
    // any comparison), so an empty password line would lock the user out. So
    // would a damaged number line: the numbers stop there, and the line read
    // as the password is not the password line.
    if (length == 0 || !allNumbersRead) {
        SetInitialPassword();
        if (allNumbersRead) reading.damage = SettingsDamage::NoPassword;
        return reading;
    }
    ClearText(StoredPassword, sizeof StoredPassword);
    std::memcpy(StoredPassword, line, length);
    return reading;
}

SettingsLoad LoadSettingsFrom(std::FILE* file, int openError) {
    SettingsLoad load;
    if (file == nullptr && openError == ENOENT) {
        ApplyDefaultSettings();
        load.source = SettingsSource::FirstStart;
        return load;
    }
    ClearRecord();
    if (file == nullptr) {
        load.source = SettingsSource::Damaged;
        load.reading.damage = SettingsDamage::Unreadable;
        load.error = openError;
        return load;
    }
    errno = 0;
    load.reading = ReadSettingsFrom(file);
    if (std::ferror(file) != 0) {
        // Part of a file is no record: it may stop anywhere.
        load.error = errno;
        ClearRecord();
        load.reading = {SettingsDamage::Unreadable, 0};
    }
    load.source =
        load.reading.damage == SettingsDamage::None ? SettingsSource::Read : SettingsSource::Damaged;
    return load;
}

bool WriteSettingsTo(std::FILE* file) {
    const int fields[] = {WindowLeft,        WindowTop,  WindowWidth, WindowHeight,
                          ShowStartupScreen, LogEnabled, AutoLogin};
    bool ok = true;
    for (int field : fields) ok = std::fprintf(file, "%d\n", field) > 0 && ok;
    ok = std::fprintf(file, "%s\n", StoredPassword) > 0 && ok;
    return ok && std::ferror(file) == 0;
}
