// The startup screen and the About box with their real templates and
// procedures, under Wine: the startup screen ends on its own timer and
// nothing else ends it sooner; the About box ends only by OK or a close
// request, with the keyboard focus on its Visit button.
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <vector>

#include "product.h"
#include "product_version.h"
#include "resource.h"
#include "shell/shell.h"
#include "support/ui_harness.h"

namespace {

void Wait(HWND) {}

void PostKey(HWND dialog, WPARAM key) {
    PostMessageA(dialog, WM_KEYDOWN, key, 1);
    PostMessageA(dialog, WM_KEYUP, key, 0xC0000001);
}

class StartupScreenTest : public HarnessTest {
protected:
    HWND Open() { return HarnessTest::Open(IDD_STARTUP, StartupScreenDlgProc); }
};

}  // namespace

TEST_F(StartupScreenTest, ShowsTheClassIconAndArmsTimerTwo) {
    HWND dialog = Open();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(IsWindowVisible(dialog));
    EXPECT_EQ(reinterpret_cast<HICON>(SendDlgItemMessageA(dialog, IDC_PRODUCT_ICON, STM_GETICON, 0, 0)),
              ClassIcon);
    // Timer 2 exists on the dialog: killing it succeeds once.
    EXPECT_TRUE(KillTimer(dialog, 2));
    EXPECT_FALSE(KillTimer(dialog, 2));
}

TEST_F(StartupScreenTest, CloseRequestEndsItAndStopsItsTimer) {
    HWND dialog = Open();
    ASSERT_NE(dialog, nullptr);
    SendMessageA(dialog, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindowVisible(dialog)) << "EndDialog hides a modeless dialog";
    EXPECT_FALSE(KillTimer(dialog, 2)) << "the timer went with the close";
}

// The real thing: run modally as at start-up, press Enter and Escape while it
// shows; it stays for its 1.5 seconds regardless and then closes itself.
TEST(StartupScreenModal, EndsItselfAfterItsTimerWhileEnterAndEscapeDoNothing) {
    ModalScript script;
    script.steps = {
        Wait,
        [](HWND dialog) { PostKey(dialog, VK_RETURN); },
        Wait,
        [](HWND dialog) { PostKey(dialog, VK_ESCAPE); },
    };
    // Steps beyond the timer's 1.5 seconds keep the script alive for a
    // minute, however slowly a busy machine runs them.
    for (int i = 0; i < 600; ++i) script.steps.push_back(Wait);
    const INT_PTR result = RunModal(IDD_STARTUP, StartupScreenDlgProc, script);

    EXPECT_EQ(result, 0) << "ended by itself, not by the script's time-out";
    EXPECT_TRUE(script.Saw(IDOK)) << "Enter reached the dialog as IDOK";
    EXPECT_TRUE(script.Saw(IDCANCEL)) << "Escape reached the dialog as IDCANCEL";
    // Not before its timer (Enter and Escape came in the first half second),
    // and about when it fires, give or take what a busy machine adds.
    EXPECT_GE(script.elapsed, 1400u);
    EXPECT_LT(script.elapsed, 8000u);
}

// ----------------------------------------------------------------- About box

namespace {

void PostClick(HWND dialog, int id) {
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

struct AboutAction {
    const char* name;
    std::function<void(HWND)> act;
    bool closes;
};

int ClientWidth(HWND control) {
    RECT rect;
    GetClientRect(control, &rect);
    return rect.right - rect.left;
}

// The static control that shows the given text.
HWND LabelWithText(HWND dialog, const char* text) {
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT))
        if (WindowText(child) == text) return child;
    return nullptr;
}

}  // namespace

TEST(AboutBoxModal, OpensWithClassIconAndFocusOnVisitThenOkCloses) {
    HICON icon = nullptr;
    int focused = 0;
    ModalScript script;
    script.steps = {
        [&](HWND dialog) {
            icon = reinterpret_cast<HICON>(SendDlgItemMessageA(dialog, IDC_PRODUCT_ICON, STM_GETICON, 0, 0));
            focused = GetDlgCtrlID(GetFocus());
        },
        [](HWND dialog) { PostClick(dialog, IDOK); },
        Wait, Wait, Wait,
    };
    EXPECT_EQ(RunModal(IDD_ABOUT, AboutDlgProc, script), 0);
    EXPECT_EQ(icon, ClassIcon);
    EXPECT_EQ(focused, IDC_VISIT_WEB_PAGE);
}

TEST(AboutBoxModal, OnlyOkAndCloseRequestsEndIt) {
    const AboutAction actions[] = {
        {"click on OK", [](HWND dialog) { PostClick(dialog, IDOK); }, true},
        {"Enter on OK",
         [](HWND dialog) {
             SendMessageA(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(dialog, IDOK)), TRUE);
             PostKey(dialog, VK_RETURN);
         },
         true},
        {"close box", [](HWND dialog) { PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0); }, true},
        {"Escape", [](HWND dialog) { PostKey(dialog, VK_ESCAPE); }, false},
        {"IDCANCEL command", [](HWND dialog) { PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0); }, false},
        {"OK with a notification other than a click",
         [](HWND dialog) { PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_SETFOCUS), 0); }, false},
    };
    for (const AboutAction& action : actions) {
        SCOPED_TRACE(action.name);
        bool stillOpen = false;
        ModalScript script;
        script.steps = {Wait, action.act, Wait, Wait,
                        [&](HWND dialog) { stillOpen = IsWindowVisible(dialog) != FALSE; }};
        const INT_PTR result = RunModal(IDD_ABOUT, AboutDlgProc, script);
        if (action.closes) {
            EXPECT_EQ(result, 0) << "closed by the dialog itself";
        } else {
            EXPECT_TRUE(stillOpen);
            EXPECT_EQ(result, kForcedEnd);
        }
        // Escape reaches the dialog as a Cancel command, which it ignores.
        if (std::string(action.name) == "Escape") {
            EXPECT_TRUE(script.Saw(IDCANCEL));
        }
    }
}

// The owner's notice and the web page address are ours to choose: they must
// fit their controls on one line, in the dialogs' real font.
TEST(StartupAboutLayout, NoticeAndAddressFitTheirControls) {
    for (int templateId : {IDD_STARTUP, IDD_ABOUT}) {
        SCOPED_TRACE(templateId);
        HWND dialog = OpenTestDialog(templateId,
                                     templateId == IDD_STARTUP ? StartupScreenDlgProc : AboutDlgProc);
        ASSERT_NE(dialog, nullptr);
        HWND notice = LabelWithText(dialog, LARKMOOR_OWNER_NOTICE);
        ASSERT_NE(notice, nullptr);
        EXPECT_LE(TextWidth(notice), ClientWidth(notice));
        HWND version = LabelWithText(dialog, "Larkmoor version " LARKMOOR_VERSION_TEXT);
        ASSERT_NE(version, nullptr);
        EXPECT_LE(TextWidth(version), ClientWidth(version));
        if (templateId == IDD_ABOUT) {
            HWND visit = GetDlgItem(dialog, IDC_VISIT_WEB_PAGE);
            EXPECT_LE(TextWidth(visit) + 8, ClientWidth(visit)) << "room for the button's frame";
        }
        DestroyWindow(dialog);
        PumpMessages();
    }
}
