// Damaged and hand-edited settings files through the real program: the file
// cut at every byte position, and edited by hand with CR LF line ends,
// spaces, huge numbers and switch values other than 0 and 1. Each start must
// go as the settings reader says (the password it reads lets the user in),
// and the file written at the end must be whole and hold the same record.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

#include "e2e/fault_support.h"
#include "e2e/settings_flows.h"
#include "resource.h"
#include "settings/settings_file.h"

using namespace faults;

namespace {

std::string Scramble(const std::string& text) {
    return flows::Scrambled(text);
}

// Quiet start-up, logging on, automatic login off, password "granite".
const std::string kWhole = "50\n40\n360\n260\n0\n1\n0\n" + Scramble("granite") + "\n";

struct Record {
    int numbers[7];
    std::string password;  // scrambled, as held
};

// The record the program's own reader takes from these bytes.
Record ReadRecord(const std::string& bytes) {
    char temp[MAX_PATH] = {};
    GetTempPathA(sizeof temp, temp);
    const std::string path = std::string(temp) + "larkmoor-settings-probe.cfg";
    EXPECT_TRUE(WriteFileBytes(path, bytes));
    WindowLeft = WindowTop = WindowWidth = WindowHeight = 0;
    ShowStartupScreen = LogEnabled = AutoLogin = 0;
    std::memset(StoredPassword, 0, sizeof StoredPassword);
    std::FILE* file = std::fopen(path.c_str(), "rb");
    EXPECT_NE(file, nullptr);
    if (file != nullptr) {
        ReadSettingsFrom(file);
        std::fclose(file);
    }
    DeleteFileA(path.c_str());
    return {{WindowLeft, WindowTop, WindowWidth, WindowHeight, ShowStartupScreen, LogEnabled,
             AutoLogin},
            StoredPassword};
}

// The settings file as the program writes it: seven numbers and the password
// line, each ended by one line feed and nothing else.
void ExpectWholeFile(const std::string& bytes, const Record& expected) {
    const std::vector<std::string> lines = flows::LinesOf(bytes);
    ASSERT_EQ(lines.size(), 8u) << bytes;
    for (int i = 0; i < 4; ++i) {
        char* end = nullptr;
        std::strtol(lines[i].c_str(), &end, 10);
        EXPECT_TRUE(!lines[i].empty() && *end == '\0') << "line " << i + 1 << ": " << lines[i];
    }
    for (int i = 4; i < 7; ++i)
        EXPECT_EQ(lines[i], std::to_string(expected.numbers[i])) << "switch line " << i + 1;
    EXPECT_EQ(lines[7], expected.password);
}

// Starts the program on the settings file as it is, logs in with the typed
// password when automatic login is off, and exits.
void StartLogInAndExit(const Record& record, const std::string& typed) {
    Larkmoor program;
    ASSERT_TRUE(program.Start());
    if (record.numbers[6] == 0) {
        HWND login = program.WaitDialog("Larkmoor Login", 20000);
        ASSERT_NE(login, nullptr) << OpenDialogs(program);
        flows::SetFieldText(login, IDC_PASSWORD, typed);
        PostClick(login, IDOK);
        ASSERT_TRUE(flows::WaitGone(login)) << OpenDialogs(program);
    }
    HWND window = program.WaitMainWindow();
    ASSERT_NE(window, nullptr) << OpenDialogs(program);
    // Whatever the numbers, the window can be seen on the screen (it shows
    // at its saved place first and is centred right after).
    EXPECT_TRUE(flows::WaitUntil(
        [window] { return MonitorFromWindow(window, MONITOR_DEFAULTTONULL) != nullptr; }, 3000));
    ExitAnswering(program, window);
}

class SettingsFaultTest : public ::testing::Test {
protected:
    void SetUp() override {
        RemoveDataFolder();
        CreateDirectoryA(DataFolderPath().c_str(), nullptr);
        CreateJournal({{"2024-01-02 03:04:05", "Morning pages", "Three pages."}});
    }
    void TearDown() override { RemoveDataFolder(); }
};

class TruncatedSettingsTest : public SettingsFaultTest,
                              public ::testing::WithParamInterface<std::size_t> {};

}  // namespace

TEST_P(TruncatedSettingsTest, CutAtThisByteStartsAndIsWrittenWhole) {
    const std::string cut = kWhole.substr(0, GetParam());
    ASSERT_TRUE(WriteFileBytes(SettingsFile(), cut));
    const std::vector<Row> rows = ReadRows();
    const Record record = ReadRecord(cut);
    // The reader never leaves the password empty: an empty one cannot be typed.
    ASSERT_FALSE(record.password.empty());

    // Whatever password the reader took lets the user in.
    const std::string typed = Scramble(record.password);
    StartLogInAndExit(record, typed);
    ExpectWholeFile(ReadFileBytes(SettingsFile()), record);
    EXPECT_EQ(ReadRows(), rows);
    // The next start reads what was written, and goes the same way.
    StartLogInAndExit(record, typed);
}

INSTANTIATE_TEST_SUITE_P(EveryByte, TruncatedSettingsTest,
                         ::testing::Range<std::size_t>(0, kWhole.size() + 1));

namespace {

struct EditedCase {
    const char* name;
    std::string bytes;
};

const EditedCase kEditedCases[] = {
    {"CrLfLineEnds", "50\r\n40\r\n360\r\n260\r\n0\r\n1\r\n0\r\n" + Scramble("granite") + "\r\n"},
    {"SpacesAndTabs", "  50 \n\t40\t\n 360\n260   \n 0\n1 \n  0  \n" + Scramble("granite") + "\n"},
    {"BlankLinesBetween", "\n50\n\n40\n360\n\n260\n0\n1\n0\n\n" + Scramble("granite") + "\n"},
    {"HugeNumbers",
     "99999999999999999999\n-99999999999999999999\n2147483648\n4294967296\n0\n1\n0\n" +
         Scramble("granite") + "\n"},
    // A window that fits on no screen (as after a monitor was taken away).
    {"WindowOffEveryScreen", "-30000\n-30000\n400\n300\n0\n1\n0\n" + Scramble("granite") + "\n"},
    {"SwitchesNotZeroOrOne", "50\n40\n360\n260\n2\n-1\n7\n" + Scramble("granite") + "\n"},
    {"SwitchesHuge", "50\n40\n360\n260\n99999999999\n-99999999999\n0\n" + Scramble("granite") + "\n"},
    {"PlusSignsAndLeadingZeros", "+50\n0040\n+0360\n260\n00\n01\n-0\n" + Scramble("granite") + "\n"},
    {"NoLineFeedAtTheEnd", "50\n40\n360\n260\n0\n1\n0\n" + Scramble("granite")},
};

class EditedSettingsTest : public SettingsFaultTest,
                           public ::testing::WithParamInterface<EditedCase> {};

}  // namespace

TEST_P(EditedSettingsTest, HandEditedFileStartsAndIsWrittenWhole) {
    const EditedCase& edited = GetParam();
    ASSERT_TRUE(WriteFileBytes(SettingsFile(), edited.bytes));
    const Record record = ReadRecord(edited.bytes);
    // Each of these files means the password "granite", and it lets the user in.
    StartLogInAndExit(record, "granite");
    ExpectWholeFile(ReadFileBytes(SettingsFile()), record);
    StartLogInAndExit(record, "granite");
}

INSTANTIATE_TEST_SUITE_P(Files, EditedSettingsTest, ::testing::ValuesIn(kEditedCases),
                         [](const ::testing::TestParamInfo<EditedCase>& edited) {
                             return std::string(edited.param.name);
                         });

