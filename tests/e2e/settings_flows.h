// Helpers shared by the end-to-end tests of settings, login and the log:
// typing into another process's fields, answering its message boxes and
// reading the files it wrote.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/driver.h"

namespace flows {

// Waits until ready() holds; false after the timeout.
template <typename Ready>
bool WaitUntil(Ready ready, DWORD timeoutMs = 10000) {
    const DWORD start = GetTickCount();
    while (!ready()) {
        if (GetTickCount() - start > timeoutMs) return false;
        Sleep(50);
    }
    return true;
}

inline bool WaitGone(HWND window) {
    return WaitUntil([window] { return !IsWindow(window) || !IsWindowVisible(window); });
}

// Puts text into a field of another process's dialog.
inline void SetFieldText(HWND dialog, int id, const std::string& text) {
    DWORD_PTR result = 0;
    SendMessageTimeoutA(GetDlgItem(dialog, id), WM_SETTEXT, 0,
                        reinterpret_cast<LPARAM>(text.c_str()), SMTO_ABORTIFHUNG, 5000, &result);
}

// Waits for a "Notice" box, checks its text, presses the button and waits
// until the box has gone.
inline void AnswerNotice(Larkmoor& program, const std::string& text, int button = IDOK) {
    HWND box = program.WaitDialog("Notice");
    ASSERT_NE(box, nullptr) << "no box saying " << text;
    EXPECT_EQ(MessageBoxText(box), text);
    PostClick(box, button);
    ASSERT_TRUE(WaitGone(box));
}

// The lines of a file, without their line feeds; a last line without a line
// feed is marked.
inline std::vector<std::string> LinesOf(const std::string& bytes) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = bytes.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(bytes.substr(start, end - start));
    if (start < bytes.size()) lines.push_back(bytes.substr(start) + "(no line feed)");
    return lines;
}

inline std::string LogFile() { return ReadFileBytes(DataFolderPath() + "\\larkmoorlog.txt"); }
inline std::string SettingsFile() { return ReadFileBytes(DataFolderPath() + "\\larkmoor.cfg"); }

// The events of the log, each line without its 19-character timestamp, after
// checking that every line starts with one.
inline std::vector<std::string> LogEvents() {
    std::vector<std::string> events;
    for (const std::string& line : LinesOf(LogFile())) {
        const bool stamped = line.size() > 19 && line[4] == '-' && line[7] == '-' &&
                             line[10] == ' ' && line[13] == ':' && line[16] == ':';
        EXPECT_TRUE(stamped) << line;
        events.push_back(stamped ? line.substr(19) : line);
    }
    return events;
}

inline std::string Scrambled(const std::string& plain) {
    std::string text = plain;
    for (char& byte : text) byte = static_cast<char>(static_cast<unsigned char>(byte) ^ 0xA5);
    return text;
}

// Ends the program through its Exit command and checks the exit code.
inline void ExitProgram(Larkmoor& program, HWND window) {
    PostCommand(window, 2002);  // IDM_EXIT
    DWORD code = 99;
    ASSERT_TRUE(program.WaitExit(&code));
    EXPECT_EQ(code, 0u);
}

}  // namespace flows
