// The dialog templates of the Login, Change password, Preferences and View
// Program Log dialogs, read from the program's resources as written.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "resource.h"

namespace {

struct Control {
    std::string className;
    int id;
    std::string text;
    DWORD style;
    DWORD exStyle;
    short x, y, cx, cy;
};

struct DialogTemplate {
    WORD version = 0;
    WORD signature = 0;
    DWORD exStyle = 0;
    DWORD style = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    std::string menu, windowClass, caption;
    WORD pointSize = 0;
    std::string font;
    std::vector<Control> controls;
};

class Reader {
public:
    explicit Reader(const BYTE* start) : start_(start), at_(start) {}
    template <typename T>
    T Take() {
        T value;
        std::memcpy(&value, at_, sizeof value);
        at_ += sizeof value;
        return value;
    }
    std::string Text() {
        std::string text;
        for (WORD c = Take<WORD>(); c != 0; c = Take<WORD>()) text += static_cast<char>(c);
        return text;
    }
    // A text or a number: class names come as the numbers of the system's
    // classes.
    std::string TextOrNumber() {
        WORD first;
        std::memcpy(&first, at_, sizeof first);
        if (first != 0xFFFF) return Text();
        Take<WORD>();
        const WORD number = Take<WORD>();
        switch (number) {
        case 0x80:
            return "Button";
        case 0x81:
            return "Edit";
        case 0x82:
            return "Static";
        case 0x83:
            return "ListBox";
        case 0x84:
            return "ScrollBar";
        case 0x85:
            return "ComboBox";
        }
        return "#" + std::to_string(number);
    }
    void AlignToDword() {
        while ((at_ - start_) % 4 != 0) ++at_;
    }
    void Skip(std::size_t count) { at_ += count; }

private:
    const BYTE* start_;
    const BYTE* at_;
};

DialogTemplate LoadTemplate(int id) {
    HMODULE module = GetModuleHandleA(nullptr);
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(5));  // RT_DIALOG
    EXPECT_NE(found, nullptr);
    DialogTemplate dialog;
    if (found == nullptr) return dialog;
    Reader reader(static_cast<const BYTE*>(LockResource(LoadResource(module, found))));
    dialog.version = reader.Take<WORD>();
    dialog.signature = reader.Take<WORD>();
    reader.Take<DWORD>();  // help id
    dialog.exStyle = reader.Take<DWORD>();
    dialog.style = reader.Take<DWORD>();
    const WORD count = reader.Take<WORD>();
    dialog.x = reader.Take<short>();
    dialog.y = reader.Take<short>();
    dialog.cx = reader.Take<short>();
    dialog.cy = reader.Take<short>();
    dialog.menu = reader.TextOrNumber();
    dialog.windowClass = reader.TextOrNumber();
    dialog.caption = reader.Text();
    if (dialog.style & DS_SETFONT) {
        dialog.pointSize = reader.Take<WORD>();
        reader.Take<WORD>();  // weight
        reader.Take<BYTE>();  // italic
        reader.Take<BYTE>();  // character set
        dialog.font = reader.Text();
    }
    for (WORD i = 0; i < count; ++i) {
        reader.AlignToDword();
        Control control;
        reader.Take<DWORD>();  // help id
        control.exStyle = reader.Take<DWORD>();
        control.style = reader.Take<DWORD>();
        control.x = reader.Take<short>();
        control.y = reader.Take<short>();
        control.cx = reader.Take<short>();
        control.cy = reader.Take<short>();
        control.id = static_cast<int>(reader.Take<DWORD>());
        control.className = reader.TextOrNumber();
        control.text = reader.TextOrNumber();
        reader.Skip(reader.Take<WORD>());
        dialog.controls.push_back(control);
    }
    return dialog;
}

constexpr DWORD kDialogStyle = WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME |
                               DS_CENTER | DS_3DLOOK | DS_SETFONT | DS_FIXEDSYS;
constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;

void ExpectDialog(int id, const char* caption, short cx, short cy,
                  const std::vector<Control>& controls) {
    const DialogTemplate dialog = LoadTemplate(id);
    EXPECT_EQ(dialog.version, 1) << "an extended template";
    EXPECT_EQ(dialog.signature, 0xFFFF);
    EXPECT_EQ(dialog.style, kDialogStyle);
    EXPECT_EQ(dialog.exStyle, 0u);
    EXPECT_EQ(dialog.x, 6);
    EXPECT_EQ(dialog.y, 18);
    EXPECT_EQ(dialog.cx, cx);
    EXPECT_EQ(dialog.cy, cy);
    EXPECT_EQ(dialog.menu, "");
    EXPECT_EQ(dialog.windowClass, "");
    EXPECT_EQ(dialog.caption, caption);
    EXPECT_EQ(dialog.pointSize, 8);
    EXPECT_EQ(dialog.font, "MS Shell Dlg");
    ASSERT_EQ(dialog.controls.size(), controls.size());
    for (std::size_t i = 0; i < controls.size(); ++i) {
        const Control& got = dialog.controls[i];
        const Control& want = controls[i];
        SCOPED_TRACE(want.text + " #" + std::to_string(i));
        EXPECT_EQ(_stricmp(got.className.c_str(), want.className.c_str()), 0) << got.className;
        EXPECT_EQ(static_cast<short>(got.id), static_cast<short>(want.id));
        EXPECT_EQ(got.text, want.text);
        EXPECT_EQ(got.style, want.style);
        EXPECT_EQ(got.exStyle, 0u);
        EXPECT_EQ(got.x, want.x);
        EXPECT_EQ(got.y, want.y);
        EXPECT_EQ(got.cx, want.cx);
        EXPECT_EQ(got.cy, want.cy);
    }
}

}  // namespace

TEST(SettingsTemplates, Login) {
    ExpectDialog(
        IDD_LOGIN, "Larkmoor Login", 125, 79,
        {
            {"Static", -1, "Password", kChild | SS_LEFT | WS_GROUP, 0, 10, 20, 40, 8},
            {"Edit", IDC_PASSWORD, "",
             kChild | ES_PASSWORD | ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 0, 50, 19, 60, 12},
            {"Button", IDOK, "OK", kChild | BS_PUSHBUTTON | WS_TABSTOP, 0, 10, 52, 45, 15},
            {"Button", IDCANCEL, "Cancel", kChild | BS_PUSHBUTTON | WS_TABSTOP, 0, 63, 52, 45, 15},
        });
    EXPECT_EQ(IDC_PASSWORD, 4002);
}

TEST(SettingsTemplates, ChangePassword) {
    ExpectDialog(
        IDD_CHANGE_PASSWORD, "Larkmoor: Change password", 161, 76,
        {
            {"Static", -1, "Current password", kChild | SS_LEFT | WS_GROUP, 0, 10, 10, 62, 8},
            {"Edit", IDC_CURRENT_PASSWORD, "",
             kChild | ES_PASSWORD | ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 0, 70, 9, 80, 12},
            {"Static", -1, "New password", kChild | SS_LEFT | WS_GROUP, 0, 10, 30, 55, 8},
            {"Edit", IDC_NEW_PASSWORD, "",
             kChild | ES_PASSWORD | ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 0, 70, 29, 80, 12},
            {"Button", IDOK, "OK", kChild | BS_PUSHBUTTON | WS_TABSTOP, 0, 49, 51, 45, 15},
            {"Button", IDCANCEL, "Cancel", kChild | BS_PUSHBUTTON | WS_TABSTOP, 0, 104, 51, 45, 15},
        });
    EXPECT_EQ(IDC_CURRENT_PASSWORD, 4001);
    EXPECT_EQ(IDC_NEW_PASSWORD, 4002);
}

TEST(SettingsTemplates, PreferencesPutsOkBeforeTheThirdBox) {
    ExpectDialog(IDD_PREFERENCES, "Larkmoor Preferences", 136, 95,
                 {
                     {"Button", IDC_SHOW_STARTUP_SCREEN, "Display program's startup screen",
                      kChild | BS_AUTOCHECKBOX | WS_TABSTOP, 0, 10, 10, 121, 10},
                     {"Button", IDC_ENABLE_LOG, "Enable program log",
                      kChild | BS_AUTOCHECKBOX | WS_TABSTOP, 0, 10, 28, 82, 10},
                     {"Button", IDOK, "OK", kChild | BS_PUSHBUTTON | WS_TABSTOP, 0, 82, 71, 45, 15},
                     {"Button", IDC_AUTO_LOGIN, "Enable automatic login",
                      kChild | BS_AUTOCHECKBOX | WS_TABSTOP, 0, 10, 48, 89, 10},
                 });
    EXPECT_EQ(IDC_SHOW_STARTUP_SCREEN, 4001);
    EXPECT_EQ(IDC_ENABLE_LOG, 4002);
    EXPECT_EQ(IDC_AUTO_LOGIN, 4003);
}

TEST(SettingsTemplates, ViewProgramLog) {
    ExpectDialog(
        IDD_VIEW_LOG, "Larkmoor: View Program Log", 198, 294,
        {
            {"Button", IDOK, "OK", kChild | BS_PUSHBUTTON | WS_TABSTOP, 0, 139, 273, 45, 15},
            {"ListBox", IDC_LOG_LIST, "",
             kChild | WS_BORDER | WS_VSCROLL | WS_HSCROLL | WS_TABSTOP | LBS_NOTIFY |
                 LBS_HASSTRINGS,
             0, 10, 17, 175, 252},
            {"Button", IDC_BROWSE_LOG_FOLDER, "Browse log folder...",
             kChild | BS_PUSHBUTTON | WS_TABSTOP, 0, 9, 273, 70, 15},
            {"Button", IDC_DELETE_LOG, "Delete log", kChild | BS_PUSHBUTTON | WS_TABSTOP, 0, 87,
             273, 45, 15},
            {"Static", -1, "Log Entries", kChild | SS_LEFT | WS_GROUP, 0, 10, 5, 40, 8},
        });
    EXPECT_EQ(IDC_LOG_LIST, 4002);
    EXPECT_EQ(IDC_BROWSE_LOG_FOLDER, 4003);
    EXPECT_EQ(IDC_DELETE_LOG, 4004);
    EXPECT_EQ(IDD_VIEW_LOG, 1003);
    EXPECT_EQ(IDD_PREFERENCES, 1005);
    EXPECT_EQ(IDD_LOGIN, 1006);
    EXPECT_EQ(IDD_CHANGE_PASSWORD, 1008);
    EXPECT_EQ(IDM_VIEW_LOG, 2006);
    EXPECT_EQ(IDM_PREFERENCES, 2009);
    EXPECT_EQ(IDM_CHANGE_PASSWORD, 6001);
    EXPECT_EQ(IDM_LOGOUT, 6002);
}
