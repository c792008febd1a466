// Benchmark of larkmoor-tool search: the whole command (a process that opens
// the journal, reads every row, unscrambles, folds and matches every text and
// prints the matches) against reading every row of the same journal with
// SQLite alone (a process too: this program with --read-all). The two run
// side by side in rounds, each first in every other round; the row is their
// medians with their spreads, and the median of the rounds' ratios, with its
// spread and the verdict for a ratio of at most 2.
//
//   larkmoor_tool_search_bench TOOL DATA-FOLDER TEXT [RUNS]
//   larkmoor_tool_search_bench --read-all JOURNAL
#include <spawn.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <fcntl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "journal/journal_store.h"

extern char** environ;

namespace {

constexpr double kTargetRatio = 2.0;

// Every row through the journal's own statement, each value fetched as text
// as the program's reads fetch it.
int ReadAll(const char* path) {
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path, &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) return 1;
    sqlite3_stmt* statement = nullptr;
    std::size_t bytes = 0;
    std::size_t rows = 0;
    if (sqlite3_prepare_v2(db, kReadAllEntriesStatement, -1, &statement, nullptr) == SQLITE_OK) {
        while (sqlite3_step(statement) == SQLITE_ROW) {
            ++rows;
            for (int column = 0; column < 4; ++column) {
                const unsigned char* text = sqlite3_column_text(statement, column);
                if (text != nullptr) bytes += std::strlen(reinterpret_cast<const char*>(text));
            }
        }
    }
    sqlite3_finalize(statement);
    sqlite3_close(db);
    std::printf("%zu rows, %zu bytes\n", rows, bytes);
    return rows > 0 ? 0 : 1;
}

// Runs a program with its output thrown away; milliseconds, or -1 when it
// failed.
double Timed(const std::vector<std::string>& command) {
    std::vector<char*> arguments;
    for (const std::string& argument : command)
        arguments.push_back(const_cast<char*>(argument.c_str()));
    arguments.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    const auto start = std::chrono::steady_clock::now();
    pid_t child = 0;
    int status = -1;
    const bool started =
        posix_spawn(&child, arguments[0], &actions, nullptr, arguments.data(), environ) == 0;
    if (started) waitpid(child, &status, 0);
    const auto end = std::chrono::steady_clock::now();
    posix_spawn_file_actions_destroy(&actions);
    if (!started || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
    return std::chrono::duration<double, std::milli>(end - start).count();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--read-all") == 0) return ReadAll(argv[2]);
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s TOOL DATA-FOLDER TEXT [RUNS]\n", argv[0]);
        return 2;
    }
    const std::string folder = argv[2];
    const int runs = argc > 4 ? std::atoi(argv[4]) : 15;
    const std::vector<std::string> search = {argv[1], "--data-folder", folder, "search", argv[3]};
    const std::vector<std::string> read = {argv[0], "--read-all", folder + "/larkmoor.3db"};
    std::vector<double> searches, reads, ratios;
    Timed(read);  // the file into the page cache first
    for (int i = 0; i < runs; ++i) {
        if (i % 2 == 0) {
            searches.push_back(Timed(search));
            reads.push_back(Timed(read));
        } else {
            reads.push_back(Timed(read));
            searches.push_back(Timed(search));
        }
        ratios.push_back(searches.back() / reads.back());
        if (searches.back() < 0 || reads.back() < 0) {
            std::fprintf(stderr,
                         "a run failed (search found nothing, or the journal is unreadable)\n");
            return 1;
        }
    }
    const double ratio = Median(ratios);
    const bool met = ratio <= kTargetRatio;
    std::printf("larkmoor-tool search \"%s\": median %.1f ms (min %.1f, max %.1f) of %d runs\n",
                argv[3], Median(searches), *std::min_element(searches.begin(), searches.end()),
                *std::max_element(searches.begin(), searches.end()), runs);
    std::printf("reading every row with SQLite alone: median %.1f ms (min %.1f, max %.1f)\n",
                Median(reads), *std::min_element(reads.begin(), reads.end()),
                *std::max_element(reads.begin(), reads.end()));
    std::printf("ratio %.2f (median of %d rounds, %.2f-%.2f), target at most %.1f: %s\n", ratio,
                runs, *std::min_element(ratios.begin(), ratios.end()),
                *std::max_element(ratios.begin(), ratios.end()), kTargetRatio,
                met ? "met" : "MISSED");
    return met ? 0 : 1;
}
