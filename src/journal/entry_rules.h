// What the Entries dialog stores as an entry: the rules a subject and an
// entry text must meet, shared with larkmoor-tool's import. Portable: no
// Windows headers.
#pragma once

#include <cstddef>
#include <string_view>

#include "journal/text.h"

// Lengths in bytes of the code page; blanks count like any other character.
constexpr std::size_t kShortestSubject = 3;
constexpr std::size_t kLongestSubject = kTextSize - 1;  // 779
constexpr std::size_t kLongestEntry = kEntrySize - 1;   // 32,766

// The Entries dialog's answers to a subject or text it does not save.
constexpr const char kSubjectRequired[] = "Subject required.";
constexpr const char kSubjectTooShort[] = "Subject is too short.";
constexpr const char kEntryRequired[] = "Journal Entry required.";

// Why an entry cannot be stored as it is, in the order the checks are made.
enum class EntryProblem {
    None,
    SubjectRequired,     // the subject is empty
    SubjectTooShort,     // 1 or 2 bytes
    SubjectTooLong,      // over 779 bytes (the dialog's field holds no more)
    SubjectHoldsZero,    // a zero byte would end the subject there
    EntryRequired,       // the text is empty
    EntryTooLong,        // over 32,766 bytes (the dialog's field holds no more)
    EntryHoldsZero,      // a zero byte would end the text there
    EntryHoldsScrambleKey,  // the key byte scrambles to a zero byte: the
                            // stored text would end there
};

// The first problem of a subject and an entry text (bytes of the code page),
// or None when the Entries dialog would store them as they are.
EntryProblem CheckEntryTexts(std::string_view subject, std::string_view entry);
