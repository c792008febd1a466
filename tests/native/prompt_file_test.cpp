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

TEST(PromptFile, LineBufferIsClearedAndTerminated) {
    std::FILE* file = StreamOf(std::string(900, 'q') + "\nab");
    ASSERT_NE(file, nullptr);
    char line[kTextSize];
    std::memset(line, 'z', sizeof line);
    ASSERT_TRUE(ReadPromptLine(file, line, LineEnds::Raw));
    EXPECT_EQ(std::strlen(line), 779u);
    EXPECT_EQ(line[779], '\0');
    ASSERT_TRUE(ReadPromptLine(file, line, LineEnds::Raw));
    EXPECT_STREQ(line, std::string(121, 'q').c_str());
    for (std::size_t i = 121; i < sizeof line; ++i) ASSERT_EQ(line[i], '\0') << i;
    ASSERT_TRUE(ReadPromptLine(file, line, LineEnds::Raw));
    EXPECT_STREQ(line, "ab");
    EXPECT_FALSE(ReadPromptLine(file, line, LineEnds::Raw));
    EXPECT_FALSE(ReadPromptLine(file, line, LineEnds::Raw));
    std::fclose(file);
}

TEST(PromptFile, TranslatedStreamIsReadWithFgets) {
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
