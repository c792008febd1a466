"""What the tests of larkmoor-tool share: the program, data folders made
as Larkmoor makes them, and looks at their files. LARKMOOR_TOOL names the
program (build/native/larkmoor-tool)."""
import hashlib
import os
import pathlib
import sqlite3
import stat
import subprocess
import sys

ROOT = pathlib.Path(__file__).resolve().parents[2]
TOOL = os.environ.get("LARKMOOR_TOOL", str(ROOT / "build/native/larkmoor-tool"))
sys.path.insert(0, str(ROOT / "tests/bench"))
from make_journal import CREATE, SCRAMBLE_KEY as KEY, scramble, write_journal  # noqa: E402,F401


def make_journal(folder, entries, page="cp1252"):
    """Entries (subject, text), on days 1, 2, ... of January 2024."""
    folder.mkdir(parents=True, exist_ok=True)
    rows = [[e.encode(page) if isinstance(e, str) else e for e in entry] for entry in entries]
    write_journal(folder / "larkmoor.3db",
                  [(f"2024-01-{n + 1:02d} 10:00:00", *row) for n, row in enumerate(rows)]).close()
    return folder


def settings_bytes(auto_login=1, log=1, password=b"granite", numbers=None):
    lines = numbers or [b"0", b"0", b"320", b"240", b"0", b"%d" % log, b"%d" % auto_login]
    return b"\n".join(lines) + b"\n" + scramble(password) + b"\n"


def write_settings(folder, auto_login=1, log=1, password=b"granite"):
    (folder / "larkmoor.cfg").write_bytes(settings_bytes(auto_login, log, password))


def rows(path):
    db = sqlite3.connect(path)
    db.text_factory = bytes
    found = db.execute("SELECT a, dbdate, dbsubject, dbentry, typeof(dbentry) FROM dbtable "
                       "ORDER BY a").fetchall()
    db.close()
    return found


def tool(folder, *args, stdin=b"", codepage=None, timeout=120, **popen):
    command = [TOOL, "--data-folder", str(folder), *args]
    if codepage:
        command += ["--codepage", str(codepage)]
    return subprocess.run(command, input=stdin, capture_output=True, timeout=timeout, **popen)


def digest(path):
    return hashlib.sha256(pathlib.Path(path).read_bytes()).hexdigest()


def snapshot(folder):
    """Every file and folder under folder: its kind, permission bits and, for
    a file, the sha256 of its bytes; links as what they point to."""
    folder = pathlib.Path(folder)
    seen = {}
    if not folder.exists():
        return seen
    for path in sorted(folder.rglob("*")):
        name = str(path.relative_to(folder))
        mode = path.lstat().st_mode
        if stat.S_ISLNK(mode):
            seen[name] = ("link", os.readlink(path))
        elif stat.S_ISDIR(mode):
            seen[name] = ("folder", stat.S_IMODE(mode))
        elif stat.S_ISREG(mode):
            seen[name] = ("file", stat.S_IMODE(mode), digest(path))
        else:
            seen[name] = ("other", stat.S_IFMT(mode))
    return seen
