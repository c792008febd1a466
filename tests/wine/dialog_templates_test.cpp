// Every dialog template of the program, read from its compiled resources and
// compared with its table: frame, font, and each control's class, id, text,
// style and rectangle in template (tab) order.
#include <gtest/gtest.h>

#include <string>

#include "product.h"
#include "product_version.h"
#include "resource.h"
#include "support/dialog_template.h"

namespace {

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
constexpr DWORD kLabel = kChild | SS_LEFT | WS_GROUP;
constexpr DWORD kPush = kChild | BS_PUSHBUTTON | WS_TABSTOP;
constexpr DWORD kCheck = kChild | BS_AUTOCHECKBOX | WS_TABSTOP;
constexpr DWORD kPassword = kChild | ES_PASSWORD | ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP;
constexpr DWORD kIcon = kChild | SS_ICON | SS_CENTERIMAGE;
constexpr int kNoId = -1;

// Pop-up, centred, modal frame, 3-D look, shell font; with or without a title bar.
constexpr DWORD kFrame = WS_POPUP | WS_VISIBLE | WS_SYSMENU | DS_MODALFRAME | DS_CENTER |
                         DS_3DLOOK | DS_SETFONT | DS_FIXEDSYS;
constexpr DWORD kCaptioned = kFrame | WS_CAPTION;

}  // namespace

TEST(DialogTemplates, StartupScreenHasNoTitleBar) {
    ExpectDialogTemplate(
        IDD_STARTUP, {kFrame, 216, 48, "", 8, 0},
        {
            {"static", IDC_PRODUCT_ICON, "", kIcon, 7, 7, 32, 32},
            {"static", kNoId, "Larkmoor version " LARKMOOR_VERSION_TEXT, kLabel, 44, 13, 101, 8},
            {"static", kNoId, LARKMOOR_OWNER_NOTICE, kLabel, 44, 23, 171, 8},
        });
}

TEST(DialogTemplates, AboutBoxNamesTheOneWebPageTwice) {
    const std::string page = LARKMOOR_WEB_PAGE;
    ExpectDialogTemplate(
        IDD_ABOUT, {kCaptioned, 236, 96, "About this program", 8, 0},
        {
            {"static", IDC_PRODUCT_ICON, "", kIcon, 5, 4, 32, 32},
            {"static", kNoId, "Larkmoor version " LARKMOOR_VERSION_TEXT, kLabel, 41, 11, 101, 8},
            {"static", kNoId, LARKMOOR_OWNER_NOTICE, kLabel, 40, 21, 167, 8},
            {"edit", kNoId, "To download the latest version of this program, visit " + page + ".",
             kChild | WS_BORDER | ES_READONLY | ES_AUTOVSCROLL | ES_MULTILINE, 5, 41, 223, 25},
            {"button", IDC_VISIT_WEB_PAGE, "Visit " + page, kPush, 6, 72, 168, 15},
            {"button", IDOK, "OK", kPush, 184, 72, 45, 15},
        });
}

TEST(DialogTemplates, ViewProgramLog) {
    ExpectDialogTemplate(
        IDD_VIEW_LOG, {kCaptioned, 198, 294, "Larkmoor: View Program Log", 8, 0},
        {
            {"button", IDOK, "OK", kPush, 139, 273, 45, 15},
            {"listbox", IDC_LOG_LIST, "",
             kChild | WS_BORDER | WS_VSCROLL | WS_HSCROLL | WS_TABSTOP | LBS_NOTIFY |
                 LBS_HASSTRINGS,
             10, 17, 175, 252},
            {"button", IDC_BROWSE_LOG_FOLDER, "Browse log folder...", kPush, 9, 273, 70, 15},
            {"button", IDC_DELETE_LOG, "Delete log", kPush, 87, 273, 45, 15},
            {"static", kNoId, "Log Entries", kLabel, 10, 5, 40, 8},
        });
}

TEST(DialogTemplates, PreferencesPutsOkBeforeTheThirdBox) {
    ExpectDialogTemplate(
        IDD_PREFERENCES, {kCaptioned, 136, 95, "Larkmoor Preferences", 8, 0},
        {
            {"button", IDC_SHOW_STARTUP_SCREEN, "Display program's startup screen", kCheck, 10, 10,
             121, 10},
            {"button", IDC_ENABLE_LOG, "Enable program log", kCheck, 10, 28, 82, 10},
            {"button", IDOK, "OK", kPush, 82, 71, 45, 15},
            {"button", IDC_AUTO_LOGIN, "Enable automatic login", kCheck, 10, 48, 89, 10},
        });
}

TEST(DialogTemplates, Login) {
    ExpectDialogTemplate(IDD_LOGIN, {kCaptioned, 125, 79, "Larkmoor Login", 8, 0},
                         {
                             {"static", kNoId, "Password", kLabel, 10, 20, 40, 8},
                             {"edit", IDC_PASSWORD, "", kPassword, 50, 19, 60, 12},
                             {"button", IDOK, "OK", kPush, 10, 52, 45, 15},
                             {"button", IDCANCEL, "Cancel", kPush, 63, 52, 45, 15},
                         });
}

TEST(DialogTemplates, ChangePassword) {
    ExpectDialogTemplate(IDD_CHANGE_PASSWORD,
                         {kCaptioned, 161, 76, "Larkmoor: Change password", 8, 0},
                         {
                             {"static", kNoId, "Current password", kLabel, 10, 10, 62, 8},
                             {"edit", IDC_CURRENT_PASSWORD, "", kPassword, 70, 9, 80, 12},
                             {"static", kNoId, "New password", kLabel, 10, 30, 55, 8},
                             {"edit", IDC_NEW_PASSWORD, "", kPassword, 70, 29, 80, 12},
                             {"button", IDOK, "OK", kPush, 49, 51, 45, 15},
                             {"button", IDCANCEL, "Cancel", kPush, 104, 51, 45, 15},
                         });
}

TEST(DialogTemplates, EntriesHasItsSixteenControls) {
    const DWORD field = kChild | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL;
    const DWORD readOnly = kChild | WS_BORDER | ES_READONLY | ES_AUTOHSCROLL;
    ExpectDialogTemplate(IDD_ENTRIES, {kCaptioned, 450, 290, "Larkmoor Entries", 9, FW_NORMAL},
                         {
                             {"static", kNoId, "Search", kLabel, 5, 10, 30, 8},
                             {"edit", IDC_SEARCH_TEXT, "", field, 37, 9, 69, 12},
                             {"button", IDC_SEARCH_GO, "Go", kPush, 113, 8, 28, 15},
                             {"static", kNoId, "Subjects", kLabel, 5, 30, 42, 8},
                             {"listbox", IDC_SUBJECT_LIST, "",
                              kChild | LBS_NOTIFY | LBS_SORT | LBS_HASSTRINGS | WS_BORDER |
                                  WS_VSCROLL | WS_HSCROLL | WS_TABSTOP,
                              5, 43, 140, 241},
                             {"static", kNoId, "Record No.", kLabel, 155, 11, 40, 8},
                             {"edit", IDC_RECORD_NUMBER, "", readOnly, 196, 9, 40, 12},
                             {"static", IDC_DATE_LABEL, "Date", kLabel, 259, 10, 24, 8},
                             {"edit", IDC_DATE, "", readOnly, 285, 9, 150, 12},
                             {"static", kNoId, "Subject", kLabel, 155, 29, 29, 8},
                             {"edit", IDC_SUBJECT, "", field, 182, 27, 253, 12},
                             {"static", IDC_ENTRY_LABEL, "Larkmoor Entry", kLabel, 155, 45, 88, 8},
                             {"edit", IDC_ENTRY_TEXT, "",
                              kChild | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN | WS_VSCROLL |
                                  WS_BORDER | WS_TABSTOP,
                              155, 56, 280, 204},
                             {"button", IDC_SAVE, "Save", kPush, 225, 267, 45, 15},
                             {"button", IDC_DELETE, "Delete", kPush, 295, 267, 45, 15},
                             {"button", IDC_ENTRIES_OK, "OK", kPush, 391, 267, 45, 15},
                         });
}

TEST(DialogTemplates, IdentifiersHaveTheirNumbers) {
    const int ids[][2] = {
        {IDD_STARTUP, 1001},          {IDD_ABOUT, 1002},        {IDD_VIEW_LOG, 1003},
        {IDD_PREFERENCES, 1005},      {IDD_LOGIN, 1006},        {IDD_ENTRIES, 1007},
        {IDD_CHANGE_PASSWORD, 1008},  {IDC_PRODUCT_ICON, 1004}, {IDC_VISIT_WEB_PAGE, 4001},
        {IDC_SHOW_STARTUP_SCREEN, 4001}, {IDC_ENABLE_LOG, 4002}, {IDC_AUTO_LOGIN, 4003},
        {IDC_CURRENT_PASSWORD, 4001}, {IDC_PASSWORD, 4002},     {IDC_NEW_PASSWORD, 4002},
        {IDC_LOG_LIST, 4002},         {IDC_BROWSE_LOG_FOLDER, 4003}, {IDC_DELETE_LOG, 4004},
    };
    for (const auto& id : ids) EXPECT_EQ(id[0], id[1]);
}
