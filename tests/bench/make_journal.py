#!/usr/bin/env python3
"""Writes seeded journal databases for the benchmark, in the program's format.

The file holds the one table the program creates, with rows as the program
writes them: a timestamp text, the subject's bytes as typed (Western code
page, not UTF-8) and the entry text XOR-ed with 0xA5, both stored as TEXT
values byte for byte. The same seed and size always give the same rows.

Subjects look like a person's: mostly capitalised phrases, some typed in
lower case or capitals, apostrophes and a few accented letters, and a share
of recurring subjects ("Ideas", "Meeting notes", ...) in several letter cases.
The word "Jazz" stands in about one subject in a hundred and is the only
vocabulary word containing "jaz", so searching for "jaz" finds about 1%.

Usage: make_journal.py OUT.3db ENTRIES [--seed N] [--delete-half] [--info OUT.json]
"""
import argparse
import json
import os
import random
import sqlite3
import sys

CREATE = "CREATE TABLE dbtable (a integer primary key, dbdate text, dbsubject text, dbentry blob)"
SCRAMBLE_KEY = 0xA5
SEARCH_TEXT = "jaz"
SEARCH_SHARE = 0.01

NOUNS = """garden novel recipe trip budget dream project book song plans notes workshop sketch
letter birthday holiday kitchen bicycle chapter poem lecture interview podcast painting
market house roof boat camera lesson exam course piano guitar sermon speech essay thesis
article blog newsletter website app game puzzle tournament race marathon hike picnic
festival concert play film series gift wedding party dinner breakfast lunch soup bread
cake pie salad orchard meadow forest river lake mountain village city street office
studio library museum gallery theatre station harbour island coast desert valley
chimney fence shed greenhouse beehive chicken goat horse dog cat parrot aquarium
invention gadget robot engine circuit telescope microscope lantern clock compass map
calendar diary ledger invoice contract proposal pitch startup shop stall brand logo
slogan chorus melody rhythm lyric verse story fable legend myth riddle joke cartoon
comic portrait landscape mural sculpture pottery quilt scarf sweater jacket hat shoes
fountain bridge tower castle cottage cabin tent caravan train tram ferry flight
""".split()

ADJECTIVES = """new old quick slow bright dark quiet loud small big strange simple clever
odd early late rainy sunny cold warm green blue red golden silver wooden paper
secret public private open hidden lost found better second third final rough
spring summer autumn winter weekend morning evening midnight lazy busy happy
""".split()

NAMES = """Anna Ben Clara David Emma Felix Grace Henry Iris Jonas Karin Leo Maria Nils
Olga Paul Rosa Sam Tessa Ulrich Vera Walter Yusuf Zoe Agnes Bruno Carmen Dmitri
Elif Frank""".split()

# Western code page spellings: bytes 0xE9, 0xE8, 0xFC, 0xF6, 0xE7, 0xF1.
ACCENTED = [b"Caf\xe9", b"R\xe9sum\xe9", b"Cr\xe8me", b"M\xfcnchen", b"K\xf6ln", b"Fa\xe7ade",
            b"Espa\xf1a", b"\xc9cole", b"d\xe9j\xe0 vu", b"na\xefve"]

RECURRING = ["Ideas", "Notes", "To do", "Dream", "Meeting notes", "Shopping list",
             "Book ideas", "Gift ideas", "Garden plans", "Random thoughts", "Quote",
             "Weekly review", "Goals", "Questions", "Project ideas", "Call notes",
             "Reading list", "Morning pages", "Plans", "Thoughts"]

ENTRY_WORDS = """the a an and or but of to in on at for with from by about as into like
through after over between out against during without before under around among
idea thought plan note draft step list question answer reason way time day week
year people thing place work home hand part life world story book song picture
make write try think remember start finish change keep find use build test read
good new first last long great little own other old right big high different small
maybe perhaps later tomorrow today yesterday again still already soon never always
could should would might must will can need want like love hate wonder hope fear
""".split()


def scramble(data: bytes) -> bytes:
    return bytes(b ^ SCRAMBLE_KEY for b in data)


def write_journal(path, rows):
    """Creates the program's table holding the rows (date, subject bytes, text
    bytes), the text scrambled; gives the open connection. Blob parameters
    cast to TEXT keep their bytes: the stored values are text values holding
    exactly the program's bytes, as its statements' string literals give."""
    connection = sqlite3.connect(path)
    connection.execute(CREATE)
    connection.executemany(
        "INSERT INTO dbtable (a, dbdate, dbsubject, dbentry) "
        "VALUES (NULL, ?, CAST(? AS TEXT), CAST(? AS TEXT))",
        [(date, subject, scramble(text)) for date, subject, text in rows])
    connection.commit()
    return connection


def cased(rng, text: str) -> str:
    roll = rng.random()
    if roll < 0.20:
        return text.lower()
    if roll < 0.23:
        return text.upper()
    if roll < 0.40:
        return " ".join(w[:1].upper() + w[1:] for w in text.split(" "))
    return text[:1].upper() + text[1:]


def make_subject(rng) -> bytes:
    roll = rng.random()
    if roll < SEARCH_SHARE:
        text = rng.choice(["Jazz", "jazz night", "Jazz club with {n}", "{a} jazz",
                           "Notes on jazz {o}", "Jazz chords"])
    elif roll < 0.09:
        base = rng.choice(RECURRING)
        # Recurring subjects are mostly typed the same way, sometimes not.
        return cased(rng, base).encode("cp1252") if rng.random() < 0.3 else base.encode("cp1252")
    elif roll < 0.11:
        word = rng.choice(ACCENTED)
        tail = rng.choice(["{o}", "{a} {o}", "ideas", "trip", "notes"])
        tail = cased(rng, tail.format(o=rng.choice(NOUNS), a=rng.choice(ADJECTIVES)))
        return word + b" " + tail.encode("cp1252")
    else:
        text = rng.choice([
            "{a} {o}", "{o} ideas", "{o} for {n}", "thoughts on the {o}", "{n}'s {o}",
            "{o} and {o2}", "the {a} {o}", "{o} {k}", "{a} {o} notes", "call with {n}",
            "how to fix the {o}", "{o} - {a} version", "{o} #{k}", "what if the {o} was {a}",
            "{o}", "{o} {o2} {o3}", "it's a {a} {o}", "list: {o}, {o2}, {o3}",
        ])
    text = text.format(a=rng.choice(ADJECTIVES), o=rng.choice(NOUNS), o2=rng.choice(NOUNS),
                       o3=rng.choice(NOUNS), n=rng.choice(NAMES), k=rng.randint(1, 400))
    text = cased(rng, text)
    # Now and then a longer subject, up to a few hundred characters.
    if rng.random() < 0.01:
        text += " " + " ".join(rng.choice(ENTRY_WORDS) for _ in range(rng.randint(10, 60)))
    return text.encode("cp1252")


def make_entry(rng) -> bytes:
    # Mostly a paragraph or two, sometimes a long page; never the byte 0xA5,
    # which the program cannot store scrambled.
    words = int(rng.lognormvariate(4.0, 0.8)) + 3
    words = min(words, 4000)
    sentences = []
    count = 0
    while count < words:
        length = rng.randint(4, 16)
        sentence = " ".join(rng.choice(ENTRY_WORDS) for _ in range(length))
        sentences.append(sentence[:1].upper() + sentence[1:] + rng.choice([".", ".", "!", "?"]))
        count += length
    text = " ".join(sentences)
    if rng.random() < 0.3:
        text = text.replace(". ", ".\r\n", rng.randint(1, 4))
    return text.encode("cp1252")


def like_matches(subject: bytes, text: str) -> bool:
    # LIKE '%text%' for an ASCII search text: case-blind for ASCII letters only.
    folded = bytes(b + 32 if 65 <= b <= 90 else b for b in subject)
    return text.lower().encode() in folded


def timestamp(seconds: int) -> str:
    import datetime
    moment = datetime.datetime(2016, 1, 1) + datetime.timedelta(seconds=seconds)
    return moment.strftime("%Y-%m-%d %H:%M:%S")


def main() -> int:
    parser = argparse.ArgumentParser()
    parser.add_argument("out")
    parser.add_argument("entries", type=int)
    parser.add_argument("--seed", type=int, default=7)
    parser.add_argument("--delete-half", action="store_true",
                        help="then delete a seeded half of the records (no compaction)")
    parser.add_argument("--info", help="write facts about the rows as JSON here")
    args = parser.parse_args()

    rng = random.Random(args.seed * 1_000_003 + args.entries)
    if os.path.exists(args.out):
        os.remove(args.out)
    rows = []
    moment = 0
    step = max(1, (10 * 365 * 86400) // max(1, args.entries))
    for _ in range(args.entries):
        moment += rng.randint(1, 2 * step)
        subject = make_subject(rng)[:779]
        rows.append((timestamp(moment), subject, make_entry(rng)[:32766]))
    connection = write_journal(args.out, rows)
    if args.delete_half:
        numbers = list(range(1, args.entries + 1))
        doomed = rng.sample(numbers, args.entries // 2)
        connection.executemany("DELETE FROM dbtable WHERE a = ?", [(n,) for n in doomed])
        connection.commit()

    connection.text_factory = bytes
    kinds = connection.execute(
        "SELECT DISTINCT typeof(dbdate), typeof(dbsubject), typeof(dbentry) FROM dbtable").fetchall()
    assert kinds == [(b"text", b"text", b"text")] or not kinds, kinds
    subjects = [row[0] for row in connection.execute("SELECT dbsubject FROM dbtable")]
    sample = connection.execute("SELECT dbsubject FROM dbtable WHERE a = 1").fetchone()
    if sample is not None:
        assert sample[0] == rows[0][1] or args.delete_half, (sample, rows[0][1])
    connection.close()

    matches = sum(1 for s in subjects if like_matches(s, SEARCH_TEXT))
    info = {
        "entries": len(subjects),
        "seed": args.seed,
        "search_text": SEARCH_TEXT,
        "search_matches": matches,
        "distinct_subjects": len(set(subjects)),
        "file_bytes": os.path.getsize(args.out),
    }
    if args.info:
        with open(args.info, "w") as out:
            json.dump(info, out)
    print(json.dumps(info))
    return 0


if __name__ == "__main__":
    sys.exit(main())
