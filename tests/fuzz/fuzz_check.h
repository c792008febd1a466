// What the fuzz targets share. Their one way to fail: a property that does
// not hold is printed and ends the run, which libFuzzer reports as a crash.
#pragma once

#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>

inline void Check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "property violated: %s\n", what);
        std::abort();
    }
}

// The records the journal's search should find in the journal table: the
// same patterns with the text bound, among the record numbers it can reach.
inline std::set<sqlite3_int64> BoundSearch(sqlite3* db, const std::string& search) {
    std::set<sqlite3_int64> found;
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db,
                       "SELECT a FROM dbtable WHERE a BETWEEN -2147483648 AND 2147483647 AND "
                       "(dbsubject LIKE ?1 || '%' OR dbsubject LIKE '%' || ?1 || '%' OR "
                       "dbsubject LIKE '%' || ?1)",
                       -1, &statement, nullptr);
    sqlite3_bind_text(statement, 1, search.data(), static_cast<int>(search.size()),
                      SQLITE_TRANSIENT);
    while (sqlite3_step(statement) == SQLITE_ROW) found.insert(sqlite3_column_int64(statement, 0));
    sqlite3_finalize(statement);
    return found;
}
