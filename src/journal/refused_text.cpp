// Messages for refused typed text: see refused_text.h.
#include "journal/refused_text.h"

#include <algorithm>
#include <cstdio>

#include "journal/codepage.h"

namespace {

constexpr const char kFieldOutsideCharacterSet[] =
    "The %s contains %s, which this computer's character set cannot hold. Nothing was saved. "
    "Write the %s without such characters and save again.";
constexpr const char kSearchOutsideCharacterSet[] =
    "The search text contains %s, which this computer's character set cannot hold: no entry "
    "in the journal can contain such characters.";
constexpr const char kScrambleKeyInEntry[] =
    "The Journal Entry contains the character %s, which the journal cannot store. Remove it "
    "and save again.";
constexpr const char kPromptsOutsideCharacterSet[] =
    "Line %lu contains %s, which this computer's character set cannot hold. The prompts were "
    "not saved; your text is still in the dialog. Write the line without such characters and "
    "click OK again.";

// Room for every message above with the longest list DescribeCharacters
// makes (five characters of at most four bytes, or codes, and a count).
constexpr std::size_t kMessageSize = 512;

}  // namespace

std::string FieldOutsideCharacterSetMessage(const char* field, std::u32string_view refused) {
    char text[kMessageSize];
    std::snprintf(text, sizeof text, kFieldOutsideCharacterSet, field,
                  DescribeCharacters(refused).c_str(), field);
    return text;
}

std::string SearchOutsideCharacterSetMessage(std::u32string_view refused) {
    char text[kMessageSize];
    std::snprintf(text, sizeof text, kSearchOutsideCharacterSet,
                  DescribeCharacters(refused).c_str());
    return text;
}

std::string ScrambleKeyInEntryMessage(std::u32string_view characters) {
    char text[kMessageSize];
    std::snprintf(text, sizeof text, kScrambleKeyInEntry, DescribeCharacters(characters).c_str());
    return text;
}

std::string PromptsOutsideCharacterSetMessage(std::u16string_view text,
                                              std::u32string_view refused) {
    const std::size_t position = FindFirstOf(text, refused);
    const std::u16string_view before = text.substr(0, position);
    const std::size_t lineFeeds =
        static_cast<std::size_t>(std::count(before.begin(), before.end(), u'\n'));
    const std::size_t start = lineFeeds == 0 ? 0 : before.rfind(u'\n') + 1;
    const std::u16string_view line = text.substr(start, text.find(u'\n', position) - start);
    // The line is the first to hold any of them, so the refused characters
    // are in the order its own come in.
    std::u32string inLine;
    for (const char32_t character : refused)
        if (FindFirstOf(line, std::u32string_view(&character, 1)) < line.size())
            inLine.push_back(character);
    char message[kMessageSize];
    std::snprintf(message, sizeof message, kPromptsOutsideCharacterSet,
                  static_cast<unsigned long>(lineFeeds + 1), DescribeCharacters(inLine).c_str());
    return message;
}
