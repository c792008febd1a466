"""restore beside programs that use the journal: one holding it open in
write-ahead-log mode, and one that saves every 30 ms as Larkmoor saves
(open, insert, close). The restored journal is exactly the backup's, and
every save that was committed is in the restored journal or in the
before-restore folder."""
import pathlib
import sqlite3
import subprocess
import sys
import threading
import time

from tool_support import make_journal, rows, tool, write_settings

# Opens the journal in write-ahead-log mode, commits rows the backup does not
# hold, and keeps the connection open until told to go; then says how many
# rows it sees.
WAL_HOLDER = """
import sqlite3, sys
db = sqlite3.connect(sys.argv[1], isolation_level=None)
assert db.execute("PRAGMA journal_mode=WAL").fetchone()[0] == "wal"
db.execute("PRAGMA wal_autocheckpoint=0")
for n in range(15):
    db.execute("INSERT INTO dbtable VALUES (NULL, '2024-05-05 00:00:00', ?, 'y')", (f"Late {n}",))
print("ready", flush=True)
sys.stdin.readline()
print(db.execute("SELECT count(*) FROM dbtable").fetchone()[0], flush=True)
"""

# Saves as Larkmoor saves, every 30 ms, without waiting for a lock; prints
# the number of each save that was committed.
WRITER = """
import select, sqlite3, sys
path, number = sys.argv[1], 0
while not select.select([sys.stdin], [], [], 0.03)[0]:
    number += 1
    try:
        db = sqlite3.connect(path, timeout=0, isolation_level=None)
        db.execute("INSERT INTO dbtable VALUES (NULL, '2024-06-06 00:00:00', ?, 'z')",
                   (f"Save {number}",))
        db.close()
    except sqlite3.OperationalError:
        continue
    print(number, flush=True)
"""


def backed_up(tmp_path, entries):
    folder = make_journal(tmp_path / "data", [(f"Entry {n}", f"Text {n}") for n in range(entries)])
    write_settings(folder)
    done = tool(folder, "backup", "--to", str(tmp_path / "backups"))
    assert done.returncode == 0, done.stderr
    return folder, pathlib.Path(done.stdout.decode().strip())


def kept_folders(folder):
    return sorted(folder.glob("before-restore-*"))


def test_restore_beside_a_connection_in_write_ahead_log_mode(tmp_path):
    folder, backup = backed_up(tmp_path, 800)
    holder = subprocess.Popen([sys.executable, "-c", WAL_HOLDER, str(folder / "larkmoor.3db")],
                              stdin=subprocess.PIPE, stdout=subprocess.PIPE)
    try:
        assert holder.stdout.readline() == b"ready\n"
        assert (folder / "larkmoor.3db-wal").exists()
        present = rows(folder / "larkmoor.3db")
        assert len(present) == 815
        done = tool(folder, "restore", str(backup))
        assert done.returncode == 0, done.stderr
        holder.stdin.write(b"go\n")
        holder.stdin.flush()
        # The other program sees the restored journal too.
        assert holder.stdout.readline() == b"800\n"
    finally:
        holder.stdin.close()
        holder.wait(timeout=60)
    assert rows(folder / "larkmoor.3db") == rows(backup / "larkmoor.3db")
    [kept] = kept_folders(folder)
    assert rows(kept / "larkmoor.3db") == present


def test_restore_beside_a_writer_that_saves_every_30_ms(tmp_path):
    folder, backup = backed_up(tmp_path, 200)
    saved = rows(backup / "larkmoor.3db")
    writer = subprocess.Popen([sys.executable, "-c", WRITER, str(folder / "larkmoor.3db")],
                              stdin=subprocess.PIPE, stdout=subprocess.PIPE)
    committed = []
    reader = threading.Thread(target=lambda: committed.extend(int(n) for n in writer.stdout))
    reader.start()

    def saves_beyond(count):
        deadline = time.monotonic() + 60
        while len(committed) <= count and time.monotonic() < deadline:
            time.sleep(0.01)
        return len(committed) > count

    try:
        # Saves before, between and after the restores.
        for _ in range(4):
            assert saves_beyond(len(committed) + 3)
            done = tool(folder, "restore", str(backup))
            assert done.returncode == 0, done.stderr
        assert saves_beyond(len(committed) + 3)
    finally:
        writer.stdin.close()
        reader.join(timeout=60)
        writer.wait(timeout=60)
    final = rows(folder / "larkmoor.3db")
    # The backup's rows, then only saves made after the last restore.
    assert final[:len(saved)] == saved
    assert len(final) > len(saved) and all(row[2].startswith(b"Save ") for row in final[len(saved):])
    found = set()
    for journal in [folder] + kept_folders(folder):
        found |= {int(row[2][5:]) for row in rows(journal / "larkmoor.3db")
                  if row[2].startswith(b"Save ")}
    assert set(committed) <= found, sorted(set(committed) - found)
    assert len(kept_folders(folder)) == 4
