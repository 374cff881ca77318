#!/usr/bin/env python3
"""Checks the bundled installation folder: encodings and line ends, the stock in
main.dat (canonical names in the value categories, known categories, no doubles),
the dictionary, the icons and the help files.  Usage: check_data.py [data folder]
Prints one line per finding and exits with 1 when anything is wrong."""
import os
import re
import struct
import sys
from fractions import Fraction

sys.dont_write_bytecode = True  # keep the source folder clean
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import nominal  # noqa: E402

HELP_FILES = ["mission.txt", "functions.txt", "history.txt", "adding.txt", "deleting.txt",
              "shift.txt", "search.txt", "bin.txt", "settings.txt", "newtype.txt",
              "vocabulary.txt", "mybase.txt", "saving.txt", "reference.txt"]
HELP_WIDTH = 60
UNIT_WORDS = ["E", "e", "Е", "е", "K", "k", "К", "к", "M", "m", "М", "м",
              "пф", "ПФ", "пФ", "нф", "НФ", "нФ", "мкф", "МКФ", "мкФ"]

problems = []

# The reference book the program carries, to hold the stock's descriptions against.
BOOK = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "resources", "reference")
DIODES, ZENERS = 8, 9
FIGURE = re.compile(r"(\d+(?:,\d+)?)\s*(мА|Вт|В|А)(?![А-Яа-яЁё])")


def fail(msg):
    problems.append(msg)
    print("FAIL", msg)


def read_lines(path):
    """Code page 1251 text with CR LF everywhere; returns the lines."""
    raw = open(path, "rb").read()
    if b"\x1a" in raw:
        fail(f"{path}: holds the byte 0x1A, which ends reading early")
    body = raw[:-2] if raw.endswith(b"\r\n") else raw
    if raw and not raw.endswith(b"\r\n"):
        fail(f"{path}: last line has no CR LF")
    if b"\n" in raw.replace(b"\r\n", b"") or b"\r" in raw.replace(b"\r\n", b""):
        fail(f"{path}: a CR or LF that is not part of CR LF")
    try:
        text = body.decode("cp1251")
    except UnicodeDecodeError as e:
        fail(f"{path}: not code page 1251: {e}")
        return []
    return text.split("\r\n") if raw else []


def self_test():
    """The band rules must reproduce the known cases before the stock is judged."""
    cases = [(2, "4,7k", "4,7К"), (2, "1000E", "1К"), (5, "1нф", "1000пф"),
             (5, "10000пф", "10нф"), (5, "150нф", "0,15мкф"), (5, "100нф", "100нф"),
             (5, "0,1мкф", "0,1мкф"), (2, "4K7", nominal.AGAIN), (1, "1,5 K", nominal.AGAIN),
             (5, "100Нф", nominal.AGAIN), (2, "999е", "999е"), (2, "1,5М", "1,5М")]
    for cat, name, want in cases:
        got = nominal.canonical(cat, name)
        if got != want:
            fail(f"band rules: {name} in category {cat} gives {got}, expected {want}")
    shown = {Fraction(4700): "4,7К", Fraction(1000): "1К", Fraction(999): "999е",
             nominal.dbl(Fraction(1, 10)): "0,1е", Fraction(0): nominal.AGAIN,
             Fraction(1500000): "1,5М"}
    for value, want in shown.items():
        if nominal.show(value) != want:
            fail(f"band rules: {float(value)} shows as {nominal.show(value)}, expected {want}")
    cases = [(DIODES, "КД208А", "100В 1,5А", 1), (DIODES, "КД208А", "100В 1А", 0),
             (DIODES, "КД102А", "250В 0,1А", 0), (DIODES, "КД102А", "250В 100мА", 0),
             (DIODES, "КД410А", "1000В", 1), (DIODES, "Д226Б", "400В 0,3А", 2),
             (DIODES, "1N4007", "1000В 1А", 2), (ZENERS, "Д814А", "8В", 0),
             (ZENERS, "Д815А", "5,6В 8Вт", 0), (ZENERS, "КС512А", "12В 2Вт", 1),
             (DIODES, "КД522Б", "импульсный", 0)]
    for cat, name, desc, want in cases:
        got = figure_problems(cat, name, desc, PARAMS, PARAMS2)
        if len(got) != want:
            fail(f"book check: {name} «{desc}» gives {len(got)} finding(s), expected {want}: {got}")
    if not nominal.read(5, "100нф") < nominal.ext(Fraction(1, 10 ** 7)) <= nominal.read(5, "0,1мкф"):
        fail("band rules: 100нф and 0,1мкф do not straddle the extended 10^-7 threshold")


def book_table(name, first):
    """Records of one reference table as lists of fields (the filler line has none)."""
    lines = open(os.path.join(BOOK, name + ".txt"), "rb").read().decode("cp1251").split("\r\n")
    return [l.split("@")[:-1] for l in lines[first:] if l not in ("", " ")]


def book_record(table, name):
    """What the reference window shows for a part: the first record whose key holds the name."""
    for rec in table:
        if len(name) <= len(rec[0]) and name in rec[0]:
            return rec
    return None


def quantity(text, unit_of_bare):
    """A field as a number in the column's unit; None for «н/д» and words."""
    m = re.match(r"^\s*(\d+(?:[.,]\d+)?)\s*(мА|А|Вт|В)?\s*$", text)
    if not m:
        return None
    v = float(m.group(1).replace(",", "."))
    return v / 1000 if m.group(2) == "мА" else v


def figure_problems(cat, name, desc, params, params2):
    """Figures in a diode's or zener's description that the reference book does not
    give for what it shows for that part."""
    found = []
    for number, unit in FIGURE.findall(desc):
        value = float(number.replace(",", "."))
        table = params if cat == DIODES else params2
        column = {(DIODES, "В"): 1, (DIODES, "А"): 2, (DIODES, "мА"): 2,
                  (ZENERS, "В"): 2, (ZENERS, "Вт"): 7}.get((cat, unit))
        rec = book_record(table, name)
        what = f"{name} «{desc}»: {number}{unit}"
        if rec is None:
            found.append(f"{what}, the reference book has no record for {name}")
        elif column is None or column >= len(rec) - 1:
            found.append(f"{what}, the reference book gives no such figure")
        else:
            book = quantity(rec[column], None)
            want = value / 1000 if unit == "мА" else value
            if book is None or abs(book - want) > 1e-9:
                found.append(f"{what}, the reference book shows {rec[0]} with {rec[column]}")
    return found


PARAMS = book_table("params", 6)
PARAMS2 = book_table("params2", 12)


def check_stock(folder, categories):
    lines = read_lines(os.path.join(folder, "main.dat"))
    seen = {}
    count = 0
    per_cat = {}
    for no, line in enumerate(lines, 1):
        where = f"main.dat line {no}"
        if len(line.encode("cp1251")) < 7:
            fail(f"{where}: shorter than 7 bytes, the program would skip it")
            continue
        parts = line.split("\x01")
        if len(parts) != 4:
            fail(f"{where}: {len(parts) - 1} separators instead of 3")
            continue
        cat_text, name, qty_text, desc = parts
        if not cat_text.isdigit() or str(int(cat_text)) != cat_text:
            fail(f"{where}: category {cat_text!r} is not a plain decimal number")
            continue
        if not qty_text.isdigit() or not 1 <= int(qty_text) <= 65535:
            fail(f"{where}: quantity {qty_text!r} is not within 1..65535")
        cat = int(cat_text)
        if cat >= len(categories):
            fail(f"{where}: category {cat} is not in components.lst ({len(categories)} lines)")
        elif cat == 0:
            fail(f"{where}: category 0 is the 'all categories' entry, not a shelf")
        if name == "":
            fail(f"{where}: empty name")
        if desc == "":
            fail(f"{where}: empty description (the program stores a blank instead)")
        if 1 <= cat <= 6:
            try:
                if not nominal.is_fixed_point(cat, name):
                    fail(f"{where}: {name} in category {cat} is not canonical: "
                         f"the program writes {nominal.canonical(cat, name)}")
            except nominal.NotANumber:
                fail(f"{where}: {name} has more than one comma")
        elif 7 == cat and nominal.read(cat, name) == 0:
            fail(f"{where}: {name} in category 7 has no value, it would sort first")
        if cat in (DIODES, ZENERS):
            for p in figure_problems(cat, name, desc, PARAMS, PARAMS2):
                fail(f"{where}: {p}")
        key = (cat, name, desc)
        if key in seen:
            fail(f"{where}: same category, name and description as line {seen[key]}")
        seen[key] = no
        count += 1
        per_cat[cat] = per_cat.get(cat, 0) + 1
    return count, per_cat, sum(int(l.split("\x01")[2]) for l in lines if l.count("\x01") == 3)


def check_dictionary(folder, categories):
    lines = read_lines(os.path.join(folder, "strings.dat"))
    if len(lines) > 100:
        fail(f"strings.dat: {len(lines)} lines, only 100 are read")
    empty = [i for i, l in enumerate(lines) if l == ""]
    if len(empty) != 1:
        fail(f"strings.dat: {len(empty)} empty lines, exactly one is wanted")
    elif empty[0] >= len(categories):
        fail(f"strings.dat: the empty line {empty[0] + 1} names no category")
    for i, l in enumerate(lines, 1):
        if l.startswith(" ") or "  " in l:
            fail(f"strings.dat line {i}: an empty word, it would match almost every name")
        for w in l.split():
            if any("0" <= c <= "9" for c in w) and not w.isdigit():
                fail(f"strings.dat line {i}: word {w} mixes digits in, it can never match")
    for w in UNIT_WORDS:
        where = [i + 1 for i, l in enumerate(lines) if w in l.split()]
        if len(where) != 1:
            fail(f"strings.dat: unit word {w} on lines {where}, wanted on exactly one")
    expected = {"4,7К": 2, "100е": 2, "1М": 2, "100нф": 4, "0,47мкф": 4, "4700пф": 4,
                "100п": 4, "КТ315Б": 11, "КТ315Д": 11, "КТ361Г": 11, "МП42Б": 11,
                "КП303Е": 12, "IRF540N": 12, "К155ЛА3": 13, "К561ТМ2": 13,
                "SN74LS00N": 13, "КР580ВМ80А": 13, "К140УД7": 14, "КР142ЕН5А": 14,
                "NE555": 14, "Д9Б": 8, "КД522Б": 8, "Д9Е": 8, "КЦ405А": 8,
                "КС191Ж": 9, "КС156А": 9, "АЛ307Б": 10, "АЛ307Д": 10,
                "4МГц": 15, "470": 15}
    for name, want in expected.items():
        got = nominal.guess(lines, name)
        if got != want:
            fail(f"strings.dat: {name} is recognised as category {got}, expected {want}")
    return lines


def check_icons(folder, categories):
    for n in range(len(categories)):
        path = os.path.join(folder, "bmp", f"{n:02d}.bmp")
        if not os.path.exists(path):
            fail(f"{path}: missing, icons after it would not load")
            continue
        raw = open(path, "rb").read()
        if raw[:2] != b"BM" or len(raw) < 54:
            fail(f"{path}: not a BMP")
            continue
        offset, = struct.unpack_from("<I", raw, 10)
        hsize, w, h, planes, bpp, comp = struct.unpack_from("<IiiHHI", raw, 14)
        if (hsize, w, h, planes, bpp, comp) != (40, 16, 16, 1, 24, 0):
            fail(f"{path}: header {hsize},{w}x{h},{bpp} bpp, compression {comp}")
            continue
        stride = 48
        # bottom-up: the first stored row is the bottom one, the key pixel is its last
        pixel = lambda x, y: raw[offset + (15 - y) * stride + 3 * x: offset + (15 - y) * stride + 3 * x + 3]
        key = pixel(15, 15)
        corners = [pixel(0, 0), pixel(15, 0), pixel(0, 15)]
        if key not in corners:
            fail(f"{path}: the key colour of the bottom-right pixel is not the background")
        used = sum(1 for y in range(16) for x in range(16) if pixel(x, y) != key)
        if used < 20:
            fail(f"{path}: only {used} pixels drawn")
    extra = os.path.join(folder, "bmp", f"{len(categories):02d}.bmp")
    if os.path.exists(extra):
        fail(f"{extra}: an icon for a category that does not exist")


def check_help(folder):
    for name in HELP_FILES:
        path = os.path.join(folder, "txt", name)
        if not os.path.exists(path):
            fail(f"{path}: missing")
            continue
        lines = read_lines(path)
        if len(lines) < 5:
            fail(f"{path}: only {len(lines)} lines")
        for no, l in enumerate(lines, 1):
            if len(l) > HELP_WIDTH:
                fail(f"{path} line {no}: {len(l)} characters, the help pane is narrow")


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        os.path.dirname(os.path.abspath(__file__)), "..", "..", "data")
    self_test()
    categories = read_lines(os.path.join(folder, "components.lst"))
    if not 12 <= len(categories) <= 256:
        fail(f"components.lst: {len(categories)} categories")
    count, per_cat, total = check_stock(folder, categories)
    check_dictionary(folder, categories)
    check_icons(folder, categories)
    check_help(folder)
    for name in os.listdir(folder):
        if name not in ("main.dat", "strings.dat", "components.lst", "bmp", "txt", "kicad"):
            fail(f"{folder}/{name}: not part of an installation folder")
    print(f"categories: {len(categories)}; records: {count}; parts: {total}")
    print("records per category: " + ", ".join(f"{c}:{per_cat[c]}" for c in sorted(per_cat)))
    if problems:
        print(f"{len(problems)} problem(s)")
        return 1
    print("all checks passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
