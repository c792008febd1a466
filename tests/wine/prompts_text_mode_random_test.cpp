// The prompts reader in the C runtime's text mode (as the program reads its
// file) against the same reader on the raw bytes (as the editing dialog
// counts and the native tests and the fuzzer check it), on many random
// files made mostly of line ends, carriage returns, Ctrl+Z and zero bytes,
// with lines around the 779-character piece length, a few of them longer than
// three of the reader's blocks. Both must give the same prompts, and the count
// the editing dialog shows must agree.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "prompts/prompt_file.h"
#include "support/env_setting.h"
#include "support/files.h"
#include "support/prompt_file_cases.h"

namespace {

std::vector<std::string> Read(const std::string& path, const char* mode, LineEnds lineEnds) {
    std::FILE* file = std::fopen(path.c_str(), mode);
    EXPECT_NE(file, nullptr);
    if (file == nullptr) return {};
    const std::vector<std::string> prompts = PromptsFrom(file, lineEnds);
    std::fclose(file);
    return prompts;
}

std::string RandomFile(unsigned& state) {
    auto next = [&state] {
        state = state * 1103515245u + 12345u;
        return state >> 16;
    };
    static const char pieces[] = {'\r', '\n', '\x1a', '\0', 'a', 'b', ' ', '\xe9'};
    std::string bytes;
    const unsigned parts = 1 + next() % 12;
    for (unsigned part = 0; part < parts; ++part) {
        if (next() % 4 == 0) {
            // A run of ordinary characters near the piece length.
            const unsigned length = 770 + next() % 20 + (next() % 3) * 779;
            bytes.append(length, static_cast<char>('A' + next() % 26));
        } else {
            const unsigned length = 1 + next() % 6;
            for (unsigned i = 0; i < length; ++i) bytes += pieces[next() % sizeof pieces];
        }
    }
    return bytes;
}

}  // namespace

TEST(PromptsTextModeRandom, TextModeAndRawBytesGiveTheSamePrompts) {
    char temp[MAX_PATH] = {};
    GetTempPathA(sizeof temp, temp);
    const std::string path = std::string(temp) + "larkmoor-prompts-random.txt";
    unsigned state = 20240315;
    // LARKMOOR_TEXT_MODE_ROUNDS: fewer rounds under emulation (the 32-bit guest).
    const std::size_t rounds = EnvSetting("LARKMOOR_TEXT_MODE_ROUNDS", 4000);
    for (std::size_t round = 0; round < rounds; ++round) {
        // Every 500th file spans several of the reader's blocks.
        std::string bytes = RandomFile(state);
        while (round % 500 == 0 && bytes.size() < 3 * kPromptBlockSize) bytes += RandomFile(state);
        ASSERT_TRUE(WriteFileBytes(path, bytes));
        const std::vector<std::string> textMode = Read(path, "rt", LineEnds::Translated);
        const std::vector<std::string> raw = Read(path, "rb", LineEnds::Raw);
        ASSERT_EQ(textMode, raw) << "round " << round << ", " << bytes.size() << " bytes";
        ASSERT_EQ(CountPrompts(bytes.data(), bytes.size()), raw.size()) << "round " << round;
    }
    DeleteFileA(path.c_str());
}
