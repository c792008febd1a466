#!/usr/bin/env python3
"""Turns the benchmark driver's lines into the table and the target verdicts.

Reads the driver's output (sample/value/note/check lines), prints one row per
measurement with its median, min and max and its ratio to the baselines of
the same run, then one line per target, with the spread of its rounds and of
its medians. Exits 1 when a target was missed, could not be measured, or a
behaviour check failed; lines for information only never count.

Usage: report.py DRIVER_OUTPUT --exe WIN32_EXE [--title TEXT] [--load TEXT]
                 [--partial SECTIONS] [--markdown FILE]
With --markdown, the verdicts are also written to FILE as a Markdown table
after the title and the load, for the README's record of runs.
With --partial (the driver ran only these sections, named as scripts/bench
names them), the rows and targets of the other sections are left out.
"""
import argparse
import os
import statistics
import sys

MIB = 1024 * 1024


def load(path):
    samples, values, notes, checks, loads = {}, {}, {}, [], []
    with open(path, encoding="utf-8", errors="replace") as lines:
        for line in lines:
            parts = line.rstrip("\r\n").split(" ", 2)
            if len(parts) < 3:
                continue
            kind, key, rest = parts
            if kind == "sample":
                samples.setdefault(key, []).append(float(rest))
            elif kind == "value":
                values[key] = float(rest.split()[0])
            elif kind == "note":
                notes.setdefault(key, []).append(rest)
            elif kind == "check":
                status, _, text = rest.partition(" ")
                checks.append((key, status, text))
            elif kind == "load":
                loads.append(f"{key} {rest}")
    return samples, values, notes, checks, loads


def ms(seconds):
    return f"{seconds * 1000:9.1f} ms"


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("output")
    parser.add_argument("--exe", required=True)
    parser.add_argument("--title", default="")
    parser.add_argument("--load", default="", help="the machine's load averages, for the header")
    parser.add_argument("--partial", default="", help="the sections run, when not all were")
    parser.add_argument("--markdown", help="also write the verdicts to this file as a table")
    args = parser.parse_args()
    samples, values, notes, checks, loads = load(args.output)

    def median(key):
        runs = samples.get(key)
        return statistics.median(runs) if runs else None

    print(f"Larkmoor benchmark{': ' + args.title if args.title else ''}")
    if args.partial:
        print(f"Partial run: {args.partial} only")
    if args.load:
        print(f"Load averages (1, 5, 15 min): {args.load}")
    if loads:
        print(f"  as each section began: {'; '.join(loads)}")
    print("Times are medians of the runs, with their min and max. Each program row's ratio is")
    print("its median over the sum of the medians of its baseline parts (indented below it),")
    print("all measured in the same run; absolute times are for information only. The")
    print("verdicts below take the median of the ratios of runs made side by side.")
    print()
    header = f"{'':50}{'median':>12}{'min':>12}{'max':>12}{'runs':>6}  ratio"
    print(header)
    print("-" * len(header))

    def row(label, key, base=None, indent=False):
        name = ("    " if indent else "") + label
        runs = samples.get(key)
        if not runs:
            why = "; ".join(notes.get(key, ["not measured"]))
            print(f"{name:50}{'n/a':>12}   ({why})")
            return
        text = (f"{name:50}{ms(statistics.median(runs)):>12}{ms(min(runs)):>12}"
                f"{ms(max(runs)):>12}{len(runs):>6}")
        if base:
            text += f"  {statistics.median(runs) / base:5.2f}x"
        print(text)
        for note in notes.get(key, []):
            if not note.startswith("no ") and not note.startswith("not "):
                print(f"{'':8}({note})")

    def memory_row(label, key, indent=False):
        name = ("    " if indent else "") + label
        if key not in values:
            why = "; ".join(notes.get(key, ["not measured"]))
            print(f"{name:50}{'n/a':>12}   ({why})")
            return
        print(f"{name:50}{values[key] / MIB:>8.1f} MiB")

    sizes = [1000, 10000, 100000]
    # The table: ("head", label), ("row", label, key, target, limit), ("part", label, key,
    # name in the verdicts), ("ref", label, key). A program row's target is its median
    # within limit times the sum of the medians of the parts below it; the row shows
    # that ratio. Parts and references are indented below it.
    table = [("head", "1 Start-up, process start to the first prompt"),
             ("row", "Larkmoor", "startup.larkmoor", None, None),
             ("part", "baseline: the start-up floor (see its source)", "startup.floor",
              "start-up floor"),
             ("part", "baseline: minimal Win32 window with an edit", "startup.window",
              "minimal program"),
             ("part", "baseline: the same with the program's manifest", "startup.window6",
              "minimal program with the manifest"),
             ("row", "Larkmoor with 100,000 prompts", "startup.100000.larkmoor", None, None),
             ("part", "baseline: 100,000 lines into a hidden list box", "startup.100000.list",
              "hidden list fill"),
             ("head", "2 Browse, command to the first record shown")]
    for n in sizes:
        table += [("row", f"Larkmoor, {n:,} entries", f"browse.{n}.larkmoor", f"Browse at {n:,}",
                   1.15),
                  ("part", "baseline: the list SELECT, SQLite alone", f"browse.{n}.sqlite",
                   "list SELECT"),
                  ("part", "baseline: same sorted list box, same subjects", f"browse.{n}.listbox",
                   "list box fill"),
                  ("ref", "for reference: appending presorted lines", f"browse.{n}.append"),
                  ("ref", "for reference: plain fill in query order", f"browse.{n}.plainfill")]
    table.append(("head", "3 Search, Go to the matching subjects listed (about 1%)"))
    for n in sizes:
        table += [("row", f"Larkmoor, {n:,} entries", f"search.{n}.larkmoor", f"Search at {n:,}",
                   1.15),
                  ("part", "baseline: the search SELECT, SQLite alone", f"search.{n}.sqlite",
                   "search SELECT"),
                  ("part", "baseline: its lines into the same list box", f"search.{n}.fill",
                   "its lines filled")]
    table.append(("head", "4 Save at 10,000 entries, the whole command"))
    for kind, label, refill in (("insert", "a new entry", "the list refilled from empty"),
                                ("update", "a change", "the full list refilled")):
        table += [("row", f"Larkmoor, {label}", f"save.{kind}.10000.larkmoor",
                   f"Save of {label} at 10,000", 1.15),
                  ("part", f"baseline: the {kind.upper()}, SQLite alone",
                   f"save.{kind}.10000.sqlite", kind.upper()),
                  ("part", "baseline: the list SELECT, SQLite alone", "save.10000.select",
                   "list SELECT"),
                  ("part", f"baseline: {refill}", f"save.{kind}.10000.refill", "list refill")]
    table += [("head", "5 Compact database, 10,000 entries after deleting half"),
              ("row", "Larkmoor, command to the notice", "compact.10000.larkmoor", "Compact", 1.15),
              ("part", "baseline: VACUUM, SQLite alone", "compact.10000.sqlite", "VACUUM"),
              ("part", "baseline: the notice box alone", "compact.notice", "notice box"),
              ("head", "6 Edit Brainstorm Prompts, command to the text shown")]
    for name, label in (("default", "the default prompts"), ("100000", "100,000 prompts"),
                        ("10mb", "one 10 MB line")):
        table += [("row", f"Larkmoor, {label}", f"prompts.{name}.larkmoor",
                   f"Edit Brainstorm Prompts with {label}", 1.5),
                  ("part", "baseline: bare dialog, the same text put in", f"prompts.{name}.bare",
                   "bare dialog")]
    table += [("head", "7 View Program Log, 1,000,000 lines, command to the list shown"),
              ("row", "Larkmoor", "log.1000000.larkmoor",
               "View Program Log with 1,000,000 lines", 1.5),
              ("part", "baseline: the same lines put in the list alone", "log.1000000.bare",
               "lines in the list alone")]

    # The targets: (text, program key, baseline parts, limit, counted). Each
    # is the program's median over the sum of its parts' medians. The
    # start-up's stand apart: baselines of their own, and the start-up itself.
    # A line that does not count is for information: its ratio, and whether it
    # lies within its limit (the bare window's former target), decide nothing.
    targets = [("Start-up", "startup.larkmoor", ["startup.floor"], 1.1, True),
               ("Start-up", "startup.larkmoor", ["startup.window"], 1.3, False),
               ("Start-up", "startup.larkmoor", ["startup.window6"], None, False),
               ("Start-up with 100,000 prompts", "startup.100000.larkmoor",
                ["startup.larkmoor", "startup.100000.list"], 1.2, True)]
    names, parts = {"startup.larkmoor": "start-up"}, None
    for entry in table:
        if entry[0] == "row":
            parts = [] if entry[3] else None
            if entry[3]:
                targets.append((entry[3], entry[2], parts, entry[4], True))
        elif entry[0] == "part":
            names[entry[2]] = entry[3]
            if parts is not None:
                parts.append(entry[2])

    def parts_sum(parts):
        medians = [median(part) for part in parts]
        return None if None in medians else sum(medians)

    first_target = {}
    for text, key, parts, *_ in targets:
        first_target.setdefault(key, parts)

    # A partial run leaves out the rows and targets of the sections it did not
    # run, and headings left without rows. (The driver's search rows and the
    # memory figure belong to its browse section.)
    sections = set(args.partial.split())

    def measured(key):
        section = key.split(".")[0]
        return not args.partial or {"search": "browse", "memory": "browse"}.get(
            section, section) in sections

    if args.partial:
        targets = [target for target in targets if measured(target[1])]
        kept = []
        for entry in table:
            if entry[0] == "head" or measured(entry[2]):
                kept.append(entry)
        table = [entry for i, entry in enumerate(kept)
                 if entry[0] != "head" or (i + 1 < len(kept) and kept[i + 1][0] != "head")]

    for kind, label, *entry in table:
        key = entry[0] if entry else None
        if kind == "head":
            print(label)
        elif key in samples or kind != "ref":
            base = parts_sum(first_target[key]) if kind == "row" else None
            row(label, key, base, indent=kind != "row")

    sized = measured("memory.100000.larkmoor")
    exe_size = os.path.getsize(args.exe) if os.path.exists(args.exe) else None
    if sized:
        print("8 Size")
        memory_row("Peak working set after Browse, 100,000 entries", "memory.100000.larkmoor")
        memory_row("baseline: the list box baseline after its fill", "memory.100000.listbox", True)
        memory_row("for reference: the minimal Win32 window", "memory.window", True)
        if exe_size is None:
            print(f"{'win32 larkmoor.exe':50}{'n/a':>12}   (not built)")
        else:
            print(f"{'win32 larkmoor.exe':50}{exe_size / MIB:>8.2f} MiB  ({exe_size:,} bytes)")

    print()
    for measure, label in (("browse", "Browse"), ("search", "Search")):
        ours = [median(f"{measure}.{n}.larkmoor") for n in sizes]
        if all(ours):
            print(f"Growth of {label}: x{ours[1] / ours[0]:.1f} from 1,000 to 10,000, "
                  f"x{ours[2] / ours[1]:.1f} to 100,000")

    if checks:
        print()
        for name, status, text in checks:
            print(f"check {name}: {status} ({text})")

    # The verdicts, each naming its ratio and the medians it was made of,
    # each with its spread. The driver measures the program and its parts in
    # rounds, one of each a round, so the i-th runs of a target's keys were
    # taken side by side. The ratio is the median of the rounds' ratios
    # (program over the sum of its parts): the load of the moment weighs on
    # both sides of each alike. With fewer than three whole rounds it is the
    # ratio of the medians.
    def spread(key):
        runs = samples[key]
        return f"{median(key) * 1000:.1f} [{min(runs) * 1000:.1f}-{max(runs) * 1000:.1f}]"

    results = []
    for text, key, parts, limit, counted in targets:
        ours, base = median(key), parts_sum(parts)
        against = f"({' + '.join(names[part] for part in parts)})"
        line = (f"{text} within {limit}x of {against}" if counted
                else f"{text} against {against}, for information")
        if ours is None or not base:
            met = False if counted else None
            results.append((met, f"{line}: {'NOT MET ' if counted else ''}(not measured)",
                            (line, "not measured", "", "NOT MET" if counted else "")))
            continue
        rounds = min(len(samples[k]) for k in [key] + parts)
        if rounds >= 3:
            ratios = [samples[key][i] / sum(samples[p][i] for p in parts) for i in range(rounds)]
            value = statistics.median(ratios)
            how = f"median of {rounds} rounds, {min(ratios):.2f}-{max(ratios):.2f}"
            cell = f"{value:.2f}x ({rounds} rounds, {min(ratios):.2f}-{max(ratios):.2f})"
        else:
            value, how = ours / base, "ratio of the medians"
            cell = f"{value:.2f}x (ratio of the medians)"
        figures = " + ".join(spread(part) for part in parts)
        if counted:
            met, verdict = value < limit, " met" if value < limit else " NOT MET"
        else:
            met = None
            verdict = "" if limit is None else f", {'within' if value < limit else 'beyond'} {limit}x"
        results.append((met, f"{line}: {value:.2f}x ({how}; medians [min-max] {spread(key)} / "
                             f"({figures}) ms){verdict}",
                        (line, cell, f"{spread(key)} / ({figures})",
                         verdict.strip() if counted else
                         f"information{f' ({verdict[2:]})' if verdict else ''}")))
    memory, memory_base = values.get("memory.100000.larkmoor"), values.get("memory.100000.listbox")
    if sized and memory and memory_base:
        value = memory / memory_base
        verdict = "met" if value < 1.1 else "NOT MET"
        line = "Peak working set after Browse at 100,000 within 1.1x of the list-box baseline's"
        sizes_text = f"{memory / MIB:.1f} / {memory_base / MIB:.1f} MiB"
        results.append((value < 1.1, f"{line}: {value:.2f}x = {sizes_text} {verdict}",
                        (line, f"{value:.2f}x", sizes_text, verdict)))
    elif sized:
        results.append((False, "Peak working set after Browse at 100,000: NOT MET (not measured)",
                        ("Peak working set after Browse at 100,000", "not measured", "",
                         "NOT MET")))
    met = exe_size is not None and exe_size < 2 * MIB
    if sized:
        size_text = f"{exe_size / MIB:.2f} MiB" if exe_size else "not built"
        verdict = "met" if met else "NOT MET"
        results.append((met, f"win32 exe under 2 MiB: {size_text} {verdict}",
                        ("win32 exe under 2 MiB", size_text, "", verdict)))

    print()
    for _, line, _ in results:
        print(line)
    # A line for information (met is None) is no target.
    counted = sum(1 for met, _, _ in results if met is not None)
    missed = sum(1 for met, _, _ in results if met is False)
    failed = sum(1 for _, status, _ in checks if status != "ok")
    summary = (f"{counted - missed} of {counted} targets met"
               + (f"; {failed} behaviour check(s) failed" if failed else ""))
    print(summary)
    if args.markdown:
        with open(args.markdown, "w", encoding="utf-8") as out:
            out.write(f"{args.title or 'Larkmoor benchmark'}.  \n")
            if args.partial:
                out.write(f"Partial run: {args.partial} only.  \n")
            if args.load:
                out.write(f"Load averages (1, 5, 15 min): {args.load}.  \n")
            out.write(f"{summary}.\n\n")
            out.write("| target | ratio (rounds, spread of their ratios) "
                      "| medians [min-max], ms | verdict |\n|---|---|---|---|\n")
            for _, _, (target, ratio, figures, verdict) in results:
                out.write(f"| {target} | {ratio} | {figures} | {verdict} |\n")
    return 1 if missed or failed else 0


if __name__ == "__main__":
    sys.exit(main())
