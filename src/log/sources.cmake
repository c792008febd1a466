list(APPEND LARKMOOR_WIN_SOURCES
  src/log/program_log.cpp
  src/log/view_log_dialog.cpp)
