// The startup screen of the real program, watched from another process: with
// its switch at 1 it stands before the main window for about 1.5 seconds;
// with any other value it never shows.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>

#include "product_version.h"
#include "resource.h"
#include "support/driver.h"

namespace {

struct Sighting {
    HWND startupScreen = nullptr;
    HWND mainWindow = nullptr;
};

struct SearchContext {
    DWORD processId;
    Sighting* sighting;
};

BOOL CALLBACK Look(HWND window, LPARAM parameter) {
    auto* context = reinterpret_cast<SearchContext*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != context->processId || !IsWindowVisible(window)) return TRUE;
    char name[32] = {};
    GetClassNameA(window, name, sizeof name);
    // The startup screen: a dialog without title bar holding the product icon.
    if (std::strcmp(name, "#32770") == 0 && GetDlgItem(window, IDC_PRODUCT_ICON) != nullptr &&
        (GetWindowLongA(window, GWL_STYLE) & WS_CAPTION) != WS_CAPTION)
        context->sighting->startupScreen = window;
    if (std::strcmp(name, "larkmoorclass") == 0) context->sighting->mainWindow = window;
    return TRUE;
}

Sighting LookAt(DWORD processId) {
    Sighting sighting;
    SearchContext context = {processId, &sighting};
    EnumWindows(Look, reinterpret_cast<LPARAM>(&context));
    return sighting;
}

// What a start-up looked like, polled every few milliseconds until the main
// window showed.
struct StartupWatch {
    bool mainWindowShown = false;
    bool startupSeen = false;
    bool bothAtOnce = false;
    std::string versionText;
    DWORD firstSeen = 0;  // ms after the process started
    DWORD goneAt = 0;     // ms after the process started; 0 while it shows
    HWND mainWindow = nullptr;
};

StartupWatch WatchStartup(Larkmoor& program) {
    StartupWatch watch;
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < 20000) {
        const Sighting now = LookAt(program.ProcessId());
        const DWORD at = GetTickCount() - start;
        if (now.startupScreen != nullptr) {
            if (!watch.startupSeen) {
                watch.startupSeen = true;
                watch.firstSeen = at;
                // Its first line is the version.
                HWND label = GetWindow(GetDlgItem(now.startupScreen, IDC_PRODUCT_ICON), GW_HWNDNEXT);
                watch.versionText = TextOf(label);
            }
            if (now.mainWindow != nullptr) watch.bothAtOnce = true;
        } else if (watch.startupSeen && watch.goneAt == 0) {
            watch.goneAt = at;
        }
        if (now.mainWindow != nullptr && now.startupScreen == nullptr) {
            watch.mainWindowShown = true;
            watch.mainWindow = now.mainWindow;
            break;
        }
        Sleep(10);
    }
    return watch;
}

class StartupScreenEndToEnd : public ::testing::Test {
protected:
    void SetUp() override { RemoveDataFolder(); }
    void TearDown() override {
        program_.Kill();
        RemoveDataFolder();
    }
    void ExitNormally(HWND window) {
        PostCommand(window, IDM_EXIT);
        DWORD code = 99;
        EXPECT_TRUE(program_.WaitExit(&code));
        EXPECT_EQ(code, 0u);
    }
    Larkmoor program_;
};

}  // namespace

TEST_F(StartupScreenEndToEnd, SwitchAtOneShowsItBeforeTheMainWindowForAboutOneAndAHalfSeconds) {
    WriteSettingsFile(50, 40, 360, 260, 1, 0, 1);
    ASSERT_TRUE(program_.Start());
    const StartupWatch watch = WatchStartup(program_);

    ASSERT_TRUE(watch.startupSeen);
    EXPECT_EQ(watch.versionText, std::string("Larkmoor version ") + LARKMOOR_VERSION_TEXT);
    EXPECT_FALSE(watch.bothAtOnce) << "the main window shows only after the startup screen";
    ASSERT_TRUE(watch.mainWindowShown);
    ASSERT_NE(watch.goneAt, 0u);
    // Seen from outside it stands a little less than its 1.5 seconds (it is
    // found a moment after it appears), never much less and never much more.
    const DWORD shown = watch.goneAt - watch.firstSeen;
    EXPECT_GE(shown, 1000u);
    EXPECT_LE(shown, 3000u);
    ExitNormally(watch.mainWindow);
}

TEST_F(StartupScreenEndToEnd, AnyOtherSwitchValueNeverShowsIt) {
    for (int value : {0, 2, -1}) {
        SCOPED_TRACE(value);
        RemoveDataFolder();
        WriteSettingsFile(50, 40, 360, 260, value, 0, 1);
        Larkmoor program;
        ASSERT_TRUE(program.Start());
        const StartupWatch watch = WatchStartup(program);
        EXPECT_TRUE(watch.mainWindowShown);
        EXPECT_FALSE(watch.startupSeen);
        if (watch.mainWindow != nullptr) {
            PostCommand(watch.mainWindow, IDM_EXIT);
            DWORD code = 99;
            EXPECT_TRUE(program.WaitExit(&code));
        }
    }
}
