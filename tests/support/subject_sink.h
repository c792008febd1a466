// A subject sink for the journal's listing and search routines that keeps
// what it was told: the lines in order of subject, then record (whatever
// order the routine gave them in), and what Begin announced. Portable.
#pragma once

#include <cstring>
#include <set>
#include <string>
#include <utility>

#include "journal/journal_store.h"
#include "journal/text.h"

struct ListedLine {
    int record;
    std::string subject;
    bool operator<(const ListedLine& other) const {
        return std::make_pair(subject, record) < std::make_pair(other.subject, other.record);
    }
    bool operator==(const ListedLine& other) const {
        return record == other.record && subject == other.subject;
    }
};

class RecordingSink final : public SubjectSink {
public:
    void Begin(std::size_t rows, std::size_t textBytes) override {
        ++begins;
        announcedRows = rows;
        announcedBytes = textBytes;
    }
    // A subject not terminated within its buffer is kept at the buffer's
    // length, so that the caller sees it is too long.
    void Add(int record, const char* subject) override {
        const std::size_t length = strnlen(subject, kTextSize);
        lines.insert({record, std::string(subject, length)});
        addedBytes += length + 1;
    }

    std::multiset<std::string> Subjects() const {
        std::multiset<std::string> subjects;
        for (const ListedLine& line : lines) subjects.insert(line.subject);
        return subjects;
    }

    int begins = 0;
    std::size_t announcedRows = 0;
    std::size_t announcedBytes = 0;
    std::size_t addedBytes = 0;
    std::multiset<ListedLine> lines;
};
