// Fuzzes the reader of View Program Log with arbitrary log contents. The
// lines it keeps must be exactly the newest lines of a plain reference
// split, shown as the viewer promises (no control bytes, no line longer than
// the shown length, a cut line marked), whether the log arrives whole, from
// a file, or in chunks of any size.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "log/log_file.h"
#include "fuzz/fuzz_check.h"

namespace {

// The lines of a log as the viewer should show them, every one of them.
std::vector<std::string> ReferenceLines(std::string_view log) {
    std::vector<std::string> raw;
    std::string current;
    bool open = false;
    for (char byte : log) {
        if (byte == '\n') {
            raw.push_back(current);
            current.clear();
            open = false;
        } else {
            current += byte;
            open = true;
        }
    }
    if (open) raw.push_back(current);

    std::vector<std::string> shown;
    for (std::string line : raw) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.size() > kShownLineLength) line = line.substr(0, kShownLineLength - 3) + "...";
        for (char& byte : line) {
            const unsigned char value = static_cast<unsigned char>(byte);
            if (value < 0x20 || value == 0x7F) byte = '?';
        }
        shown.push_back(line);
    }
    return shown;
}

void CheckAgainstReference(const LogLines& got, const std::vector<std::string>& reference,
                           std::size_t limit) {
    const std::size_t kept = reference.size() < limit ? reference.size() : limit;
    Check(got.lines.size() == kept, "keeps the newest lines up to the limit");
    Check(got.olderCount == reference.size() - kept, "counts the lines left out");
    for (std::size_t i = 0; i < kept; ++i)
        Check(got.lines[i] == reference[reference.size() - kept + i], "line as the reference");
    for (const std::string& line : got.lines) {
        Check(line.size() <= kShownLineLength, "shown line within its length");
        for (char byte : line) {
            const unsigned char value = static_cast<unsigned char>(byte);
            Check(value >= 0x20 && value != 0x7F, "no control byte shown");
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    // First byte: the number of lines kept (0 for the viewer's own limit);
    // second byte: seeds the chunk sizes.
    const std::size_t limit = data[0] == 0 ? kShownLogLines : data[0];
    unsigned chunkSeed = data[1];
    const std::string_view log(reinterpret_cast<const char*>(data + 2), size - 2);
    const std::vector<std::string> reference = ReferenceLines(log);

    CheckAgainstReference(SplitLogText(log, limit), reference, limit);

    // In chunks of varying size, as a file is read.
    LogLineSplitter splitter(limit);
    std::size_t at = 0;
    while (at < log.size()) {
        chunkSeed = chunkSeed * 1103515245u + 12345u;
        std::size_t chunk = 1 + (chunkSeed >> 16) % 700;
        if (chunk > log.size() - at) chunk = log.size() - at;
        splitter.Feed(log.data() + at, chunk);
        at += chunk;
    }
    CheckAgainstReference(splitter.Finish(), reference, limit);

    // From an open file.
    std::FILE* file = fmemopen(const_cast<char*>(log.data()), log.size(), "rb");
    if (file != nullptr) {
        CheckAgainstReference(ReadLogLines(file, limit), reference, limit);
        std::fclose(file);
    }

    if (!reference.empty()) {
        const std::string note = OlderLinesNote(reference.size());
        Check(!note.empty() && note.size() < kShownLineLength, "the note of older lines fits");
    }
    return 0;
}
