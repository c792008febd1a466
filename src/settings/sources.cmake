list(APPEND LARKMOOR_CORE_SOURCES
  src/settings/settings_file.cpp
  src/settings/password.cpp)
list(APPEND LARKMOOR_WIN_SOURCES
  src/settings/settings.cpp
  src/settings/preferences_dialog.cpp
  src/settings/login_dialog.cpp
  src/settings/change_password_dialog.cpp)
