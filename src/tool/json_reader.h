// The reader of larkmoor-tool import's input: a JSON document (RFC 8259,
// read by nlohmann/json) of the shape that export --format json writes.
// Strict: duplicate member names and nesting deeper than kMaxJsonDepth are
// refused, each failure named with its line and column. Portable.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

constexpr int kMaxJsonDepth = 64;

// The largest import file read: an export of some 100,000 long entries.
constexpr std::size_t kMaxImportBytes = 256u * 1024 * 1024;

// One member's value, where the reader looks for one.
struct JsonField {
    enum class Kind { Absent, String, Number, Null, Other };
    Kind kind = Kind::Absent;
    std::string text;   // a string's characters, in UTF-8
    double number = 0;  // a number's value
    bool integer = false;  // the number was written without fraction or exponent
};

// One item of the "entries" list.
struct ImportItem {
    bool isObject = false;
    std::size_t line = 0;  // where the item begins
    std::size_t column = 0;
    JsonField subject;
    JsonField text;
    JsonField date;
};

struct ImportDocument {
    bool rootIsObject = false;
    JsonField format;
    JsonField version;
    enum class Entries { Absent, List, Other } entries = Entries::Absent;
    std::vector<ImportItem> items;
};

// Reads a whole document, which must be UTF-8 (a byte-order mark at the
// start is skipped). On failure returns false and says what is wrong and
// where: "line 3, column 14: ...".
bool ReadImportDocument(std::string_view document, ImportDocument* out, std::string* error);

// Where a byte of a document stands: its line, and its column counted in
// characters, both from 1.
void LineAndColumn(std::string_view document, std::size_t offset, std::size_t* line,
                   std::size_t* column);
