// The default prompts file shipped beside the program.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "prompts/prompt_file.h"
#include "support/oracles.h"
#include "support/prompt_file_cases.h"
#include "support/streams.h"

namespace {

std::string ReadDefaultFile() {
    return FileBytes(LARKMOOR_DATA_DIR "/larkmoorqtx.txt");
}

// Lower case letters and digits only, so that prompts differing only in
// case, spacing or punctuation count as the same.
std::string Normalised(const std::string& line) {
    std::string key;
    for (unsigned char c : line)
        if (std::isalnum(c)) key += static_cast<char>(std::tolower(c));
    return key;
}

}  // namespace

TEST(DefaultPromptsFile, HoldsAtLeast300DistinctUsablePrompts) {
    const std::string bytes = ReadDefaultFile();
    ASSERT_FALSE(bytes.empty()) << LARKMOOR_DATA_DIR "/larkmoorqtx.txt";
    const std::vector<std::string> lines = oracle::LinesOf(bytes, "\r\n");
    EXPECT_GE(lines.size(), 300u);

    std::set<std::string> seen;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        SCOPED_TRACE(::testing::Message() << "line " << i + 1 << ": " << line);
        EXPECT_GE(line.size(), 10u);
        EXPECT_LE(line.size(), 779u);
        EXPECT_TRUE(seen.insert(Normalised(line)).second) << "duplicate";
        EXPECT_NE(line.front(), ' ');
        EXPECT_NE(line.back(), ' ');
        for (unsigned char c : line) {
            // Printable text of the Western code page: no control characters.
            EXPECT_TRUE(c >= 0x20 && c != 0x7F) << static_cast<int>(c);
        }
    }
}

TEST(DefaultPromptsFile, ReadsAsOnePromptPerLine) {
    const std::string bytes = ReadDefaultFile();
    std::FILE* file = std::fopen(LARKMOOR_DATA_DIR "/larkmoorqtx.txt", "rb");
    ASSERT_NE(file, nullptr);
    const std::vector<std::string> prompts = PromptsFrom(file, LineEnds::Raw);
    std::fclose(file);
    EXPECT_EQ(prompts, oracle::LinesOf(bytes, "\r\n"));
    EXPECT_EQ(CountPrompts(bytes.data(), bytes.size()), prompts.size());
}
