// Fuzzes the text helpers: scrambling twice gives the text back when it holds
// no key byte, the quoted form has the promised length, and quoting then
// parsing as an SQL string literal gives the text back as exactly one
// statement.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <sqlite3.h>

#include "journal/text.h"
#include "fuzz/fuzz_check.h"

namespace {

sqlite3* Database() {
    static sqlite3* database = [] {
        sqlite3* opened = nullptr;
        sqlite3_open(":memory:", &opened);
        return opened;
    }();
    return database;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The program's texts are NUL-terminated; take the input up to its first zero.
    const std::string text(reinterpret_cast<const char*>(data), strnlen(reinterpret_cast<const char*>(data), size));

    std::vector<char> scrambled(text.size() + 1, '\0');
    ScrambleText(text.c_str(), scrambled.data());
    Check(std::strlen(text.c_str()) == text.size(), "source unchanged");
    std::vector<char> back(text.size() + 1, '\0');
    ScrambleText(scrambled.data(), back.data());
    if (!HoldsScrambleKey(text.c_str())) {
        Check(std::strlen(scrambled.data()) == text.size(), "no zero byte without the key byte");
        Check(text == back.data(), "scrambling twice gives the text back");
    } else {
        Check(text.compare(0, std::strlen(back.data()), back.data()) == 0,
              "the part before the key byte comes back");
    }

    const std::size_t quotedLength = QuotedLength(text.c_str());
    std::vector<char> quoted(quotedLength + 2, '\x7f');
    std::memset(quoted.data(), 0, quotedLength + 1);
    QuoteSqlText(text.c_str(), quoted.data());
    Check(std::strlen(quoted.data()) == quotedLength, "quoted length as promised");
    Check(quoted[quotedLength + 1] == '\x7f', "nothing written past the quoted form");

    const std::string statement = "SELECT '" + std::string(quoted.data()) + "';";
    sqlite3_stmt* prepared = nullptr;
    const char* tail = nullptr;
    const int rc = sqlite3_prepare_v2(Database(), statement.c_str(), -1, &prepared, &tail);
    Check(rc == SQLITE_OK, "the quoted literal always parses");
    Check(tail != nullptr && *tail == '\0', "exactly one statement");
    Check(sqlite3_step(prepared) == SQLITE_ROW, "one row");
    const char* value = reinterpret_cast<const char*>(sqlite3_column_text(prepared, 0));
    const int bytes = sqlite3_column_bytes(prepared, 0);
    Check(value != nullptr && static_cast<std::size_t>(bytes) == text.size() &&
              std::memcmp(value, text.data(), text.size()) == 0,
          "the literal is the text, byte for byte");
    sqlite3_finalize(prepared);
    return 0;
}
