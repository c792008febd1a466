// A strict reader of JSON documents (RFC 8259) for larkmoor-tool import.
// Portable.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct JsonValue {
    enum class Kind { Null, False, True, Number, String, Array, Object };
    Kind kind = Kind::Null;
    std::string text;  // a string's characters in UTF-8, or a number as written
    std::vector<JsonValue> items;
    std::vector<std::pair<std::string, JsonValue>> members;

    // The value of the last member of that name, or null.
    const JsonValue* Member(std::string_view name) const;
};

// Reads a whole document, which must be UTF-8 (a byte-order mark at the
// start is skipped). On failure returns false and says what is wrong and
// where (line and column).
bool ParseJson(std::string_view document, JsonValue* root, std::string* error);
