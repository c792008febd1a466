// Reading the prompts file, counting its prompts and preparing it for the
// editing field.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "support/prompt_file_cases.h"
#include "support/streams.h"
#include "prompts/prompt_file.h"

namespace {

std::vector<std::string> ReadAll(const std::string& bytes, std::size_t* returned = nullptr) {
    std::FILE* file = StreamOf(bytes);
    EXPECT_NE(file, nullptr);
    if (file == nullptr) return {};
    const std::vector<std::string> prompts = PromptsFrom(file, LineEnds::Raw, returned);
    std::fclose(file);
    return prompts;
}

}  // namespace

TEST(PromptFile, ReadsEveryCraftedFileAsTextModeWould) {
    for (const PromptFileCase& row : PromptFileCases()) {
        SCOPED_TRACE(row.name);
        std::size_t returned = 0;
        const std::vector<std::string> prompts = ReadAll(row.bytes, &returned);
        EXPECT_EQ(prompts, row.prompts);
        EXPECT_EQ(returned, row.prompts.size());
        std::FILE* file = StreamOf(row.bytes);
        ASSERT_NE(file, nullptr);
        EXPECT_EQ(PromptsFromPieces(file), row.prompts);
        std::fclose(file);
    }
}

TEST(PromptFile, CountMatchesWhatTheReaderGives) {
    for (const PromptFileCase& row : PromptFileCases()) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(CountPrompts(row.bytes.data(), row.bytes.size()), row.prompts.size());
    }
    // Lengths around the read size, with and without a line end.
    for (std::size_t length : {0u, 1u, 777u, 778u, 779u, 780u, 1557u, 1558u, 1559u, 2400u}) {
        for (const char* end : {"", "\n", "\r\n", "\n\n", "\r"}) {
            SCOPED_TRACE(::testing::Message() << length << " + " << std::strlen(end));
            const std::string bytes = std::string(length, 'x') + end;
            EXPECT_EQ(CountPrompts(bytes.data(), bytes.size()), ReadAll(bytes).size());
        }
    }
}

TEST(PromptFile, EachPromptComesInAZeroFilledBuffer) {
    std::FILE* file = StreamOf(std::string(900, 'q') + "\nab");
    ASSERT_NE(file, nullptr);
    std::vector<std::string> buffers;
    ReadPrompts(
        file, LineEnds::Raw,
        [](const char* prompt, void* context) {
            static_cast<std::vector<std::string>*>(context)->emplace_back(prompt, kTextSize);
        },
        &buffers);
    std::fclose(file);
    const std::string texts[] = {std::string(779, 'q'), std::string(121, 'q'), "ab"};
    ASSERT_EQ(buffers.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i)
        EXPECT_EQ(buffers[i], texts[i] + std::string(kTextSize - texts[i].size(), '\0')) << i;
}

// The stream is read in blocks: a line end, a carriage return, a Ctrl+Z, a
// zero byte or a piece of a long line split by a block's end reads as whole.
TEST(PromptFile, BlockEndsSplitNothing) {
    std::string lines;
    for (int i = 0; lines.size() < 3 * kPromptBlockSize; ++i) {
        lines += i % 7 == 0 ? std::string(900 + i % 500, 'w') + "\r\n"
                            : "line " + std::to_string(i) + "\n";
    }
    const std::string marks[] = {"\r\n", "\r",   "\rx", "\r\r\n",          "\n",
                                 "\x1a",  "\r\x1a", "ab",  std::string(1, '\0')};
    for (std::size_t block : {kPromptBlockSize, 2 * kPromptBlockSize}) {
        for (std::size_t before = 0; before < 4; ++before) {
            for (const std::string& mark : marks) {
                std::string bytes = lines;
                bytes.replace(block - before, mark.size(), mark);
                SCOPED_TRACE(::testing::Message() << block << " - " << before << ": "
                                                  << testing::PrintToString(mark));
                EXPECT_EQ(ReadAll(bytes), ReferencePrompts(bytes));
                // The one-piece reader takes the same pieces.
                std::FILE* pieces = StreamOf(bytes);
                ASSERT_NE(pieces, nullptr);
                EXPECT_EQ(PromptsFromPieces(pieces), ReferencePrompts(bytes));
                std::fclose(pieces);
                // A stream whose line ends the runtime has translated.
                if (bytes.find_first_of("\r\x1a") != std::string::npos) continue;
                std::FILE* file = StreamOf(bytes);
                ASSERT_NE(file, nullptr);
                EXPECT_EQ(PromptsFrom(file, LineEnds::Translated), ReferencePrompts(bytes));
                std::fclose(file);
            }
        }
    }
}

TEST(PromptFile, TranslatedStreamKeepsWhatTheRuntimeLeft) {
    // A stream whose line ends the runtime has already translated: a CR LF
    // that gets here is two characters, as the runtime left them.
    std::FILE* file = StreamOf(std::string(779, 'a') + "\nb\r\n");
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(PromptsFrom(file, LineEnds::Translated),
              (std::vector<std::string>{std::string(779, 'a'), "", "b\r"}));
    std::fclose(file);
}

TEST(PromptFile, ZeroByteCutsItsPromptButNotTheNextLine) {
    const std::string bytes("ab\0cd\nef\n", 9);
    const std::vector<std::string> expected = {"ab", "ef"};
    EXPECT_EQ(ReadAll(bytes), expected);
}

TEST(PromptFile, EditTextHasCrLfLineEndsAndNoZeroBytes) {
    struct Row {
        std::string bytes;
        std::string text;
    } rows[] = {
        {"", ""},
        {"a\nb\n", "a\r\nb\r\n"},
        {"a\r\nb\r\n", "a\r\nb\r\n"},
        {"\n\n", "\r\n\r\n"},
        {"a\rb\nc", "a\rb\r\nc"},
        {std::string("x\0y\n", 4), "x y\r\n"},
        {"\xE9\x80\xFF\x1A\n", "\xE9\x80\xFF\x1A\r\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(ToEditText(row.bytes.data(), row.bytes.size()), row.text);
        // The field's text reads as the same prompts as the file.
        const std::string text = ToEditText(row.bytes.data(), row.bytes.size());
        if (row.bytes.find('\0') == std::string::npos) {
            EXPECT_EQ(ReadAll(text), ReadAll(row.bytes));
        }
    }
}
