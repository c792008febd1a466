// In-process Win32 test support: the program's handles set up as at start-up,
// a data folder the tests control, and an answerer that records and dismisses
// every message box the code under test shows.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "support/files.h"

// One message box seen by the answerer; caption and text in UTF-8.
struct SeenBox {
    std::string caption;
    std::string text;
    HWND owner = nullptr;
    bool topmost = false;   // system-modal boxes stay on top
    bool yesNo = false;     // offers Yes and No
    bool cancel = false;    // offers Cancel
    bool question = false;  // shows the question icon
    int answer = 0;         // the button the answerer pressed
};

// While it lives, every message box of this thread is recorded and closed
// at once with the next queued answer (IDOK, or IDYES for a Yes/No box,
// when the queue is empty). Only one answerer may live at a time.
class MessageBoxAnswerer {
public:
    MessageBoxAnswerer();
    ~MessageBoxAnswerer();
    MessageBoxAnswerer(const MessageBoxAnswerer&) = delete;
    MessageBoxAnswerer& operator=(const MessageBoxAnswerer&) = delete;

    void QueueAnswer(int button) { answers_.push_back(button); }
    // Runs look on each box while it is shown, before it is answered.
    void WhileShown(std::function<void(HWND box)> look) { look_ = std::move(look); }
    const std::vector<SeenBox>& Boxes() const { return boxes_; }
    void Clear() { boxes_.clear(); }

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam);
    static void CALLBACK Answer(HWND, UINT, UINT_PTR timer, DWORD);
    HHOOK hook_;
    std::deque<int> answers_;
    std::vector<SeenBox> boxes_;
    std::function<void(HWND)> look_;
};

// While it lives, the program's ShutdownBlockReasonCreate and
// ShutdownBlockReasonDestroy (which it looks up with GetProcAddress) are
// this watch's, which keeps each window's reason as Windows keeps it: Wine 8
// has both as stubs that keep nothing, and no ShutdownBlockReasonQuery.
// Only one watch may live at a time.
class ShutdownBlockWatch {
public:
    ShutdownBlockWatch();
    ~ShutdownBlockWatch();
    ShutdownBlockWatch(const ShutdownBlockWatch&) = delete;
    ShutdownBlockWatch& operator=(const ShutdownBlockWatch&) = delete;
    // The reason registered for the window, in UTF-8; empty when none.
    std::string Reason(HWND window) const;
};

// Creates the data folder and fills the program's path variables as the main
// window's creation would, without creating a window.
void PrepareTestPaths();

std::string WindowText(HWND window);
std::string ItemText(HWND dialog, int id);
// A window's text read in UTF-16, as UTF-8, and the reverse: text as the user
// types it, whatever the code page.
std::string WindowTextUtf8(HWND window);
void SetWindowTextUtf8(HWND window, const std::string& text);

// A line of a list box with its item data. The text is read wide (Wine's
// ANSI LB_GETTEXT overruns its own buffer on long lines) and given in UTF-8.
struct ListLine {
    std::string text;
    LRESULT data;
    bool operator==(const ListLine& other) const {
        return text == other.text && data == other.data;
    }
};
std::ostream& operator<<(std::ostream& out, const ListLine& line);
std::vector<ListLine> ListLines(HWND list);

// The width in pixels of a text (the control's own when null) in the
// control's font.
int TextWidth(HWND control, const char* text = nullptr);

// Opens a dialog modeless from the real template with the real procedure.
HWND OpenTestDialog(int templateId, DLGPROC procedure, HWND owner = nullptr);
// Sends the command a click on the control would send.
void Click(HWND dialog, int id);
// Hands a key press on the control to the dialog manager, as the program's
// message loop does; true when the dialog manager took it.
bool PressKey(HWND dialog, int id, WPARAM key);
// Processes every waiting message of this thread.
void PumpMessages();

// Runs a dialog modally, as the program does, while a thread timer plays a
// script against it from inside the dialog's own modal loop: step i runs at
// about (i + 1) * 100 ms once the dialog shows. A dialog still open after the
// last step is ended with the result kForcedEnd, so a test can never hang.
// Gives the dialog's result.
constexpr INT_PTR kForcedEnd = 99;
struct ModalScript {
    std::vector<std::function<void(HWND)>> steps;
    std::size_t next = 0;
    HWND dialog = nullptr;
    std::vector<WPARAM> commands;  // WM_COMMAND parameters sent to the dialog
    DWORD elapsed = 0;             // how long the dialog stayed open, in milliseconds
    bool Saw(WPARAM command) const;
};
INT_PTR RunModal(int templateId, DLGPROC procedure, ModalScript& script, HWND owner = nullptr);

// Creates the main window of the real class, running the whole creation.
HWND CreateTestMainWindow();

// The base of the tests that run the program's windows in this process: a
// fresh data folder with the program's paths pointing into it, no main
// window, every message box answered and recorded, and the dialog under test
// destroyed at the end (and the Entries dialog's mode back to none).
class HarnessTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Opens the dialog from its real template with its real procedure; one
    // left open before is destroyed.
    HWND Open(int templateId, DLGPROC procedure, HWND owner = nullptr);
    void Close();
    std::string Text(int id) const { return ItemText(dialog_, id); }
    void Type(int id, const std::string& text) const { SetDlgItemTextA(dialog_, id, text.c_str()); }
    bool Ended() const { return !IsWindowVisible(dialog_); }
    // Exactly one message box came since the last check, with this caption
    // and text, owned by owner (the dialog under test when not given).
    void ExpectOneBox(const std::string& caption, const std::string& text);
    void ExpectOneBox(const std::string& caption, const std::string& text, HWND owner);
    // The texts of the boxes since the last check; forgets them.
    std::vector<std::string> TakeBoxTexts();

    MessageBoxAnswerer boxes_;
    HWND dialog_ = nullptr;
};
