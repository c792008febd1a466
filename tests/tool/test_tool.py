"""larkmoor-tool, the native program, on real data folders: every export
format read back by an independent parser, the json round trip through
import, import refusals, verify on sound and damaged journals, backups made
while another process writes, --keep, restore, search, the password rule and
the exit codes. LARKMOOR_TOOL names the program (build/native/larkmoor-tool)."""
import csv
import html.parser
import io
import json
import os
import pathlib
import re
import sqlite3
import subprocess
import sys

import pytest

from tool_support import (CREATE, KEY, ROOT, TOOL, digest, make_journal, rows, scramble, tool,
                          write_settings)

# Subjects and texts that hold what every format must escape: quotes, <, &,
# Markdown characters, accents and line breaks (code page 1252).
HAZARDS = [
    ("It's \"quoted\" <b>bold</b> & co",
     "Line one\r\nLine <two> & \"three\" 'four'\r\n\r\n*not em* _nor_ `code` [link](x) # hash\r\n"
     "<script>alert(1)</script> &amp; done"),
    ("# Not a heading {#id}",
     "- not a list\r\n+ nor\r\n1. not ordered\r\n2) nor\r\n> not a quote\r\n    not code\r\n"
     "| a | b |\r\n|---|---|\r\n=====\r\n-----\r\nwait... -- dash\r\n: no definition"),
    ("Café déjà vu — naïve €",
     "Ünïcödé “quotes” œ\r\nwww.example.com http://x.example @cite $x$ ~sub~ ^sup^ :smile: "
     "\\backslash\\ trailing  \r\n\r\n\r\nafter two empty lines\r\n  two spaces in"),
    ("Plain subject", "one line"),
    # Openings pandoc's Markdown reads as ordered list items.
    ("a. Not a list",
     "a. one\r\nB) two\r\n(c) three\r\niv) four\r\nIV. five\r\n#. six\r\n(1) seven\r\n"
     "10) eight\r\n(@) nine\r\ni. ten\r\n\r\nxii) a paragraph\r\n\r\n(D) another"),
]


@pytest.fixture
def journal(tmp_path):
    folder = make_journal(tmp_path / "data", HAZARDS)
    write_settings(folder)
    return folder


def text_lines(text):
    return text.replace("\r\n", "\n").split("\n")


def export(folder, fmt):
    done = tool(folder, "export", "--format", fmt)
    assert done.returncode == 0, done.stderr
    return done.stdout


# --- Each format read back by a real parser ---------------------------------------

def test_json_holds_every_entry_exactly(journal):
    document = json.loads(export(journal, "json"))
    assert (document["format"], document["version"], document["codepage"]) == \
        ("larkmoor-journal", 1, 1252)
    assert [(e["record"], e["subject"], e["text"]) for e in document["entries"]] == \
        [(n + 1, s, t) for n, (s, t) in enumerate(HAZARDS)]


def test_csv_reads_back_in_a_spreadsheet_reader(journal):
    data = export(journal, "csv")
    assert data.startswith(b"\xef\xbb\xbf")
    table = list(csv.reader(io.StringIO(data.decode("utf-8-sig"), newline="")))
    assert table[0] == ["record", "date", "subject", "text"]
    assert [(r[0], r[2], r[3]) for r in table[1:]] == \
        [(str(n + 1), s, t) for n, (s, t) in enumerate(HAZARDS)]


class PageReader(html.parser.HTMLParser):
    def __init__(self):
        super().__init__()
        self.texts, self.headings, self.links, self.anchors = [], [], [], []
        self.tags, self.stack, self.data = set(), [], ""

    def handle_starttag(self, tag, attrs):
        attrs = dict(attrs)
        self.tags.add(tag)
        assert "src" not in attrs and not any(a.startswith("on") for a in attrs)
        if tag == "a":
            self.links.append(attrs["href"])
        if tag == "article":
            self.anchors.append("#" + attrs["id"])
        if tag not in ("meta", "br", "link", "img", "hr"):
            self.stack.append((tag, attrs.get("class")))
        self.data = ""

    def handle_endtag(self, tag):
        opened, cls = self.stack.pop()
        assert opened == tag
        if cls == "text":
            self.texts.append(self.data)
        if tag == "h2" and self.stack and self.stack[-1][0] == "article":
            self.headings.append(self.data)

    def handle_data(self, data):
        self.data += data


def test_html_is_one_escaped_page_with_contents_and_print_style(journal):
    page = export(journal, "html").decode("utf-8")
    reader = PageReader()
    reader.feed(page)
    reader.close()
    assert reader.texts == ["\n".join(text_lines(t)) for _, t in HAZARDS]
    assert reader.headings == [s for s, _ in HAZARDS]
    assert reader.links == reader.anchors and len(reader.links) == len(HAZARDS)
    assert "script" not in reader.tags and "link" not in reader.tags
    assert "@media print" in page and "break-before:page" in page


def markdown_text(nodes):
    """The plain text of pandoc inlines; fails on any markup node."""
    out = ""
    for node in nodes:
        kind = node["t"]
        assert kind in ("Str", "Space", "SoftBreak", "LineBreak"), node
        out += node["c"] if kind == "Str" else "\n" if kind == "LineBreak" else " "
    return out


@pytest.mark.parametrize("reader", ["markdown", "gfm", "commonmark"])
def test_markdown_shows_every_text_as_written_and_no_markup(journal, reader):
    parsed = subprocess.run(["pandoc", "-f", reader, "-t", "json"], input=export(journal, "md"),
                            capture_output=True, check=True)
    blocks = json.loads(parsed.stdout)["blocks"]
    assert blocks[0]["t"] == "Header" and markdown_text(blocks[0]["c"][2]) == "Larkmoor journal"
    entries = []
    for block in blocks[1:]:
        if block["t"] == "Header":
            assert block["c"][0] == 2
            entries.append([markdown_text(block["c"][2])])
        else:
            assert block["t"] == "Para", block
            if block["c"][0]["t"] == "Emph" and len(entries[-1]) == 1:
                entries[-1].append(markdown_text(block["c"][0]["c"]))
            else:
                entries[-1].append(markdown_text(block["c"]))
    assert len(entries) == len(HAZARDS)
    for n, ((subject, text), (heading, date, *paragraphs)) in enumerate(zip(HAZARDS, entries)):
        assert heading == subject
        assert date == f"Record {n + 1}, 2024-01-{n + 1:02d} 10:00:00"
        # Markdown keeps lines and paragraphs; blank lines between them merge.
        wanted = [p for p in "\n".join(l.rstrip() for l in text_lines(text)).split("\n\n") if p]
        assert [p.strip("\n") for p in paragraphs] == [p.strip("\n") for p in wanted]


def test_text_has_a_line_per_entry_then_its_text(journal):
    lines = export(journal, "txt").decode("utf-8").split("\n")
    at = 0
    for n, (subject, text) in enumerate(HAZARDS):
        assert lines[at] == f"#{n + 1}  2024-01-{n + 1:02d} 10:00:00  {subject}"
        body = text_lines(text)
        assert lines[at + 1:at + 1 + len(body)] == body
        at += len(body) + 2


@pytest.mark.parametrize("closed", [0, 1, 2])
def test_closed_standard_streams_never_take_the_exports_place(journal, tmp_path, closed):
    # A row the program cannot list: the export warns about it on standard error.
    db = sqlite3.connect(journal / "larkmoor.3db")
    db.execute("INSERT INTO dbtable VALUES (5000000000, '2024-02-02 10:00:00', 'Far', 'x')")
    db.commit()
    db.close()
    out = tmp_path / "out.json"
    done = subprocess.run([TOOL, "--data-folder", str(journal), "export", "--format", "json",
                           "--output", str(out)], capture_output=closed != 0,
                          preexec_fn=lambda: os.close(closed))
    assert done.returncode == 0
    assert len(json.loads(out.read_bytes())["entries"]) == len(HAZARDS)
    if closed == 1:
        assert b"5000000000" in done.stderr


# --- Import ----------------------------------------------------------------------

def test_json_round_trip_through_import_gives_the_same_bytes(tmp_path):
    every_byte = bytes(b for b in range(1, 256) if b != KEY)
    source = make_journal(tmp_path / "a", HAZARDS + [(b"All bytes", every_byte)])
    sqlite3.connect(source / "larkmoor.3db").execute("DELETE FROM dbtable WHERE a = 2").connection.commit()
    (tmp_path / "export.json").write_bytes(export(source, "json"))
    fresh = tmp_path / "fresh"
    done = tool(fresh, "import", "--format", "json", str(tmp_path / "export.json"))
    assert done.returncode == 0, done.stderr
    before, after = rows(source / "larkmoor.3db"), rows(fresh / "larkmoor.3db")
    assert [r[1:] for r in after] == [r[1:] for r in before]
    assert [r[0] for r in after] == list(range(1, len(HAZARDS) + 1))  # numbered by the new journal
    assert {r[4] for r in after} == {b"text"}
    assert sqlite3.connect(fresh / "larkmoor.3db").execute(
        "SELECT sql FROM sqlite_master").fetchall() == [(CREATE,)]


def entry(subject="Good subject", text="Good text", **more):
    return dict(subject=subject, text=text, **more)


@pytest.mark.parametrize("bad, reason", [
    (entry(subject="ab"), "entry 2 (\"ab\") at line 1, column 108: the subject has 2 characters"),
    (entry(subject="x" * 780), "the subject has 780 characters"),
    (entry(text=""), "the text has 0 characters"),
    (entry(text="y" * 32767), "the text has 32,767 characters"),
    (entry(text="żółw"), "code page 1252 cannot hold: \"ż\" and \"ł\""),
    (entry(text="100 ¥"), "the text holds the character \"¥\" (byte 0xA5)"),
    (entry(text="a\u0000b"), "zero character"),
    (entry(date="yesterday"), "the date is not a real time of the form YYYY-MM-DD hh:mm:ss"),
    (entry(date="2024-13-45 25:61:61"), "the date is not a real time"),
    (entry(date="2023-02-29 10:00:00"), "the date is not a real time"),
    (entry(date=20240101), "the date is not a real time"),
    ({"subject": "No text"}, "no text"),
])
def test_import_refusals_name_the_entry_and_change_nothing(journal, tmp_path, bad, reason):
    file = tmp_path / "in.json"
    file.write_text(json.dumps({"format": "larkmoor-journal", "version": 1,
                                "entries": [entry(), bad]}), encoding="utf-8")
    before = digest(journal / "larkmoor.3db")
    for dry in ([], ["--dry-run"]):
        done = tool(journal, "import", "--format", "json", str(file), *dry)
        assert done.returncode == 1
        assert reason in done.stderr.decode("utf-8") and b"nothing was imported" in done.stderr
    assert digest(journal / "larkmoor.3db") == before


@pytest.mark.parametrize("content, reason", [
    (b"{\"entries\": [", "line 1, column 14: syntax error"),
    (b"\xff\xfe{}", "line 1, column 1: the file is not UTF-8 text"),
    (b"[]", "needs an object with an \"entries\" list"),
    (b"{\"format\": \"other\", \"version\": 1, \"entries\": []}", "its \"format\" is not"),
    (b"{\"version\": \"1\", \"entries\": []}", "\"version\" must be the number 1"),
    (b"{\"entries\": []}", "\"version\" must be the number 1"),
    (b"{\"version\": 1, \"entries\": [{\"subject\": \"abc\", \"text\": \"x\"}],\n \"entries\": []}",
     "line 2, column 2: the member \"entries\" appears twice in one object"),
    (b"{\"version\": 1, \"entries\": [{\"subject\": \"abc\", \"subject\": \"abd\", \"text\": \"x\"}]}",
     "line 1, column 47: the member \"subject\" appears twice"),
    (b"{\"version\": 1, \"entries\": []," + b"[" * 70 + b"]" * 70 + b"}", "expected string literal"),
    (b"{\"version\": 1, \"x\": " + b"[" * 70 + b"]" * 70 + b", \"entries\": []}",
     "nested too deeply (more than 64 levels)"),
])
def test_import_refuses_a_file_that_is_no_export(journal, tmp_path, content, reason):
    (tmp_path / "in.json").write_bytes(content)
    done = tool(journal, "import", "--format", "json", str(tmp_path / "in.json"))
    assert done.returncode == 1 and reason in done.stderr.decode(), done.stderr
    assert len(rows(journal / "larkmoor.3db")) == len(HAZARDS)


# --- Search ----------------------------------------------------------------------

@pytest.mark.parametrize("page, wanted, found", [
    ("cp1252", "LINE <TWO>", [1]),    # only in a text, other letter case
    ("cp1252", "ÜNÏCÖDÉ", [3]),       # accented capitals fold as the code page folds
    ("cp1252", "NOT A HEADING", [2]),  # only in a subject
    ("cp1251", "привет мир", [1]),
    ("cp1250", "ŻÓŁW", [2]),
    ("cp1252", "absent", []),
])
def test_search_is_case_blind_by_the_code_page(tmp_path, page, wanted, found):
    texts = {"cp1252": HAZARDS, "cp1251": [("Заметка", "Вчера: ПРИВЕТ МИР!")],
             "cp1250": [("Zoo", "kot"), ("Zwierzęta", "Żółw i kot")]}[page]
    folder = make_journal(tmp_path / "d", texts, page)
    done = tool(folder, "search", wanted, "--json", codepage=page[2:])
    assert done.returncode == (0 if found else 1), done.stderr
    matches = json.loads(done.stdout)["matches"]
    assert [m["record"] for m in matches] == found
    for m in matches:
        assert wanted.lower() in (m["excerpt"] + m["subject"]).lower()


# --- Verify ----------------------------------------------------------------------

def cut_file(folder):
    data = (folder / "larkmoor.3db").read_bytes()
    (folder / "larkmoor.3db").write_bytes(data[:len(data) // 2])


def run_sql(sql):
    def damage(folder):
        db = sqlite3.connect(folder / "larkmoor.3db")
        db.execute(sql)
        db.commit()
    return damage


@pytest.mark.parametrize("damage, finding", [
    (cut_file, "larkmoor.3db: "),
    (run_sql("UPDATE dbtable SET dbentry = NULL WHERE a = 2"), "record 2: no text (NULL)"),
    (run_sql("UPDATE dbtable SET dbentry = CAST(X'41A542' AS TEXT) WHERE a = 1"),
     "record 1: the text is shown cut short after 1 of its 3 bytes"),
    (run_sql("UPDATE dbtable SET dbsubject = hex(randomblob(400)) WHERE a = 3"),
     "record 3: the subject has 800 bytes"),
    (run_sql("ALTER TABLE dbtable RENAME TO other"), "the table dbtable is missing"),
    (lambda f: (f / "larkmoor.cfg").write_bytes(b"0\n0\n320\n"), "ends after line 3"),
    (lambda f: (f / "larkmoor.cfg").write_bytes(b"0\nx\n1\n1\n1\n1\n1\n\xc2\n"),
     "line 2 is not a number"),
    (lambda f: (f / "larkmoorqtx.txt").write_bytes(b"ok\n" + b"q" * 1000 + b"\n"),
     "line 2 has 1,000 characters"),
])
def test_verify_passes_a_sound_journal_and_names_each_damage(journal, damage, finding):
    sound = tool(journal, "verify")
    assert sound.returncode == 0 and sound.stdout.startswith(b"Sound: the journal (5 entries)")
    damage(journal)
    done = tool(journal, "verify")
    assert done.returncode == 1 and finding in done.stdout.decode("utf-8"), done.stdout


# --- Backup and restore -------------------------------------------------------------

# Writes rows until its standard input closes, and says when it has written
# ten.
WRITER = """
import select, sqlite3, sys
written = 0
while not select.select([sys.stdin], [], [], 0)[0]:
    db = sqlite3.connect(sys.argv[1], timeout=30)
    db.execute("INSERT INTO dbtable VALUES (NULL, '2024-01-01 00:00:00', 'Loop', ?)", ("x" * 2000,))
    db.commit()
    db.close()
    written += 1
    if written == 10:
        print("ten", flush=True)
"""


def test_backups_made_while_another_process_writes_are_whole(journal, tmp_path):
    writer = subprocess.Popen([sys.executable, "-c", WRITER, str(journal / "larkmoor.3db")],
                              stdin=subprocess.PIPE, stdout=subprocess.PIPE)
    made = []
    try:
        assert writer.stdout.readline() == b"ten\n"
        for _ in range(3):
            done = tool(journal, "backup", "--to", str(tmp_path / "b"))
            assert done.returncode == 0, done.stderr
            made.append(pathlib.Path(done.stdout.decode().strip()))
    finally:
        writer.stdin.close()
        writer.wait(timeout=60)
    final = rows(journal / "larkmoor.3db")
    assert len(final) > len(HAZARDS) + 10
    for folder in made:
        assert folder.name.startswith("larkmoor-") and (folder / "larkmoor.cfg").exists()
        db = sqlite3.connect(folder / "larkmoor.3db")
        assert db.execute("PRAGMA integrity_check").fetchall() == [("ok",)]
        copied = rows(folder / "larkmoor.3db")
        assert len(copied) > len(HAZARDS)  # made while the writer wrote
        assert copied == final[:len(copied)]  # a state the writer left, never a half one
    assert sorted(p.name for p in (tmp_path / "b").iterdir()) == sorted(p.name for p in made)


def test_keep_deletes_only_the_oldest_backups_the_tool_made(journal, tmp_path):
    folder = tmp_path / "b"
    made = []
    for stamp in ("2001-01-01-000000", "2002-01-01-000000", "2002-01-01-000000-2"):
        done = tool(journal, "backup", "--to", str(folder))
        assert done.returncode == 0, done.stderr
        made.append(pathlib.Path(done.stdout.decode().strip()).rename(folder / f"larkmoor-{stamp}"))
    # Folders of the user's that look like backups, and one of the tool's
    # that the user has put a file into.
    (folder / "larkmoor-2000-01-01-000000").mkdir()
    (folder / "larkmoor-2000-01-01-000000" / "thesis.txt").write_text("mine")
    (folder / "unrelated").mkdir()
    (made[0] / "notes.txt").write_text("also mine")
    done = tool(journal, "backup", "--to", str(folder), "--keep", "1")
    assert done.returncode == 0, done.stderr
    newest = pathlib.Path(done.stdout.decode().strip()).name
    assert sorted(p.name for p in folder.iterdir()) == \
        ["larkmoor-2000-01-01-000000", "larkmoor-2001-01-01-000000", newest, "unrelated"]
    assert b"larkmoor-2001-01-01-000000 as it is" in done.stderr
    assert b"larkmoor-2000-01-01-000000" not in done.stderr  # no backup of the tool's at all
    assert (folder / "larkmoor-2000-01-01-000000" / "thesis.txt").read_text() == "mine"


def test_two_backups_in_the_same_second_get_names_of_their_own(journal, tmp_path):
    runs = [subprocess.Popen([TOOL, "--data-folder", str(journal), "backup", "--to",
                              str(tmp_path / "b")], stdout=subprocess.PIPE, stderr=subprocess.PIPE)
            for _ in range(4)]
    outputs = [run.communicate(timeout=120) + (run.returncode,) for run in runs]
    assert [code for _, _, code in outputs] == [0] * 4, outputs
    names = sorted(pathlib.Path(out.decode().strip()).name for out, _, _ in outputs)
    assert len(set(names)) == 4 and sorted(p.name for p in (tmp_path / "b").iterdir()) == names
    for name in names:
        assert len(rows(tmp_path / "b" / name / "larkmoor.3db")) == len(HAZARDS)


def test_restore_puts_a_backup_back_and_keeps_what_it_replaced(journal, tmp_path):
    backup = pathlib.Path(tool(journal, "backup", "--to", str(tmp_path)).stdout.decode().strip())
    saved = rows(journal / "larkmoor.3db")
    run_sql("DELETE FROM dbtable")(journal)
    write_settings(journal, password=b"changed")
    locker = sqlite3.connect(journal / "larkmoor.3db")
    locker.execute("BEGIN EXCLUSIVE")
    refused = tool(journal, "restore", str(backup))
    locker.rollback()
    locker.close()
    assert refused.returncode == 1 and rows(journal / "larkmoor.3db") == []
    done = tool(journal, "restore", str(backup))
    assert done.returncode == 0, done.stderr
    assert rows(journal / "larkmoor.3db") == saved
    assert (journal / "larkmoor.cfg").read_bytes() == (backup / "larkmoor.cfg").read_bytes()
    kept = next(journal.glob("before-restore-*"))
    assert rows(kept / "larkmoor.3db") == [] and scramble(b"changed") in (kept / "larkmoor.cfg").read_bytes()
    cut_file(backup)
    assert tool(journal, "restore", str(backup)).returncode == 1


# --- The password rule and the exit codes ---------------------------------------------

@pytest.mark.parametrize("args, stdin, code", [
    (["export", "--format", "json"], None, 3),               # no console, no --password-stdin
    (["--password-stdin", "export", "--format", "json"], b"wrong\n", 3),
    (["export", "--format", "csv", "--password-stdin"], b"\n", 3),
    (["export", "--format", "txt", "--password-stdin"], b"granite\n", 0),
    (["search", "Line", "--password-stdin"], b"Granite\n", 3),
    (["backup"], None, 0),
    (["verify"], None, 0),
])
def test_with_automatic_login_off_only_the_password_shows_entries(journal, args, stdin, code):
    write_settings(journal, auto_login=0, log=1)
    done = tool(journal, *args, stdin=stdin or b"")
    assert done.returncode == code, done.stderr
    if code == 3:
        assert done.stdout == b""
    log = journal / "larkmoorlog.txt"
    wrong = stdin not in (None, b"\n") and code == 3
    assert (log.read_bytes().endswith(b" - Incorrect login password.\n") if wrong
            else not log.exists())


def test_no_log_line_when_logging_is_off(journal):
    write_settings(journal, auto_login=0, log=0)
    assert tool(journal, "--password-stdin", "verify", stdin=b"x\n").returncode == 0
    assert tool(journal, "--password-stdin", "search", "x", stdin=b"x\n").returncode == 3
    assert not (journal / "larkmoorlog.txt").exists()


@pytest.mark.parametrize("args", [["frobnicate"], ["export"], ["export", "--format", "pdf"],
                                  ["--codepage", "65001", "verify"], ["verify", "--bogus"],
                                  ["backup", "--keep", "0"], ["search"]])
def test_usage_errors_exit_2(journal, args):
    assert tool(journal, *args).returncode == 2
    assert subprocess.run([TOOL, "verify"], capture_output=True).returncode == 2  # no folder


def test_help_and_version():
    done = subprocess.run([TOOL, "--help"], capture_output=True)
    assert done.returncode == 0 and b"Exit codes:" in done.stdout
    assert subprocess.run([TOOL, "export", "--help"], capture_output=True).stdout.startswith(
        b"Usage: larkmoor-tool [GLOBAL OPTIONS] export")
    # The product's version text: major.minor, and .patch only when it is not 0.
    major, minor, patch = re.search(r"project\(larkmoor VERSION (\d+)\.(\d+)\.(\d+)",
                                    (ROOT / "CMakeLists.txt").read_text()).groups()
    version = f"{major}.{minor}" + (f".{patch}" if patch != "0" else "")
    assert subprocess.run([TOOL, "--version"], capture_output=True).stdout == \
        f"larkmoor-tool {version}\n".encode()
