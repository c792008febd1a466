// The main window procedure with its real children, under Wine.
#include <gtest/gtest.h>

#include "prompts/prompts.h"
#include "resource.h"
#include "settings/settings.h"
#include "shell/shell.h"
#include "support/files.h"
#include "support/oracles.h"
#include "support/ui_harness.h"

namespace {

class MainWindowTest : public HarnessTest {
protected:
    void SetUp() override {
        HarnessTest::SetUp();
        // Startup screen off, logging off, automatic login on: creation runs
        // straight through.
        WriteSettingsFile(40, 30, 400, 300, 0, 0, 1);
    }
    void TearDown() override {
        if (window_ != nullptr && IsWindow(window_)) DestroyWindow(window_);
        HarnessTest::TearDown();
    }
    HWND Create() {
        window_ = CreateTestMainWindow();
        return window_;
    }
    HWND window_ = nullptr;
};

RECT ClientOf(HWND window) {
    RECT rect;
    GetClientRect(window, &rect);
    return rect;
}

RECT ChildRect(HWND parent, HWND child) {
    RECT rect;
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

void ExpectViewFillsClient(HWND window) {
    const RECT client = ClientOf(window);
    const RECT view = ChildRect(window, PromptView);
    EXPECT_EQ(view.left, 0);
    EXPECT_EQ(view.top, 0);
    EXPECT_EQ(view.right, client.right);
    EXPECT_EQ(view.bottom, client.bottom);
}

}  // namespace

TEST_F(MainWindowTest, CreationMakesDataFolderAndBothChildren) {
    RemoveDataFolder();  // a first start: no data folder at all
    HWND window = Create();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(PathExists(DataFolderPath()));
    EXPECT_EQ(std::string(SettingsPath), DataFolderPath() + "/larkmoor.cfg");
    EXPECT_EQ(std::string(LogPath), DataFolderPath() + "/larkmoorlog.txt");
    EXPECT_EQ(std::string(PromptsPath), DataFolderPath() + "/larkmoorqtx.txt");
    EXPECT_EQ(std::string(DatabasePath), DataFolderPath() + "/larkmoor.3db");

    ASSERT_NE(PromptList, nullptr);
    EXPECT_EQ(GetParent(PromptList), window);
    EXPECT_EQ(GetWindowLongA(PromptList, GWL_STYLE) & (WS_VISIBLE | LBS_SORT | LBS_NOTIFY), 0);
    EXPECT_EQ(LOWORD(GetDlgCtrlID(PromptList)), 0xFFFF);

    ASSERT_NE(PromptView, nullptr);
    // Read-only, multi-line, a vertical scroll bar; no border, no automatic scrolling.
    const LONG viewStyle = ES_READONLY | ES_MULTILINE | WS_VSCROLL | WS_BORDER | ES_AUTOVSCROLL;
    EXPECT_EQ(GetWindowLongA(PromptView, GWL_STYLE) & viewStyle,
              ES_READONLY | ES_MULTILINE | WS_VSCROLL);
    EXPECT_EQ(LOWORD(GetDlgCtrlID(PromptView)), 0xFFFF);
    EXPECT_TRUE(IsWindowVisible(window));
    ExpectViewFillsClient(window);
}

TEST_F(MainWindowTest, PromptViewFollowsResizeAndMaximise) {
    HWND window = Create();
    SetWindowPos(window, nullptr, 10, 20, 517, 333, SWP_NOZORDER);
    ExpectViewFillsClient(window);
    ShowWindow(window, SW_MAXIMIZE);
    ExpectViewFillsClient(window);
    ShowWindow(window, SW_RESTORE);
    ExpectViewFillsClient(window);
}

TEST_F(MainWindowTest, TopOfZeroCentresOnWorkAreaWhateverTheLeftEdge) {
    WriteSettingsFile(777, 0, 320, 240, 0, 0, 1);
    HWND window = Create();
    RECT work;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    RECT outer;
    GetWindowRect(window, &outer);
    EXPECT_EQ(outer.right - outer.left, 320);
    EXPECT_EQ(outer.bottom - outer.top, 240);
    EXPECT_EQ(outer.left, work.left + ((work.right - work.left - 320) >> 1));
    EXPECT_EQ(outer.top, work.top + ((work.bottom - work.top - 240) >> 1));
}

// A plain pop-up window: the system limits a framed window to the screen.
// Larger than the work area it overhangs equally, by signed halving that
// rounds down (-301/2 gives -151, -201/2 gives -101); smaller, it lands in
// the middle.
TEST(CenterWindow, CentresOnTheWorkAreaOverhangingEquallyWhenLarger) {
    RECT work;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    const int bigWidth = (work.right - work.left) + 301;
    const int bigHeight = (work.bottom - work.top) + 201;
    const struct {
        int width, height, left, top;
    } rows[] = {{bigWidth, bigHeight, work.left - 151, work.top - 101},
                {101, 51, work.left + ((work.right - work.left - 101) >> 1),
                 work.top + ((work.bottom - work.top - 51) >> 1)}};
    for (const auto& row : rows) {
        HWND window = CreateWindowExA(0, "static", "", WS_POPUP, 5, 5, row.width, row.height,
                                      nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(window, nullptr);
        CenterWindow(window);
        RECT outer;
        GetWindowRect(window, &outer);
        EXPECT_EQ(outer.left, row.left);
        EXPECT_EQ(outer.top, row.top);
        EXPECT_EQ(outer.right - outer.left, row.width);
        EXPECT_EQ(outer.bottom - outer.top, row.height);
        DestroyWindow(window);
    }
}

TEST_F(MainWindowTest, NotificationFromUnaddressedChildDoesNothing) {
    HWND window = Create();
    boxes_.Clear();  // the prompts read error of a start without a default prompts file
    SendMessageA(PromptView, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("kept"));
    SendMessageA(window, WM_COMMAND, MAKEWPARAM(0xFFFF, EN_SETFOCUS),
                 reinterpret_cast<LPARAM>(PromptView));
    SendMessageA(window, WM_COMMAND, MAKEWPARAM(0xFFFF, LBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(PromptList));
    EXPECT_TRUE(IsWindow(window));
    EXPECT_EQ(WindowText(PromptView), "kept");
    EXPECT_TRUE(boxes_.Boxes().empty());
}

// The session ending: with wParam TRUE the end-of-session work of Exit, once
// (one end line when logging is on, the window's place saved), also when
// the window is destroyed afterwards; with FALSE (the end called off)
// nothing is written.
TEST_F(MainWindowTest, EndSessionDoesExitsEndWorkOnceAndNothingWhenCalledOff) {
    struct Case {
        WPARAM ending;
        int log;
    };
    for (const Case c : {Case{TRUE, 1}, Case{TRUE, 0}, Case{FALSE, 1}}) {
        SCOPED_TRACE(std::to_string(c.ending) + ", logging " + std::to_string(c.log));
        RemoveDataFolder();
        PrepareTestPaths();
        WriteSettingsFile(40, 30, 400, 300, 0, c.log, 1);
        HWND window = Create();
        ASSERT_NE(window, nullptr);
        SetWindowPos(window, nullptr, 70, 60, 500, 350, SWP_NOZORDER);
        boxes_.Clear();  // the prompts read error of a start without a default prompts file
        const std::string settings = ReadFileBytes(SettingsPath);
        const std::string log = ReadFileBytes(LogPath);
        EXPECT_EQ(SendMessageA(window, WM_ENDSESSION, c.ending, ENDSESSION_LOGOFF), 0);
        if (c.ending) {
            EXPECT_EQ(ReadFileBytes(SettingsPath), oracle::SettingsFile(70, 60, 500, 350, 0, c.log, 1));
            const std::vector<std::string> events =
                c.log == 1 ? std::vector<std::string>{" - Session Start", " - Session End"}
                           : std::vector<std::string>{};
            EXPECT_EQ(oracle::LogEvents(ReadFileBytes(LogPath)), events);
            // Done once: neither another end nor the destruction repeats it.
            SetWindowPos(window, nullptr, 90, 80, 500, 350, SWP_NOZORDER);
            const std::string ended = ReadFileBytes(LogPath);
            SendMessageA(window, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
            DestroyWindow(window);
            PumpMessages();  // its quit message
            EXPECT_EQ(ReadFileBytes(LogPath), ended);
            EXPECT_EQ(ReadFileBytes(SettingsPath), oracle::SettingsFile(70, 60, 500, 350, 0, c.log, 1));
        } else {
            EXPECT_EQ(ReadFileBytes(SettingsPath), settings);
            EXPECT_EQ(ReadFileBytes(LogPath), log);
        }
        EXPECT_EQ(TakeBoxTexts(), std::vector<std::string>{});
    }
}
