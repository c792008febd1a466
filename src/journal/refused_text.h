// The messages that refuse typed text the program cannot keep as typed, in
// UTF-8, for the program's message boxes. Each names the characters at
// fault as the user typed them (the first few, as DescribeCharacters names
// them). Portable: no Windows headers.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The Entries dialog's names of its two text fields, as its messages use them.
constexpr const char kSubjectFieldName[] = "Subject";
constexpr const char kEntryFieldName[] = "Journal Entry";

// Save: the field holds characters that the code page cannot hold.
std::string FieldOutsideCharacterSetMessage(const char* field, std::u32string_view refused);

// Go: the search text holds characters that the code page cannot hold, so no
// stored subject can contain them.
std::string SearchOutsideCharacterSetMessage(std::u32string_view refused);

// Save: the entry text holds characters stored as the scramble key byte.
std::string ScrambleKeyInEntryMessage(std::u32string_view characters);

// Edit Brainstorm Prompts: names the first line of text (counted from 1)
// that holds one of the refused characters, and those of them it holds.
std::string PromptsOutsideCharacterSetMessage(std::u16string_view text,
                                              std::u32string_view refused);
