// The password comparison and the rule that keeps every new password
// readable from the settings file.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "journal/text.h"
#include "settings/password.h"
#include "settings/settings_file.h"
#include "support/oracles.h"

namespace {

using oracle::Scrambled;

// Stores the password as Change password does, writes and reads the settings
// file, and gives back what a login would now have to match.
std::string AfterRoundTrip(const std::string& plain) {
    ApplyDefaultSettings();
    ClearText(StoredPassword, sizeof StoredPassword);
    ScrambleText(plain.c_str(), StoredPassword);
    std::FILE* file = std::tmpfile();
    EXPECT_NE(file, nullptr);
    WriteSettingsTo(file);
    std::rewind(file);
    ClearText(StoredPassword, sizeof StoredPassword);
    ReadSettingsFrom(file);
    std::fclose(file);
    return StoredPassword;
}

}  // namespace

TEST(MatchesStoredPassword, EveryByteAndLetterCaseCount) {
    const std::string stored = Scrambled("granite");
    struct Row {
        const char* typed;
        bool matches;
    } rows[] = {
        {"granite", true},   {"Granite", false},  {"GRANITE", false}, {"granit", false},
        {"granite ", false}, {" granite", false}, {"", false},        {"graniteX", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.typed);
        EXPECT_EQ(MatchesStoredPassword(row.typed, stored.c_str()), row.matches);
    }
}

TEST(MatchesStoredPassword, LongestPasswordMatches) {
    const std::string plain(kTextSize - 1, 'k');
    const std::string stored = Scrambled(plain);
    EXPECT_TRUE(MatchesStoredPassword(plain.c_str(), stored.c_str()));
    EXPECT_FALSE(MatchesStoredPassword(plain.substr(1).c_str(), stored.c_str()));
}

TEST(MatchesStoredPassword, PrefixOfAPasswordEndingInTheCarriageReturnsPlainFormIsRefused) {
    // A password may end in the byte whose scrambled form is a carriage
    // return; the text without that byte is a prefix and must not match.
    const std::string stored = Scrambled("granite\xA8");
    EXPECT_TRUE(MatchesStoredPassword("granite\xA8", stored.c_str()));
    EXPECT_FALSE(MatchesStoredPassword("granite", stored.c_str()));
}

TEST(CheckNewPassword, NamesTheFirstProblem) {
    struct Row {
        std::string password;
        NewPasswordProblem problem;
    } rows[] = {
        {"", NewPasswordProblem::Empty},
        {"granite", NewPasswordProblem::None},
        {"a\xA5", NewPasswordProblem::HoldsScrambleKey},
        {"\xA5", NewPasswordProblem::HoldsScrambleKey},
        {"ab\xAF"
         "cd",
         NewPasswordProblem::HoldsLineEnd},            // 0xAF scrambles to a line feed
        {"\x85pw", NewPasswordProblem::BadFirstByte},  // to a space
        {"\xACpw", NewPasswordProblem::BadFirstByte},  // to a tab
        {"\xA8pw", NewPasswordProblem::BadFirstByte},  // to a carriage return
        {"\xAEpw", NewPasswordProblem::BadFirstByte},  // to a vertical tab
        {"\xA9pw", NewPasswordProblem::BadFirstByte},  // to a form feed
        {"pw\x85\xAC\xA8", NewPasswordProblem::None},  // fine after the first byte
        {" leading space", NewPasswordProblem::None},  // a plain space scrambles to 0x85
        {std::string(kTextSize - 1, 'z'), NewPasswordProblem::None},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.password);
        EXPECT_EQ(CheckNewPassword(row.password.c_str()), row.problem);
    }
}

// The rule refuses exactly the passwords that would not read back whole:
// every byte value, as the first byte and inside the password.
TEST(CheckNewPassword, AcceptsExactlyWhatReadsBackFromTheSettingsFile) {
    for (int value = 1; value < 256; ++value) {
        const char byte = static_cast<char>(value);
        for (const std::string& plain :
             {std::string(1, byte) + "pw", "pw" + std::string(1, byte), std::string(1, byte)}) {
            SCOPED_TRACE(value);
            const bool readsBack = AfterRoundTrip(plain) == Scrambled(plain) &&
                                   Scrambled(plain).size() == plain.size();
            EXPECT_EQ(CheckNewPassword(plain.c_str()) == NewPasswordProblem::None, readsBack);
        }
    }
}

TEST(DescribePasswordProblem, SaysWhyAndNamesTheCharacter) {
    // The characters come named as the user typed them (UTF-8), the code is
    // the byte's in the code page.
    char text[kTextSize];
    DescribePasswordProblem(NewPasswordProblem::Empty, "", "", text, sizeof text);
    EXPECT_STREQ(text, "The new password must not be empty.");
    DescribePasswordProblem(NewPasswordProblem::HoldsScrambleKey, "a\xA5", "\"\xC2\xA5\"", text,
                            sizeof text);
    EXPECT_STREQ(text,
                 "The new password cannot contain the character \"\xC2\xA5\" (code 165): "
                 "the settings file cannot hold it.");
    DescribePasswordProblem(NewPasswordProblem::HoldsLineEnd, "a\xAF", "\"\xC2\xAF\"", text,
                            sizeof text);
    EXPECT_STREQ(text,
                 "The new password cannot contain the character \"\xC2\xAF\" (code 175): "
                 "the settings file cannot hold it.");
    DescribePasswordProblem(NewPasswordProblem::BadFirstByte, "\x85x", "\"\xE2\x80\xA6\"", text,
                            sizeof text);
    EXPECT_STREQ(text,
                 "The new password cannot begin with the character \"\xE2\x80\xA6\" (code 133): "
                 "the settings file cannot hold it there.");
    DescribePasswordProblem(NewPasswordProblem::OutsideCharacterSet, "",
                            "\"\xD0\xBF\" and \"\xD0\xB0\"", text, sizeof text);
    EXPECT_STREQ(text,
                 "The new password contains \"\xD0\xBF\" and \"\xD0\xB0\", which this computer's "
                 "character set cannot hold. Choose a password without such characters.");
    DescribePasswordProblem(NewPasswordProblem::None, "ok", "", text, sizeof text);
    EXPECT_STREQ(text, "");
    // A small buffer is never overrun.
    char small[8];
    std::memset(small, '#', sizeof small);
    DescribePasswordProblem(NewPasswordProblem::Empty, "", "", small, 5);
    EXPECT_STREQ(small, "The ");
    EXPECT_EQ(small[5], '#');
}
