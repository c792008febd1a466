// The program log's lines and the reading of the log for display.
// Portable: no Windows headers.
//
// Each line of the log is a timestamp, an event text and a detail text,
// ended by a single line feed, for instance
//     2024-03-15 14:05:09 - Session Start
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "journal/text.h"

// The event texts, each written right after the timestamp.
constexpr const char kSessionStartText[] = " - Session Start";
constexpr const char kSessionEndText[] = " - Session End";
constexpr const char kLoggingEnabledText[] = " - Logging is enabled";
constexpr const char kLoggingDisabledText[] = " - Logging is disabled";
constexpr const char kIncorrectPasswordText[] = " - Incorrect login password.";

// The line being built; at most kTextSize - 1 bytes of text.
extern char LogLine[kTextSize];

// LogLine := first, second and third joined in this order. What does not fit
// in the buffer is cut off.
void ComposeLogLine(const char* first, const char* second, const char* third);

// Writes LogLine and a line feed to the open log file. Returns false when
// the write failed.
bool WriteLogLineTo(std::FILE* file);

// The file operations that appending a line needs, for the log at path (the
// program's ANSI path, or larkmoor-tool's UTF-8 one).
struct LogFileAccess {
    // Opens the log for appending ("ab+"), creating it; null when it cannot be.
    std::FILE* (*open)(const void* path);
    // The log's size in bytes; false when it is not there or cannot be told.
    bool (*size)(const void* path, std::uint64_t* bytes);
    // Shortens the log to bytes (shortening a file needs no room on the disk).
    void (*cutBack)(const void* path, std::uint64_t bytes);
};

enum class LogAppend { Written, OpenFailed, WriteFailed };

// Appends LogLine and a line feed to the log: opens it, writes, closes it.
// A line that cannot be written whole (a full disk) is taken out again, so
// that a half line does not run into the next one. The program and
// larkmoor-tool both write their lines through here.
LogAppend AppendLogLineTo(const LogFileAccess& access, const void* path);

// ---------------------------------------------------------------------------
// Reading the log for display.

// How many of the newest lines the viewer shows, and how long a shown line
// may be; a longer line is cut and ends in "...". The program's own lines are
// under 50 characters; the length limit keeps hand-made lines within what
// every list box client can read back (Wine's ANSI list box messages copy
// through a buffer of 512 characters).
constexpr std::size_t kShownLogLines = 10000;
constexpr std::size_t kShownLineLength = 500;

// The newest lines of a log, oldest first, and how many older lines there are
// before them that were not kept.
struct LogLines {
    std::vector<std::string> lines;
    std::size_t olderCount = 0;
};

// Splits the bytes of a log into lines as they are read, chunk after chunk,
// keeping only the newest `limit` lines. A line ends at a line feed; a
// carriage return right before it is dropped, and so is one at the very end
// of the log. The last line counts even without a line feed. Control bytes
// and zero bytes show as '?', and a line longer than kShownLineLength is cut.
class LogLineSplitter {
public:
    explicit LogLineSplitter(std::size_t limit);
    void Feed(const char* data, std::size_t size);
    // Ends the last line and hands the result over.
    LogLines Finish();

private:
    void AppendToLine(const char* data, std::size_t size);
    void EndLine();

    std::size_t limit_;
    std::vector<std::string> ring_;  // the newest lines, in a circle
    std::size_t next_ = 0;           // slot the next line goes into
    std::size_t total_ = 0;          // lines ended so far
    std::string current_;            // kept part of the line being read
    std::size_t currentLength_ = 0;  // its length in the log
    char lastByte_ = '\0';
};

// Splits a whole log held in memory.
LogLines SplitLogText(std::string_view text, std::size_t limit = kShownLogLines);

// Reads an open log file once, from its current position to its end.
LogLines ReadLogLines(std::FILE* file, std::size_t limit = kShownLogLines);

// Number of line feeds in data, sixteen bytes at a time where the processor
// has SSE2 (always in 64-bit code), else a word at a time: the viewer counts
// the lines before the newest ones of a long log, all of the file but its end.
std::size_t CountLineFeeds(const char* data, std::size_t size);

// The first shown line when older lines were left out.
std::string OlderLinesNote(std::size_t olderCount);
