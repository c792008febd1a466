# SQLite is compiled into the program from the official amalgamation.
# scripts/fetch-sqlite puts the pinned release into the cache folder below;
# -DLARKMOOR_SQLITE_DIR=<folder holding sqlite3.c and sqlite3.h> uses any other.
set(LARKMOOR_SQLITE_VERSION 3440200)
if(DEFINED ENV{LARKMOOR_CACHE})
  set(_larkmoor_cache "$ENV{LARKMOOR_CACHE}")
else()
  set(_larkmoor_cache "$ENV{HOME}/.cache/larkmoor")
endif()
set(LARKMOOR_SQLITE_DIR "${_larkmoor_cache}/sqlite-autoconf-${LARKMOOR_SQLITE_VERSION}"
    CACHE PATH "Folder holding the SQLite amalgamation (sqlite3.c, sqlite3.h)")

if(NOT EXISTS "${LARKMOOR_SQLITE_DIR}/sqlite3.c" OR NOT EXISTS "${LARKMOOR_SQLITE_DIR}/sqlite3.h")
  message(FATAL_ERROR
    "SQLite amalgamation not found in ${LARKMOOR_SQLITE_DIR}.\n"
    "Run scripts/fetch-sqlite, or pass -DLARKMOOR_SQLITE_DIR=<folder with sqlite3.c and sqlite3.h>.")
endif()

add_library(sqlite3_amalgamation STATIC "${LARKMOOR_SQLITE_DIR}/sqlite3.c")
target_include_directories(sqlite3_amalgamation SYSTEM PUBLIC "${LARKMOOR_SQLITE_DIR}")
# One thread, no extensions, no shared cache: the program needs none of them.
target_compile_definitions(sqlite3_amalgamation PRIVATE
  SQLITE_THREADSAFE=0
  SQLITE_DEFAULT_MEMSTATUS=0
  SQLITE_OMIT_LOAD_EXTENSION
  SQLITE_OMIT_SHARED_CACHE
  SQLITE_DQS=0)
set_target_properties(sqlite3_amalgamation PROPERTIES C_STANDARD 99)
if(NOT LARKMOOR_WINDOWS AND (LARKMOOR_FUZZ OR LARKMOOR_SANITIZE))
  # The sanitizing builds test the program's own code. SQLite's allocations
  # still pass through the sanitizer's malloc, so an overrun of a buffer it
  # returned is caught in the code that overruns it; SQLite itself is built
  # plain and optimised, in half the time, and the fuzzer gets no coverage
  # of its own to chase.
  target_compile_options(sqlite3_amalgamation PRIVATE -fno-sanitize=all -O1 -g0)
endif()
if(CMAKE_SYSTEM_NAME STREQUAL "Windows")
  # Reads and writes with a plain file pointer instead of an OVERLAPPED
  # offset, and memory from a heap of SQLite's own: under Wine every
  # overlapped read of a page costs a round trip to the server and the C
  # runtime's heap is slow, which made a listing several times slower than
  # the same statement needs.
  target_compile_definitions(sqlite3_amalgamation PRIVATE
    SQLITE_WIN32_NO_OVERLAPPED
    SQLITE_WIN32_MALLOC)
else()
  target_link_libraries(sqlite3_amalgamation PUBLIC m)
endif()
