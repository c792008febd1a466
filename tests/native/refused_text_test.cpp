// Refusing typed text aloud: which typed characters a byte rule is about,
// where the first refused character stands, and the messages that name them.
#include <gtest/gtest.h>

#include <string>

#include "journal/codepage.h"
#include "journal/refused_text.h"

namespace {

bool EncodeCp(char32_t character, std::string* bytes, const void* page) {
    unsigned char byte = 0;
    if (!EncodeCharacter(*static_cast<const CodePage*>(page), character, &byte)) return false;
    bytes->push_back(static_cast<char>(byte));
    return true;
}

// A double-byte encoder for the shape of the rule: every character beyond
// ASCII takes two bytes, its code's high and low byte.
bool EncodeTwoBytes(char32_t character, std::string* bytes, const void*) {
    if (character > 0xFFFF) return false;
    if (character >= 0x80) bytes->push_back(static_cast<char>(character >> 8));
    bytes->push_back(static_cast<char>(character & 0xFF));
    return true;
}

TEST(CharactersHoldingByte, NamesTheTypedCharactersOfTheKeyByte) {
    struct Case {
        int codePage;  // 0: the double-byte encoder
        std::u16string typed;
        std::u32string holding;
    };
    const Case cases[] = {
        {1252, u"100¥ and ¥", U"¥"},
        {1250, u"Ąb ą", U"Ą"},
        {1251, u"Ґанок", U"Ґ"},
        {1252, u"plain text", U""},
        {1252, u"ż ¥", U"¥"},  // what the page cannot hold is not among them
        {0, u"a\u30A5\u00A5b\u0123", U"\u30A5\u00A5"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.codePage);
        const std::u32string holding =
            c.codePage == 0
                ? CharactersHoldingByte(c.typed, EncodeTwoBytes, nullptr, 0xA5)
                : CharactersHoldingByte(c.typed, EncodeCp, FindCodePage(c.codePage), 0xA5);
        EXPECT_EQ(holding, c.holding);
    }
}

TEST(FindFirstOf, CountsUtf16UnitsAndPairs) {
    const std::u16string text = u"ab\U0001F600c\u017Cd\u017C";
    EXPECT_EQ(FindFirstOf(text, U"\u017C"), 5u);
    EXPECT_EQ(FindFirstOf(text, U"\U0001F600"), 2u);
    EXPECT_EQ(FindFirstOf(text, U"x"), text.size());
}

TEST(RefusedTextMessages, NameTheFieldAndTheCharactersAsTyped) {
    EXPECT_EQ(FieldOutsideCharacterSetMessage(kSubjectFieldName, U"żł"),
              "The Subject contains \"ż\" and \"ł\", which this computer's character set cannot "
              "hold. Nothing was saved. Write the Subject without such characters and save again.");
    EXPECT_EQ(SearchOutsideCharacterSetMessage(U"ż"),
              "The search text contains \"ż\", which this computer's character set cannot hold: "
              "no entry in the journal can contain such characters.");
    EXPECT_EQ(ScrambleKeyInEntryMessage(U"Ґ"),
              "The Journal Entry contains the character \"Ґ\", which the journal cannot store. "
              "Remove it and save again.");
    // The first line that holds one, and only the characters of that line.
    struct PromptsCase {
        std::u16string text;
        std::u32string refused;
        const char* named;
    };
    const PromptsCase prompts[] = {
        {u"one\r\ntwo\r\nПривет\r\n四", U"Привет四",
         "Line 3 contains \"П\", \"р\", \"и\", \"в\", \"е\" and 1 more, which"},
        {u"ż", U"ż", "Line 1 contains \"ż\", which"},
        {u"a\nb ż\n\U0001F600", U"ż\U0001F600", "Line 2 contains \"ż\", which"},
    };
    for (const PromptsCase& c : prompts) {
        const std::string message = PromptsOutsideCharacterSetMessage(c.text, c.refused);
        EXPECT_EQ(message.rfind(c.named, 0), 0u) << message;
    }
    EXPECT_EQ(PromptsOutsideCharacterSetMessage(u"ż", U"ż"),
              "Line 1 contains \"ż\", which this computer's character set cannot hold. The "
              "prompts were not saved; your text is still in the dialog. Write the line without "
              "such characters and click OK again.");
}

}  // namespace
