// The JSON reader: see json_reader.h.
#include "tool/json_reader.h"

#include "journal/codepage.h"

namespace {

constexpr int kMaxDepth = 64;

class Reader {
public:
    explicit Reader(std::string_view text) : text_(text) {}

    bool Document(JsonValue* root) {
        SkipSpace();
        if (!Value(root, 0)) return false;
        SkipSpace();
        return pos_ == text_.size() || Fail("text after the end of the document");
    }

    std::string Error() const {
        std::size_t line = 1;
        std::size_t column = 1;
        for (std::size_t i = 0; i < errorPos_ && i < text_.size(); ++i) {
            if (text_[i] == '\n') {
                ++line;
                column = 1;
            } else if ((static_cast<unsigned char>(text_[i]) & 0xC0) != 0x80) {
                ++column;
            }
        }
        return "line " + std::to_string(line) + ", column " + std::to_string(column) + ": " +
               error_;
    }

private:
    bool Fail(const char* message) {
        if (error_.empty()) {
            error_ = message;
            errorPos_ = pos_;
        }
        return false;
    }

    bool AtEnd() const { return pos_ >= text_.size(); }
    char Peek() const { return AtEnd() ? '\0' : text_[pos_]; }

    void SkipSpace() {
        while (!AtEnd() && (Peek() == ' ' || Peek() == '\t' || Peek() == '\n' || Peek() == '\r'))
            ++pos_;
    }

    bool Literal(std::string_view word, JsonValue::Kind kind, JsonValue* value) {
        if (text_.substr(pos_, word.size()) != word) return Fail("not a JSON value");
        pos_ += word.size();
        value->kind = kind;
        return true;
    }

    bool Value(JsonValue* value, int depth) {
        if (depth > kMaxDepth) return Fail("nested too deeply");
        switch (Peek()) {
        case '{':
            return Object(value, depth);
        case '[':
            return Array(value, depth);
        case '"':
            value->kind = JsonValue::Kind::String;
            return String(&value->text);
        case 't':
            return Literal("true", JsonValue::Kind::True, value);
        case 'f':
            return Literal("false", JsonValue::Kind::False, value);
        case 'n':
            return Literal("null", JsonValue::Kind::Null, value);
        default:
            return Number(value);
        }
    }

    bool Object(JsonValue* value, int depth) {
        value->kind = JsonValue::Kind::Object;
        ++pos_;
        SkipSpace();
        if (Peek() == '}') {
            ++pos_;
            return true;
        }
        for (;;) {
            SkipSpace();
            if (Peek() != '"') return Fail("a member name in quotes expected");
            std::string name;
            if (!String(&name)) return false;
            SkipSpace();
            if (Peek() != ':') return Fail("':' expected");
            ++pos_;
            SkipSpace();
            value->members.emplace_back(std::move(name), JsonValue());
            if (!Value(&value->members.back().second, depth + 1)) return false;
            SkipSpace();
            if (Peek() == ',') {
                ++pos_;
                continue;
            }
            if (Peek() == '}') {
                ++pos_;
                return true;
            }
            return Fail("',' or '}' expected");
        }
    }

    bool Array(JsonValue* value, int depth) {
        value->kind = JsonValue::Kind::Array;
        ++pos_;
        SkipSpace();
        if (Peek() == ']') {
            ++pos_;
            return true;
        }
        for (;;) {
            SkipSpace();
            value->items.emplace_back();
            if (!Value(&value->items.back(), depth + 1)) return false;
            SkipSpace();
            if (Peek() == ',') {
                ++pos_;
                continue;
            }
            if (Peek() == ']') {
                ++pos_;
                return true;
            }
            return Fail("',' or ']' expected");
        }
    }

    bool Digits() {
        const std::size_t start = pos_;
        while (Peek() >= '0' && Peek() <= '9') ++pos_;
        return pos_ > start;
    }

    bool Number(JsonValue* value) {
        const std::size_t start = pos_;
        if (Peek() == '-') ++pos_;
        if (Peek() == '0')
            ++pos_;
        else if (!Digits())
            return Fail("not a JSON value");
        if (Peek() == '.') {
            ++pos_;
            if (!Digits()) return Fail("digits expected after '.'");
        }
        if (Peek() == 'e' || Peek() == 'E') {
            ++pos_;
            if (Peek() == '+' || Peek() == '-') ++pos_;
            if (!Digits()) return Fail("digits expected in the exponent");
        }
        value->kind = JsonValue::Kind::Number;
        value->text = std::string(text_.substr(start, pos_ - start));
        return true;
    }

    bool Hex4(char32_t* unit) {
        if (pos_ + 4 > text_.size()) return Fail("four hex digits expected after \\u");
        *unit = 0;
        for (int i = 0; i < 4; ++i) {
            const char c = text_[pos_++];
            int digit;
            if (c >= '0' && c <= '9')
                digit = c - '0';
            else if (c >= 'a' && c <= 'f')
                digit = c - 'a' + 10;
            else if (c >= 'A' && c <= 'F')
                digit = c - 'A' + 10;
            else
                return Fail("four hex digits expected after \\u");
            *unit = *unit * 16 + static_cast<char32_t>(digit);
        }
        return true;
    }

    bool String(std::string* out) {
        ++pos_;  // the opening quote
        for (;;) {
            if (AtEnd()) return Fail("the text ends inside a string");
            const char c = text_[pos_];
            if (c == '"') {
                ++pos_;
                return true;
            }
            if (static_cast<unsigned char>(c) < 0x20)
                return Fail("a control character inside a string (write it as \\n, \\t, ...)");
            if (c != '\\') {
                out->push_back(c);
                ++pos_;
                continue;
            }
            ++pos_;
            const char escape = Peek();
            ++pos_;
            switch (escape) {
            case '"':
                out->push_back('"');
                break;
            case '\\':
                out->push_back('\\');
                break;
            case '/':
                out->push_back('/');
                break;
            case 'b':
                out->push_back('\b');
                break;
            case 'f':
                out->push_back('\f');
                break;
            case 'n':
                out->push_back('\n');
                break;
            case 'r':
                out->push_back('\r');
                break;
            case 't':
                out->push_back('\t');
                break;
            case 'u': {
                char32_t unit = 0;
                if (!Hex4(&unit)) return false;
                if (unit >= 0xD800 && unit <= 0xDBFF) {
                    char32_t low = 0;
                    if (text_.substr(pos_, 2) != "\\u")
                        return Fail("a lone surrogate (\\uD800 to \\uDFFF)");
                    pos_ += 2;
                    if (!Hex4(&low)) return false;
                    if (low < 0xDC00 || low > 0xDFFF)
                        return Fail("a lone surrogate (\\uD800 to \\uDFFF)");
                    unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
                } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
                    return Fail("a lone surrogate (\\uD800 to \\uDFFF)");
                }
                AppendUtf8(unit, out);
                break;
            }
            default:
                --pos_;
                return Fail("an unknown escape after a backslash");
            }
        }
    }

    std::string_view text_;
    std::size_t pos_ = 0;
    std::string error_;
    std::size_t errorPos_ = 0;
};

}  // namespace

const JsonValue* JsonValue::Member(std::string_view name) const {
    const JsonValue* found = nullptr;
    for (const auto& member : members)
        if (member.first == name) found = &member.second;
    return found;
}

bool ParseJson(std::string_view document, JsonValue* root, std::string* error) {
    if (document.substr(0, 3) == "\xEF\xBB\xBF") document.remove_prefix(3);
    // Text that is not UTF-8 does not come back unchanged from UTF-16.
    if (Utf8FromUtf16(Utf16FromUtf8(document)) != document) {
        *error = "the file is not UTF-8 text";
        return false;
    }
    Reader reader(document);
    *root = JsonValue();
    if (reader.Document(root)) return true;
    *error = reader.Error();
    return false;
}
