list(APPEND LARKMOOR_CORE_SOURCES src/log/log_file.cpp)
list(APPEND LARKMOOR_WIN_SOURCES
  src/log/program_log.cpp
  src/log/view_log_dialog.cpp)
