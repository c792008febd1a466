list(APPEND LARKMOOR_CORE_SOURCES
  src/journal/text.cpp
  src/journal/codepage.cpp
  src/journal/codepage_tables.cpp
  src/journal/refused_text.cpp
  src/journal/entry_rules.cpp
  src/journal/journal_store.cpp)
list(APPEND LARKMOOR_WIN_SOURCES
  src/journal/clock.cpp
  src/journal/journal_db.cpp
  src/journal/entries_dialog.cpp)
