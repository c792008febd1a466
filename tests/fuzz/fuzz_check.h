// The fuzz targets' one way to fail: a property that does not hold is
// printed and ends the run, which libFuzzer reports as a crash.
#pragma once

#include <cstdio>
#include <cstdlib>

inline void Check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "property violated: %s\n", what);
        std::abort();
    }
}
