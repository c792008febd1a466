// Program log lines: how they are built and written, and how the viewer
// splits a log into lines.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "journal/text.h"
#include "log/log_file.h"
#include "support/streams.h"

namespace {

using Lines = std::vector<std::string>;

}  // namespace

TEST(ComposeLogLine, TimestampEventAndDetailMakeTheLine) {
    char stamp[kTimestampSize];
    FormatTimestampFields(stamp, sizeof stamp, 2024, 3, 15, 14, 5, 9);
    struct Row {
        const char* event;
        const char* line;
    } rows[] = {
        {kSessionStartText, "2024-03-15 14:05:09 - Session Start"},
        {kSessionEndText, "2024-03-15 14:05:09 - Session End"},
        {kLoggingEnabledText, "2024-03-15 14:05:09 - Logging is enabled"},
        {kLoggingDisabledText, "2024-03-15 14:05:09 - Logging is disabled"},
        {kIncorrectPasswordText, "2024-03-15 14:05:09 - Incorrect login password."},
    };
    for (const Row& row : rows) {
        ComposeLogLine(stamp, row.event, "");
        EXPECT_STREQ(LogLine, row.line);
    }
    ComposeLogLine(stamp, kSessionStartText, "");
    EXPECT_EQ(std::strlen(LogLine), 35u);
    ComposeLogLine("a", "b", "c");
    EXPECT_STREQ(LogLine, "abc");
}

TEST(ComposeLogLine, CutsWhatDoesNotFitTheLineBuffer) {
    const std::string part(600, 'p');
    ComposeLogLine(part.c_str(), part.c_str(), "tail");
    EXPECT_EQ(std::strlen(LogLine), kTextSize - 1);
    EXPECT_EQ(std::string(LogLine), std::string(kTextSize - 1, 'p'));
    ComposeLogLine("", "", "");
    EXPECT_STREQ(LogLine, "");
}

TEST(WriteLogLineTo, AppendsTheLineAndOneLineFeed) {
    std::FILE* file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    ComposeLogLine("2009-03-07 09:05:07", kSessionStartText, "");
    EXPECT_TRUE(WriteLogLineTo(file));
    ComposeLogLine("2009-03-07 09:06:00", kSessionEndText, "");
    EXPECT_TRUE(WriteLogLineTo(file));
    EXPECT_EQ(BytesOf(file),
              "2009-03-07 09:05:07 - Session Start\n2009-03-07 09:06:00 - Session End\n");
    std::fclose(file);
}

TEST(SplitLogText, SplitsLinesAsTheyStandInTheFile) {
    const std::string longLine(1000, 'L');
    const std::string shownLong = std::string(kShownLineLength - 3, 'L') + "...";
    struct Row {
        const char* name;
        std::string text;
        Lines lines;
    } rows[] = {
        {"empty log", "", {}},
        {"one line", "a\n", {"a"}},
        {"last line without line feed", "a\nb", {"a", "b"}},
        {"carriage return line feeds", "a\r\nb\r\n", {"a", "b"}},
        {"carriage return at the very end", "a\r\nb\r", {"a", "b"}},
        {"empty lines count", "a\n\nb\n", {"a", "", "b"}},
        {"only a line feed", "\n", {""}},
        {"control and zero bytes", std::string("x\ty\0z\rq\x7F\n", 9), {"x?y?z?q?"}},
        {"high bytes kept", "caf\xE9\n", {"caf\xE9"}},
        {"long line cut", longLine + "\nnext\n", {shownLong, "next"}},
        {"line of the shown length", std::string(kShownLineLength, 'e') + "\r\n",
         {std::string(kShownLineLength, 'e')}},
        {"one byte more", std::string(kShownLineLength + 1, 'e') + "\n",
         {std::string(kShownLineLength - 3, 'e') + "..."}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const LogLines got = SplitLogText(row.text);
        EXPECT_EQ(got.lines, row.lines);
        EXPECT_EQ(got.olderCount, 0u);
    }
}

TEST(SplitLogText, KeepsTheNewestLinesAndCountsTheOlderOnes) {
    std::string text;
    for (int i = 1; i <= 12; ++i) text += "line " + std::to_string(i) + "\n";
    LogLines got = SplitLogText(text, 5);
    EXPECT_EQ(got.lines, (Lines{"line 8", "line 9", "line 10", "line 11", "line 12"}));
    EXPECT_EQ(got.olderCount, 7u);

    got = SplitLogText(text, 12);
    EXPECT_EQ(got.lines.size(), 12u);
    EXPECT_EQ(got.lines.front(), "line 1");
    EXPECT_EQ(got.olderCount, 0u);

    got = SplitLogText("a\nb", 1);
    EXPECT_EQ(got.lines, (Lines{"b"}));
    EXPECT_EQ(got.olderCount, 1u);

    got = SplitLogText("a\nb\n", 0);
    EXPECT_TRUE(got.lines.empty());
    EXPECT_EQ(got.olderCount, 2u);

    EXPECT_EQ(OlderLinesNote(7), "(7 older lines are not shown)");
}

// However the bytes arrive, split at any place, the lines are the same.
TEST(LogLineSplitter, ChunkBoundariesDoNotMatter) {
    const std::string text = "2024-01-01 00:00:00 - Session Start\r\n\r\nab\rc\n" +
                             std::string(kShownLineLength + 2, 'w') + "\r\nend\r";
    const LogLines whole = SplitLogText(text, 3);
    for (std::size_t cut = 0; cut <= text.size(); ++cut) {
        for (std::size_t second = cut; second <= text.size(); second += 97) {
            LogLineSplitter splitter(3);
            splitter.Feed(text.data(), cut);
            splitter.Feed(text.data() + cut, second - cut);
            splitter.Feed(text.data() + second, text.size() - second);
            const LogLines got = splitter.Finish();
            ASSERT_EQ(got.lines, whole.lines) << cut << " " << second;
            ASSERT_EQ(got.olderCount, whole.olderCount);
        }
    }
    EXPECT_EQ(whole.olderCount, 2u);
    EXPECT_EQ(whole.lines.back(), "end");
}

// Counted many bytes at a time: at every start and length, bytes close to a
// line feed's (0x0A) are not taken for one and no line feed is missed.
TEST(CountLineFeeds, CountsEveryLineFeedAndNothingElse) {
    std::string bytes("\n\x0b\x8a\t\n\n\0\xff\x7f\x80\n", 11);
    bytes += bytes + "\x0a\x0a\x0a\x0a\x0a\x0a\x0a\x0a\x0a" + bytes;
    for (std::size_t from = 0; from <= bytes.size(); ++from)
        for (std::size_t to = from; to <= bytes.size(); ++to)
            ASSERT_EQ(CountLineFeeds(bytes.data() + from, to - from),
                      static_cast<std::size_t>(std::count(&bytes[from], &bytes[0] + to, '\n')))
                << from << " " << to;
}

// Long runs of line feeds, from several starts and to several ends: more
// than a byte-wide counter of the sixteen-byte count holds before its lanes
// are summed.
TEST(CountLineFeeds, CountsLongRunsOfLineFeeds) {
    std::string bytes(255 * 16 * 3 + 21, '\n');
    for (std::size_t i = 7; i < bytes.size(); i += 16) bytes[i] = 'x';  // one lane in sixteen
    for (std::size_t from : {0, 1, 15, 16, 17, 255 * 16 + 3}) {
        for (std::size_t cut : {0, 1, 15, 16, 255 * 16}) {
            const std::size_t to = bytes.size() - cut;
            ASSERT_EQ(CountLineFeeds(bytes.data() + from, to - from),
                      static_cast<std::size_t>(std::count(&bytes[from], &bytes[0] + to, '\n')))
                << from << " " << to;
        }
    }
}

TEST(ReadLogLines, ReadsAFileLargerThanOneChunk) {
    std::FILE* file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    for (int i = 0; i < 30000; ++i)
        std::fprintf(file, "2024-03-15 14:05:09 - Session Start %d\n", i);
    std::fputs("last without line feed", file);
    std::rewind(file);
    const LogLines got = ReadLogLines(file, 100);
    std::fclose(file);
    ASSERT_EQ(got.lines.size(), 100u);
    EXPECT_EQ(got.olderCount, 29901u);
    EXPECT_EQ(got.lines.front(), "2024-03-15 14:05:09 - Session Start 29901");
    EXPECT_EQ(got.lines[98], "2024-03-15 14:05:09 - Session Start 29999");
    EXPECT_EQ(got.lines.back(), "last without line feed");
}
