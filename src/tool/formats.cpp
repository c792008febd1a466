// The texts of the export formats: see formats.h.
#include "tool/formats.h"

#include "tool/tool.h"

// The lines of a text: CR LF, a lone CR and a lone LF each end a line.
std::vector<std::string_view> TextLines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n') continue;
        lines.push_back(text.substr(start, i - start));
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        start = i + 1;
    }
    lines.push_back(text.substr(start));
    return lines;
}

namespace {

bool IsBlank(std::string_view line) {
    return line.find_first_not_of(" \t") == std::string_view::npos;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsAlphanumeric(char c) {
    return IsDigit(c) || IsLetter(c);
}

// The length of an ordered list marker at the start of text, as pandoc's
// Markdown reads one ("1.", "2)", "(3)", "a.", "B)", "(c)", "iv.", "(IX)",
// "#."), followed by a blank or the end of the line; 0 when there is none.
std::size_t ListMarker(std::string_view text) {
    std::size_t i = 0;
    const bool open = !text.empty() && text[0] == '(';
    if (open) ++i;
    const std::size_t start = i;
    if (i < text.size() && text[i] == '#') {
        ++i;
    } else if (i < text.size() && IsDigit(text[i])) {
        while (i < text.size() && IsDigit(text[i])) ++i;
    } else {
        bool roman = true;
        while (i < text.size() && IsLetter(text[i])) {
            roman = roman && std::string_view("ivxlcdmIVXLCDM").find(text[i]) != std::string_view::npos;
            ++i;
        }
        // One letter, or a roman number.
        if (i - start > 1 && !roman) return 0;
    }
    if (i == start || i >= text.size()) return 0;
    const char delimiter = text[i];
    if (open ? delimiter != ')' : delimiter != '.' && delimiter != ')') return 0;
    ++i;
    if (i < text.size() && text[i] != ' ' && text[i] != '\t') return 0;
    return i;
}

}  // namespace

std::string MarkdownLine(std::string_view line) {
    std::string out;
    std::size_t i = 0;
    for (; i < line.size() && (line[i] == ' ' || line[i] == '\t'); ++i)
        out += line[i] == ' ' ? "&#32;" : "&#9;";
    const std::size_t first = i;
    // An ordered list marker loses its meaning with its delimiter (and its
    // opening parenthesis) escaped.
    const std::size_t marker = ListMarker(line.substr(first));
    const std::size_t markerEnd = marker > 0 ? first + marker - 1 : std::string_view::npos;
    for (; i < line.size(); ++i) {
        const char c = line[i];
        // Typographic quotes (U+2018 to U+201E) would be read as quotation
        // markup; as character references they are plain characters.
        if (c == '\xE2' && i + 2 < line.size() && line[i + 1] == '\x80') {
            const unsigned char last = static_cast<unsigned char>(line[i + 2]);
            if (last >= 0x98 && last <= 0x9E && last != 0x9B) {
                out += "&#" + std::to_string(0x2000 + last - 0x80) + ";";
                i += 2;
                continue;
            }
        }
        const char before = i > first ? line[i - 1] : '\0';
        const char after = i + 1 < line.size() ? line[i + 1] : '\0';
        bool escape = i == markerEnd || (marker > 0 && i == first && c == '(');
        switch (c) {
        case '\\':
        case '`':
        case '*':
        case '_':
        case '[':
        case ']':
        case '<':
        case '>':
        case '&':
        case '~':
        case '^':
        case '$':
        case '@':
        case '"':
        case '\'':
        case '|':
        case '{':
        case '}':
        case '#':
            escape = true;
            break;
        case '-':
            escape = escape || i == first || before == '-' || after == '-';
            break;
        case '+':
        case '=':
            escape = escape || i == first;
            break;
        case '.':
            escape = escape || before == '.' || after == '.' ||
                     (i >= first + 3 &&
                      (line.substr(i - 3, 3) == "www" || line.substr(i - 3, 3) == "WWW"));
            break;
        case ':':
            escape = escape || i == first || !IsAlphanumeric(before) || line.substr(i + 1, 2) == "//";
            break;
        default:
            break;
        }
        if (escape) out += '\\';
        out += c;
    }
    return out;
}

// A text as Markdown paragraphs: its lines joined by hard line breaks, blank
// lines between paragraphs.
std::string MarkdownText(std::string_view text) {
    std::string out;
    bool inParagraph = false;
    for (std::string_view line : TextLines(text)) {
        if (IsBlank(line)) {
            if (inParagraph) out += "\n\n";
            inParagraph = false;
            continue;
        }
        if (inParagraph) out += "\\\n";
        out += MarkdownLine(line);
        inParagraph = true;
    }
    if (inParagraph) out += "\n\n";
    return out;
}

std::string HtmlEscape(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    for (char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&#39;";
            break;
        default:
            out += c;
            break;
        }
    }
    return out;
}

std::string CsvField(std::string_view text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + "\"";
}


std::string JsonString(std::string_view utf8) {
    static const char digits[] = "0123456789abcdef";
    std::string out = "\"";
    out.reserve(utf8.size() + 2);
    for (char c : utf8) {
        const unsigned char byte = static_cast<unsigned char>(c);
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (byte < 0x20 || byte == 0x7F) {
                out += "\\u00";
                out += digits[byte >> 4];
                out += digits[byte & 15];
            } else {
                out += c;
            }
            break;
        }
    }
    return out + "\"";
}
