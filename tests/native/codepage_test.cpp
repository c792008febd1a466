// Typed text into the ANSI code pages: exactly, or refused with the
// characters named; never a look-alike or a question mark.
#include <gtest/gtest.h>

#include <cctype>
#include <random>
#include <string>

#include "journal/codepage.h"

namespace {

struct ConversionCase {
    const char* name;
    std::u16string typed;
    int codePage;
    std::string bytes;       // the stored bytes, when nothing is refused
    std::u32string refused;  // in the order typed, each once
};

const ConversionCase kCases[] = {
    {"ascii", u"Plan: 100% 'done' \"now\"\r\n", 1252, "Plan: 100% 'done' \"now\"\r\n", U""},
    {"ascii", u"Plan: 100% 'done'", 1250, "Plan: 100% 'done'", U""},
    {"ascii", u"Plan: 100% 'done'", 1251, "Plan: 100% 'done'", U""},
    {"western", u"Café déjà €5", 1252,
     "Caf\xE9 d\xE9j\xE0 \x80"
     "5",
     U""},
    {"western", u"Café déjà €5", 1250, "", U"à"},
    {"western", u"Café déjà €5", 1251, "", U"éà"},
    {"polish", u"Zażółć gęślą jaźń", 1250,
     "Za\xBF\xF3\xB3\xE6 g\xEA\x9C"
     "l\xB9 ja\x9F\xF1",
     U""},
    {"polish", u"Zażółć gęślą jaźń", 1252, "", U"żłćęśąźń"},
    {"polish", u"Zażółć gęślą jaźń", 1251, "", U"żółćęśąźń"},
    {"cyrillic", u"Привет, мир", 1251, "\xCF\xF0\xE8\xE2\xE5\xF2, \xEC\xE8\xF0", U""},
    {"cyrillic", u"Привет", 1252, "", U"Привет"},
    {"cyrillic", u"Привет", 1250, "", U"Привет"},
    {"cjk", u"世界 end", 1252, "", U"世界"},
    {"cjk", u"世界 end", 1251, "", U"世界"},
    {"emoji pair", u"ok \U0001F600 \U0001F600", 1252, "", U"\U0001F600"},
    {"emoji pair", u"ok \U0001F600", 1250, "", U"\U0001F600"},
    {"lone surrogate", std::u16string(u"a") + char16_t(0xD83D) + u"b", 1252, "", U"\xD83D"},
    // The key byte is a character like any other here; its own rule refuses it.
    {"key byte", u"¥", 1252, "\xA5", U""},
    {"key byte", u"Ą", 1250, "\xA5", U""},
    {"key byte", u"Ґ", 1251, "\xA5", U""},
    // Best fit would give "z" and "?": neither is what was typed.
    {"best fit", u"ż", 1252, "", U"ż"},
};

class ConversionTest : public testing::TestWithParam<ConversionCase> {};

TEST_P(ConversionTest, StoredExactlyOrRefusedByName) {
    const ConversionCase& c = GetParam();
    const CodePage* page = FindCodePage(c.codePage);
    ASSERT_NE(page, nullptr);
    const TypedText result = ConvertTypedText(c.typed, *page);
    EXPECT_EQ(result.refused, c.refused);
    if (c.refused.empty()) {
        EXPECT_EQ(result.bytes, c.bytes);
        // What is stored reads back as what was typed.
        EXPECT_EQ(DecodeText(result.bytes, *page), c.typed);
    }
    EXPECT_EQ(result.bytes.find('?'), c.bytes.find('?'));
}

INSTANTIATE_TEST_SUITE_P(Texts, ConversionTest, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<ConversionCase>& row) {
                             std::string name = std::string(row.param.name) + "_" +
                                                std::to_string(row.param.codePage) + "_" +
                                                std::to_string(row.index);
                             for (char& c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             return name;
                         });

TEST(CodePages, EveryByteReadsBackAndFoldsWithinItsPage) {
    for (const CodePage& page : kCodePages) {
        for (int byte = 0; byte < 256; ++byte) {
            unsigned char back = 0;
            ASSERT_TRUE(EncodeCharacter(page, DecodeByte(page, byte), &back)) << page.number;
            EXPECT_EQ(back, byte) << page.number;
        }
        EXPECT_EQ(LowerByte(page, 'Q'), 'q');
    }
    EXPECT_EQ(FindCodePage(1249), nullptr);
    EXPECT_EQ(FindCodePage(1259), nullptr);
    // Letters beyond ASCII fold by their own page: Ż/ż in 1250, Д/д in 1251.
    EXPECT_EQ(LowerByte(*FindCodePage(1250), 0xAF), 0xBF);
    EXPECT_EQ(LowerByte(*FindCodePage(1251), 0xC4), 0xE4);
    EXPECT_EQ(LowerByte(*FindCodePage(1252), 0xC9), 0xE9);
}

TEST(Utf8, RoundTripsAndReplacesWhatIsNotUtf8) {
    const std::u16string text = u"Zażółć Привет 世界 \U0001F600";
    EXPECT_EQ(Utf16FromUtf8(Utf8FromUtf16(text)), text);
    EXPECT_EQ(Utf8FromUtf16(u"é"), "\xC3\xA9");
    EXPECT_EQ(Utf16FromUtf8("a\xFF"
                            "b"),
              u"a\uFFFD"
              "b");
    EXPECT_EQ(Utf16FromUtf8("\xC0\xAF"), u"\uFFFD\uFFFD");            // over-long form
    EXPECT_EQ(Utf16FromUtf8("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD");  // a surrogate
    EXPECT_EQ(Utf16FromUtf8("\xE4\xB8"), u"\uFFFD\uFFFD");            // cut short
}

TEST(DescribeCharacters, NamesTheFirstFewAsTypedAndCountsTheRest) {
    EXPECT_EQ(DescribeCharacters(U"ż"), "\"\xC5\xBC\"");
    EXPECT_EQ(DescribeCharacters(U"ab"), "\"a\" and \"b\"");
    EXPECT_EQ(DescribeCharacters(U"abc", 3), "\"a\", \"b\" and \"c\"");
    EXPECT_EQ(DescribeCharacters(U"abcdefg", 3), "\"a\", \"b\", \"c\" and 4 more");
    EXPECT_EQ(DescribeCharacters(std::u32string(1, 0xD83D)), "U+D83D");
    EXPECT_EQ(DescribeCharacters(U"\U0001F600"), "\"\xF0\x9F\x98\x80\"");
}

}  // namespace

// The fast paths of the case-blind search (one memchr per form of the first
// letter, then a scan where that letter is frequent) against the plain rule:
// the first position where every folded byte equals the folded pattern.
TEST(CaseBlindMatcher, FindsWhatFoldingEveryByteFinds) {
    std::mt19937 random(5);
    const std::string letters[] = {"eE", "aEe\xc9\xe9 x", "\xdd\x49i\xfd", "q"};
    for (int page : {1250, 1252, 1254}) {
        const CodePage& table = *FindCodePage(page);
        for (int round = 0; round < 400; ++round) {
            const std::string& alphabet = letters[round % 4];
            auto pick = [&](std::size_t count) {
                std::string text;
                for (std::size_t i = 0; i < count; ++i)
                    text += alphabet[random() % alphabet.size()];
                return text;
            };
            const std::string text = pick(random() % 600);
            const std::string pattern = pick(1 + random() % 4);
            std::size_t expected = std::string::npos;
            for (std::size_t at = 0;
                 at + pattern.size() <= text.size() && expected == std::string::npos; ++at) {
                std::size_t k = 0;
                while (k < pattern.size() &&
                       LowerByte(table, text[at + k]) == LowerByte(table, pattern[k]))
                    ++k;
                if (k == pattern.size()) expected = at;
            }
            EXPECT_EQ(CaseBlindMatcher(table, pattern).Find(text), expected)
                << page << " [" << pattern << "] in [" << text << "]";
        }
    }
}
