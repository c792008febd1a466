list(APPEND LARKMOOR_CORE_SOURCES src/shell/paths.cpp)
list(APPEND LARKMOOR_WIN_SOURCES
  src/shell/main_window.cpp
  src/shell/folders.cpp
  src/shell/commands.cpp
  src/shell/startup_screen.cpp
  src/shell/about.cpp
  src/shell/message_box.cpp
  src/shell/ansi_text.cpp
  src/shell/replace_file_win32.cpp)
