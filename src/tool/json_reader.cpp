// The reader of import files: see json_reader.h. nlohmann/json parses; the
// handler here takes what the import needs as it goes and checks what the
// parser leaves to its user (duplicate names, depth).
#include "tool/json_reader.h"

#include <iterator>
#include <nlohmann/json.hpp>
#include <set>

namespace {

// The position of the first byte that is not part of UTF-8 text, or npos.
std::size_t FirstBadUtf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const unsigned char lead = static_cast<unsigned char>(text[i]);
        if (lead < 0x80) {
            ++i;
            continue;
        }
        std::size_t count;
        unsigned char low = 0x80;
        unsigned char high = 0xBF;
        if (lead >= 0xC2 && lead <= 0xDF) {
            count = 1;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            count = 2;
            if (lead == 0xE0) low = 0xA0;  // no overlong forms
            if (lead == 0xED) high = 0x9F;  // no surrogates
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            count = 3;
            if (lead == 0xF0) low = 0x90;
            if (lead == 0xF4) high = 0x8F;  // nothing beyond U+10FFFF
        } else {
            return i;
        }
        for (std::size_t k = 1; k <= count; ++k) {
            if (i + k >= text.size()) return i;
            const unsigned char next = static_cast<unsigned char>(text[i + k]);
            if (next < (k == 1 ? low : 0x80) || next > (k == 1 ? high : 0xBF)) return i;
        }
        i += count + 1;
    }
    return std::string_view::npos;
}

// The opening quote of a string whose closing quote stands at end.
std::size_t OpeningQuote(std::string_view text, std::size_t end) {
    for (std::size_t at = end; at > 0;) {
        --at;
        if (text[at] != '"') continue;
        std::size_t slashes = 0;
        while (at > slashes && text[at - slashes - 1] == '\\') ++slashes;
        if (slashes % 2 == 0) return at;
    }
    return 0;
}

// Walks the document for the parser and tells how far it has read.
class CountingIterator {
public:
    using iterator_category = std::input_iterator_tag;
    using value_type = char;
    using difference_type = std::ptrdiff_t;
    using pointer = const char*;
    using reference = const char&;

    CountingIterator(const char* at, const char** reached) : at_(at), reached_(reached) {}
    reference operator*() const { return *at_; }
    CountingIterator& operator++() {
        ++at_;
        *reached_ = at_;
        return *this;
    }
    CountingIterator operator++(int) {
        CountingIterator before = *this;
        ++*this;
        return before;
    }
    bool operator==(const CountingIterator& other) const { return at_ == other.at_; }
    bool operator!=(const CountingIterator& other) const { return at_ != other.at_; }

private:
    const char* at_;
    const char** reached_;
};

using Json = nlohmann::json;

class Handler {
public:
    Handler(std::string_view document, ImportDocument* out)
        : document_(document), reached_(document.data()), out_(out) {}

    const char** Reached() { return &reached_; }
    const std::string& Error() const { return error_; }

    // --- nlohmann's SAX interface ---
    bool null() { return Scalar(JsonField::Kind::Null); }
    bool boolean(bool) { return Scalar(JsonField::Kind::Other); }
    bool number_integer(Json::number_integer_t value) {
        return Number(static_cast<double>(value), true);
    }
    bool number_unsigned(Json::number_unsigned_t value) {
        return Number(static_cast<double>(value), true);
    }
    bool number_float(Json::number_float_t value, const Json::string_t&) {
        return Number(value, false);
    }
    bool string(Json::string_t& value) {
        JsonField* field = Target();
        if (field != nullptr) {
            field->kind = JsonField::Kind::String;
            field->text = std::move(value);
        }
        return true;
    }
    bool binary(Json::binary_t&) { return Scalar(JsonField::Kind::Other); }

    bool start_object(std::size_t) {
        if (!Deeper()) return false;
        Frame frame{Role::Other, true, {}, {}};
        if (stack_.empty()) {
            frame.role = Role::Root;
            out_->rootIsObject = true;
        } else if (stack_.back().role == Role::Entries) {
            frame.role = Role::Entry;
            StartItem(true, true);
        } else if (InRootMember("entries")) {
            out_->entries = ImportDocument::Entries::Other;
        }
        stack_.push_back(std::move(frame));
        return true;
    }
    bool key(Json::string_t& name) {
        Frame& frame = stack_.back();
        if (!frame.names.insert(name).second) {
            // At the opening quote of the name: the parser has read its end.
            return Fail(OpeningQuote(document_, Offset() > 0 ? Offset() - 1 : 0), "the member \"" + Shown(name) + "\" appears twice in one object");
        }
        frame.key = std::move(name);
        return true;
    }
    bool end_object() {
        stack_.pop_back();
        if (!stack_.empty() && stack_.back().role == Role::Entries) itemEnd_ = Offset();
        return true;
    }
    bool start_array(std::size_t) {
        if (!Deeper()) return false;
        Frame frame{Role::Other, false, {}, {}};
        if (!stack_.empty() && stack_.back().role == Role::Entries) {
            StartItem(false, true);
        } else if (InRootMember("entries")) {
            frame.role = Role::Entries;
            out_->entries = ImportDocument::Entries::List;
            itemEnd_ = Offset();
        }
        stack_.push_back(std::move(frame));
        return true;
    }
    bool end_array() {
        stack_.pop_back();
        if (!stack_.empty() && stack_.back().role == Role::Entries) itemEnd_ = Offset();
        return true;
    }
    bool parse_error(std::size_t position, const std::string&, const nlohmann::detail::exception& ex) {
        // "[json.exception.parse_error.101] parse error at line 1, column 2: what".
        std::string what = ex.what();
        const std::size_t column = what.find("column ");
        const std::size_t colon = what.find(": ", column == std::string::npos ? 0 : column);
        if (colon != std::string::npos) what = what.substr(colon + 2);
        return Fail(position > 0 ? position - 1 : 0, what);
    }

private:
    enum class Role { Root, Entries, Entry, Other };
    struct Frame {
        Role role;
        bool isObject;
        std::set<std::string> names;
        std::string key;
    };

    std::size_t Offset() const { return static_cast<std::size_t>(reached_ - document_.data()); }

    static std::string Shown(const std::string& name) {
        return name.size() <= 40 ? name : name.substr(0, 40) + "...";
    }

    bool Fail(std::size_t offset, const std::string& what) {
        if (error_.empty()) {
            std::size_t line = 0;
            std::size_t column = 0;
            LineAndColumn(document_, offset, &line, &column);
            error_ = "line " + std::to_string(line) + ", column " + std::to_string(column) + ": " +
                     what;
        }
        return false;
    }

    bool Deeper() {
        if (stack_.size() <= static_cast<std::size_t>(kMaxJsonDepth)) return true;
        return Fail(Offset() > 0 ? Offset() - 1 : 0,
                    "nested too deeply (more than " + std::to_string(kMaxJsonDepth) + " levels)");
    }

    bool InRootMember(const char* name) const {
        return stack_.size() == 1 && stack_.back().role == Role::Root && stack_.back().key == name;
    }

    // An item of the list begins: an object or array at its bracket, read
    // just now; a plain value after the end of the item before it, past the
    // comma (the parser has read such a value whole, and a number one
    // character more).
    void StartItem(bool isObject, bool container) {
        ImportItem item;
        item.isObject = isObject;
        std::size_t offset = Offset() > 0 ? Offset() - 1 : 0;
        if (!container) {
            offset = itemEnd_;
            while (offset < document_.size() &&
                   std::string_view(" \t\r\n,").find(document_[offset]) != std::string_view::npos)
                ++offset;
            itemEnd_ = Offset();
        }
        LineAndColumn(document_, offset, &item.line, &item.column);
        out_->items.push_back(std::move(item));
    }

    // The field a value in the current place fills, if the import needs it.
    JsonField* Target() {
        if (stack_.empty()) return nullptr;
        Frame& frame = stack_.back();
        switch (frame.role) {
        case Role::Root:
            if (frame.key == "format") return &out_->format;
            if (frame.key == "version") return &out_->version;
            if (frame.key == "entries") out_->entries = ImportDocument::Entries::Other;
            return nullptr;
        case Role::Entry: {
            ImportItem& item = out_->items.back();
            if (frame.key == "subject") return &item.subject;
            if (frame.key == "text") return &item.text;
            if (frame.key == "date") return &item.date;
            return nullptr;
        }
        case Role::Entries:
            StartItem(false, false);
            return nullptr;
        case Role::Other:
            break;
        }
        return nullptr;
    }

    bool Scalar(JsonField::Kind kind) {
        if (JsonField* field = Target()) field->kind = kind;
        return true;
    }

    bool Number(double value, bool integer) {
        if (JsonField* field = Target()) {
            field->kind = JsonField::Kind::Number;
            field->number = value;
            field->integer = integer;
        }
        return true;
    }

    std::string_view document_;
    const char* reached_;
    ImportDocument* out_;
    std::vector<Frame> stack_;
    std::size_t itemEnd_ = 0;  // where the last item of the entries list ended
    std::string error_;
};

}  // namespace

void LineAndColumn(std::string_view document, std::size_t offset, std::size_t* line,
                   std::size_t* column) {
    if (offset > document.size()) offset = document.size();
    *line = 1;
    *column = 1;
    // A byte-order mark is no character of the first line.
    const std::size_t start = document.substr(0, 3) == "\xEF\xBB\xBF" && offset >= 3 ? 3 : 0;
    for (std::size_t i = start; i < offset; ++i) {
        if (document[i] == '\n') {
            ++*line;
            *column = 1;
        } else if ((static_cast<unsigned char>(document[i]) & 0xC0) != 0x80) {
            ++*column;
        }
    }
}

bool ReadImportDocument(std::string_view document, ImportDocument* out, std::string* error) {
    *out = ImportDocument();
    const std::size_t bad = FirstBadUtf8(document);
    if (bad != std::string_view::npos) {
        std::size_t line = 0;
        std::size_t column = 0;
        LineAndColumn(document, bad, &line, &column);
        *error = "line " + std::to_string(line) + ", column " + std::to_string(column) +
                 ": the file is not UTF-8 text";
        return false;
    }
    Handler handler(document, out);
    const char* begin = document.data();
    const char* end = begin + document.size();
    const bool read = Json::sax_parse(CountingIterator(begin, handler.Reached()),
                                      CountingIterator(end, handler.Reached()), &handler);
    if (read) return true;
    *error = handler.Error().empty() ? "not a JSON document" : handler.Error();
    return false;
}
