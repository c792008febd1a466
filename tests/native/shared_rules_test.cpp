// The rules the program and larkmoor-tool share, each with one home in the
// core: loading the settings, the login check, the log line's clean-up after
// a short write, the rules of a stored entry and the timestamp text.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <string>
#include <vector>

#include "journal/entry_rules.h"
#include "journal/text.h"
#include "log/log_file.h"
#include "settings/password.h"
#include "settings/settings_file.h"
#include "support/oracles.h"
#include "support/streams.h"

namespace {

const std::string kGranite = oracle::Scrambled("granite");

struct Loaded {
    SettingsSource source;
    SettingsDamage damage;
    int line;
    int autoLogin;
    int width;
    std::string password;
};

// The record left over from an earlier load must not leak into the next.
void Dirty() {
    WindowWidth = 1234;
    AutoLogin = 7;
    ClearText(StoredPassword, sizeof StoredPassword);
    StoredPassword[0] = 'q';
}

Loaded Load(std::FILE* file, int openError) {
    Dirty();
    const SettingsLoad load = LoadSettingsFrom(file, openError);
    return {load.source, load.reading.damage, load.reading.line, AutoLogin, WindowWidth,
            StoredPassword};
}

}  // namespace

TEST(LoadSettingsFrom, AnythingButAWholeFileAsksForTheInitialPassword) {
    const std::string whole = oracle::SettingsFile(5, 6, 400, 300, 0, 1, 0);
    struct Row {
        const char* name;
        std::string bytes;
        Loaded want;
    } rows[] = {
        {"whole", whole, {SettingsSource::Read, SettingsDamage::None, 0, 0, 400, kGranite}},
        {"empty", "", {SettingsSource::Damaged, SettingsDamage::EndsEarly, 0, 0, 0, kGranite}},
        {"cut after line 3", "0\n0\n320\n",
         {SettingsSource::Damaged, SettingsDamage::EndsEarly, 3, 0, 320, kGranite}},
        {"garbage", "\x01\xff garbage\n",
         {SettingsSource::Damaged, SettingsDamage::NotANumber, 1, 0, 0, kGranite}},
        {"line 7 no number", "0\n0\n320\n240\n1\n1\nyes\n" + kGranite + "\n",
         {SettingsSource::Damaged, SettingsDamage::NotANumber, 7, 0, 320, kGranite}},
        {"no password line", "0\n0\n320\n240\n1\n1\n1\n",
         {SettingsSource::Damaged, SettingsDamage::NoPassword, 0, 1, 320, kGranite}},
        // Lines the program reads as meant (the end-to-end settings test
        // has the program accept them).
        {"signs, blanks, huge numbers",
         "+5\n 0\n99999999999999999999\n240\n00\n1\n-0\n" + oracle::Scrambled("pw") + "\n",
         {SettingsSource::Read, SettingsDamage::None, 0, 0, 2147483647, oracle::Scrambled("pw")}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::FILE* file = StreamOf(row.bytes);
        ASSERT_NE(file, nullptr);
        const Loaded got = Load(file, 0);
        std::fclose(file);
        EXPECT_EQ(got.source, row.want.source);
        EXPECT_EQ(got.damage, row.want.damage);
        EXPECT_EQ(got.line, row.want.line);
        EXPECT_EQ(got.autoLogin, row.want.autoLogin);
        EXPECT_EQ(got.width, row.want.width);
        EXPECT_EQ(got.password, row.want.password);
    }
}

TEST(LoadSettingsFrom, AMissingFileIsAFirstStartAndAnUnreadableOneIsNot) {
    const Loaded missing = Load(nullptr, ENOENT);
    EXPECT_EQ(missing.source, SettingsSource::FirstStart);
    EXPECT_EQ(missing.autoLogin, 1);
    EXPECT_EQ(missing.password, kGranite);
    // A folder in its place, a file that may not be read: not a first start.
    for (const int error : {EACCES, EISDIR, EIO}) {
        const Loaded unreadable = Load(nullptr, error);
        EXPECT_EQ(unreadable.source, SettingsSource::Damaged);
        EXPECT_EQ(unreadable.damage, SettingsDamage::Unreadable);
        EXPECT_EQ(unreadable.autoLogin, 0);
        EXPECT_EQ(unreadable.width, 0);
        EXPECT_EQ(unreadable.password, kGranite);
    }
    // A stream whose reads fail (a folder opened on Linux).
    std::FILE* folder = std::fopen(".", "rb");
    ASSERT_NE(folder, nullptr);
    const Loaded read = Load(folder, 0);
    std::fclose(folder);
    EXPECT_EQ(read.damage, SettingsDamage::Unreadable);
    EXPECT_EQ(read.autoLogin, 0);
    EXPECT_EQ(read.password, kGranite);
}

TEST(CheckLoginPassword, TheOneAnswerToATypedPassword) {
    const std::string stored = oracle::Scrambled("granite");
    const std::string longest(kTextSize - 1, 'k');
    struct Row {
        bool nothingTyped;
        bool refused;
        std::string typed;
        std::string stored;
        LoginAnswer want;
    } rows[] = {
        {true, false, "", stored, LoginAnswer::PasswordRequired},
        {false, false, "granite", stored, LoginAnswer::Right},
        {false, false, "Granite", stored, LoginAnswer::IncorrectPassword},
        // A character the code page cannot hold is never compared as
        // something else (a question mark, a look-alike).
        {false, true, "granite", stored, LoginAnswer::IncorrectPassword},
        {false, true, "??????", oracle::Scrambled("??????"), LoginAnswer::IncorrectPassword},
        // Only the first 779 bytes count, as in the Login dialog.
        {false, false, longest + "extra", oracle::Scrambled(longest), LoginAnswer::Right},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.typed);
        EXPECT_EQ(CheckLoginPassword(row.nothingTyped, row.refused, row.typed.c_str(),
                                     row.stored.c_str()),
                  row.want);
    }
}

TEST(AppendLogLineTo, AShortWriteIsTakenOutAgain) {
    // A full disk (/dev/full) takes no byte of the line; the clean-up runs
    // with the size the log had before it.
    static std::uint64_t cutTo = 0;
    static bool opened = false;
    const LogFileAccess failing = {
        [](const void*) -> std::FILE* {
            opened = true;
            return std::fopen("/dev/full", "ab+");
        },
        [](const void*, std::uint64_t* bytes) {
            *bytes = 35;
            return true;
        },
        [](const void*, std::uint64_t bytes) { cutTo = bytes; }};
    ComposeLogLine("2024-03-15 14:05:09", kIncorrectPasswordText, "");
    EXPECT_EQ(AppendLogLineTo(failing, nullptr), LogAppend::WriteFailed);
    EXPECT_TRUE(opened);
    EXPECT_EQ(cutTo, 35u);

    cutTo = 99;
    const LogFileAccess closed = {[](const void*) -> std::FILE* { return nullptr; },
                                  [](const void*, std::uint64_t*) { return false; },
                                  [](const void*, std::uint64_t bytes) { cutTo = bytes; }};
    EXPECT_EQ(AppendLogLineTo(closed, nullptr), LogAppend::OpenFailed);
    EXPECT_EQ(cutTo, 99u);

    const LogFileAccess working = {
        [](const void*) -> std::FILE* { return std::tmpfile(); },
        [](const void*, std::uint64_t* bytes) {
            *bytes = 0;
            return true;
        },
        [](const void*, std::uint64_t bytes) { cutTo = bytes; }};
    EXPECT_EQ(AppendLogLineTo(working, nullptr), LogAppend::Written);
    EXPECT_EQ(cutTo, 99u);
}

TEST(CheckEntryTexts, WhatTheEntriesDialogStores) {
    const std::string key(1, static_cast<char>(kScrambleKey));
    struct Row {
        std::string subject;
        std::string entry;
        EntryProblem want;
    } rows[] = {
        {"abc", "x", EntryProblem::None},
        {"   ", "x", EntryProblem::None},  // blanks count like any character
        {std::string(779, 's'), std::string(32766, 'e'), EntryProblem::None},
        {"", "x", EntryProblem::SubjectRequired},
        {"ab", "x", EntryProblem::SubjectTooShort},
        {std::string(780, 's'), "x", EntryProblem::SubjectTooLong},
        {std::string("ab\0c", 4), "x", EntryProblem::SubjectHoldsZero},
        {"abc", "", EntryProblem::EntryRequired},
        {"abc", std::string(32767, 'e'), EntryProblem::EntryTooLong},
        {"abc", std::string("a\0b", 3), EntryProblem::EntryHoldsZero},
        {"abc", "100 " + key, EntryProblem::EntryHoldsScrambleKey},
        // The subject is stored as it is: the key byte is no problem there.
        {"a" + key + "c", "x", EntryProblem::None},
        // The first problem, in the dialog's order.
        {"", "", EntryProblem::SubjectRequired},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.subject.substr(0, 10) + "/" + row.entry.substr(0, 10));
        EXPECT_EQ(CheckEntryTexts(row.subject, row.entry), row.want);
    }
}

TEST(IsTimestampText, OnlyRealTimesInTheProgramsForm) {
    const std::pair<const char*, bool> rows[] = {
        {"2024-01-31 23:59:59", true},  {"2024-02-29 00:00:00", true},
        {"2000-02-29 12:00:00", true},  {"0001-01-01 00:00:00", true},
        {"2023-02-29 10:00:00", false}, {"1900-02-29 10:00:00", false},
        {"2024-13-45 25:61:61", false}, {"2024-04-31 10:00:00", false},
        {"2024-00-10 10:00:00", false}, {"2024-01-00 10:00:00", false},
        {"2024-01-01 24:00:00", false}, {"2024-01-01 10:60:00", false},
        {"2024-01-01 10:00:60", false}, {"0000-01-01 10:00:00", false},
        {"2024-01-01T10:00:00", false}, {"2024-1-01 10:00:00", false},
        {"2024-01-01 10:00:00 ", false}, {"", false},
        {"yesterday", false},           {"２０２４-01-01 10:00:00", false},
    };
    for (const auto& row : rows) EXPECT_EQ(IsTimestampText(row.first), row.second) << row.first;
}
