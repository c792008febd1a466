# nlohmann/json, the JSON reader of larkmoor-tool's import: header-only, from
# Debian's nlohmann-json3-dev (scripts/setup installs it), pinned to one
# release as SQLite is. -DLARKMOOR_NLOHMANN_JSON_DIR=<folder holding
# nlohmann/json.hpp> uses another copy of the same release.
set(LARKMOOR_NLOHMANN_JSON_VERSION 3.11.2)
set(LARKMOOR_NLOHMANN_JSON_DIR /usr/include
    CACHE PATH "Folder holding nlohmann/json.hpp (the nlohmann-json3-dev headers)")

set(_larkmoor_json_version_file "${LARKMOOR_NLOHMANN_JSON_DIR}/nlohmann/detail/abi_macros.hpp")
if(NOT EXISTS "${LARKMOOR_NLOHMANN_JSON_DIR}/nlohmann/json.hpp" OR
   NOT EXISTS "${_larkmoor_json_version_file}")
  message(FATAL_ERROR
    "nlohmann/json not found in ${LARKMOOR_NLOHMANN_JSON_DIR}.\n"
    "Run scripts/setup (Debian's nlohmann-json3-dev), or pass "
    "-DLARKMOOR_NLOHMANN_JSON_DIR=<folder holding nlohmann/json.hpp>.")
endif()
file(STRINGS "${_larkmoor_json_version_file}" _larkmoor_json_defines
     REGEX "^#define NLOHMANN_JSON_VERSION_(MAJOR|MINOR|PATCH) +[0-9]+")
set(_larkmoor_json_found "")
foreach(part MAJOR MINOR PATCH)
  string(REGEX MATCH "VERSION_${part} +([0-9]+)" _match "${_larkmoor_json_defines}")
  list(APPEND _larkmoor_json_found "${CMAKE_MATCH_1}")
endforeach()
string(JOIN "." _larkmoor_json_found ${_larkmoor_json_found})
if(NOT _larkmoor_json_found VERSION_EQUAL LARKMOOR_NLOHMANN_JSON_VERSION)
  message(FATAL_ERROR
    "nlohmann/json ${_larkmoor_json_found} in ${LARKMOOR_NLOHMANN_JSON_DIR}; "
    "Larkmoor is built and tested with ${LARKMOOR_NLOHMANN_JSON_VERSION}.")
endif()

# Only nlohmann's own folder is put on the include path: the Windows cross
# compilers must not see the build machine's other headers.
file(COPY "${LARKMOOR_NLOHMANN_JSON_DIR}/nlohmann"
     DESTINATION "${CMAKE_BINARY_DIR}/nlohmann-json")
add_library(nlohmann_json_header INTERFACE)
target_include_directories(nlohmann_json_header SYSTEM INTERFACE "${CMAKE_BINARY_DIR}/nlohmann-json")
