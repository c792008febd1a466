// The text helpers: clearing, scrambling, SQL quoting, bounded copying and
// the timestamp text.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>

#include "journal/text.h"

namespace {

// A buffer pre-filled with a marker byte, so that writes past the end of the
// result show up.
template <std::size_t N>
std::array<char, N> Marked(char marker = '#') {
    std::array<char, N> buffer;
    buffer.fill(marker);
    return buffer;
}

}  // namespace

TEST(ClearText, StoresExactlyCountZeroBytes) {
    auto buffer = Marked<16>();
    ClearText(buffer.data(), 10);
    for (std::size_t i = 0; i < 10; ++i) EXPECT_EQ(buffer[i], '\0') << i;
    for (std::size_t i = 10; i < buffer.size(); ++i) EXPECT_EQ(buffer[i], '#') << i;

    auto untouched = Marked<4>();
    ClearText(untouched.data(), 0);
    EXPECT_EQ(std::string(untouched.data(), untouched.size()), "####");
}

// Each byte XOR-ed with the key, up to the source's terminator, none written
// after; a key byte gives a zero byte and the copy goes on; twice gives the
// text back; in place gives the same.
TEST(ScrambleText, XorsEveryByteWithTheKeyAndWritesNoTerminator) {
    for (const std::string& text : {std::string("AZ\x01\xff"), std::string(),
                                   std::string("It's a plan: 100% \"done\"\r\nnext \xe9\x80"),
                                   std::string("ab\xA5" "cd")}) {
        SCOPED_TRACE(text);
        auto buffer = Marked<64>();
        ScrambleText(text.c_str(), buffer.data());
        std::string expected;
        for (unsigned char byte : text) expected += static_cast<char>(byte ^ 0xA5);
        EXPECT_EQ(std::string(buffer.data(), text.size()), expected);
        EXPECT_EQ(buffer[text.size()], '#') << "nothing written past the last copied byte";
        const std::string once(buffer.data(), text.size());
        std::array<char, 64> back{};
        ScrambleText(once.c_str(), back.data());
        EXPECT_EQ(std::string(back.data()), text.substr(0, text.find('\xA5')));
        std::string inPlace = text;
        ScrambleText(&inPlace[0], &inPlace[0]);
        EXPECT_EQ(inPlace, expected);
    }
}

TEST(QuoteSqlText, DoublesSingleQuotesOnly) {
    struct Case {
        const char* text;
        const char* quoted;
    };
    const Case cases[] = {
        {"It's", "It''s"},
        {"'''", "''''''"},
        {"no quotes here", "no quotes here"},
        {"back\\slash \"double\" 100% a_c", "back\\slash \"double\" 100% a_c"},
        {"", ""},
        {"'", "''"},
        {"end'", "end''"},
    };
    for (const Case& c : cases) {
        auto buffer = Marked<32>();
        QuoteSqlText(c.text, buffer.data());
        const std::size_t length = std::strlen(c.quoted);
        EXPECT_EQ(std::string(buffer.data(), length), c.quoted) << c.text;
        EXPECT_EQ(buffer[length], '#') << "nothing written past the last copied byte";
        EXPECT_EQ(QuotedLength(c.text), length) << c.text;
    }
}

TEST(QuoteSqlText, TextOfOnlyQuotesFitsTheQuotedBuffer) {
    std::string quotes(kTextSize - 1, '\'');
    std::array<char, kQuotedTextSize> buffer;
    ClearText(buffer.data(), static_cast<std::uint32_t>(buffer.size()));
    ASSERT_EQ(QuotedLength(quotes.c_str()) + 1, kQuotedTextSize);
    QuoteSqlText(quotes.c_str(), buffer.data());
    EXPECT_EQ(std::strlen(buffer.data()), 2 * (kTextSize - 1));
}

TEST(HoldsScrambleKey, FindsTheKeyByteAnywhere) {
    EXPECT_FALSE(HoldsScrambleKey(""));
    EXPECT_FALSE(HoldsScrambleKey("plain text \xa4\xa6"));
    EXPECT_TRUE(HoldsScrambleKey("\xA5"));
    EXPECT_TRUE(HoldsScrambleKey("price 100\xA5"));
}

TEST(CopyText, CutsToTheBufferAndAlwaysTerminates) {
    const struct {
        const char* source;
        const char* copied;
    } rows[] = {{"abcdefghij", "abcde"}, {"abcde", "abcde"}, {"ab", "ab"}, {nullptr, ""}};
    for (const auto& row : rows) {
        auto buffer = Marked<6>();
        CopyText(buffer.data(), buffer.size(), row.source);
        EXPECT_STREQ(buffer.data(), row.copied);
        for (std::size_t i = std::strlen(row.copied) + 1; i < buffer.size(); ++i)
            EXPECT_EQ(buffer[i], '#') << "nothing written past the terminator";
    }
    char one = '#';
    CopyText(&one, 1, "abc");
    EXPECT_EQ(one, '\0');
}

TEST(FormatTimestampFields, PadsEveryFieldToTwoDigits) {
    struct Case {
        int year, month, day, hour, minute, second;
        const char* text;
    };
    const Case cases[] = {
        {2009, 3, 7, 9, 5, 7, "2009-03-07 09:05:07"},
        {2010, 1, 1, 0, 5, 0, "2010-01-01 00:05:00"},
        {1999, 12, 31, 23, 59, 59, "1999-12-31 23:59:59"},
        {12345, 10, 10, 10, 10, 10, "12345-10-10 10:10:10"},  // the year keeps its digits
    };
    for (const Case& c : cases) {
        auto buffer = Marked<kTimestampSize>();
        FormatTimestampFields(buffer.data(), buffer.size(), c.year, c.month, c.day, c.hour,
                              c.minute, c.second);
        EXPECT_STREQ(buffer.data(), c.text);
    }
    // Twenty bytes hold a four-digit year's text and its terminator.
    auto buffer = Marked<21>();
    FormatTimestampFields(buffer.data(), 20, 2024, 2, 29, 18, 30, 1);
    EXPECT_STREQ(buffer.data(), "2024-02-29 18:30:01");
    EXPECT_EQ(buffer[20], '#');
}
