// The settings file format: writing, reading and the round trip between them.
#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "journal/text.h"
#include "settings/password.h"
#include "settings/settings_file.h"
#include "support/oracles.h"
#include "support/streams.h"

namespace {

const std::string kScrambledGranite = oracle::Scrambled("granite");

struct Record {
    int left, top, width, height, startup, log, autoLogin;
    std::string password;  // scrambled, as held in memory
    bool operator==(const Record& o) const {
        return left == o.left && top == o.top && width == o.width && height == o.height &&
               startup == o.startup && log == o.log && autoLogin == o.autoLogin &&
               password == o.password;
    }
};

std::ostream& operator<<(std::ostream& out, const Record& r) {
    return out << r.left << " " << r.top << " " << r.width << " " << r.height << " " << r.startup
               << " " << r.log << " " << r.autoLogin << " [" << r.password << "]";
}

Record Current() {
    return {WindowLeft, WindowTop, WindowWidth, WindowHeight, ShowStartupScreen, LogEnabled,
            AutoLogin, StoredPassword};
}

void SetRecord(const Record& record) {
    WindowLeft = record.left;
    WindowTop = record.top;
    WindowWidth = record.width;
    WindowHeight = record.height;
    ShowStartupScreen = record.startup;
    LogEnabled = record.log;
    AutoLogin = record.autoLogin;
    ClearText(StoredPassword, sizeof StoredPassword);
    std::memcpy(StoredPassword, record.password.data(), record.password.size());
}

// The state before the first load: numbers 0, password empty.
void ClearRecord() {
    SetRecord({0, 0, 0, 0, 0, 0, 0, ""});
}

std::string Written() {
    std::FILE* file = std::tmpfile();
    EXPECT_NE(file, nullptr);
    EXPECT_TRUE(WriteSettingsTo(file));
    const std::string bytes = BytesOf(file);
    std::fclose(file);
    return bytes;
}

void Read(const std::string& bytes) {
    std::FILE* file = StreamOf(bytes);
    ASSERT_NE(file, nullptr);
    ReadSettingsFrom(file);
    std::fclose(file);
}

}  // namespace

TEST(SettingsFile, FirstStartSettingsAreWrittenByteForByte) {
    ClearRecord();
    ApplyDefaultSettings();
    EXPECT_EQ(Current(), (Record{0, 0, 320, 240, 1, 1, 1, kScrambledGranite}));
    EXPECT_EQ(Written(), "0\n0\n320\n240\n1\n1\n1\n" + kScrambledGranite + "\n");
    EXPECT_STREQ(kInitialPassword, "granite");
}

TEST(SettingsFile, RecordsSurviveTheRoundTrip) {
    const std::string longest(kTextSize - 1, '\x41');
    const Record rows[] = {
        {0, 0, 320, 240, 1, 1, 1, kScrambledGranite},
        // A window on a monitor left of and above the primary one.
        {-1920, -1080, 1024, 768, 0, 0, 0, kScrambledGranite},
        // Hand-edited switches are kept as they are.
        {5, 6, 7, 8, 2, 2, 2, "\x01"},
        {1, 1, 1, 1, -1, 7, -5, "x"},
        {INT_MIN, INT_MAX, INT_MIN, INT_MAX, 0, 1, 0, longest},
        // High bytes, quotes, percent signs and white space after the first byte.
        {10, 20, 30, 40, 1, 0, 1, "a \t%s%d'\"\\\xFF\x80\r"},
    };
    for (const Record& row : rows) {
        SCOPED_TRACE(row.left);
        SetRecord(row);
        const std::string bytes = Written();
        ClearRecord();
        Read(bytes);
        EXPECT_EQ(Current(), row);
        EXPECT_EQ(Written(), bytes);
    }
}

TEST(SettingsFile, NumbersAreWrittenPlainWithMinusSigns) {
    SetRecord({-5, -0, 1000000, -2147483647 - 1, 2, 0, -3, "pw"});
    EXPECT_EQ(Written(), "-5\n0\n1000000\n-2147483648\n2\n0\n-3\npw\n");
}

TEST(SettingsFile, HandWrittenOrDamagedFilesAreReadAsTheyStand) {
    const std::string longLine(900, 'q');
    struct Row {
        const char* name;
        std::string bytes;
        Record want;
    } rows[] = {
        {"no final line feed", "1\n2\n3\n4\n1\n0\n0\nsecret", {1, 2, 3, 4, 1, 0, 0, "secret"}},
        {"password longer than 779 bytes",
         "1\n2\n3\n4\n1\n1\n1\n" + longLine + "\n",
         {1, 2, 3, 4, 1, 1, 1, longLine.substr(0, kTextSize - 1)}},
        {"only the password line's own line feed is dropped",
         "1\n2\n3\n4\n1\n1\n1\nab\ncd\n",
         {1, 2, 3, 4, 1, 1, 1, "ab"}},
        {"a carriage return is part of the password in the program's own file",
         "1\n2\n3\n4\n1\n1\n1\nab\r\n",
         {1, 2, 3, 4, 1, 1, 1, "ab\r"}},
        {"a file saved with CR LF line ends: the password line's CR is a line end",
         "1\r\n2\r\n3\r\n4\r\n1\r\n1\r\n1\r\nab\r\n",
         {1, 2, 3, 4, 1, 1, 1, "ab"}},
        {"CR LF file whose password line has no line end",
         "1\r\n2\r\n3\r\n4\r\n1\r\n1\r\n1\r\nab",
         {1, 2, 3, 4, 1, 1, 1, "ab"}},
        {"white space around numbers",
         "  7 \t\n\n-8\n+9\n10\n1\n1\n1\n\n pw\n",
         {7, -8, 9, 10, 1, 1, 1, "pw"}},
        {"numbers out of range are held at the ends",
         "99999999999\n-99999999999\n3\n4\n1\n1\n1\nz\n",
         {INT_MAX, INT_MIN, 3, 4, 1, 1, 1, "z"}},
        // A file that ends before the password line, or is damaged before it,
        // neither lets anyone in without a password nor locks the user out:
        // the initial password comes back.
        {"empty file", "", {0, 0, 0, 0, 0, 0, 0, kScrambledGranite}},
        {"numbers stop early", "-3\n44\n", {-3, 44, 0, 0, 0, 0, 0, kScrambledGranite}},
        {"seven numbers, no password line",
         "1\n2\n3\n4\n1\n1\n0\n",
         {1, 2, 3, 4, 1, 1, 0, kScrambledGranite}},
        {"empty password line",
         "1\n2\n3\n4\n1\n1\n0\n\n",
         {1, 2, 3, 4, 1, 1, 0, kScrambledGranite}},
        {"blank password line",
         "1\n2\n3\n4\n1\n1\n0\n \t\r\n",
         {1, 2, 3, 4, 1, 1, 0, kScrambledGranite}},
        {"last number without line feed",
         "1\n2\n3\n4\n1\n1\n0",
         {1, 2, 3, 4, 1, 1, 0, kScrambledGranite}},
        // The numbers stop at the damaged line, so the line the reader reaches
        // is not the password line: trusting it would lock the user out.
        {"a line that is no number",
         "15\n25\nwide\n4\n1\n1\n1\nz\n",
         {15, 25, 0, 0, 0, 0, 0, kScrambledGranite}},
        {"a sign without digits",
         "1\n2\n3\n4\n1\n1\n-\nsecret\n",
         {1, 2, 3, 4, 1, 1, 0, kScrambledGranite}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ClearRecord();
        Read(row.bytes);
        EXPECT_EQ(Current(), row.want);
    }
}

// A file cut at any byte, or edited by hand, is read as some record whose
// password can be typed and lets the user in, and the file written from it
// is whole (seven numbers and the password, each on its own line) and reads
// back as the same record.
TEST(SettingsFile, EveryCutAndHandEditReadsAsARecordThatIsWrittenWhole) {
    const std::string whole = oracle::SettingsFile(50, 40, 360, 260, 0, 1, 0);
    std::vector<std::string> files;
    for (std::size_t cut = 0; cut <= whole.size(); ++cut) files.push_back(whole.substr(0, cut));
    const std::string granite = "\n" + kScrambledGranite;
    for (const std::string& edited :
         {"50\r\n40\r\n360\r\n260\r\n0\r\n1\r\n0\r\n" + kScrambledGranite + "\r\n",
          "  50 \n\t40\t\n 360\n260   \n 0\n1 \n  0  " + granite + "\n",
          "\n50\n\n40\n360\n\n260\n0\n1\n0\n" + granite + "\n",
          "99999999999999999999\n-99999999999999999999\n2147483648\n4294967296\n0\n1\n0" + granite,
          "-30000\n-30000\n400\n300\n0\n1\n0" + granite + "\n",
          "50\n40\n360\n260\n2\n-1\n7" + granite + "\n",
          "50\n40\n360\n260\n99999999999\n-99999999999\n0" + granite + "\n",
          "+50\n0040\n+0360\n260\n00\n01\n-0" + granite + "\n",
          "50\n40\n360\n260\n0\n1\n0" + granite})
        files.push_back(edited);
    for (std::size_t i = 0; i < files.size(); ++i) {
        SCOPED_TRACE(i <= whole.size() ? "cut at byte " + std::to_string(i) : files[i]);
        ClearRecord();
        Read(files[i]);
        const Record record = Current();
        ASSERT_FALSE(record.password.empty()) << "an empty password cannot be typed";
        if (i > whole.size()) {
            EXPECT_EQ(record.password, kScrambledGranite);
        }
        EXPECT_TRUE(MatchesStoredPassword(oracle::Scrambled(record.password).c_str(), StoredPassword));
        const std::string written = Written();
        EXPECT_EQ(oracle::LinesOf(written).size(), 8u) << written;
        EXPECT_EQ(written.back(), '\n');
        ClearRecord();
        Read(written);
        EXPECT_EQ(Current(), record);
        EXPECT_EQ(Written(), written);
    }
}
