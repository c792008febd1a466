// Names shared by the benchmark driver and the baseline programs it starts.
#pragma once

// Window classes of the baselines' main windows.
constexpr const char kBaselineWindowClass[] = "LarkmoorBenchWindow";
constexpr const char kBaselineFloorClass[] = "LarkmoorBenchFloor";
constexpr const char kBaselineListClass[] = "LarkmoorBenchList";

// The main window's place and size: the program's saved in the settings file
// the benchmark writes, the start-up baselines' own.
constexpr int kSavedLeft = 50;
constexpr int kSavedTop = 40;
constexpr int kSavedWidth = 480;
constexpr int kSavedHeight = 360;

// The dialog baseline (baseline_list.cpp) takes one argument: the journal,
// the search text, the prompts file and the log, in this order, separated
// by this character (which no Windows path holds); any may be empty.
constexpr char kArgumentSeparator = '|';

// Commands of the dialog baseline's main window. The first three open the
// Entries template and fill its subject list:
// - with LB_ADDSTRING in the list's own order, redraw off and the storage
//   reserved: the standard way to fill a sorted list box quickly;
// - with LB_ADDSTRING in the order the program's listing statement gives,
//   and nothing else: what a plain fill from the query leaves in the list;
// - by appending the lines, already in the list's order, with
//   LB_INSERTSTRING at the end (redraw off, storage reserved): the list box
//   then compares nothing, the least any fill of these lines can cost.
// In that dialog, Go fills the list with the search's lines alone and Save
// refills it with every line and empties the fields, both the standard way.
constexpr int kFillInListOrder = 0x7001;
constexpr int kFillInQueryOrder = 0x7002;
constexpr int kFillByAppending = 0x7003;
// Shows the compaction's notice box ("Database compacted.", caption
// "Notice", information icon) and nothing else: the floor of a command that
// ends in a notice.
constexpr int kShowNotice = 0x7004;
// Creates a hidden list box like the program's prompt list and adds the
// prompts file's lines to it (storage reserved, redraw off); answers with
// the number of lines.
constexpr int kFillPromptList = 0x7005;
// Opens the Edit Brainstorm Prompts template with the prompts file's text,
// already in the field's form (UTF-16, CR LF), put into its empty field in
// one go (limit first, redraw off), the caret at the start; nothing else.
constexpr int kEditPrompts = 0x7007;
// Opens the View Program Log template with the log's shown lines put into
// its list (storage reserved, redraw off) and the last line scrolled to.
constexpr int kViewLog = 0x7008;

// The SQLite parts run in the dialog baseline, a process of the program's
// kind, on WM_COPYDATA: the data is the database path and the statement,
// each ended by a zero byte; its number says how to run the statement.
constexpr ULONG_PTR kRunQuery = 1;      // sqlite3_get_table, the whole result
constexpr ULONG_PTR kRunStatement = 2;  // sqlite3_exec

// The text the start-up baseline shows, in place of a prompt.
constexpr const char kBaselineLine[] = "Write down one idea you had today, however small.";
