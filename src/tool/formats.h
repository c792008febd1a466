// The texts of larkmoor-tool's export formats that must show user text
// exactly as written: Markdown, HTML and CSV. Portable.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// The lines of a text: CR LF, a lone CR and a lone LF each end a line.
std::vector<std::string_view> TextLines(std::string_view text);

// One line of user text as Markdown that shows exactly that text: every
// character that could start markup (emphasis, code, links, raw HTML and
// entities, headings, bullet and ordered list markers, tables, quotes,
// rules, smart punctuation, automatic links, math, citations) is escaped
// with a backslash, and leading white space, which could make a code block,
// is written as character references.
std::string MarkdownLine(std::string_view line);

// A text as Markdown paragraphs: its lines joined by hard line breaks, blank
// lines between paragraphs.
std::string MarkdownText(std::string_view text);

std::string HtmlEscape(std::string_view text);
std::string CsvField(std::string_view text);
