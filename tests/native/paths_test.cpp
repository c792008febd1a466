// Path forming in the fixed text buffers.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "journal/text.h"
#include "shell/paths.h"

TEST(JoinPath, ConcatenatesWithoutAddingOrRemovingSeparators) {
    struct Row {
        const char* folder;
        const char* name;
        const char* joined;
    } rows[] = {
        {"C:\\Users\\ann\\AppData\\Roaming\\larkmoor", kSettingsFileName,
         "C:\\Users\\ann\\AppData\\Roaming\\larkmoor/larkmoor.cfg"},
        {"C:\\data\\larkmoor", kLogFileName, "C:\\data\\larkmoor/larkmoorlog.txt"},
        {"C:\\data\\larkmoor", kPromptsFileName, "C:\\data\\larkmoor/larkmoorqtx.txt"},
        {"C:\\data\\larkmoor", kDatabaseFileName, "C:\\data\\larkmoor/larkmoor.3db"},
        {"C:\\Program Files\\Larkmoor", kDefaultPromptsFileName,
         "C:\\Program Files\\Larkmoor\\larkmoorqtx.txt"},
        {"C:\\trailing\\", kSettingsFileName, "C:\\trailing\\/larkmoor.cfg"},
        {"", kSettingsFileName, "/larkmoor.cfg"},
    };
    for (const Row& row : rows) {
        char path[kTextSize];
        std::memset(path, 'x', sizeof path);
        ASSERT_TRUE(JoinPath(path, sizeof path, row.folder, row.name));
        EXPECT_STREQ(path, row.joined);
    }
}

TEST(JoinPath, RefusesWhatWouldNotFitAndNeverWritesPastTheBuffer) {
    char guarded[kTextSize + 8];
    std::memset(guarded, '#', sizeof guarded);
    const std::string folder(kTextSize - std::strlen(kSettingsFileName), 'f');

    // One byte too long for the terminator: refused, left empty.
    EXPECT_FALSE(JoinPath(guarded, kTextSize, folder.c_str(), kSettingsFileName));
    EXPECT_STREQ(guarded, "");
    for (std::size_t i = kTextSize; i < sizeof guarded; ++i) EXPECT_EQ(guarded[i], '#');

    // Exactly fitting, terminator included.
    const std::string shorter = folder.substr(1);
    ASSERT_TRUE(JoinPath(guarded, kTextSize, shorter.c_str(), kSettingsFileName));
    EXPECT_EQ(std::strlen(guarded), kTextSize - 1);
    for (std::size_t i = kTextSize; i < sizeof guarded; ++i) EXPECT_EQ(guarded[i], '#');
}
