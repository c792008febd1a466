// Reads extended dialog templates: see dialog_template.h.
#include "support/dialog_template.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstring>

namespace {

class Reader {
public:
    Reader(const BYTE* data, std::size_t size) : start_(data), at_(data), end_(data + size) {}

    template <typename T>
    T Take() {
        T value{};
        if (at_ + sizeof value > end_) {
            ok_ = false;
            return value;
        }
        std::memcpy(&value, at_, sizeof value);
        at_ += sizeof value;
        return value;
    }
    std::string Text() {
        std::string text;
        for (WORD c = Take<WORD>(); ok_ && c != 0; c = Take<WORD>()) text += static_cast<char>(c);
        return text;
    }
    // A text, or an ordinal; the system's control classes come as ordinals.
    std::string TextOrOrdinal() {
        if (at_ + 2 <= end_ && at_[0] == 0xFF && at_[1] == 0xFF) {
            Take<WORD>();
            const WORD ordinal = Take<WORD>();
            switch (ordinal) {
            case 0x80:
                return "button";
            case 0x81:
                return "edit";
            case 0x82:
                return "static";
            case 0x83:
                return "listbox";
            case 0x84:
                return "scrollbar";
            case 0x85:
                return "combobox";
            }
            return "#" + std::to_string(ordinal);
        }
        return Text();
    }
    void AlignToDword() {
        while ((at_ - start_) % 4 != 0) ++at_;
    }
    void Skip(std::size_t count) { at_ += count; }
    bool Ok() const { return ok_ && at_ <= end_; }

private:
    const BYTE* start_;
    const BYTE* at_;
    const BYTE* end_;
    bool ok_ = true;
};

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

}  // namespace

bool LoadDialogTemplate(int id, DialogTemplate* dialog) {
    HMODULE module = GetModuleHandleA(nullptr);
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(5));  // RT_DIALOG
    if (found == nullptr) return false;
    Reader reader(static_cast<const BYTE*>(LockResource(LoadResource(module, found))),
                  SizeofResource(module, found));
    dialog->version = reader.Take<WORD>();
    dialog->signature = reader.Take<WORD>();
    dialog->helpId = reader.Take<DWORD>();
    dialog->exStyle = reader.Take<DWORD>();
    dialog->style = reader.Take<DWORD>();
    const WORD count = reader.Take<WORD>();
    dialog->x = reader.Take<short>();
    dialog->y = reader.Take<short>();
    dialog->cx = reader.Take<short>();
    dialog->cy = reader.Take<short>();
    dialog->menu = reader.TextOrOrdinal();
    dialog->windowClass = reader.TextOrOrdinal();
    dialog->caption = reader.Text();
    if (dialog->style & DS_SETFONT) {
        dialog->pointSize = reader.Take<WORD>();
        dialog->weight = reader.Take<WORD>();
        dialog->italic = reader.Take<BYTE>();
        dialog->charset = reader.Take<BYTE>();
        dialog->typeface = reader.Text();
    }
    for (WORD i = 0; i < count && reader.Ok(); ++i) {
        reader.AlignToDword();
        TemplateControl control;
        control.helpId = reader.Take<DWORD>();
        control.exStyle = reader.Take<DWORD>();
        control.style = reader.Take<DWORD>();
        control.x = reader.Take<short>();
        control.y = reader.Take<short>();
        control.cx = reader.Take<short>();
        control.cy = reader.Take<short>();
        control.id = static_cast<short>(reader.Take<DWORD>());
        control.className = Lower(reader.TextOrOrdinal());
        control.text = reader.TextOrOrdinal();
        reader.Skip(reader.Take<WORD>());  // creation data
        dialog->controls.push_back(control);
    }
    return reader.Ok() && dialog->controls.size() == count;
}

void ExpectDialogTemplate(int id, const ExpectedFrame& frame,
                          const std::vector<TemplateControl>& controls) {
    SCOPED_TRACE("dialog " + std::to_string(id));
    DialogTemplate dialog;
    ASSERT_TRUE(LoadDialogTemplate(id, &dialog));
    EXPECT_EQ(dialog.version, 1);
    EXPECT_EQ(dialog.signature, 0xFFFF) << "an extended template";
    EXPECT_EQ(dialog.helpId, 0u);
    EXPECT_EQ(dialog.exStyle, 0u);
    EXPECT_EQ(dialog.style, frame.style);
    EXPECT_EQ(dialog.x, 6);
    EXPECT_EQ(dialog.y, 18);
    EXPECT_EQ(dialog.cx, frame.cx);
    EXPECT_EQ(dialog.cy, frame.cy);
    EXPECT_EQ(dialog.menu, "");
    EXPECT_EQ(dialog.windowClass, "");
    EXPECT_EQ(dialog.caption, frame.caption);
    EXPECT_EQ(dialog.pointSize, frame.pointSize);
    EXPECT_EQ(dialog.weight, frame.weight);
    EXPECT_EQ(dialog.italic, 0);
    EXPECT_EQ(dialog.charset, 1);
    EXPECT_EQ(dialog.typeface, "MS Shell Dlg");
    ASSERT_EQ(dialog.controls.size(), controls.size());
    for (std::size_t i = 0; i < controls.size(); ++i) {
        const TemplateControl& got = dialog.controls[i];
        const TemplateControl& want = controls[i];
        SCOPED_TRACE("control " + std::to_string(i) + " \"" + want.text + "\"");
        EXPECT_EQ(got.className, want.className);
        EXPECT_EQ(got.id, want.id);
        EXPECT_EQ(got.text, want.text);
        EXPECT_EQ(got.style, want.style);
        EXPECT_EQ(got.x, want.x);
        EXPECT_EQ(got.y, want.y);
        EXPECT_EQ(got.cx, want.cx);
        EXPECT_EQ(got.cy, want.cy);
        EXPECT_EQ(got.exStyle, 0u);
        EXPECT_EQ(got.helpId, 0u);
    }
}
