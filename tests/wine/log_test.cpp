// The program log's event routines writing to the real log file.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "journal/text.h"
#include "log/log_file.h"
#include "log/program_log.h"
#include "shell/shell.h"
#include "support/ui_harness.h"

namespace {

class ProgramLogTest : public HarnessTest {
protected:
    std::string Log() const { return ReadFileBytes(LogPath); }
};

// The current local date as the log writes it, "YYYY-MM-DD".
std::string Today() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", now.wYear, now.wMonth, now.wDay);
    return text;
}

}  // namespace

TEST_F(ProgramLogTest, EachEventAppendsOneStampedLine) {
    const std::string today = Today();
    LogSessionStart();
    // The first event creates the file with its one line.
    std::string log = Log();
    ASSERT_EQ(log.size(), 36u);
    EXPECT_EQ(log.substr(0, 10), today);
    EXPECT_EQ(log[10], ' ');
    EXPECT_EQ(log.substr(13, 1), ":");
    EXPECT_EQ(log.substr(16, 1), ":");
    EXPECT_EQ(log.substr(19), " - Session Start\n");

    LogLoggingEnabled();
    LogLoggingDisabled();
    LogIncorrectPassword();
    LogSessionEnd();
    log = Log();
    const char* events[] = {" - Session Start", " - Logging is enabled", " - Logging is disabled",
                            " - Incorrect login password.", " - Session End"};
    std::size_t at = 0;
    for (const char* event : events) {
        SCOPED_TRACE(event);
        const std::size_t end = log.find('\n', at);
        ASSERT_NE(end, std::string::npos);
        EXPECT_EQ(log.substr(at + 19, end - at - 19), event);
        EXPECT_EQ(log.substr(at, 10), today);
        at = end + 1;
    }
    EXPECT_EQ(at, log.size());
    EXPECT_EQ(log.find('\r'), std::string::npos);
    EXPECT_TRUE(boxes_.Boxes().empty());
}

TEST_F(ProgramLogTest, ExistingLinesAreNeverRewritten) {
    WriteFileBytes(LogPath, "written by hand, no line feed");
    ComposeLogLine("first", "-", "third");
    AppendLogLine();
    EXPECT_EQ(Log(), "written by hand, no line feedfirst-third\n");
}

TEST_F(ProgramLogTest, LogThatCannotBeOpenedShowsABoxForEachEvent) {
    CreateDirectoryA(LogPath, nullptr);  // a folder in the log's place
    LogSessionStart();
    LogIncorrectPassword();
    ASSERT_EQ(boxes_.Boxes().size(), 2u);
    for (const SeenBox& box : boxes_.Boxes()) {
        EXPECT_EQ(box.text, "Program log write error!");
        EXPECT_EQ(box.caption, "An unexpected error has occurred!");
        EXPECT_TRUE(box.topmost);
        EXPECT_EQ(box.owner, nullptr);
    }
}
