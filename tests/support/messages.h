// Message texts that more than one tier expects, as the user reads them.
#pragma once

inline constexpr char kUnsavedCaption[] = "Unsaved Changes";
inline constexpr char kUnsavedQuestion[] =
    "The changes to this entry are not saved. Do you want to save them?";
