// The startup screen and About box templates, read from the program's real
// resources byte by byte (extended dialog template format).
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "product.h"
#include "resource.h"

namespace {

struct Control {
    DWORD helpId = 0;
    DWORD exStyle = 0;
    DWORD style = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    int id = 0;
    std::string className;  // system classes by their atom's name
    std::string text;
};

struct Dialog {
    WORD version = 0;
    WORD signature = 0;
    DWORD helpId = 0;
    DWORD exStyle = 0;
    DWORD style = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    std::string menu;
    std::string className;
    std::string title;
    WORD pointSize = 0;
    WORD weight = 0;
    BYTE italic = 0;
    BYTE charset = 0;
    std::string typeface;
    std::vector<Control> controls;
};

// Reads an extended dialog template. Fails the test on anything malformed.
class TemplateReader {
public:
    TemplateReader(const BYTE* data, std::size_t size) : data_(data), size_(size) {}

    bool Read(Dialog* dialog) {
        dialog->version = Word();
        dialog->signature = Word();
        dialog->helpId = Dword();
        dialog->exStyle = Dword();
        dialog->style = Dword();
        const WORD count = Word();
        dialog->x = static_cast<short>(Word());
        dialog->y = static_cast<short>(Word());
        dialog->cx = static_cast<short>(Word());
        dialog->cy = static_cast<short>(Word());
        dialog->menu = NameOrOrdinal();
        dialog->className = NameOrOrdinal();
        dialog->title = String();
        if (dialog->style & (DS_SETFONT | DS_SHELLFONT)) {
            dialog->pointSize = Word();
            dialog->weight = Word();
            dialog->italic = Byte();
            dialog->charset = Byte();
            dialog->typeface = String();
        }
        for (WORD i = 0; i < count && ok_; ++i) {
            Align();
            Control control;
            control.helpId = Dword();
            control.exStyle = Dword();
            control.style = Dword();
            control.x = static_cast<short>(Word());
            control.y = static_cast<short>(Word());
            control.cx = static_cast<short>(Word());
            control.cy = static_cast<short>(Word());
            control.id = static_cast<int>(Dword());
            control.className = ClassName();
            control.text = NameOrOrdinal();
            const WORD extra = Word();
            position_ += extra;
            dialog->controls.push_back(control);
        }
        return ok_ && position_ <= size_;
    }

private:
    BYTE Byte() {
        if (position_ + 1 > size_) return Fail();
        return data_[position_++];
    }
    WORD Word() {
        if (position_ + 2 > size_) return Fail();
        WORD value;
        std::memcpy(&value, data_ + position_, 2);
        position_ += 2;
        return value;
    }
    DWORD Dword() {
        const DWORD low = Word();
        return low | (static_cast<DWORD>(Word()) << 16);
    }
    void Align() { position_ = (position_ + 3) & ~static_cast<std::size_t>(3); }
    std::string String() {
        std::string text;
        for (WORD c = Word(); c != 0 && ok_; c = Word())
            text += c < 0x80 ? static_cast<char>(c) : '?';
        return text;
    }
    std::string NameOrOrdinal() {
        if (position_ + 2 <= size_ && data_[position_] == 0xFF && data_[position_ + 1] == 0xFF) {
            position_ += 2;
            return "#" + std::to_string(Word());
        }
        return String();
    }
    std::string ClassName() {
        const std::string name = NameOrOrdinal();
        if (name == "#128") return "button";
        if (name == "#129") return "edit";
        if (name == "#130") return "static";
        if (name == "#131") return "listbox";
        std::string lower = name;
        for (char& c : lower)
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        return lower;
    }
    WORD Fail() {
        ok_ = false;
        return 0;
    }

    const BYTE* data_;
    std::size_t size_;
    std::size_t position_ = 0;
    bool ok_ = true;
};

Dialog LoadTemplate(int id) {
    Dialog dialog;
    HMODULE module = GetModuleHandleA(nullptr);
    HRSRC resource = FindResourceA(module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(5));  // RT_DIALOG
    EXPECT_NE(resource, nullptr) << "dialog " << id;
    if (resource == nullptr) return dialog;
    HGLOBAL loaded = LoadResource(module, resource);
    const auto* data = static_cast<const BYTE*>(LockResource(loaded));
    TemplateReader reader(data, SizeofResource(module, resource));
    EXPECT_TRUE(reader.Read(&dialog)) << "dialog " << id;
    return dialog;
}

constexpr DWORD kFrameStyle = WS_POPUP | WS_VISIBLE | WS_SYSMENU | DS_CENTER | DS_MODALFRAME |
                              DS_3DLOOK | DS_SETFONT | DS_FIXEDSYS;

void ExpectFrame(const Dialog& dialog, DWORD style, short cx, short cy, const char* title) {
    EXPECT_EQ(dialog.version, 1);
    EXPECT_EQ(dialog.signature, 0xFFFF) << "an extended template";
    EXPECT_EQ(dialog.helpId, 0u);
    EXPECT_EQ(dialog.exStyle, 0u);
    EXPECT_EQ(dialog.style, style);
    EXPECT_EQ(dialog.x, 6);
    EXPECT_EQ(dialog.y, 18);
    EXPECT_EQ(dialog.cx, cx);
    EXPECT_EQ(dialog.cy, cy);
    EXPECT_EQ(dialog.menu, "");
    EXPECT_EQ(dialog.className, "");
    EXPECT_EQ(dialog.title, title);
    EXPECT_EQ(dialog.pointSize, 8);
    EXPECT_EQ(dialog.weight, 0);
    EXPECT_EQ(dialog.italic, 0);
    EXPECT_EQ(dialog.charset, 1);
    EXPECT_EQ(dialog.typeface, "MS Shell Dlg");
}

void ExpectControls(const Dialog& dialog, const std::vector<Control>& expected) {
    ASSERT_EQ(dialog.controls.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const Control& got = dialog.controls[i];
        const Control& want = expected[i];
        SCOPED_TRACE("control " + std::to_string(i) + " \"" + want.text + "\"");
        EXPECT_EQ(got.helpId, 0u);
        EXPECT_EQ(got.exStyle, 0u);
        EXPECT_EQ(got.style, want.style);
        EXPECT_EQ(got.x, want.x);
        EXPECT_EQ(got.y, want.y);
        EXPECT_EQ(got.cx, want.cx);
        EXPECT_EQ(got.cy, want.cy);
        EXPECT_EQ(got.id, want.id);
        EXPECT_EQ(got.className, want.className);
        EXPECT_EQ(got.text, want.text);
    }
}

// Neither dialog offers a default push button or a Cancel control.
void ExpectNoDefaultButtonAndNoCancel(const Dialog& dialog) {
    for (const Control& control : dialog.controls) {
        EXPECT_NE(control.id, IDCANCEL) << control.text;
        if (control.className == "button") {
            EXPECT_NE(control.style & 0x0F, static_cast<DWORD>(BS_DEFPUSHBUTTON)) << control.text;
        }
    }
}

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
constexpr DWORD kIcon = kChild | SS_ICON | SS_CENTERIMAGE;
constexpr DWORD kLabel = kChild | WS_GROUP | SS_LEFT;
constexpr DWORD kButton = kChild | WS_TABSTOP | BS_PUSHBUTTON;
constexpr int kNoId = -1;

}  // namespace

TEST(StartupAboutTemplates, StartupScreenHasNoTitleBarAndShowsIconVersionAndNotice) {
    const Dialog dialog = LoadTemplate(IDD_STARTUP);
    ASSERT_EQ(IDD_STARTUP, 1001);
    ExpectFrame(dialog, kFrameStyle, 216, 48, "");
    EXPECT_FALSE((dialog.style & WS_CAPTION) == WS_CAPTION) << "no title bar";
    ExpectControls(dialog, {
        {0, 0, kIcon, 7, 7, 32, 32, IDC_PRODUCT_ICON, "static", ""},
        {0, 0, kLabel, 44, 13, 101, 8, kNoId, "static", "Larkmoor version 1.1"},
        {0, 0, kLabel, 44, 23, 171, 8, kNoId, "static", LARKMOOR_OWNER_NOTICE},
    });
    ExpectNoDefaultButtonAndNoCancel(dialog);
}

TEST(StartupAboutTemplates, AboutBoxShowsVersionNoticeAndTheOneWebPageAddress) {
    const Dialog dialog = LoadTemplate(IDD_ABOUT);
    ASSERT_EQ(IDD_ABOUT, 1002);
    ASSERT_EQ(IDC_PRODUCT_ICON, 1004);
    ASSERT_EQ(IDC_VISIT_WEB_PAGE, 4001);
    ExpectFrame(dialog, kFrameStyle | WS_CAPTION, 236, 96, "About this program");
    const std::string page = LARKMOOR_WEB_PAGE;
    ExpectControls(dialog, {
        {0, 0, kIcon, 5, 4, 32, 32, IDC_PRODUCT_ICON, "static", ""},
        {0, 0, kLabel, 41, 11, 101, 8, kNoId, "static", "Larkmoor version 1.1"},
        {0, 0, kLabel, 40, 21, 167, 8, kNoId, "static", LARKMOOR_OWNER_NOTICE},
        {0, 0, kChild | WS_BORDER | ES_READONLY | ES_AUTOVSCROLL | ES_MULTILINE, 5, 41, 223, 25,
         kNoId, "edit",
         "To download the latest version of this program, visit " + page + "."},
        {0, 0, kButton, 6, 72, 168, 15, IDC_VISIT_WEB_PAGE, "button", "Visit " + page},
        {0, 0, kButton, 184, 72, 45, 15, IDOK, "button", "OK"},
    });
    ExpectNoDefaultButtonAndNoCancel(dialog);
}
