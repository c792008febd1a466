// Names shared by the benchmark driver and the baseline programs it starts.
#pragma once

// Window classes of the two baselines' main windows.
constexpr const char kBaselineWindowClass[] = "LarkmoorBenchWindow";
constexpr const char kBaselineListClass[] = "LarkmoorBenchList";

// Commands of the list baseline's main window. Each opens the Entries
// template and fills its subject list:
// - with LB_ADDSTRING in the list's own order, redraw off and the storage
//   reserved: the standard way to fill a sorted list box quickly;
// - with LB_ADDSTRING in the order the program's listing statement gives,
//   and nothing else: what a plain fill from the query leaves in the list;
// - by appending the lines, already in the list's order, with
//   LB_INSERTSTRING at the end (redraw off, storage reserved): the list box
//   then compares nothing, the least any fill of these lines can cost.
constexpr int kFillInListOrder = 0x7001;
constexpr int kFillInQueryOrder = 0x7002;
constexpr int kFillByAppending = 0x7003;
// Shows the compaction's notice box ("Database compacted.", caption
// "Notice", information icon) and nothing else: the floor of a command that
// ends in a notice.
constexpr int kShowNotice = 0x7004;

// The text the start-up baseline shows, in place of a prompt.
constexpr const char kBaselineLine[] = "Write down one idea you had today, however small.";
