list(APPEND LARKMOOR_WIN_SOURCES
  src/prompts/prompt_store.cpp
  src/prompts/edit_prompts_dialog.cpp)
