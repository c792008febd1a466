# larkmoor-tool: the journal outside the program (export, import, search,
# backup, restore, verify). A small library on the portable core, with the
# system interface of Windows or POSIX, and a thin console program built in
# every configuration: a native program here, larkmoor-tool.exe beside
# larkmoor.exe in the Windows program folder. The native tests and the fuzz
# targets link the library.
include(cmake/nlohmann-json.cmake)

set(LARKMOOR_TOOL_SOURCES
  src/tool/command_line.cpp
  src/tool/common.cpp
  src/tool/formats.cpp
  src/tool/export.cpp
  src/tool/import.cpp
  src/tool/json_reader.cpp
  src/tool/search.cpp
  src/tool/safe_output.cpp
  src/tool/backup.cpp
  src/tool/restore.cpp
  src/tool/verify.cpp)
if(LARKMOOR_WINDOWS)
  # The program's own conversion between UTF-16 and the ANSI code page.
  list(APPEND LARKMOOR_TOOL_SOURCES src/tool/platform_win32.cpp src/shell/ansi_text.cpp)
else()
  list(APPEND LARKMOOR_TOOL_SOURCES src/tool/platform_posix.cpp)
endif()

add_library(larkmoor_tool STATIC ${LARKMOOR_TOOL_SOURCES})
target_compile_options(larkmoor_tool PRIVATE ${LARKMOOR_WARNINGS})
target_include_directories(larkmoor_tool PRIVATE ${CMAKE_BINARY_DIR}/generated)
target_link_libraries(larkmoor_tool PUBLIC larkmoor_core PRIVATE nlohmann_json_header)
if(LARKMOOR_WINDOWS)
  target_compile_definitions(larkmoor_tool PRIVATE WIN32_LEAN_AND_MEAN NOMINMAX)
  target_link_libraries(larkmoor_tool PUBLIC shell32 user32)
else()
  # 64-bit file sizes, inode numbers and folder offsets also in a 32-bit
  # build: without them a folder of a large file system cannot be listed.
  target_compile_definitions(larkmoor_tool PRIVATE _FILE_OFFSET_BITS=64)
endif()

add_executable(larkmoor-tool src/tool/main.cpp)
target_compile_options(larkmoor-tool PRIVATE ${LARKMOOR_WARNINGS})
target_link_libraries(larkmoor-tool PRIVATE larkmoor_tool)

if(LARKMOOR_WINDOWS)
  add_custom_command(TARGET larkmoor-tool POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E make_directory ${LARKMOOR_PROGRAM_DIR}
    COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:larkmoor-tool> ${LARKMOOR_PROGRAM_DIR}/larkmoor-tool.exe)
endif()
