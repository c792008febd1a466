// larkmoor-tool's own parsers and rules, natively: the import reader, the
// Markdown escapes of list markers, backup folder names, the safe output
// routine and the messages that name a journal's trouble.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "support/streams.h"
#include "tool/backup.h"
#include "tool/formats.h"
#include "tool/json_reader.h"
#include "tool/platform.h"
#include "tool/safe_output.h"
#include "tool/tool.h"

namespace {

std::string Read(const std::string& document, ImportDocument* out) {
    std::string error;
    return ReadImportDocument(document, out, &error) ? "ok" : error;
}

}  // namespace

TEST(ReadImportDocument, TakesAnExportAndNamesWhereAnythingElseGoesWrong) {
    const std::string deep = std::string(70, '[') + std::string(70, ']');
    const std::string allowed = std::string(64, '[') + std::string(64, ']');
    struct Row {
        std::string document;
        std::string want;  // "ok", or the start of the error
    } rows[] = {
        {R"({"format": "larkmoor-journal", "version": 1, "entries": []})", "ok"},
        {"\xEF\xBB\xBF{\"version\": 1, \"entries\": []}", "ok"},
        {"{\"x\": " + allowed + ", \"entries\": []}", "ok"},
        {"", "line 1, column 1: syntax error"},
        {"{\"entries\": [", "line 1, column 14: syntax error"},
        {"{\"a\": 1,\n  \"a\": 2}", "line 2, column 3: the member \"a\" appears twice in one object"},
        {"{\"e\": [{\"s\\\"q\": 1, \"s\\\"q\": 2}]}",
         "line 1, column 20: the member \"s\"q\" appears twice"},
        {"{\"x\": " + deep + "}", "line 1, column 71: nested too deeply (more than 64 levels)"},
        {"{\"x\": \"\xC3\"}", "line 1, column 8: the file is not UTF-8 text"},
        {"{\"x\": \"\xED\xA0\x80\"}", "line 1, column 8: the file is not UTF-8 text"},
        {"\xEF\xBB\xBF{\"x\": \"\xC0\xAF\"}", "line 1, column 8: the file is not UTF-8 text"},
        {"{\"x\": \"\\uD800\"}", "line 1, column"},
        {"{\"x\": 1} {}", "line 1, column 10: syntax error"},
        {"{\"x\": \"a\tb\"}", "line 1, column"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.document.substr(0, 40));
        ImportDocument document;
        EXPECT_EQ(Read(row.document, &document).substr(0, row.want.size()), row.want);
    }
}

TEST(ReadImportDocument, KeepsWhatTheImportLooksAt) {
    ImportDocument document;
    ASSERT_EQ(Read("{\"version\": \"1\", \"format\": 7, \"entries\": [\n"
                   "  {\"subject\": \"Caf\\u00e9\", \"text\": \"a\\u0000b\", \"date\": null,"
                   " \"record\": 5},\n"
                   "  [1], 3,\n"
                   "  {\"subject\": 1, \"text\": \"t\", \"date\": \"2024-01-01 10:00:00\","
                   " \"nested\": {\"subject\": \"not this\"}}]}",
                   &document),
              "ok");
    EXPECT_TRUE(document.rootIsObject);
    EXPECT_EQ(document.version.kind, JsonField::Kind::String);
    EXPECT_EQ(document.format.kind, JsonField::Kind::Number);
    EXPECT_EQ(document.entries, ImportDocument::Entries::List);
    ASSERT_EQ(document.items.size(), 4u);
    EXPECT_TRUE(document.items[0].isObject);
    EXPECT_EQ(document.items[0].subject.text, "Caf\xC3\xA9");
    EXPECT_EQ(document.items[0].text.text, std::string("a\0b", 3));
    EXPECT_EQ(document.items[0].date.kind, JsonField::Kind::Null);
    EXPECT_EQ(document.items[0].line, 2u);
    EXPECT_EQ(document.items[0].column, 3u);
    EXPECT_FALSE(document.items[1].isObject);
    EXPECT_FALSE(document.items[2].isObject);
    EXPECT_EQ(document.items[2].line, 3u);
    EXPECT_EQ(document.items[2].column, 8u);
    EXPECT_EQ(document.items[3].subject.kind, JsonField::Kind::Number);
    EXPECT_EQ(document.items[3].date.text, "2024-01-01 10:00:00");

    ASSERT_EQ(Read("[{\"entries\": []}]", &document), "ok");
    EXPECT_FALSE(document.rootIsObject);
    EXPECT_EQ(document.entries, ImportDocument::Entries::Absent);
    ASSERT_EQ(Read("{\"version\": 1.0, \"entries\": {}}", &document), "ok");
    EXPECT_EQ(document.version.number, 1.0);
    EXPECT_EQ(document.entries, ImportDocument::Entries::Other);
}

TEST(MarkdownLine, OrderedListMarkersLoseTheirMeaning) {
    const std::pair<const char*, const char*> rows[] = {
        {"1. one", "1\\. one"},         {"10) ten", "10\\) ten"},
        {"(3) three", "\\(3\\) three"}, {"a. letter", "a\\. letter"},
        {"B) capital", "B\\) capital"}, {"(c) paren", "\\(c\\) paren"},
        {"iv) roman", "iv\\) roman"},   {"IV. roman", "IV\\. roman"},
        {"(xii) roman", "\\(xii\\) roman"}, {"#. hash", "\\#\\. hash"},
        {"i.", "i\\."},                 {"  2. indented", "&#32;&#32;2\\. indented"},
        // Not list markers: left as they are.
        {"e.g. this", "e.g. this"},     {"ab. two letters", "ab. two letters"},
        {"1.5 litres", "1.5 litres"},   {"(ab) e", "(ab) e"},
        {"(a. b", "(a. b"},             {"Mr. Smith", "Mr. Smith"},
    };
    for (const auto& row : rows) EXPECT_EQ(MarkdownLine(row.first), row.second) << row.first;
}

TEST(ParseBackupName, OnlyTheToolsOwnNames) {
    struct Row {
        const char* name;
        bool ok;
        const char* stamp;
        unsigned long serial;
    } rows[] = {
        {"larkmoor-2024-01-02-030405", true, "2024-01-02-030405", 1},
        {"larkmoor-2024-01-02-030405-2", true, "2024-01-02-030405", 2},
        {"larkmoor-2024-01-02-030405-17", true, "2024-01-02-030405", 17},
        {"larkmoor-2024-01-02-030405-1", false, "", 0},
        {"larkmoor-2024-01-02-030405-02", false, "", 0},
        {"larkmoor-2024-01-02-030405.tmp", false, "", 0},
        {"larkmoor-2024-01-02-03040", false, "", 0},
        {"larkmoor-2024-01-02-030405x", false, "", 0},
        {"before-restore-2024-01-02-030405", false, "", 0},
    };
    for (const Row& row : rows) {
        std::string stamp;
        unsigned long serial = 0;
        EXPECT_EQ(ParseBackupName(row.name, kBackupPrefix, &stamp, &serial), row.ok) << row.name;
        if (row.ok) {
            EXPECT_EQ(stamp, row.stamp);
            EXPECT_EQ(serial, row.serial);
        }
    }
}

namespace {

class OutputFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/larkmoor-output-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        folder_ = pattern;
        data_ = folder_ + "/data";
        ASSERT_TRUE(platform::MakeDirectory(data_));
    }
    void TearDown() override { platform::RemoveTree(folder_); }

    static bool WriteHello(std::FILE* file, void*) { return std::fputs("hello", file) >= 0; }
    static bool Fail(std::FILE* file, void*) {
        std::fputs("half", file);
        return false;
    }
    bool Write(const std::string& target, std::string* why, OutputWriter write = WriteHello) {
        OutputRules rules;
        rules.dataFolder = &data_;
        return WriteFileSafely(target, rules, write, nullptr, why);
    }
    std::vector<std::string> Names() const { return platform::ListFolder(folder_); }

    std::string folder_;
    std::string data_;
};

}  // namespace

TEST_F(OutputFileTest, RefusesWhatIsNoRegularFileOrTheDataFoldersOwn) {
    ASSERT_EQ(::symlink("/etc/hostname", (folder_ + "/link").c_str()), 0);
    ASSERT_EQ(::mkfifo((folder_ + "/pipe").c_str(), 0600), 0);
    ASSERT_TRUE(platform::MakeDirectory(folder_ + "/dir"));
    // A null device of the test's own, never the system's /dev/null; without
    // root, a FIFO stands in for it.
    if (::mknod((folder_ + "/null").c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0) {
        ASSERT_EQ(::mkfifo((folder_ + "/null").c_str(), 0600), 0);
    }
    std::FILE* journal = std::fopen((data_ + "/larkmoor.3db").c_str(), "wb");
    ASSERT_NE(journal, nullptr);
    std::fclose(journal);
    ASSERT_EQ(::link((data_ + "/larkmoor.3db").c_str(), (folder_ + "/alias").c_str()), 0);
    const std::pair<std::string, const char*> rows[] = {
        {folder_ + "/link", "is a link, not a regular file"},
        {folder_ + "/pipe", "is a FIFO, not a regular file"},
        {folder_ + "/dir", "is a folder, not a regular file"},
        {folder_ + "/null", ", not a regular file"},
        {data_ + "/larkmoor.3db", "is one of the data folder's own files"},
        {data_ + "/larkmoor.3db-shm", "is one of the data folder's own files"},
        {data_ + "/larkmoor.cfg.new", "is one of the data folder's own files"},
        {data_ + "/larkmoorlog.txt", "is one of the data folder's own files"},
        {folder_ + "/data/../data/larkmoorqtx.txt", "is one of the data folder's own files"},
        {folder_ + "/alias", "is one of the data folder's own files"},
        {folder_ + "/none/out.json", "No such file or directory"},
    };
    const std::vector<std::string> before = Names();
    for (const auto& row : rows) {
        std::string why;
        EXPECT_FALSE(Write(row.first, &why)) << row.first;
        EXPECT_NE(why.find(row.second), std::string::npos) << why;
    }
    EXPECT_EQ(Names().size(), before.size());
    EXPECT_EQ(FileBytes("/etc/hostname").find("hello"), std::string::npos);
}

TEST_F(OutputFileTest, KeepsModesAndNeverTouchesAnotherFile) {
    const std::string target = folder_ + "/notes.json";
    std::FILE* file = std::fopen(target.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    std::fputs("old", file);
    std::fclose(file);
    ASSERT_EQ(::chmod(target.c_str(), 0640), 0);
    file = std::fopen((target + ".new").c_str(), "wb");
    ASSERT_NE(file, nullptr);
    std::fputs("the user's", file);
    std::fclose(file);

    std::string why;
    ASSERT_TRUE(Write(target, &why)) << why;
    EXPECT_EQ(FileBytes(target), "hello");
    EXPECT_EQ(FileBytes(target + ".new"), "the user's");
    struct stat status;
    ASSERT_EQ(::stat(target.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0640u);

    // A failed write leaves the old file and no temporary one.
    EXPECT_FALSE(Write(target, &why, Fail));
    EXPECT_EQ(FileBytes(target), "hello");
    EXPECT_EQ(Names().size(), 3u);  // data, notes.json, notes.json.new

    // A read-only target stays as it is, even for root.
    ASSERT_EQ(::chmod(target.c_str(), 0444), 0);
    EXPECT_FALSE(Write(target, &why));
    EXPECT_NE(why.find("read-only"), std::string::npos);
}

TEST(DescribeSqliteFailure, NamesTheReason) {
    const std::pair<int, const char*> rows[] = {
        {SQLITE_BUSY, "it is locked by another program (Larkmoor?)"},
        {SQLITE_LOCKED, "it is locked by another program (Larkmoor?)"},
        {SQLITE_BUSY_SNAPSHOT, "it is locked by another program (Larkmoor?)"},
        {SQLITE_NOTADB, "it is not a SQLite database (file is not a database)"},
        {SQLITE_CORRUPT, "it is damaged (database disk image is malformed)"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(DescribeSqliteFailure(row.first, sqlite3_errstr(row.first), 0), row.second);
    EXPECT_EQ(DescribeSqliteFailure(SQLITE_ERROR, "no such table: dbtable", 0),
              "it is not a Larkmoor journal (no such table: dbtable)");
    EXPECT_EQ(DescribeSqliteFailure(SQLITE_CANTOPEN, "unable to open database file", ENOENT),
              "unable to open database file (No such file or directory)");
}

TEST(TextFinder, FindsInAnyLetterCaseByTheCodePagesLetters) {
    const JournalCodePage page{1250, FindCodePage(1250)};
    const TypedText pattern = EncodeJournalText(page, u"ŻÓŁW");
    ASSERT_TRUE(pattern.refused.empty());
    const TextFinder finder(page, pattern.bytes);
    const TypedText text = EncodeJournalText(page, u"Mój żółw i kot");
    std::size_t at = 0;
    std::size_t length = 0;
    ASSERT_TRUE(finder.Find(text.bytes, &at, &length));
    EXPECT_EQ(at, 4u);
    EXPECT_EQ(length, 4u);
    EXPECT_FALSE(finder.Find(EncodeJournalText(page, u"zolw").bytes, &at, &length));
}
