// The rules of a stored entry: see entry_rules.h.
#include "journal/entry_rules.h"

EntryProblem CheckEntryTexts(std::string_view subject, std::string_view entry) {
    if (subject.empty()) return EntryProblem::SubjectRequired;
    if (subject.size() < kShortestSubject) return EntryProblem::SubjectTooShort;
    if (subject.size() > kLongestSubject) return EntryProblem::SubjectTooLong;
    if (subject.find('\0') != std::string_view::npos) return EntryProblem::SubjectHoldsZero;
    if (entry.empty()) return EntryProblem::EntryRequired;
    if (entry.size() > kLongestEntry) return EntryProblem::EntryTooLong;
    if (entry.find('\0') != std::string_view::npos) return EntryProblem::EntryHoldsZero;
    if (entry.find(static_cast<char>(kScrambleKey)) != std::string_view::npos)
        return EntryProblem::EntryHoldsScrambleKey;
    return EntryProblem::None;
}
