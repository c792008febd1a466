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

}  // namespace

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
