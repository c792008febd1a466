#!/usr/bin/env python3
"""Turns the benchmark driver's lines into the table and the target verdicts.

Reads the driver's output (sample/value/note/check lines), prints one row per
measurement with its median, min and max and its ratio to the baselines of
the same run, then one line per target. Exits 1 when a target was missed,
could not be measured, or a behaviour check failed.

Usage: report.py DRIVER_OUTPUT --exe WIN32_EXE [--title TEXT] [--load TEXT]
"""
import argparse
import os
import statistics
import sys

MIB = 1024 * 1024


def load(path):
    samples, values, notes, checks = {}, {}, {}, []
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
    return samples, values, notes, checks


def ms(seconds):
    return f"{seconds * 1000:9.1f} ms"


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("output")
    parser.add_argument("--exe", required=True)
    parser.add_argument("--title", default="")
    parser.add_argument("--load", default="", help="the machine's load averages, for the header")
    args = parser.parse_args()
    samples, values, notes, checks = load(args.output)

    def median(key):
        runs = samples.get(key)
        return statistics.median(runs) if runs else None

    def ratio(key, base):
        a, b = median(key), median(base)
        return a / b if a is not None and b else None

    print(f"Larkmoor benchmark{': ' + args.title if args.title else ''}")
    if args.load:
        print(f"Load averages (1, 5, 15 min): {args.load}")
    print("Times are medians of the runs, with their min and max; each ratio is the row's")
    print("median over its baseline's median, measured in the same run.")
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
        if base is not None:
            r = ratio(base, key)
            if r is not None:
                text += f"  {r:5.2f}x"
        print(text)
        for note in notes.get(key, []):
            if not note.startswith("no ") and not note.startswith("not "):
                print(f"{'':8}({note})")

    def memory_row(label, key, base=None, indent=False):
        name = ("    " if indent else "") + label
        if key not in values:
            why = "; ".join(notes.get(key, ["not measured"]))
            print(f"{name:50}{'n/a':>12}   ({why})")
            return
        text = f"{name:50}{values[key] / MIB:>8.1f} MiB"
        if base is not None and base in values and values[key]:
            text += f"{'':32}  {values[base] / values[key]:5.2f}x"
        print(text)

    print("1 Start-up, process start to the first prompt")
    row("Larkmoor", "startup.larkmoor")
    row("baseline: minimal Win32 window with an edit", "startup.window", "startup.larkmoor", True)
    row("for reference: with the program's manifest", "startup.window6",
        "startup.larkmoor", True)
    sizes = [1000, 10000, 100000]
    print("2 Browse, command to the first record shown")
    for n in sizes:
        row(f"Larkmoor, {n:,} entries", f"browse.{n}.larkmoor")
        row("baseline: same sorted list box, same subjects", f"browse.{n}.listbox",
            f"browse.{n}.larkmoor", True)
        row("baseline: the list SELECT, SQLite alone", f"browse.{n}.sqlite",
            f"browse.{n}.larkmoor", True)
        row("for reference: appending presorted lines", f"browse.{n}.append",
            f"browse.{n}.larkmoor", True)
        if f"browse.{n}.plainfill" in samples:
            row("for reference: plain fill in query order", f"browse.{n}.plainfill",
                f"browse.{n}.larkmoor", True)
    print("3 Search, Go to the matching subjects listed (about 1%)")
    for n in sizes:
        row(f"Larkmoor, {n:,} entries", f"search.{n}.larkmoor")
        row("baseline: the search SELECT, SQLite alone", f"search.{n}.sqlite",
            f"search.{n}.larkmoor", True)
    print("4 Save at 10,000 entries, the whole command")
    row("Larkmoor, a new entry", "save.insert.10000.larkmoor")
    row("baseline: the INSERT, SQLite alone", "save.insert.10000.sqlite",
        "save.insert.10000.larkmoor", True)
    row("Larkmoor, a change", "save.update.10000.larkmoor")
    row("baseline: the UPDATE, SQLite alone", "save.update.10000.sqlite",
        "save.update.10000.larkmoor", True)
    print("5 Compact database, 10,000 entries after deleting half")
    row("Larkmoor, command to the notice", "compact.10000.larkmoor")
    row("baseline: VACUUM, SQLite alone", "compact.10000.sqlite", "compact.10000.larkmoor", True)
    row("for reference: the notice box alone", "compact.notice", "compact.10000.larkmoor", True)
    print("6 Size")
    memory_row("Peak working set after Browse, 100,000 entries", "memory.100000.larkmoor")
    memory_row("baseline: the list box baseline after its fill", "memory.100000.listbox",
               "memory.100000.larkmoor", True)
    memory_row("for reference: the minimal Win32 window", "memory.window", None, True)
    exe_size = os.path.getsize(args.exe) if os.path.exists(args.exe) else None
    if exe_size is None:
        print(f"{'win32 larkmoor.exe':50}{'n/a':>12}   (not built)")
    else:
        print(f"{'win32 larkmoor.exe':50}{exe_size / MIB:>8.2f} MiB  ({exe_size:,} bytes)")

    print()
    for measure, label in (("browse", "Browse"), ("search", "Search")):
        ours = [median(f"{measure}.{n}.larkmoor") for n in sizes]
        if all(ours):
            steps = f"x{ours[1] / ours[0]:.1f} from 1,000 to 10,000, x{ours[2] / ours[1]:.1f} to 100,000"
            line = f"Growth of {label}: {steps}"
            base = [median(f"{measure}.{n}.{'listbox' if measure == 'browse' else 'sqlite'}")
                    for n in sizes]
            if all(base):
                line += (f" (its {'list box' if measure == 'browse' else 'SQLite'} baseline: "
                         f"x{base[1] / base[0]:.1f}, x{base[2] / base[1]:.1f})")
            print(line)

    if checks:
        print()
        for name, status, text in checks:
            print(f"check {name}: {status} ({text})")

    # The targets.
    results = []

    def target(text, value, limit, shown):
        if value is None:
            results.append((False, f"{text}: NOT MET (not measured)"))
        else:
            met = value < limit
            results.append((met, f"{text}: {shown(value)} {'met' if met else 'NOT MET'}"))

    target("Start-up within 1.3x of the minimal Win32 program",
           ratio("startup.larkmoor", "startup.window"), 1.3, lambda v: f"{v:.2f}x")
    target("Browse at 10,000 within 1.5x of its list-box baseline",
           ratio("browse.10000.larkmoor", "browse.10000.listbox"), 1.5, lambda v: f"{v:.2f}x")
    target("Browse at 10,000 under 0.3 s", median("browse.10000.larkmoor"), 0.3,
           lambda v: f"{v:.3f} s")
    target("Browse at 100,000 under 2 s", median("browse.100000.larkmoor"), 2.0,
           lambda v: f"{v:.3f} s")
    target("Search at 100,000 under 0.3 s", median("search.100000.larkmoor"), 0.3,
           lambda v: f"{v:.3f} s")
    target("Save of a new entry at 10,000 under 0.15 s", median("save.insert.10000.larkmoor"),
           0.15, lambda v: f"{v:.3f} s")
    target("Save of a change at 10,000 under 0.15 s", median("save.update.10000.larkmoor"),
           0.15, lambda v: f"{v:.3f} s")
    memory = values.get("memory.100000.larkmoor")
    target("Peak memory after Browse at 100,000 under 64 MiB",
           memory / MIB if memory else None, 64, lambda v: f"{v:.1f} MiB")
    target("win32 exe under 2 MiB", exe_size / MIB if exe_size else None, 2,
           lambda v: f"{v:.2f} MiB")

    print()
    for _, line in results:
        print(line)
    missed = sum(1 for met, _ in results if not met)
    failed = sum(1 for _, status, _ in checks if status != "ok")
    print(f"{len(results) - missed} of {len(results)} targets met"
          + (f"; {failed} behaviour check(s) failed" if failed else ""))
    return 1 if missed or failed else 0


if __name__ == "__main__":
    sys.exit(main())
