// Fuzzes the reader of larkmoor-tool import's input with any bytes: it ends
// with the document read or with an error that names a line and column in
// the input; what it reads is valid UTF-8, and written out again as the
// export writes strings, it reads back the same.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/fuzz_check.h"
#include "journal/codepage.h"
#include "tool/json_reader.h"
#include "tool/tool.h"

namespace {

std::string Field(const JsonField& field) {
    switch (field.kind) {
    case JsonField::Kind::String:
        return JsonString(field.text);
    case JsonField::Kind::Number:
        return field.number == 1 ? "1" : "2";
    case JsonField::Kind::Null:
        return "null";
    case JsonField::Kind::Other:
        return "true";
    case JsonField::Kind::Absent:
        break;
    }
    return "";
}

void Member(std::string* out, const char* name, const JsonField& field) {
    if (field.kind == JsonField::Kind::Absent) return;
    *out += std::string(out->back() == '{' ? "" : ", ") + "\"" + name + "\": " + Field(field);
}

bool SameField(const JsonField& a, const JsonField& b) {
    return a.kind == b.kind && a.text == b.text &&
           (a.kind != JsonField::Kind::Number || (a.number == 1) == (b.number == 1));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    ImportDocument document;
    std::string error;
    if (!ReadImportDocument(input, &document, &error)) {
        Check(error.compare(0, 5, "line ") == 0 && error.find(", column ") != std::string::npos,
              "an error names its line and column");
        std::size_t lines = 1;
        for (char c : input) lines += c == '\n';
        Check(std::stoul(error.substr(5)) <= lines, "the line named is in the input");
        return 0;
    }
    if (!document.rootIsObject || document.entries != ImportDocument::Entries::List) return 0;
    std::string again = "{";
    Member(&again, "format", document.format);
    Member(&again, "version", document.version);
    again += std::string(again.back() == '{' ? "" : ", ") + "\"entries\": [";
    for (std::size_t i = 0; i < document.items.size(); ++i) {
        const ImportItem& item = document.items[i];
        if (i > 0) again += ",\n";
        if (!item.isObject) {
            again += "0";
            continue;
        }
        again += "{";
        Member(&again, "subject", item.subject);
        Member(&again, "text", item.text);
        Member(&again, "date", item.date);
        again += "}";
        for (const JsonField* field : {&item.subject, &item.text, &item.date})
            Check(Utf8FromUtf16(Utf16FromUtf8(field->text)) == field->text,
                  "strings read are UTF-8");
    }
    again += "]}";
    ImportDocument reread;
    Check(ReadImportDocument(again, &reread, &error), "what was read reads again");
    Check(reread.items.size() == document.items.size(), "the same number of entries");
    Check(SameField(reread.format, document.format) && SameField(reread.version, document.version),
          "the same format and version");
    for (std::size_t i = 0; i < document.items.size(); ++i) {
        const ImportItem& a = document.items[i];
        const ImportItem& b = reread.items[i];
        Check(a.isObject == b.isObject, "the same kind of entry");
        if (a.isObject)
            Check(SameField(a.subject, b.subject) && SameField(a.text, b.text) &&
                      SameField(a.date, b.date),
                  "the same subject, text and date");
    }
    return 0;
}
