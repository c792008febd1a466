list(APPEND LARKMOOR_CORE_SOURCES
  src/prompts/prompt_file.cpp
  src/prompts/random.cpp)
list(APPEND LARKMOOR_WIN_SOURCES
  src/prompts/prompt_store.cpp
  src/prompts/prompt_picker.cpp
  src/prompts/edit_prompts_dialog.cpp)
