// Names shared by the benchmark driver and the baseline programs it starts.
#pragma once

// Window classes of the two baselines' main windows.
constexpr const char kBaselineWindowClass[] = "LarkmoorBenchWindow";
constexpr const char kBaselineListClass[] = "LarkmoorBenchList";

// Commands of the list baseline's main window. Each opens the Entries
// template and fills its subject list:
// - in the list's own order, with redraw off and the storage reserved
//   (the fastest standard way to fill a sorted list box);
// - in the database's order of subjects with one LB_ADDSTRING each and
//   nothing else (what a plain fill from the query does).
constexpr int kFillInListOrder = 0x7001;
constexpr int kFillInQueryOrder = 0x7002;

// The text the start-up baseline shows, in place of a prompt.
constexpr const char kBaselineLine[] = "Write down one idea you had today, however small.";
