# larkmoor-tool: the journal outside the program (export, import, search,
# backup, restore, verify). A console program on the portable core, built in
# every configuration: a native program here, larkmoor-tool.exe beside
# larkmoor.exe in the Windows program folder.
set(LARKMOOR_TOOL_SOURCES
  src/tool/main.cpp
  src/tool/common.cpp
  src/tool/export.cpp
  src/tool/import.cpp
  src/tool/json_reader.cpp
  src/tool/search.cpp
  src/tool/backup.cpp
  src/tool/verify.cpp)
if(LARKMOOR_WINDOWS)
  list(APPEND LARKMOOR_TOOL_SOURCES src/tool/platform_win32.cpp)
else()
  list(APPEND LARKMOOR_TOOL_SOURCES src/tool/platform_posix.cpp)
endif()

add_executable(larkmoor-tool ${LARKMOOR_TOOL_SOURCES})
target_compile_options(larkmoor-tool PRIVATE ${LARKMOOR_WARNINGS})
target_include_directories(larkmoor-tool PRIVATE ${CMAKE_BINARY_DIR}/generated)
target_link_libraries(larkmoor-tool PRIVATE larkmoor_core)

if(LARKMOOR_WINDOWS)
  # The program's own atomic file replacement.
  target_sources(larkmoor-tool PRIVATE src/shell/replace_file_win32.cpp)
  target_compile_definitions(larkmoor-tool PRIVATE WIN32_LEAN_AND_MEAN NOMINMAX)
  target_link_libraries(larkmoor-tool PRIVATE shell32)
  add_custom_command(TARGET larkmoor-tool POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E make_directory ${LARKMOOR_PROGRAM_DIR}
    COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:larkmoor-tool> ${LARKMOOR_PROGRAM_DIR}/larkmoor-tool.exe)
endif()
