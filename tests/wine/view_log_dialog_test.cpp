// The View Program Log dialog's procedure on its real template: the list of
// log lines with the newest in view, deleting the log, a missing log, long
// lines, and a folder that cannot be opened.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "journal/text.h"
#include "log/log_file.h"
#include "log/program_log.h"
#include "resource.h"
#include "shell/paths.h"
#include "shell/shell.h"
#include "support/ui_harness.h"

namespace {

class ViewLogDialogTest : public HarnessTest {
protected:
    void Open() {
        ASSERT_NE(HarnessTest::Open(IDD_VIEW_LOG, ViewLogDlgProc), nullptr);
        list_ = GetDlgItem(dialog_, IDC_LOG_LIST);
    }
    int Count() const { return static_cast<int>(SendMessageA(list_, LB_GETCOUNT, 0, 0)); }
    std::string Item(int index) const { return ListLines(list_).at(index).text; }
    // The item is wholly inside the list's client area.
    bool InView(int index) const {
        RECT item;
        RECT client;
        SendMessageA(list_, LB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&item));
        GetClientRect(list_, &client);
        return item.top >= client.top && item.bottom <= client.bottom;
    }
    bool DeleteEnabled() const { return IsWindowEnabled(GetDlgItem(dialog_, IDC_DELETE_LOG)); }

    HWND list_ = nullptr;
};

std::string NumberedLog(int count) {
    std::string text;
    char line[64];
    for (int i = 1; i <= count; ++i) {
        std::snprintf(line, sizeof line, "2024-03-15 14:05:09 - Session Start %d\n", i);
        text += line;
    }
    return text;
}

}  // namespace

TEST_F(ViewLogDialogTest, ListsTheLinesInFileOrderWithTheNewestInView) {
    ASSERT_TRUE(WriteFileBytes(LogPath, NumberedLog(200)));
    Open();
    EXPECT_EQ(WindowText(dialog_), "Larkmoor: View Program Log");
    ASSERT_EQ(Count(), 200);
    EXPECT_EQ(Item(0), "2024-03-15 14:05:09 - Session Start 1");
    EXPECT_EQ(Item(199), "2024-03-15 14:05:09 - Session Start 200");
    EXPECT_TRUE(InView(199));
    EXPECT_FALSE(InView(0));
    EXPECT_TRUE(DeleteEnabled());
    EXPECT_TRUE(boxes_.Boxes().empty());
}

TEST_F(ViewLogDialogTest, MissingOrEmptyLogShowsAnEmptyList) {
    Open();
    EXPECT_EQ(Count(), 0);
    EXPECT_FALSE(DeleteEnabled());
    Click(dialog_, IDOK);
    EXPECT_TRUE(Ended());

    WriteFileBytes(LogPath, "");
    Open();
    EXPECT_EQ(Count(), 0);
    EXPECT_TRUE(DeleteEnabled());
    EXPECT_TRUE(boxes_.Boxes().empty());
}

TEST_F(ViewLogDialogTest, DeleteAsksFirstThenDeletesAndEmptiesTheList) {
    WriteFileBytes(LogPath, NumberedLog(3));
    Open();
    SetFocus(GetDlgItem(dialog_, IDC_DELETE_LOG));

    boxes_.QueueAnswer(IDNO);
    Click(dialog_, IDC_DELETE_LOG);
    ASSERT_EQ(boxes_.Boxes().size(), 1u);
    EXPECT_TRUE(boxes_.Boxes()[0].yesNo);
    ExpectOneBox("Notice", "Delete the program log? Its lines cannot be brought back.");
    EXPECT_EQ(Count(), 3);
    EXPECT_TRUE(PathExists(LogPath));

    boxes_.QueueAnswer(IDYES);
    Click(dialog_, IDC_DELETE_LOG);
    EXPECT_EQ(boxes_.Boxes().size(), 1u);
    EXPECT_FALSE(PathExists(LogPath));
    EXPECT_EQ(Count(), 0);
    EXPECT_FALSE(DeleteEnabled());
    EXPECT_EQ(GetFocus(), GetDlgItem(dialog_, IDOK));
    EXPECT_FALSE(Ended());

    // The next event starts a new log with its one line.
    LogSessionEnd();
    const std::string log = ReadFileBytes(LogPath);
    EXPECT_EQ(log.size(), 34u);
    EXPECT_EQ(log.substr(19), " - Session End\n");
}

TEST_F(ViewLogDialogTest, LongLinesAreCutAndScrollSideways) {
    WriteFileBytes(LogPath, std::string(5000, 'w') + "\nshort\n");
    Open();
    ASSERT_EQ(Count(), 2);
    EXPECT_EQ(Item(0), std::string(kShownLineLength - 3, 'w') + "...");
    RECT client;
    GetClientRect(list_, &client);
    EXPECT_GT(SendMessageA(list_, LB_GETHORIZONTALEXTENT, 0, 0), client.right);
    // The scroll range is exactly the widest line as the font measures it.
    const std::string mixed = "Mixed: caf\xE9 \x80 1,234 ijl WMW";
    WriteFileBytes(LogPath, "short\n" + mixed + "\nmiddling line\n");
    Open();
    EXPECT_EQ(SendMessageA(list_, LB_GETHORIZONTALEXTENT, 0, 0),
              TextWidth(list_, mixed.c_str()) + 2 * GetSystemMetrics(SM_CXBORDER) + 4);
}

TEST_F(ViewLogDialogTest, FolderThatCannotBeOpenedSaysSo) {
    JoinPath(DataFolder, sizeof DataFolder, DataFolderPath().c_str(), "\\no such folder");
    Open();
    Click(dialog_, IDC_BROWSE_LOG_FOLDER);
    ExpectOneBox("Notice", "The log folder could not be opened.");
    EXPECT_FALSE(Ended());
}

TEST_F(ViewLogDialogTest, OkEscapeAndCloseBoxEndTheDialog) {
    for (int way = 0; way < 3; ++way) {
        Open();
        if (way == 0) Click(dialog_, IDOK);
        if (way == 1) PressKey(dialog_, IDC_LOG_LIST, VK_ESCAPE);
        if (way == 2) SendMessageA(dialog_, WM_CLOSE, 0, 0);
        EXPECT_TRUE(Ended()) << way;
    }
}
