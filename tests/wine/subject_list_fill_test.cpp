// The subject list of the Entries dialog, as the journal fills it: it must
// read line for line, with the same record numbers, as the same rows added
// one by one with LB_ADDSTRING leave the same list box, whatever the rows
// hold (letter case, accents, punctuation the list's comparison weighs
// differently from the query's order, equal subjects) and whatever the list
// held before.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "journal/journal.h"
#include "journal/text.h"
#include "resource.h"
#include "shell/shell.h"
#include "support/oracles.h"
#include "support/side_db.h"
#include "support/ui_harness.h"

namespace {

// Subjects whose order under the list's comparison differs from the query's
// case-blind byte order, and subjects that the list's comparison holds equal.
const std::vector<std::string> kAwkwardSubjects = {
    "Ideas", "ideas", "IDEAS", "Ideas", "iDeas", "Idea", "Ideas ", " Ideas", "Ideas!",
    "co-op", "coop", "co op", "Co-op", "coop's", "It's", "Its", "its", "it s",
    "Caf\xe9", "Cafe", "CAF\xc9", "caf\xe9 ideas", "Cafeteria", "\xc9" "cole", "Ecole", "ecole",
    "M\xfcnchen", "Munchen", "Mxnchen", "na\xefve", "naive", "Stra\xdf" "e", "Strasse",
    "_under", "under", "[bracket]", "bracket", "~tilde", "tilde", "#1 plan", "1 plan",
    "10 things", "2 things", "100 things", "Zebra", "zebra", "\xc5ngstr\xf6m", "Angstrom",
    "\x80uro", "Euro", "a\x96" "dash", "a-dash", "adash", "A dash", "\xbfQu\xe9?", "Que",
    std::string(779, 'x'), std::string(779, 'X'), std::string(500, 'y') + "Z",
};

class SubjectListFill : public HarnessTest {
protected:
    void TearDown() override {
        for (HWND dialog : dialogs_) DestroyWindow(dialog);
        HarnessTest::TearDown();
    }

    // Stores the subjects as the program does, in one transaction.
    static void Store(const std::vector<std::string>& subjects) {
        std::vector<NewEntry> entries;
        for (const std::string& subject : subjects) entries.push_back({"2020-02-02 02:02:02", subject, "he"});
        RemoveDataFolder();
        PrepareTestPaths();
        ASSERT_EQ(SideDb(DatabasePath).CreateJournal(entries), "");
    }

    // An Add-mode dialog: its list starts empty.
    HWND OpenList() {
        EntriesMode = EntryMode::Add;
        HWND dialog = OpenTestDialog(IDD_ENTRIES, EntriesDlgProc);
        EXPECT_NE(dialog, nullptr);
        dialogs_.push_back(dialog);
        return GetDlgItem(dialog, IDC_SUBJECT_LIST);
    }

    // The rows of a listing in the order the statement gives them, each
    // added with one LB_ADDSTRING. Drawing is off meanwhile, which changes
    // nothing in the list but spares a redraw of its scroll bar a line.
    static void AddOneByOne(HWND list, const char* quotedSearch) {
        SendMessageA(list, WM_SETREDRAW, FALSE, 0);
        struct Adder final : SubjectSink {
            explicit Adder(HWND l) : list(l) {}
            void Begin(std::size_t, std::size_t) override {}
            void Add(int record, const char* subject) override {
                const LRESULT index =
                    SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(subject));
                ASSERT_GE(index, 0);
                SendMessageA(list, LB_SETITEMDATA, static_cast<WPARAM>(index), record);
            }
            HWND list;
        } adder(list);
        const StoreResult result = quotedSearch == nullptr
                                       ? StoreListSubjects(DatabasePath, adder)
                                       : StoreSearchSubjects(DatabasePath, quotedSearch, adder);
        SendMessageA(list, WM_SETREDRAW, TRUE, 0);
        ASSERT_EQ(result, StoreResult::Done);
    }

    std::vector<HWND> dialogs_;
};

// A seeded mix: awkward subjects, their case variants, and plain phrases.
std::vector<std::string> Mixed(int count, std::uint32_t seed) {
    static const char* const words[] = {"garden", "Novel", "trip", "BUDGET", "dream", "Plan",
                                        "caf\xe9", "\xc9t\xe9", "co-op", "it's", "notes"};
    std::vector<std::string> subjects;
    for (int i = 0; i < count; ++i) {
        seed = seed * 1103515245u + 12345u;
        const std::uint32_t pick = (seed >> 8) % 100;
        if (pick < 30) {
            subjects.push_back(kAwkwardSubjects[(seed >> 12) % kAwkwardSubjects.size()]);
            continue;
        }
        std::string subject = words[(seed >> 4) % 11];
        subject += (seed >> 20) % 2 ? " " : "-";
        subject += words[(seed >> 24) % 11];
        if (pick < 45) subject[0] = static_cast<char>(subject[0] ^ 0x20);
        subjects.push_back(subject);
    }
    return subjects;
}

TEST_F(SubjectListFill, ListsLineForLineAsOneAddStringARow) {
    const struct {
        const char* name;
        std::vector<std::string> subjects;
    } cases[] = {
        {"one subject", {"Ideas"}},
        {"awkward subjects", kAwkwardSubjects},
        {"seeded mix of 3,000", Mixed(3000, 7)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Store(c.subjects);
        HWND filled = OpenList();
        HWND expected = OpenList();
        ASSERT_TRUE(ListSubjects(GetParent(filled)));
        AddOneByOne(expected, nullptr);
        const std::vector<ListLine> lines = ListLines(filled);
        EXPECT_EQ(lines.size(), c.subjects.size());
        EXPECT_EQ(lines, ListLines(expected));
    }
    EXPECT_TRUE(boxes_.Boxes().empty());
}

TEST_F(SubjectListFill, ListAlreadyHoldingLinesTakesTheNewOnesInTheirPlaces) {
    Store(Mixed(500, 11));
    for (const char* first : {"Ideas", "zzz", "", "\xc9t\xe9"}) {
        SCOPED_TRACE(first);
        HWND filled = OpenList();
        HWND expected = OpenList();
        for (HWND list : {filled, expected}) {
            SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(first));
            SendMessageA(list, LB_SETITEMDATA, 0, 777);
        }
        ASSERT_TRUE(ListSubjects(GetParent(filled)));
        AddOneByOne(expected, nullptr);
        EXPECT_EQ(ListLines(filled).size(), 501u);
        EXPECT_EQ(ListLines(filled), ListLines(expected));
    }
}

TEST_F(SubjectListFill, SearchResultsListLineForLineAsOneAddStringARow) {
    Store(Mixed(2000, 3));
    for (const char* search : {"caf", "co-", "it''s", "dea", "a_d", "%"}) {
        SCOPED_TRACE(search);
        HWND filled = OpenList();
        HWND expected = OpenList();
        ASSERT_TRUE(SearchSubjects(GetParent(filled), search));
        AddOneByOne(expected, search);
        EXPECT_FALSE(ListLines(filled).empty());
        EXPECT_EQ(ListLines(filled), ListLines(expected));
    }
}

}  // namespace
