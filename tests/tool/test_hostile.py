"""larkmoor-tool against damaged and adversarial data folders and files: one
row per case, each asserting the exit code, a message that names the reason,
and every file of the data folder (and of the files around it) byte for byte
afterwards."""
import json
import os
import pathlib
import re
import sqlite3
import stat
import subprocess
import sys

import pytest

from tool_support import TOOL, make_journal, rows, settings_bytes, snapshot, tool

ENTRIES = [("First entry", "Line one\r\nLine two"), ("Second entry", "Café"),
           ("Third entry", "x" * 500)]


def damaged_settings(data):
    """data: the file's bytes; None puts a folder in its place, "fifo" a FIFO
    (which nothing ever writes: opening it to read would wait for ever)."""
    def damage(folder, tmp):
        path = folder / "larkmoor.cfg"
        if data is None:
            path.unlink()
            path.mkdir()
        elif data == "fifo":
            path.unlink()
            os.mkfifo(path)
        else:
            path.write_bytes(data)
    return damage


HOLDER = """
import sqlite3, sys
db = sqlite3.connect(sys.argv[1], isolation_level=None)
db.execute("BEGIN " + sys.argv[2])
db.execute("UPDATE dbtable SET dbdate = dbdate")
print("held", flush=True)
sys.stdin.read()
db.rollback()
"""


def locked(kind):
    """A transaction held on the journal by another process while the row
    runs (this one's own reads of the file would let its locks go)."""
    def hold(folder, tmp):
        holder = subprocess.Popen([sys.executable, "-c", HOLDER, str(folder / "larkmoor.3db"), kind],
                                  stdin=subprocess.PIPE, stdout=subprocess.PIPE)
        assert holder.stdout.readline() == b"held\n"
        return {"held": holder}
    return hold


def data_file(name, data):
    def make(folder, tmp):
        (folder / name).write_bytes(data)
    return make


def file_at(name, data=b"", mode=None):
    def make(folder, tmp):
        path = tmp / name
        path.write_bytes(data)
        if mode is not None:
            path.chmod(mode)
    return make


def sparse_file(name, size):
    def make(folder, tmp):
        with open(tmp / name, "wb") as file:
            file.truncate(size)
    return make


def fifo(folder, tmp):
    os.mkfifo(tmp / "pipe")


def device(folder, tmp):
    """A null device of the test's own: a fault that replaced the target would
    otherwise replace the system's /dev/null."""
    try:
        os.mknod(tmp / "null", 0o666 | stat.S_IFCHR, os.makedev(1, 3))
    except PermissionError:
        pytest.skip("making a device node needs root")


def symlink(folder, tmp):
    (tmp / "target.txt").write_bytes(b"the user's own")
    (tmp / "link.json").symlink_to(tmp / "target.txt")


def hard_link(folder, tmp):
    os.link(folder / "larkmoor.3db", tmp / "alias.json")


def export_file(data):
    return file_at("in.json", json.dumps(data).encode() if not isinstance(data, bytes) else data)


GOOD = {"format": "larkmoor-journal", "version": 1,
        "entries": [{"subject": "Imported", "text": "Some text", "date": "2024-02-29 23:59:59"}]}


def backup_of(edit=None):
    """A backup the tool made of the data folder, perhaps edited afterwards."""
    def make(folder, tmp):
        done = tool(folder, "backup", "--to", str(tmp / "backups"))
        assert done.returncode == 0, done.stderr
        backup = pathlib.Path(done.stdout.decode().strip())
        backup.rename(tmp / "backup")
        db = sqlite3.connect(tmp / "backup" / "larkmoor.3db")
        db.execute("DELETE FROM dbtable WHERE a = 1")
        db.commit()
        db.close()
        if edit:
            edit(folder, tmp / "backup")
    return make


def read_only(name):
    def edit(folder, backup):
        (folder / name).chmod(0o444)
    return edit


def combine(*steps):
    def run(folder, tmp):
        held = {}
        for step in steps:
            done = step(folder, tmp)
            held.update(done if isinstance(done, dict) else {})
        return held
    return run


def logged_only(tmp, before, after):
    """Nothing changed but the program's line for a wrong password in the log."""
    log = "data/larkmoorlog.txt"
    return {n: v for n, v in after.items() if n != log} == before and log not in before and \
        re.fullmatch(rb"\d{4}-\d\d-\d\d \d\d:\d\d:\d\d - Incorrect login password\.\n",
                     (tmp / log).read_bytes())


# The reason a damaged settings file asks for the password.
DAMAGED = r"larkmoor\.cfg is damaged or cannot be read: as Larkmoor does, the tool asks for the " \
    r"initial password \(see verify\)\n.*"

DATA = "{data}"
TMP = "{tmp}"

# id, setup, arguments, standard input, exit code, message (a regular
# expression), what must hold afterwards: "unchanged" (every file of the data
# folder and of the folder around it as before), "restored", or a check.
ROWS = [
    # A damaged settings file never opens the journal without a password:
    # the program's initial password and automatic login off.
    ("empty settings, search", damaged_settings(b""), ["search", "Line", "--password-stdin"], b"",
     3, DAMAGED + r"Password required!", "unchanged"),
    ("settings cut after line 3, export", damaged_settings(b"0\n0\n320\n"),
     ["--password-stdin", "export", "--format", "json"], b"", 3, DAMAGED + r"Password required!", "unchanged"),
    ("garbage settings, import", damaged_settings(b"\x00\xff garbage \x01\n"),
     ["--password-stdin", "import", "--format", "json", TMP + "/in.json"], b"", 3,
     DAMAGED + r"Password required!", "unchanged"),
    ("settings line 7 no number, the initial password lets in",
     damaged_settings(b"0\n0\n320\n240\n1\n0\nno\n" + settings_bytes().split(b"\n")[7] + b"\n"),
     ["--password-stdin", "search", "Line"], b"granite\n", 0, r"Line one", "unchanged"),
    ("settings line 7 no number, the old password refused",
     damaged_settings(b"0\n0\n320\n240\n1\n1\nno\n" + settings_bytes().split(b"\n")[7] + b"\n"),
     ["--password-stdin", "search", "Line"], b"secret\n", 3, DAMAGED + r"Incorrect password!",
     lambda tmp, before, after: logged_only(tmp, before, after)),
    ("settings a folder, restore", combine(backup_of(), damaged_settings(None)),
     ["--password-stdin", "restore", TMP + "/backup"], b"", 3, DAMAGED + r"Password required!", "unchanged"),
    ("settings a FIFO, search", damaged_settings("fifo"), ["--password-stdin", "search", "Line"],
     b"", 3, DAMAGED + r"Password required!", "unchanged"),
    ("settings a FIFO, verify", damaged_settings("fifo"), ["verify"], b"", 1,
     r"larkmoor\.cfg: cannot be read \(it is not a regular file\)", "unchanged"),
    ("settings a folder, the initial password lets in", damaged_settings(None),
     ["--password-stdin", "search", "Line"], b"granite\n", 0, r"", "unchanged"),
    ("no settings file at all: the first start's automatic login",
     lambda folder, tmp: (folder / "larkmoor.cfg").unlink(), ["search", "Line"], b"", 0, r"",
     "unchanged"),
    # What export --output lands on.
    ("export onto the journal", None, ["export", "--format", "json", "--output",
                                       DATA + "/larkmoor.3db"], b"secret\n", 1,
     r"larkmoor\.3db is one of the data folder's own files", "unchanged"),
    ("export onto the settings", None, ["export", "--format", "md", "--output",
                                        DATA + "/larkmoor.cfg"], b"secret\n", 1,
     r"own files", "unchanged"),
    ("export onto the journal's write-ahead log", None,
     ["export", "--format", "csv", "--output", DATA + "/larkmoor.3db-wal"], b"secret\n", 1,
     r"own files", "unchanged"),
    ("export onto a hard link to the journal", hard_link,
     ["export", "--format", "txt", "--output", TMP + "/alias.json"], b"secret\n", 1,
     r"own files", "unchanged"),
    ("export onto a symbolic link", symlink,
     ["export", "--format", "json", "--output", TMP + "/link.json"], b"secret\n", 1,
     r"link\.json is a link, not a regular file", "unchanged"),
    ("export onto a FIFO", fifo, ["export", "--format", "json", "--output", TMP + "/pipe"],
     b"secret\n", 1, r"pipe is a FIFO, not a regular file", "unchanged"),
    ("export onto a device", device, ["export", "--format", "json", "--output", TMP + "/null"],
     b"secret\n", 1, r"null is a device", "unchanged"),
    ("export onto a read-only file", file_at("kept.json", b"old", 0o444),
     ["export", "--format", "json", "--output", TMP + "/kept.json"], b"secret\n", 1,
     r"kept\.json is read-only", "unchanged"),
    ("export into a missing folder", None,
     ["export", "--format", "json", "--output", TMP + "/no/such/out.json"], b"secret\n", 1,
     r"cannot write .*out\.json: No such file or directory", "unchanged"),
    ("export beside the user's notes.json.new", file_at("notes.json.new", b"my notes"),
     ["export", "--format", "json", "--output", TMP + "/notes.json"], b"secret\n", 0, r"",
     lambda tmp, before, after: json.loads((tmp / "notes.json").read_bytes()) and
     (tmp / "notes.json.new").read_bytes() == b"my notes"),
    ("export over a private file keeps its mode", file_at("private.json", b"old", 0o600),
     ["export", "--format", "json", "--output", TMP + "/private.json"], b"secret\n", 0, r"",
     lambda tmp, before, after: (tmp / "private.json").stat().st_mode & 0o777 == 0o600 and
     json.loads((tmp / "private.json").read_bytes())["entries"]),
    ("export of a journal locked by another program", locked("EXCLUSIVE"),
     ["export", "--format", "json"], b"secret\n", 1,
     r"locked by another program \(Larkmoor\?\)", "unchanged"),
    ("export of a file that is not a database", data_file("larkmoor.3db", b"not a database " * 99),
     ["export", "--format", "json"], b"secret\n", 1, r"not a SQLite database", "unchanged"),
    # The data folder itself.
    ("restore of the data folder onto itself", None, ["restore", DATA], b"secret\n", 1,
     r"is the data folder itself, not a backup of it; nothing was restored", "unchanged"),
    ("restore from a folder that is not there", None, ["restore", TMP + "/nothere"], b"secret\n", 1,
     r"cannot restore from .*nothere: there is no such folder", "unchanged"),
    ("a data folder under a file", file_at("plain"),
     ["--data-folder", TMP + "/plain/sub", "export", "--format", "json"], b"", 1,
     r"cannot enter the data folder .*plain/sub: Not a directory", "unchanged"),
    ("a data folder that is a file", file_at("plain"),
     ["--data-folder", TMP + "/plain", "backup"], b"", 1, r"plain is not a folder", "unchanged"),
    ("backup to a file", file_at("plain"), ["backup", "--to", TMP + "/plain"], b"", 1,
     r"cannot make the folder .*plain: Not a directory", "unchanged"),
    # Import files.
    ("import: version as a string", export_file(dict(GOOD, version="1")),
     ["import", "--format", "json", TMP + "/in.json"], b"secret\n", 1,
     r"\"version\" must be the number 1", "unchanged"),
    ("import: entries twice", export_file(b'{"version": 1, "entries": [{"subject": "abc", '
                                          b'"text": "t"}],\n  "entries": []}'),
     ["import", "--format", "json", TMP + "/in.json"], b"secret\n", 1,
     r"line 2, column 3: the member \"entries\" appears twice", "unchanged"),
    ("import: an impossible date",
     export_file(dict(GOOD, entries=[{"subject": "abc", "text": "t", "date": "2024-13-45 25:61:61"}])),
     ["import", "--format", "json", TMP + "/in.json"], b"secret\n", 1,
     r"entry 1 \(\"abc\"\) at line 1, column 58: the date is not a real time", "unchanged"),
    ("import: /dev/zero", None, ["import", "--format", "json", "/dev/zero"], b"secret\n", 1,
     r"/dev/zero: it is a device, not a regular file", "unchanged"),
    ("import: a FIFO", fifo, ["import", "--format", "json", TMP + "/pipe"], b"secret\n", 1,
     r"pipe: it is a FIFO, not a regular file", "unchanged"),
    ("import: a folder", lambda folder, tmp: (tmp / "dir.json").mkdir(),
     ["import", "--format", "json", TMP + "/dir.json"], b"secret\n", 1,
     r"dir\.json: it is a folder, not a regular file", "unchanged"),
    ("import: over the size limit", sparse_file("big.json", 257 * 1024 * 1024),
     ["import", "--format", "json", TMP + "/big.json"], b"secret\n", 1,
     r"larger than 256 MiB", "unchanged"),
    ("import: a failure leaves no new folder behind",
     export_file(dict(GOOD, entries=[{"subject": "ab", "text": "t"}])),
     ["--data-folder", TMP + "/new", "import", "--format", "json", TMP + "/in.json"], b"", 1,
     r"the subject has 2 characters", "unchanged"),
    ("import: a dry run into a new folder writes nothing", export_file(GOOD),
     ["--data-folder", TMP + "/new", "import", "--format", "json", "--dry-run", TMP + "/in.json"],
     b"", 0, r"", "unchanged"),
    ("import: a dry run where nothing can be written", combine(file_at("plain"), export_file(GOOD)),
     ["--data-folder", TMP + "/plain/new", "import", "--format", "json", "--dry-run",
      TMP + "/in.json"], b"", 1, r"Not a directory", "unchanged"),
    ("import: a dry run into the journal writes nothing", export_file(GOOD),
     ["import", "--format", "json", "--dry-run", TMP + "/in.json"], b"secret\n", 0,
     r"", "unchanged"),
    ("import: a write-ahead log without its journal",
     combine(export_file(GOOD), lambda folder, tmp: (tmp / "new").mkdir(),
             file_at("new/larkmoor.3db-wal", b"old log")),
     ["--data-folder", TMP + "/new", "import", "--format", "json", TMP + "/in.json"], b"", 1,
     r"larkmoor\.3db-wal without a journal", "unchanged"),
    # Restore: all files or none.
    ("restore over a read-only settings file", backup_of(read_only("larkmoor.cfg")),
     ["--password-stdin", "restore", TMP + "/backup"], b"secret\n", 1,
     r"cannot put larkmoor\.cfg in place: .*read-only.*nothing was restored", "kept"),
    ("restore over a read-only prompts file", backup_of(read_only("larkmoorqtx.txt")),
     ["--password-stdin", "restore", TMP + "/backup"], b"secret\n", 1,
     r"cannot put larkmoorqtx\.txt in place: .*larkmoor\.cfg is back as it was", "kept"),
    ("restore of a locked journal", combine(backup_of(), locked("IMMEDIATE")),
     ["--password-stdin", "restore", TMP + "/backup"], b"secret\n", 1,
     r"locked by another program \(Larkmoor\?\).*nothing was restored", "unchanged"),
    ("restore of a damaged backup",
     backup_of(lambda folder, backup: (backup / "larkmoor.3db").write_bytes(b"\x00" * 4096)),
     ["--password-stdin", "restore", TMP + "/backup"], b"secret\n", 1,
     r"the backup is damaged; nothing was restored", "unchanged"),
    ("restore of a folder that is no backup", lambda folder, tmp: (tmp / "backup").mkdir(),
     ["--password-stdin", "restore", TMP + "/backup"], b"secret\n", 1,
     r"is not a Larkmoor backup: it holds no larkmoor\.3db", "unchanged"),
    ("restore over a journal that is no database, beside a leftover log",
     combine(backup_of(), data_file("larkmoor.3db", b"junk" * 99),
             data_file("larkmoor.3db-wal", b"old")),
     ["--password-stdin", "restore", TMP + "/backup"], b"secret\n", 1,
     r"there is a larkmoor\.3db-wal beside the journal", "unchanged"),
    ("restore over a journal that is no database",
     combine(backup_of(), data_file("larkmoor.3db", b"junk" * 99)),
     ["--password-stdin", "restore", TMP + "/backup"], b"secret\n", 0, r"", "restored"),
    ("restore of a backup whose settings hold numbers the program reads",
     backup_of(lambda folder, backup: (backup / "larkmoor.cfg").write_bytes(settings_bytes(
         auto_login=0, password=b"secret", numbers=[b"+5", b" 0", b"99999999999999999999", b"240",
                                                    b"0", b"0", b"0"]))),
     ["--password-stdin", "restore", TMP + "/backup"], b"secret\n", 0, r"", "restored"),
    # Verify goes by the program's own reader.
    ("verify: settings lines the program reads",
     damaged_settings(settings_bytes(auto_login=0, password=b"secret", numbers=[
         b"+5", b" 0", b"99999999999999999999", b"-0", b"00", b"1", b"0"])),
     ["verify"], b"", 0, r"^Sound", "unchanged"),
    ("verify: settings a folder", damaged_settings(None), ["verify"], b"", 1,
     r"larkmoor\.cfg: cannot be read \(it is a folder\); the program then uses the initial "
     r"password", "unchanged"),
    ("verify: a journal that is no database",
     data_file("larkmoor.3db", b"junk" * 99), ["verify"], b"", 1,
     r"larkmoor\.3db: cannot be opened: .*not a SQLite database|file is not a database",
     "unchanged"),
]


@pytest.mark.parametrize("name, setup, args, stdin, code, message, after", ROWS,
                         ids=[row[0] for row in ROWS])
def test_hostile(tmp_path, name, setup, args, stdin, code, message, after):
    folder = make_journal(tmp_path / "data", ENTRIES)
    (folder / "larkmoor.cfg").write_bytes(settings_bytes(auto_login=0, password=b"secret"))
    (folder / "larkmoor.cfg").chmod(0o600)  # kept private through every row
    (folder / "larkmoorqtx.txt").write_bytes(b"A prompt\nAnother\n")
    held = setup(folder, tmp_path) if setup else None
    held = held if isinstance(held, dict) else {}
    journal_before = None
    if after in ("kept", "restored") and \
            (folder / "larkmoor.3db").read_bytes().startswith(b"SQLite format 3\0"):
        journal_before = rows(folder / "larkmoor.3db")
    before = snapshot(tmp_path)
    arguments = [a.replace(DATA, str(folder)).replace(TMP, str(tmp_path)) for a in args]
    if "--data-folder" not in arguments:
        arguments = ["--data-folder", str(folder)] + arguments
    if stdin and "--password-stdin" not in arguments:
        arguments.append("--password-stdin")
    done = subprocess.run([TOOL, *arguments], input=stdin, capture_output=True, timeout=120)
    now = snapshot(tmp_path)
    for holder in held.values():
        holder.stdin.close()
        holder.wait(timeout=60)
    said = (done.stdout + done.stderr).decode("utf-8", "replace")
    assert done.returncode == code, said
    assert re.search(message, said, re.M), said
    if after == "unchanged":
        assert now == before
    elif after in ("kept", "restored"):
        # The data files are the backup's ("restored") or as they were
        # ("kept"); the files they replaced are in before-restore-*.
        kept = [n for n in now if re.fullmatch(r"data/before-restore-[-0-9]+", n)]
        assert len(kept) == 1, sorted(now)
        data = {n: v for n, v in now.items() if n.startswith("data/") and "before-restore" not in n}
        old = {n[5:]: v for n, v in before.items() if n.startswith("data/")}
        copies = {n[len(kept[0]) + 1:]: v for n, v in now.items() if n.startswith(kept[0] + "/")}
        assert copies.keys() == old.keys()
        for name in copies:
            if copies[name] != old[name]:  # a journal is kept as a copy through SQLite
                assert name == "larkmoor.3db"
                assert rows(folder / kept[0][5:] / name) == journal_before
        if after == "kept":
            assert {n[5:]: v for n, v in data.items()} == old
        else:
            assert rows(folder / "larkmoor.3db") == rows(tmp_path / "backup" / "larkmoor.3db")
            for name in ("larkmoor.cfg", "larkmoorqtx.txt"):
                assert (folder / name).read_bytes() == (tmp_path / "backup" / name).read_bytes()
                assert data["data/" + name][1] == old[name][1]  # the permissions stay
    else:
        assert after(tmp_path, before, now)
