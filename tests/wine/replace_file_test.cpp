// Replacing a file's contents in one step: the new contents, or the old
// ones untouched and no ".new" file left behind.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "shell/replace_file.h"
#include "support/files.h"

namespace {

bool WriteText(std::FILE* file, void* context) {
    const char* text = static_cast<const char*>(context);
    return std::fwrite(text, 1, std::strlen(text), file) == std::strlen(text);
}

bool FailPartWay(std::FILE* file, void*) {
    std::fputs("half", file);
    return false;
}

TEST(ReplaceFileContents, ReplacesWholeOrLeavesTheOldFileAsItWas) {
    RemoveDataFolder();
    const std::string folder = DataFolderPath();
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    const std::string path = folder + "\\file.txt";
    struct Case {
        const char* name;
        std::string path;
        bool readOnly;
        FileWriter write;
        bool replaced;
    };
    const Case cases[] = {
        {"written", path, false, WriteText, true},
        {"read-only target", path, true, WriteText, false},
        {"failed write", path, false, FailPartWay, false},
        {"missing folder", folder + "\\none\\file.txt", false, WriteText, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        ASSERT_TRUE(WriteFileBytes(path, "old\n"));
        if (c.readOnly) SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
        char text[] = "new\r\ncontents\n";
        EXPECT_EQ(ReplaceFileContents(c.path.c_str(), c.write, text), c.replaced);
        EXPECT_EQ(ReadFileBytes(path), c.replaced ? text : "old\n");
        EXPECT_FALSE(PathExists(c.path + ".new"));
    }
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    RemoveDataFolder();
}

}  // namespace
