// The program log's lines and the reading of the log: see log_file.h.
#include "log/log_file.h"

#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

char LogLine[kTextSize];

namespace {

constexpr char kCutMark[] = "...";
constexpr std::size_t kReadChunk = 64 * 1024;

// Appends text to the line buffer as far as it fits; returns the new length.
std::size_t AppendBounded(std::size_t length, const char* text) {
    const std::size_t room = sizeof LogLine - 1 - length;
    std::size_t count = std::strlen(text);
    if (count > room) count = room;
    std::memcpy(LogLine + length, text, count);
    return length + count;
}

// A byte that a list box cannot show as it stands.
char Shown(char byte) {
    const unsigned char value = static_cast<unsigned char>(byte);
    return (value < 0x20 || value == 0x7F) ? '?' : byte;
}

}  // namespace

void ComposeLogLine(const char* first, const char* second, const char* third) {
    std::size_t length = 0;
    length = AppendBounded(length, first);
    length = AppendBounded(length, second);
    length = AppendBounded(length, third);
    LogLine[length] = '\0';
}

bool WriteLogLineTo(std::FILE* file) {
    return std::fprintf(file, "%s\n", LogLine) > 0;
}

LogAppend AppendLogLineTo(const LogFileAccess& access, const void* path) {
    // The log's size before the line, so that a line that cannot be written
    // whole can be taken out again.
    std::uint64_t size = 0;
    if (!access.size(path, &size)) size = 0;
    std::FILE* file = access.open(path);
    if (file == nullptr) return LogAppend::OpenFailed;
    const bool written = WriteLogLineTo(file);
    // The line reaches the file when the stream is closed.
    if (std::fclose(file) == 0 && written) return LogAppend::Written;
    access.cutBack(path, size);
    return LogAppend::WriteFailed;
}

LogLineSplitter::LogLineSplitter(std::size_t limit) : limit_(limit) {
    ring_.reserve(limit < 1024 ? limit : 1024);
}

void LogLineSplitter::AppendToLine(const char* data, std::size_t size) {
    if (size == 0) return;
    // One byte beyond the shown length is kept, so that a carriage return
    // ending a line of exactly the shown length can still be dropped.
    const std::size_t keep = kShownLineLength + 1;
    if (current_.size() < keep) {
        const std::size_t take = size < keep - current_.size() ? size : keep - current_.size();
        current_.append(data, take);
    }
    currentLength_ += size;
    lastByte_ = data[size - 1];
}

void LogLineSplitter::EndLine() {
    if (lastByte_ == '\r' && currentLength_ > 0) {
        --currentLength_;
        if (current_.size() > currentLength_) current_.resize(currentLength_);
    }
    const bool cut = currentLength_ > kShownLineLength;
    const std::size_t shown = cut ? kShownLineLength - (sizeof kCutMark - 1) : current_.size();

    if (limit_ > 0) {
        if (ring_.size() < limit_) ring_.emplace_back();
        std::string& slot = ring_[next_];
        slot.assign(current_, 0, shown);
        for (char& byte : slot) byte = Shown(byte);
        if (cut) slot += kCutMark;
        next_ = (next_ + 1) % limit_;
    }
    ++total_;
    current_.clear();
    currentLength_ = 0;
    lastByte_ = '\0';
}

void LogLineSplitter::Feed(const char* data, std::size_t size) {
    while (size > 0) {
        const void* found = std::memchr(data, '\n', size);
        if (found == nullptr) {
            AppendToLine(data, size);
            return;
        }
        const std::size_t length = static_cast<std::size_t>(static_cast<const char*>(found) - data);
        AppendToLine(data, length);
        EndLine();
        data += length + 1;
        size -= length + 1;
    }
}

LogLines LogLineSplitter::Finish() {
    if (currentLength_ > 0) EndLine();
    LogLines result;
    const std::size_t kept = ring_.size();
    result.olderCount = total_ - kept;
    result.lines.reserve(kept);
    // When the circle is full, the oldest kept line sits where the next
    // line would go.
    const std::size_t oldest = kept < limit_ ? 0 : next_;
    for (std::size_t i = 0; i < kept; ++i)
        result.lines.push_back(std::move(ring_[(oldest + i) % kept]));
    ring_.clear();
    next_ = 0;
    total_ = 0;
    return result;
}

LogLines SplitLogText(std::string_view text, std::size_t limit) {
    LogLineSplitter splitter(limit);
    splitter.Feed(text.data(), text.size());
    return splitter.Finish();
}

LogLines ReadLogLines(std::FILE* file, std::size_t limit) {
    LogLineSplitter splitter(limit);
    std::vector<char> chunk(kReadChunk);
    std::size_t got;
    while ((got = std::fread(chunk.data(), 1, chunk.size(), file)) > 0)
        splitter.Feed(chunk.data(), got);
    return splitter.Finish();
}

std::size_t CountLineFeeds(const char* data, std::size_t size) {
    std::size_t count = 0;
    std::size_t at = 0;
#if defined(__SSE2__)
    // Sixteen bytes at a time: each compare gives 0xFF (-1) in the lanes that
    // hold a line feed, and subtracting it counts them per lane. 255 rounds
    // at most fit a lane's byte before the lanes are summed.
    const __m128i lineFeeds = _mm_set1_epi8('\n');
    while (size - at >= 16) {
        const std::size_t rounds = (size - at) / 16 < 255 ? (size - at) / 16 : 255;
        __m128i lanes = _mm_setzero_si128();
        for (std::size_t round = 0; round < rounds; ++round, at += 16) {
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + at));
            lanes = _mm_sub_epi8(lanes, _mm_cmpeq_epi8(bytes, lineFeeds));
        }
        // Sums of the two halves' eight lanes each.
        const __m128i sums = _mm_sad_epu8(lanes, _mm_setzero_si128());
        count += static_cast<std::size_t>(_mm_cvtsi128_si32(sums)) +
                 static_cast<std::size_t>(_mm_extract_epi16(sums, 4));
    }
#else
    // A word at a time where the processor may lack SSE2 (the 32-bit
    // program runs on any x86).
    constexpr std::uint64_t kOnes = 0x0101010101010101u;
    constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7Fu;
    for (; size - at >= sizeof(std::uint64_t); at += sizeof(std::uint64_t)) {
        std::uint64_t word;
        std::memcpy(&word, data + at, sizeof word);
        word ^= kOnes * '\n';  // a line feed's byte is now zero
        // High bit of each byte set unless the byte is zero (no carry
        // crosses bytes, so a zero byte is never reported wrongly).
        const std::uint64_t nonZero = ((word & kLow7) + kLow7) | word;
        const std::uint64_t zeros = (~nonZero >> 7) & kOnes;
        count += static_cast<std::size_t>((zeros * kOnes) >> 56);
    }
#endif
    for (; at < size; ++at) count += data[at] == '\n';
    return count;
}

std::string OlderLinesNote(std::size_t olderCount) {
    char note[96];
    std::snprintf(note, sizeof note, "(%llu older lines are not shown)",
                  static_cast<unsigned long long>(olderCount));
    return note;
}
