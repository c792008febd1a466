// What the stored forms must be, worked out independently of the program's
// own routines, for every tier: the scrambled and quoted forms of a text,
// the settings file's bytes, log lines and timestamps. Portable.
#pragma once

#include <cctype>
#include <string>
#include <vector>

namespace oracle {

// Every stored password and entry text is XOR-ed with this byte.
constexpr unsigned char kKey = 0xA5;

inline std::string Scrambled(std::string text) {
    for (char& byte : text) byte = static_cast<char>(static_cast<unsigned char>(byte) ^ kKey);
    return text;
}

// The text as it stands between the quotes of an SQL string literal.
inline std::string Quoted(const std::string& text) {
    std::string quoted;
    for (char c : text) quoted += c == '\'' ? std::string("''") : std::string(1, c);
    return quoted;
}

inline std::string Hex(const std::string& bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string hex;
    for (unsigned char byte : bytes) {
        hex += digits[byte >> 4];
        hex += digits[byte & 15];
    }
    return hex;
}

// "YYYY-MM-DD hh:mm:ss".
inline bool IsTimestamp(const std::string& text) {
    if (text.size() != 19) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char separator = i == 4 || i == 7 ? '-' : i == 10 ? ' ' : i == 13 || i == 16 ? ':' : 0;
        if (separator != 0 ? text[i] != separator : !std::isdigit(static_cast<unsigned char>(text[i])))
            return false;
    }
    return true;
}

// The settings file as the program writes it: seven numbers and the
// scrambled password, each on a line ended by a line feed.
inline std::string SettingsFile(int left, int top, int width, int height, int startup, int log,
                                int autoLogin, const std::string& password = "granite") {
    std::string text;
    for (int number : {left, top, width, height, startup, log, autoLogin})
        text += std::to_string(number) + "\n";
    return text + Scrambled(password) + "\n";
}

// The lines of a file without their line ends (line feeds unless named); a
// last line without one is marked, so that a cut line never passes for a
// whole one.
inline std::vector<std::string> LinesOf(const std::string& bytes, const std::string& end = "\n") {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t at; (at = bytes.find(end, start)) != std::string::npos;
         start = at + end.size())
        lines.push_back(bytes.substr(start, at - start));
    if (start < bytes.size()) lines.push_back(bytes.substr(start) + "(no line feed)");
    return lines;
}

// The events of a log, each line without its timestamp; a line that does not
// start with one stands whole, marked.
inline std::vector<std::string> LogEvents(const std::string& log) {
    std::vector<std::string> events;
    for (const std::string& line : LinesOf(log))
        events.push_back(line.size() > 19 && IsTimestamp(line.substr(0, 19))
                             ? line.substr(19)
                             : "(not stamped) " + line);
    return events;
}

}  // namespace oracle
