#!/usr/bin/env python3
"""Consistency check of the three reference tables and the drawing catalogue.

Usage: check.py [path/to/description.md]
Without the description file the key lists and the quoted records are not compared.
Prints one line per check and exits non-zero when anything fails.
"""
import os, re, sys, subprocess

HERE = os.path.dirname(os.path.abspath(__file__))
REF = os.path.dirname(HERE)
ROOT = os.path.dirname(REF)
SEP = "@"
NODATA = "н/д"
failures = []

def check(ok, what):
    print(("ok   " if ok else "FAIL ") + what)
    if not ok:
        failures.append(what)

# ---- raw file form -------------------------------------------------------
EXPECT = {"marking": (173, 5, 5), "params": (133, 6, 6), "params2": (143, 12, 12)}
tables = {}
for name, (nlines, ntitles, nfields) in EXPECT.items():
    raw = open(os.path.join(REF, name + ".txt"), "rb").read()
    check(raw.endswith(b"\r\n"), f"{name}: ends with CR LF")
    body = raw[:-2] if raw.endswith(b"\r\n") else raw
    parts = body.split(b"\r\n")
    check(all(b"\r" not in p and b"\n" not in p for p in parts), f"{name}: no line end other than CR LF")
    check(len(parts) == nlines, f"{name}: {len(parts)} lines, expected {nlines}")
    try:
        lines = [p.decode("cp1251", errors="strict") for p in parts]
        ok = True
    except UnicodeDecodeError as e:
        ok, lines = False, [p.decode("cp1251", errors="replace") for p in parts]
    check(ok, f"{name}: decodes as cp1251")
    src = open(os.path.join(HERE, name + ".u8"), encoding="utf-8").read()
    check(src.endswith("\n") and src[:-1].split("\n") == lines, f"{name}: equals its UTF-8 source")
    tables[name] = lines

m, p1, p2 = tables["marking"], tables["params"], tables["params2"]

# ---- titles ----------------------------------------------------------------
T1 = ["Тип диода", "Цвет корпуса или метка на корпусе", "Метка у анода  (+)" + " " * 34,
      "Метка у катода  (-)", "Рис." + " " * 29]
T2 = ["Тип диода", "Uобр (имп) В" + " " * 4, "I пр max (имп) А", "Iобр max, мкА", "fд max", "рис." + " " * 8]
T3 = ["Тип", "Uст, В мин.", "Uст, В ном.", "Uст, В макс.", "при Iст, мА", "Icт, мА мин.", "Icт, мА макс.",
      "Pмакс, Вт", "Rст 0м", "при Icт, мА", "dU/C, %", "рис."]
check(m[:5] == T1, "marking: title lines")
check(p1[:6] == T2, "params: title lines")
check(p2[:12] == T3, "params2: title lines")
# letters that must be Latin (the rest Cyrillic): U I P R d C f max and the c of "Icт"
def latin(s): return "".join(c for c in s if c.isascii() and c.isalpha())
check([latin(t) for t in p1[:6]] == ["", "U", "Imax", "Imax", "fmax", ""], "params: Latin letters in titles")
check([latin(t) for t in p2[:12]] == ["", "U", "U", "U", "I", "Ic", "Ic", "P", "R", "Ic", "dUC", ""],
      "params2: Latin letters in titles")
check(p2[8] == "Rст 0м" and p2[8][4] == "0", "params2: \"0м\" begins with a digit zero")

# ---- records ---------------------------------------------------------------
def key(line):
    if line in ("", " "):
        return None
    return line.split(SEP, 1)[0]

def fields(line):
    return line.split(SEP)[:-1]

recs = {"marking": m[5:], "params": p1[6:132], "params2": p2[12:]}
check(p1[132] == " ", "params: line 132 is the filler \" \"")
for name, lines in recs.items():
    check(all(l.endswith(SEP) for l in lines), f"{name}: every record ends with the separator")
    check(all(l.strip() != "" for l in lines), f"{name}: no filler line among the records")

exceptions = {("marking", "КС191Ж"): 4, ("params2", "КС191М"): 11}
for name, lines in recs.items():
    bad = []
    for l in lines:
        want = exceptions.get((name, key(l)), EXPECT[name][2])
        if len(fields(l)) != want or l.count(SEP) != want:
            bad.append(l)
    check(not bad, f"{name}: field counts ({EXPECT[name][2]} each" +
          {"marking": ", КС191Ж 4)", "params": ")", "params2": ", КС191М 11)"}[name] +
          ("" if not bad else f" bad: {bad[:3]}"))
    check(all(f != "" for l in lines for f in fields(l)), f"{name}: no empty field")

# drawing numbers
def cut(s):
    return re.split(r"[,.]", s, 1)[0]
FRAMES = {"marking": 47, "params": 26, "params2": 32}
for name, lines in recs.items():
    bad = []
    for l in lines:
        last = fields(l)[-1]
        num = last if name == "marking" else cut(last)
        if not (num.isdigit() and num[0] != "0" and 1 <= int(num) <= FRAMES[name]):
            bad.append(l)
        if name == "marking" and not last.isdigit():
            bad.append(l)
    check(not bad, f"{name}: drawing numbers 1..{FRAMES[name]}" + ("" if not bad else f" bad: {bad[:3]}"))
used_notations = {fields(l)[-1] for n in ("params", "params2") for l in recs[n]}
for nt in ["6,12", "27.1", "27,2", "27.2", "27.3", "27.Э", "31.28", "32.30"]:
    check(nt in used_notations, f"drawing notation {nt!r} occurs")

# repeated keys
from collections import Counter
c1 = Counter(key(l) for l in recs["marking"])
rep1 = {k for k, n in c1.items() if n > 1}
want_rep1 = {"КД208А", "КД209А", "КД209Б", "КД209В", "КД209Г", "КД247Б",
             "Д814А1", "Д814Б1", "Д814В1", "Д814Г1", "Д814Д1"}
check(rep1 == want_rep1 and all(c1[k] == 2 for k in rep1), "marking: repeated keys are exactly the listed pairs")
check(all(len({tuple(fields(l)[1:]) for l in recs["marking"] if key(l) == k}) == 2 for k in want_rep1),
      "marking: the records of each pair differ")
c2 = Counter(key(l) for l in recs["params"])
check({k for k, n in c2.items() if n > 1} == {"КД503А"} and c2["КД503А"] == 2, "params: only КД503А repeats")
check(len({l for l in recs["params"] if key(l) == "КД503А"}) == 1, "params: the two КД503А records are identical")
c3 = Counter(key(l) for l in recs["params2"])
check(all(n == 1 for n in c3.values()), "params2: no key repeats")

# key spelling
allkeys = [key(l) for n in recs for l in recs[n]]
def nonstd(k):  # characters that are neither Cyrillic letters nor digits
    return [c for c in k if not ("\u0410" <= c <= "\u044f" or c == "ё" or c.isdigit())]
odd = {k: "".join(nonstd(k)) for k in allkeys if nonstd(k)}
check(odd == {" 2С107А": " ", "КС 156А": " ", "КС 168В": " ", "КC508В": "C", "КC508Д": "C",
              "1N4148": "N", "КС568В(2)": "()"}, f"keys: blanks and Latin letters only where intended ({odd})")
def zener(k): return k.lstrip().startswith(("Д8", "КС", "КC", "2С"))
check(m[83] == "Д814А1@-@-@чёрное широкое кольцо@26@" and not any(zener(key(l)) for l in m[5:83])
      and all(zener(key(l)) for l in m[83:]), "marking: diodes on lines 5-82, zener diodes from line 83 on")

# ---- lookup cases ----------------------------------------------------------
def first(lines, start, text):
    for i in range(start, len(lines)):
        k = key(lines[i])
        if k is not None and len(text) <= len(k) and text in k:
            return i
    return None
def last_field(lines, i): return fields(lines[i])[-1]
i = first(m, 5, "Д9Б"); j = first(p1, 6, "Д9Б")
check(i == 5 and last_field(m, i) == "1" and j == 6 and last_field(p1, j) == "3", "lookup Д9Б: marking 1, params 3")
check(first(m, 5, "") == 5 and first(p1, 6, "") == 6, "lookup of an empty text: first records")
check(first(m, 5, "Д9") == 5 and first(p1, 6, "Д9") == 6, "lookup Д9: Д9Б in both tables")
i = first(m, 5, "Д814А1"); k = first(p2, 12, "Д814А1")
check(i == 83 and last_field(m, i) == "26" and first(p1, 6, "Д814А1") is None and k == 12
      and last_field(p2, k) == "27.1", "lookup Д814А1: marking line 83 drawing 26, zener 27.1")
i = first(m, 5, "КС191Ж"); k = first(p2, 12, "КС191Ж")
check(i is not None and len(fields(m[i])) == 4 and last_field(m, i) == "38" and first(p1, 6, "КС191Ж") is None
      and k is not None and last_field(p2, k) == "1", "lookup КС191Ж: marking 38 (4 fields), zener drawing 1")
check(first(m, 5, "1N4148") is not None and first(p1, 6, "1N4148") is None and first(p2, 12, "1N4148") is None,
      "lookup 1N4148: table 1 only")
i = first(m, 5, "КД906"); j = first(p1, 6, "КД906")
check(i is not None and key(m[i]) == "КД906" and j is not None and key(p1[j]) == "КД906А", "lookup КД906")
check(first(m, 5, "КС508В") is None and key(p2[first(p2, 12, "КС508В")]) == "КС508В",
      "lookup КС508В (Cyrillic С): only table 3")
check(key(p2[first(p2, 12, "КС 168В")]) == "КС 168В", "key КС 168В keeps its blank")
check(all(first(t, s, "Ж" * 12) is None for t, s in ((m, 5), (p1, 6), (p2, 12))), "longer text than every key: no hit")

# type list of the reference window: 168 + 63 + 67 = 298 items
items = [key(l) for l in m[5:]]
new2 = [k for k in (key(l) for l in p1[6:]) if k is not None and k not in items and not items.append(k)]
new3 = [k for k in (key(l) for l in p2[12:]) if k is not None and k not in items and not items.append(k)]
check((len(new2), len(new3), len(items)) == (63, 67, 298), f"type list: 168 + {len(new2)} + {len(new3)} = {len(items)}")

# ---- against the description (keys in order, quoted records) -------------
if len(sys.argv) > 1:
    d = open(sys.argv[1], encoding="utf-8").read()
    for n, name, lines in ((1, "marking", recs["marking"]), (2, "params", recs["params"]),
                           (3, "params2", recs["params2"])):
        mt = re.search(r"^Table %d \((\d+) records[^)]*\): (.*)\.$" % n, d, re.M)
        listed = [k.strip() for k in mt.group(2).split(", ")]
        if n == 1:
            listed = [" 2С107А" if k == "2С107А" else k for k in listed]
        check(len(listed) == int(mt.group(1)) and [key(l) for l in lines] == listed,
              f"{name}: keys in the listed order ({len(listed)})")
    tr = d[d.find("*Telling records, whole.*"):]
    tr = tr[:tr.find("*Column widths.*")]
    quoted = re.findall(r"^- Table (\d)[^\n]*?: \"([^\n]*@)\"\.?$", tr, re.M)
    check(len(quoted) == 9, f"quoted records found: {len(quoted)}")
    byname = {"1": m, "2": p1, "3": p2}
    for t, q in quoted:
        check(q in byname[t], f"table {t} holds {q!r} byte-exact")
    check(m[5] == "Д9Б@-@красное кольцо@-@1@" and p1[6] == "Д9Б@10@90 мА@250@100@3@" and
          p2[12] == "Д814А1@7@8.0@8,5@5@3@40@0,34@6@5@+0,07@27.1@", "quoted first records are first")

# ---- drawing catalogue -----------------------------------------------------
cat = [l.split("\t") for l in open(os.path.join(ROOT, "drawings", "catalogue.tsv"), encoding="utf-8").read().splitlines()]
head, rows = cat[0], cat[1:]
check(len(head) == 10 and all(len(r) == 10 for r in rows), "catalogue: 10 columns in every row")
mk = {int(r[1]): (int(r[2]), int(r[3])) for r in rows if r[0] == "marking"}
pk = {int(r[1]): (int(r[2]), int(r[3])) for r in rows if r[0] == "package"}
check(sorted(mk) == list(range(1, 48)) and sorted(pk) == list(range(1, 33)), "catalogue: 47 marking and 32 package frames")
check(all((15 <= w <= 26 and 94 <= h <= 122) or n == 23 for n, (w, h) in mk.items()) and mk[23] == (49, 78)
      and mk[1] == (20, 112), "catalogue: marking frame sizes")
check(max(w for w, h in mk.values()) == 49 and max(h for w, h in mk.values()) == 122, "catalogue: marking screen 49 x 122")
check(all(101 <= w <= 284 and 74 <= h <= 200 for w, h in pk.values()) and pk[1] == (140, 121) and pk[3] == (150, 123)
      and pk[5] == (105, 87) and pk[30] == (203, 200), "catalogue: package frame sizes")
check(max(w for w, h in pk.values()) == 284 and max(h for w, h in pk.values()) == 200, "catalogue: package screen 284 x 200")

# ---- «н/д» count -----------------------------------------------------------
total = 0
for name, lines in recs.items():
    n = sum(1 for l in lines for f in fields(l) if f.startswith(NODATA))
    total += n
    cells = sum(len(fields(l)) - 2 for l in lines)
    print(f"info {name}: {n} fields «н/д» of {cells} value fields")
print(f"info all tables: {total} fields «н/д»")

# ---- basis of the figures (checked in full by the reference test) ---------
basis = [l.split("\t") for l in open(os.path.join(REF, "basis.tsv"), encoding="utf-8").read().splitlines()[1:]]
filled = {(name, i, c) for name, lines in (("marking", m), ("params", p1), ("params2", p2))
          for i in range(EXPECT[name][1], len(lines)) if key(lines[i]) is not None
          for c, f in enumerate(fields(lines[i])[1:-1], 2) if not f.startswith(NODATA)}
recorded = {(b[0], int(b[1]), int(b[3])) for b in basis}
check(recorded == filled and len(basis) == len(filled), f"basis.tsv: one basis for each of the {len(filled)} filled fields")
kinds = Counter(b[4] for b in basis)
print("info bases: " + ", ".join(f"{k} {n}" for k, n in sorted(kinds.items())))

print("FAILED: %d" % len(failures) if failures else "all checks passed")
sys.exit(1 if failures else 0)
