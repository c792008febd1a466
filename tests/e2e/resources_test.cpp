// The resources inside the built larkmoor.exe: menu, icon, Exit bitmap,
// version block and manifest, read from the file as Windows reads them.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "product_version.h"
#include "resource.h"
#include "support/driver.h"

using e2e::ProgramFolderPath;

namespace {

class ProgramResources : public ::testing::Test {
protected:
    void SetUp() override {
        path_ = ProgramFolderPath() + "\\larkmoor.exe";
        module_ = LoadLibraryExA(path_.c_str(), nullptr,
                                 LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
        ASSERT_NE(module_, nullptr);
    }
    void TearDown() override {
        if (module_ != nullptr) FreeLibrary(module_);
    }
    std::string Raw(LPCSTR type, int id) {
        HRSRC found = FindResourceA(module_, MAKEINTRESOURCEA(id), type);
        if (found == nullptr) return std::string();
        const char* bytes = static_cast<const char*>(LockResource(LoadResource(module_, found)));
        return std::string(bytes, SizeofResource(module_, found));
    }
    std::string path_;
    HMODULE module_ = nullptr;
};

struct MenuRow {
    UINT type;
    UINT id;
    std::string text;
    bool operator==(const MenuRow& o) const {
        return type == o.type && id == o.id && text == o.text;
    }
};

std::ostream& operator<<(std::ostream& out, const MenuRow& row) {
    return out << row.type << " " << row.id << " \"" << row.text << "\"";
}

std::vector<MenuRow> Items(HMENU menu) {
    std::vector<MenuRow> rows;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        char text[128] = {};
        MENUITEMINFOA info = {};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STRING | MIIM_STATE;
        info.dwTypeData = text;
        info.cch = sizeof text;
        GetMenuItemInfoA(menu, static_cast<UINT>(i), TRUE, &info);
        EXPECT_EQ(info.fState & (MFS_DISABLED | MFS_CHECKED), 0u) << text;
        rows.push_back({info.fType, info.wID, text});
    }
    return rows;
}

}  // namespace

TEST_F(ProgramResources, MenuHasEveryItemLabelAndShortcut) {
    HMENU bar = LoadMenuA(module_, MAKEINTRESOURCEA(IDR_MAIN_MENU));
    ASSERT_NE(bar, nullptr);
    const char* const popups[] = {"&Program", "&User Action", "&Settings", "&Help"};
    const std::vector<std::vector<MenuRow>> expected = {
        {{MFT_STRING, IDM_COMPACT_DATABASE, "Compact database"},
         {MFT_STRING, IDM_LOGOUT, "Logout\tCtrl+L"},
         {MFT_SEPARATOR, 0, ""},
         {MFT_STRING, IDM_EXIT, "Exit\tCtrl+X"}},
        {{MFT_STRING, IDM_ADD_ENTRY, "Add a Larkmoor Entry...\tCtrl+A"},
         {MFT_STRING, IDM_SEARCH_ENTRIES, "Search Larkmoor Entries...\tCtrl+S"},
         {MFT_STRING, IDM_BROWSE_ENTRIES, "Browse Larkmoor Entries...\tCtrl+B"}},
        {{MFT_STRING, IDM_GET_PROMPT, "Get a Brainstorm Prompt\tF4"},
         {MFT_STRING, IDM_EDIT_PROMPTS, "Edit Brainstorm Prompts..."},
         {MFT_STRING, IDM_CHANGE_PASSWORD, "Change password..."},
         {MFT_STRING, IDM_VIEW_LOG, "View Program Log\tF3"},
         {MFT_STRING, IDM_PREFERENCES, "Preferences...\tF2"}},
        {{MFT_STRING, IDM_HELP_CONTENTS, "Contents\tF1"}, {MFT_STRING, IDM_ABOUT, "About..."}},
    };
    ASSERT_EQ(GetMenuItemCount(bar), 4);
    for (int p = 0; p < 4; ++p) {
        char title[64] = {};
        GetMenuStringA(bar, static_cast<UINT>(p), title, sizeof title, MF_BYPOSITION);
        EXPECT_STREQ(title, popups[p]);
        HMENU popup = GetSubMenu(bar, p);
        ASSERT_NE(popup, nullptr);
        EXPECT_EQ(Items(popup), expected[p]) << popups[p];
    }
    DestroyMenu(bar);
}

TEST_F(ProgramResources, AcceleratorsAreTheNineOfTheMenu) {
    const std::string raw = Raw(RT_ACCELERATOR, IDR_ACCELERATORS);
    // Each entry: flags (2 bytes), key, command, padding.
    ASSERT_EQ(raw.size(), 9u * 8u);
    const WORD keys[] = {'X', VK_F1, VK_F3, VK_F2, 'A', 'S', 'B', 'L', VK_F4};
    const WORD commands[] = {IDM_EXIT,           IDM_HELP_CONTENTS,  IDM_VIEW_LOG,
                             IDM_PREFERENCES,    IDM_ADD_ENTRY,      IDM_SEARCH_ENTRIES,
                             IDM_BROWSE_ENTRIES, IDM_LOGOUT,         IDM_GET_PROMPT};
    const bool control[] = {true, false, false, false, true, true, true, true, false};
    for (int i = 0; i < 9; ++i) {
        WORD entry[4];
        std::memcpy(entry, raw.data() + 8 * i, sizeof entry);
        const WORD flags = static_cast<WORD>(FVIRTKEY | (control[i] ? FCONTROL : 0) |
                                             (i == 8 ? 0x80 : 0));
        EXPECT_EQ(entry[0], flags) << i;
        EXPECT_EQ(entry[1], keys[i]) << i;
        EXPECT_EQ(entry[2], commands[i]) << i;
    }
}

TEST_F(ProgramResources, IconIsOne32By32ImageOf256Colours) {
    const std::string group = Raw(RT_GROUP_ICON, IDI_MAIN);
    ASSERT_EQ(group.size(), 6u + 14u);  // header and one directory entry
    WORD count;
    std::memcpy(&count, group.data() + 4, 2);
    EXPECT_EQ(count, 1);
    const unsigned char* entry = reinterpret_cast<const unsigned char*>(group.data() + 6);
    EXPECT_EQ(entry[0], 32);  // width
    EXPECT_EQ(entry[1], 32);  // height
    WORD bits;
    std::memcpy(&bits, entry + 6, 2);
    EXPECT_EQ(bits, 8);
    EXPECT_NE(LoadImageA(module_, MAKEINTRESOURCEA(IDI_MAIN), IMAGE_ICON, 32, 32, 0), nullptr);
}

TEST_F(ProgramResources, ExitBitmapIs16By16With256Colours) {
    const std::string raw = Raw(RT_BITMAP, IDB_EXIT);
    ASSERT_GE(raw.size(), sizeof(BITMAPINFOHEADER));
    BITMAPINFOHEADER header;
    std::memcpy(&header, raw.data(), sizeof header);
    EXPECT_EQ(header.biWidth, 16);
    EXPECT_EQ(header.biHeight, 16);
    EXPECT_EQ(header.biBitCount, 8);
}

TEST_F(ProgramResources, VersionBlock) {
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeA(path_.c_str(), &handle);
    ASSERT_GT(size, 0u);
    std::vector<char> block(size);
    ASSERT_TRUE(GetFileVersionInfoA(path_.c_str(), 0, size, block.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    const DWORD versionMS = MAKELONG(LARKMOOR_VERSION_MINOR, LARKMOOR_VERSION_MAJOR);
    const DWORD versionLS = MAKELONG(0, LARKMOOR_VERSION_PATCH);
    EXPECT_EQ(fixed->dwFileVersionMS, versionMS);
    EXPECT_EQ(fixed->dwFileVersionLS, versionLS);
    EXPECT_EQ(fixed->dwProductVersionMS, versionMS);
    EXPECT_EQ(fixed->dwProductVersionLS, versionLS);
    EXPECT_EQ(fixed->dwFileFlagsMask, 0u);
    EXPECT_EQ(fixed->dwFileFlags, 0u);
    EXPECT_EQ(fixed->dwFileOS, static_cast<DWORD>(VOS__WINDOWS32));
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));
    EXPECT_EQ(fixed->dwFileSubtype, 0u);

    WORD* translation = nullptr;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\VarFileInfo\\Translation",
                               reinterpret_cast<void**>(&translation), &length));
    ASSERT_EQ(length, 4u);
    EXPECT_EQ(translation[0], 0xFFFF);
    EXPECT_EQ(translation[1], 0);

    struct Row {
        const char* name;
        const char* value;
    } rows[] = {{"FileDescription", "larkmoor"},
                {"InternalName", "larkmoor"},
                {"OriginalFilename", "larkmoor"},
                {"PrivateBuild", "larkmoor"},
                {"ProductName", "larkmoor"},
                {"SpecialBuild", "larkmoor"},
                {"FileVersion", LARKMOOR_VERSION_TEXT},
                {"ProductVersion", LARKMOOR_VERSION_TEXT}};
    auto text = [&](const char* name) {
        char* value = nullptr;
        const std::string query = std::string("\\StringFileInfo\\FFFF0000\\") + name;
        EXPECT_TRUE(
            VerQueryValueA(block.data(), query.c_str(), reinterpret_cast<void**>(&value), &length))
            << name;
        return std::string(value != nullptr ? value : "(missing)");
    };
    for (const Row& row : rows) EXPECT_EQ(text(row.name), row.value) << row.name;
    for (const char* name : {"CompanyName", "LegalCopyright", "Comments"})
        EXPECT_NE(text(name), "") << name;
}

TEST_F(ProgramResources, ManifestAsksForCommonControls6) {
    const std::string manifest = Raw(MAKEINTRESOURCEA(24), 1);
    ASSERT_FALSE(manifest.empty());
    const std::string version = std::to_string(LARKMOOR_VERSION_MAJOR) + "." +
                                std::to_string(LARKMOOR_VERSION_MINOR) + "." +
                                std::to_string(LARKMOOR_VERSION_PATCH) + ".0";
    EXPECT_NE(manifest.find("version=\"" + version + "\""), std::string::npos);
    for (const char* wanted : {"<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>",
                               "manifestVersion=\"1.0\"", "<description>Larkmoor</description>",
                               "name=\"Microsoft.Windows.Common-Controls\"", "version=\"6.0.0.0\"",
                               "publicKeyToken=\"6595b64144ccf1df\"", "language=\"*\""})
        EXPECT_NE(manifest.find(wanted), std::string::npos) << wanted;
    // Its identity and its dependency both name the build's architecture
    // (amd64 or X86), and no other.
    const std::string arch = "processorArchitecture=\"" LARKMOOR_MANIFEST_ARCH "\"";
    std::size_t first = manifest.find(arch);
    ASSERT_NE(first, std::string::npos) << manifest;
    EXPECT_NE(manifest.find(arch, first + 1), std::string::npos) << manifest;
    std::size_t count = 0;
    for (std::size_t at = manifest.find("processorArchitecture="); at != std::string::npos;
         at = manifest.find("processorArchitecture=", at + 1))
        ++count;
    EXPECT_EQ(count, 2u) << manifest;
}
