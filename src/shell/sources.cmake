list(APPEND LARKMOOR_CORE_SOURCES src/shell/paths.cpp)
list(APPEND LARKMOOR_WIN_SOURCES
  src/shell/main_window.cpp
  src/shell/commands.cpp
  src/shell/startup_screen.cpp
  src/shell/about.cpp)
