#!/usr/bin/env bash
# voskbase-cli end to end on copies of the bundled installation folder: export and import give
# the same main.dat, the bundled KiCad BOM gives the expected rows and exit status, writing is
# refused while the folder is held, check never writes.
#   cli_e2e.sh <voskbase-cli> <work folder>
set -uo pipefail
CLI=$1
OUT=$2
DATA=${VOSK_SOURCE_DATA:?}
rm -rf "$OUT"
mkdir -p "$OUT"
cd "$OUT" || exit 1
unset NO_COLOR
# No settings file may send the commands elsewhere: every command names its folder.
export XDG_CONFIG_DIRS=$OUT/no-settings

passed=0
failed=0
check() {
  local name=$1; shift
  if "$@"; then passed=$((passed + 1)); echo "ok: $name"; else failed=$((failed + 1)); echo "FAILED: $name"; fi
}
# status EXPECTED COMMAND...: the command's exit status is EXPECTED.
status() {
  local want=$1; shift
  "$@" >"$OUT/last.out" 2>"$OUT/last.err"
  local got=$?
  [ "$got" -eq "$want" ] || { echo "  exit $got, wanted $want"; cat "$OUT/last.err"; return 1; }
}
snapshot() { (cd "$1" && find . -type f -print0 | sort -z | xargs -0 sha1sum); }

cp -r "$DATA" src

# Export then import into a folder with the same categories and no stock.
check "export --all" status 0 "$CLI" --folder src export --all all.csv
check "the header" test "$(head -n1 all.csv)" = $'category,category_name,name,quantity,description\r'
check "a row per record" test "$(($(wc -l <all.csv) - 1))" -eq "$(tr -cd '\n' <"$DATA/main.dat" | wc -c)"
mkdir empty
cp src/components.lst src/strings.dat empty/
check "import into the empty folder" status 0 "$CLI" --folder empty import all.csv
check "main.dat identical after export and import" cmp src/main.dat empty/main.dat
check "export to stdout is the same file" bash -c "'$CLI' --folder empty export - | cmp - all.csv"
check "the source folder is unchanged" diff -r "$DATA" src

# A file with a refused row changes nothing; --dry-run never writes.
printf 'category;name;quantity;description\r\n2;4ж7;3;\r\n2;4,7k;3;МЛТ-0,25\r\n' >rows.csv
before=$(sha1sum <empty/main.dat)
check "refused row: exit 1" status 1 "$CLI" --folder empty import rows.csv
check "refused row named with its line" grep -q 'строка 2 не принята' "$OUT/last.err"
check "refused row: main.dat untouched" test "$(sha1sum <empty/main.dat)" = "$before"
check "--dry-run shows the merge" status 1 "$CLI" --folder empty import --dry-run rows.csv
check "--dry-run: main.dat untouched" test "$(sha1sum <empty/main.dat)" = "$before"
check "merge planned from 6 to 9" grep -q '(было 6, станет 9)' "$OUT/last.out"
check "--skip-refused imports the rest" status 0 "$CLI" --folder empty import --skip-refused rows.csv
check "the record now holds 9" bash -c "'$CLI' --folder empty list --category 2 --find '4,7К' --exact | grep -q \$'\t4,7К\t9\tМЛТ-0,25'"

# The bundled bill of materials against the bundled stock: one row short, one missing.
check "bom: exit 1 (something short)" status 1 "$CLI" --folder src bom "$DATA/kicad/amplifier-bom.csv"
bom=$OUT/bom.out
cp "$OUT/last.out" "$bom"
cp "$OUT/last.err" "$OUT/bom.err"
check "bom: 16 rows on stdout, the summary on stderr" test "$(wc -l <"$bom")" -eq 16
check "bom: КТ603Б yellow, one short" grep -q $'^yellow\tТранзисторы биполярные\tКТ603Б\tнадо 3\tне хватает 1\tнайдено 1\tна складе 2\tQ3–Q5$' "$bom"
check "bom: the connector red" grep -q $'^red\tПрочее\tConn_01x03\tнадо 1\tне хватает 1\tнайдено 0\tна складе 0\tJ1$' "$bom"
check "bom: 0.1uF found among film capacitors" grep -q $'^green\tКонденсаторы пленочные\t0,1мкф\tнадо 1\t' "$bom"
check "bom: 4k7 is 4,7К in every power" grep -q $'^green\tРезисторы 0,125 Вт\t4,7К\tнадо 2\tне хватает 0\tнайдено 6\tна складе 91\tR1, R2$' "$bom"
check "bom: how many boards" grep -q 'Плат: 1; можно собрать: 0 плат; для 1-й не хватает: Conn_01x03 1, КТ603Б 1' "$OUT/bom.err"
check "bom: the zener" grep -q $'^green\tСтабилитроны\tКС156А\t' "$bom"
check "bom: 14 green" test "$(grep -c '^green' "$bom")" -eq 14
check "bom: no colour into a pipe" bash -c "! grep -q $'\x1b' '$bom'"
if command -v script >/dev/null; then
  # On a terminal (a pseudo-terminal made by script) the rows are coloured.
  TERM=xterm script -qec "'$CLI' --folder src bom '$DATA/kicad/amplifier-bom.csv'" /dev/null >tty.out
  check "bom: yellow on a terminal" grep -q $'\x1b\\[33myellow\tТранзисторы биполярные\tКТ603Б' tty.out
  check "bom: red on a terminal" grep -q $'\x1b\\[31mred\tПрочее' tty.out
  NO_COLOR=1 TERM=xterm script -qec "'$CLI' --folder src bom '$DATA/kicad/amplifier-bom.csv'" /dev/null >tty-plain.out
  check "bom: NO_COLOR on a terminal" bash -c "grep -q \$'^yellow' tty-plain.out && ! grep -q \$'\\x1b' tty-plain.out"
fi
check "bom: summary" grep -q 'хватает: 14, мало: 1, нет: 1; не распознано: 0; не ставятся (DNP): 1' "$OUT/bom.err"
printf '"Refs","Value","Qty"\n"R1","10k","1"\n' >short.csv
check "bom: everything in stock gives 0" status 0 "$CLI" --folder src bom short.csv
printf 'nothing here\n' >bad.csv
check "bom: not a BOM gives 2" status 2 "$CLI" --folder src bom bad.csv
printf 'Reference,Value\nR1,1k\n\0\0\1\2' >junk.bin
check "bom: binary junk gives 2" status 2 "$CLI" --folder src bom junk.bin
check "bom: --boards 4 and a shopping list" status 1 "$CLI" --folder src bom --boards 4 --shopping buy.csv "$DATA/kicad/amplifier-bom.csv"
check "bom: 4 boards need 4 connectors" grep -q '^"4","","","Conn_01x03","Conn_01x03","J1",' buy.csv
check "bom: and 10 КТ603Б" grep -q '^"10","","","КТ603Б","КТ603Б","Q3–Q5",' buy.csv
# A place and a minimum: the row names the place, --minimums buys 4 boards' 12 and 5 more beyond 2 held.
cp -r src kept
printf '11\001\xca\xd2603\xc1\001npn\001place=\xff\xf9\xe8\xea 3\001min=5\r\n' >kept/attrs.dat
check "bom: the row names its place" status 1 "$CLI" --folder kept bom --boards 4 --shopping buy-min.csv --minimums "$DATA/kicad/amplifier-bom.csv"
check "bom: the place after the references" grep -q $'^yellow\tТранзисторы биполярные\tКТ603Б\t.*\tQ3–Q5\tместо: ящик 3$' "$OUT/last.out"
check "bom --minimums: boards then the minimum" grep -q '^"15","","","КТ603Б","КТ603Б","Q3–Q5",' buy-min.csv
check "bom: --minimums needs --shopping" status 2 "$CLI" --folder kept bom --minimums "$DATA/kicad/amplifier-bom.csv"
check "bom: --boards 0 refused" status 2 "$CLI" --folder src bom --boards 0 "$DATA/kicad/amplifier-bom.csv"
check "bom: a missing file gives 2" status 2 "$CLI" --folder src bom missing.csv

# Search by value: the spellings of one value list the same records.
"$CLI" --folder src list --category 2 --value '4,7К' >v1
check "value search finds 4,7К" grep -q $'\t4,7К\t' v1
for v in '4,7k' '4К7' '4700' '4k7'; do
  "$CLI" --folder src list --category 2 --value "$v" >v2
  check "value search: $v is 4,7К" cmp -s v1 v2
done
"$CLI" --folder src list --value '0,1мкф' >c1
check "value search: 0,1мкф and 100нф" test "$(grep -c 'мкф\|нф' c1)" -gt 3
for v in '100нф' '100n' '0.1uF'; do
  "$CLI" --folder src list --value "$v" >c2
  check "value search: $v is 0,1мкф" cmp -s c1 c2
done

# Writing is refused while another process holds the folder's lock, or a journal waits.
cp -r "$DATA" held
sleep 300 &
holder=$!
printf '%s\nsleep\n%s\n' "$holder" "$(hostname)" >held/voskbase.lock
touch -d '1 hour ago' held/voskbase.lock # a live holder's lock is never stale by age
before=$(sha1sum <held/main.dat)
check "add refused while the lock is held" status 1 "$CLI" --folder held add 8 1N4148 1 импульсный
check "the refusal names the holder" grep -q "процесс $holder" "$OUT/last.err"
check "import refused while the lock is held" status 1 "$CLI" --folder held import all.csv
check "main.dat untouched while held" test "$(sha1sum <held/main.dat)" = "$before"
check "list still reads a held folder" status 0 "$CLI" --folder held list --find 1N4148
kill "$holder"; wait "$holder" 2>/dev/null
rm -f held/voskbase.lock
printf 'x' >held/main.jnl
check "take refused while main.jnl holds changes" status 1 "$CLI" --folder held take 8 1N4148 1
check "main.dat untouched with a journal" test "$(sha1sum <held/main.dat)" = "$before"
rm -f held/main.jnl; mkfifo held/main.jnl
check "a FIFO main.jnl refuses add, without waiting" status 1 timeout 10 "$CLI" --folder held add 8 1N4148 2 импульсный
check "and is left where it is" test -p held/main.jnl
rm -f held/main.jnl
: >held/main.jnl
check "an empty journal does not stop add" status 0 "$CLI" --folder held add 8 1N4148 2 импульсный
check "the add went through the store" bash -c "'$CLI' --folder held list --find 1N4148 --exact | grep -q $'\t1N4148\t25\tимпульсный'"
check "the lock is released afterwards" test ! -e held/voskbase.lock
# A lock that names no holder (empty, junk) or a process gone from this host is taken over,
# and said so; a command started with the standard streams closed works as any other.
: >held/voskbase.lock
check "an empty lock is taken over" status 0 "$CLI" --folder held add 8 1N4148 1 импульсный
check "the takeover is told" grep -q 'блокировка снята' "$OUT/last.err"
sh -c 'exit 0' & gone=$!; wait "$gone"
printf '%s\nvoskbase\n%s\n' "$gone" "$(hostname)" >held/voskbase.lock
check "a dead holder's lock is taken over" status 0 "$CLI" --folder held add 8 1N4148 1 импульсный
check "its takeover names the process" grep -q "процесс $gone" "$OUT/last.err"
"$CLI" --folder held add 8 1N4148 1 импульсный 0<&- 1>&- 2>&-
check "add with the standard streams closed succeeds" test $? -eq 0
check "the three adds went through" bash -c "'$CLI' --folder held list --find 1N4148 --exact | grep -q $'\t1N4148\t28\tимпульсный'"
check "add refuses an unreadable value and names the stock's spelling" status 1 "$CLI" --folder held add 2 4k7 1
check "the hint" grep -q 'Может быть, «4,7К»?' "$OUT/last.err"

# A record is found by its whole key, as the window finds it: an empty name is a name.
mkdir nameless
cp "$DATA/components.lst" "$DATA/strings.dat" nameless/
printf '8\001d1\0011\001 \r\n8\001d2\0012\001 \r\n' >nameless/main.dat
check "add with an empty name" status 0 "$CLI" --folder nameless add 8 "" 4
check "it made a nameless record and left d1 alone" \
  bash -c "grep -aq $'8\x01\x014\x01 \r' nameless/main.dat && grep -aq $'8\x01d1\x011\x01 \r' nameless/main.dat"

# check reads and never writes.
cp -r "$DATA" broken
printf '8\x01ok\x011\x01 \r\nthis line is no record\r\n' >>broken/main.dat
snap=$(snapshot broken)
check "check: bad line gives 1" status 1 "$CLI" --folder broken check
check "check names the line" grep -q "main.dat, строка $(($(tr -cd '\n' <"$DATA/main.dat" | wc -c) + 2))" "$OUT/last.out"
check "check wrote nothing" test "$(snapshot broken)" = "$snap"
check "check: the bundled folder is clean" status 0 "$CLI" --folder src check
mkdir nothing
check "no data files: 2" status 2 "$CLI" --folder nothing list
check "and nothing created" test -z "$(ls -A nothing)"

# Help in both languages.
check "help in English" bash -c "LANG=C.UTF-8 LC_ALL= '$CLI' --help | grep -q '^Usage: voskbase-cli'"
check "help in Russian" bash -c "LC_ALL=ru_RU.UTF-8 '$CLI' --help | grep -q '^Использование: voskbase-cli'"
check "no command: 2" status 2 "$CLI"
check "unknown command: 2" status 2 "$CLI" --folder src frobnicate

# The conventions scripts rely on.
records=$(tr -cd '\n' <"$DATA/main.dat" | wc -c)
check "--version" bash -c "'$CLI' --version | grep -qx 'voskbase-cli [0-9][0-9.]*'"
check "a usage error: 2" status 2 "$CLI" --folder src list --frobnicate
check "a usage error is one line and the hint" bash -c "test \$(wc -l <'$OUT/last.err') -eq 2 && tail -n1 '$OUT/last.err' | grep -q 'voskbase-cli --help' && test ! -s '$OUT/last.out'"
check "an option of another command: 2 and that command's hint" status 2 "$CLI" --folder src list --partial
check "the hint names the command" grep -q 'voskbase-cli list --help' "$OUT/last.err"
check "COMMAND --help: that command only" bash -c "'$CLI' take --help >'$OUT/h' && grep -q '^Usage: voskbase-cli .* take .*CATEGORY NAME QTY' '$OUT/h' && ! grep -q 'import' '$OUT/h'"
check "list: a line per record on stdout" test "$("$CLI" --folder src list 2>/dev/null | wc -l)" -eq "$records"
check "list --tsv: the header and a line per record" bash -c "'$CLI' --folder src list --tsv 2>/dev/null >'$OUT/l.tsv' && head -n1 '$OUT/l.tsv' | grep -qx \$'category\tcategory_name\tname\tquantity\tdescription' && test \$(wc -l <'$OUT/l.tsv') -eq $((records + 1))"
check "list --json: an object a record" bash -c "'$CLI' --folder src list --json 2>/dev/null >'$OUT/l.json' && test \$(wc -l <'$OUT/l.json') -eq $records"
check "list --json: the fields" grep -qx '{"category":11,"category_name":"Транзисторы биполярные","name":"КТ603Б","quantity":2,"description":"npn"}' "$OUT/l.json"
if command -v python3 >/dev/null; then
  check "list --json parses" python3 -c 'import json,sys; [json.loads(l) for l in open(sys.argv[1])]' "$OUT/l.json"
fi
check "bom --json and - for stdin" bash -c "'$CLI' --folder src bom --json - <'$DATA/kicad/amplifier-bom.csv' 2>/dev/null | grep -q '\"status\":\"yellow\",\"category_name\":\"Транзисторы биполярные\",\"name\":\"КТ603Б\",\"needed\":3,\"short\":1,\"found\":1,'"
check "check --json: the unreadable line" bash -c "'$CLI' --folder broken check --json 2>/dev/null | grep -q '\"file\":\"main.dat\",\"line\":$((records + 2)),\"problem\":\"unreadable_line\"'"
cp -r "$DATA" stdin
check "import - reads stdin" bash -c "'$CLI' --folder stdin import --dry-run --json - <'$OUT/rows.csv' >'$OUT/plan.json' 2>/dev/null; test \$? -eq 1"
check "import --dry-run --json: the merge" grep -q '"line":3,"action":"merge","category":2,.*"quantity":3,"before":6,"after":9' "$OUT/plan.json"
check "import --dry-run --json: the refused row" grep -q '"line":2,"action":"refused","reason":' "$OUT/plan.json"

# The sheet LibreOffice Calc saved (tests/io/spreadsheets): every text form plans the same; the
# spreadsheet files themselves are refused by what they are, with nothing on stdout.
SHEETS=$(dirname "$0")/../io/spreadsheets
for f in sheet-semicolon-cp1251.csv sheet-comma-utf8.csv sheet-comma-utf8-bom.csv sheet-tab-utf8.txt; do
  check "$f: a refused row, exit 1" status 1 "$CLI" --folder src import --dry-run "$SHEETS/$f"
  check "$f: the counts" grep -q 'Строк: 6; новых записей: 0, дополнить записей: 3, деталей: 15; не принято строк: 1; пропущено: 1 пустая строка, 1 строка «Итого»' "$OUT/last.err"
  check "$f: «2,2 кОм» is the stock's 2,2К" grep -q '^строка 2: 2 2,2К МЛТ-0,25 +10 (было 65, станет 75)' "$OUT/last.out"
  check "$f: the second КТ315Б is row 4" grep -q '^строка 4: 11 КТ315Б npn +2 (было 30, станет 32)' "$OUT/last.out"
done
for f in sheet.xlsx sheet.ods sheet.xls; do
  check "$f: refused, exit 2" status 2 "$CLI" --folder src import --dry-run "$SHEETS/$f"
  check "$f: said what it is and nothing on stdout" bash -c "grep -q 'а не текст CSV.*Текст CSV (.csv)' '$OUT/last.err' && test ! -s '$OUT/last.out'"
done
printf 'Раздел;Наименование;Номинал;Кол-во\r\n2;Резистор;4,7k;3\r\n' >amb.csv
check "two name columns: 2" status 2 "$CLI" --folder src import --dry-run amb.csv
check "--columns says which is which" status 0 "$CLI" --folder src import --dry-run --columns category,ignore,name,quantity amb.csv

# A stocktake: the edited export sets the quantities, it does not add them.
cp -r "$DATA" count
"$CLI" --folder count export --all count.csv 2>/dev/null
sed -i 's/,КТ315Б,30,npn/,КТ315Б,40,npn/' count.csv
check "--set-quantities --dry-run" status 0 "$CLI" --folder count import --dry-run --set-quantities count.csv
check "30 -> 40" grep -q 'КТ315Б npn: 30 -> 40' "$OUT/last.out"
check "one record changes" grep -q 'количество изменится у 1; нет в файле записей: 0' "$OUT/last.err"
check "--set-quantities" status 0 "$CLI" --folder count import --set-quantities count.csv
check "КТ315Б now 40, the total 10 more" bash -c "'$CLI' --folder count list --find КТ315Б --exact 2>&1 | grep -q \$'\tКТ315Б\t40\tnpn' && '$CLI' --folder count list 2>&1 >/dev/null | grep -q 'деталей 11925'"
head -n 3 count.csv >part.csv
check "absent records left alone" bash -c "'$CLI' --folder count import --dry-run --set-quantities part.csv 2>&1 | grep -q 'нет в файле записей: 489 (останутся как есть)'"

# «Для Excel»: a BOM and ;. Opened by LibreOffice Calc (when it is installed) as UTF-8 split on ;
# and saved back, it imports as the same main.dat.
check "export --excel" status 0 "$CLI" --folder src export --all --excel excel.csv
check "the BOM and ;" test "$(head -c 12 excel.csv | od -An -tx1 | tr -d ' \n')" = "efbbbf63617465676f72793b"
if command -v soffice >/dev/null; then
  mkdir -p calc/home calc/out excelback
  HOME=$OUT/calc/home soffice --headless --infilter='Text - txt - csv (StarCalc):59,34,76,1' \
    --convert-to 'csv:Text - txt - csv (StarCalc):44,34,76,1' --outdir calc/out excel.csv >/dev/null 2>&1
  cp src/components.lst src/strings.dat excelback/
  check "Calc's reading of the Excel export imports" status 0 "$CLI" --folder excelback import calc/out/excel.csv
  check "as the same main.dat" cmp src/main.dat excelback/main.dat
else
  echo "skipped: Calc opening the Excel export (no soffice; tests/io covers the file Calc wrote)"
fi

# A take is all or nothing.
before=$(sha1sum <stdin/main.dat)
check "take more than there is: 1" status 1 "$CLI" --folder stdin take 11 КТ603Б 3
check "the shortfall named" grep -q 'Не хватает 1 детали: КТ603Б npn (есть 2, нужно 3)' "$OUT/last.err"
check "and nothing taken" test "$(sha1sum <stdin/main.dat)" = "$before"
check "--partial takes what there is (exit 1)" status 1 "$CLI" --folder stdin take --partial 11 КТ603Б 3
check "--partial: the record is gone" test -z "$("$CLI" --folder stdin list --find КТ603Б --exact 2>/dev/null)"

# A label's code names its record: base 32 of the stored bytes, typed by a scanner in either
# keyboard layout.
cp -r "$DATA" coded
if command -v python3 >/dev/null; then
  code=$(python3 -c "import base64; b=lambda s: base64.b32encode(s.encode('cp1251')).decode().rstrip('='); print('VB-11-' + b('КТ315Б') + '-' + b('npn'))")
  russian=$(python3 -c "import sys; print(sys.argv[1].translate(str.maketrans('QWERTYUIOPASDFGHJKLZXCVBNM', 'ЙЦУКЕНГШЩЗФЫВАПРОЛДЯЧСМИТЬ')))" "$code")
  check "take --code" status 0 "$CLI" --folder coded take --code "$code" 5
  check "takes from its record" bash -c "'$CLI' --folder coded list --find КТ315Б --exact | grep -q \$'\tКТ315Б\t25\tnpn'"
  check "take --code typed in the Russian layout" status 0 "$CLI" --folder coded take --code "$russian" 5
  check "takes from the same record" bash -c "'$CLI' --folder coded list --find КТ315Б --exact | grep -q \$'\tКТ315Б\t20\tnpn'"
  snap=$(snapshot coded)
  check "take --code of no record: 1" status 1 "$CLI" --folder coded take --code "${code%-*}-PB4XU" 1
  check "said so" grep -q 'Нет записи с кодом VB-11-' "$OUT/last.err"
  check "no code: 2" status 2 "$CLI" --folder coded take --code "КТ315Б" 1
  check "said in Russian" grep -q 'Это не код этикетки' "$OUT/last.err"
  check "take --code with a category: 2" status 2 "$CLI" --folder coded take --code "$code" 11 КТ315Б 1
  check "neither changed anything" test "$(snapshot coded)" = "$snap"
fi

# A read while the program holds changes in its journal shows them, never writing.
cp -r "$DATA" open
if command -v python3 >/dev/null; then
  python3 - open <<'PY'
import sys, zlib
folder = sys.argv[1]
main = open(folder + '/main.dat', 'rb').read()
def line(body):
    return body + b'%08x\r\n' % zlib.crc32(body)
j = line(b'J\x011\x01%d\x01%08x\x01' % (len(main), zlib.crc32(main)))
j += line(b'+\x0111\x01' + 'КТ315Б'.encode('cp1251') + b'\x0110\x01npn\x01')
open(folder + '/main.jnl', 'wb').write(j)
PY
  snap=$(snapshot open)
  check "list applies the waiting journal" bash -c "'$CLI' --folder open list --find КТ315Б --exact 2>'$OUT/j.err' | grep -q \$'\tКТ315Б\t40\tnpn'"
  check "and says so" grep -q 'Учтены изменения из журнала main.jnl' "$OUT/j.err"
  check "check: 1 while changes wait in the journal" status 1 "$CLI" --folder open check
  check "reads wrote nothing" test "$(snapshot open)" = "$snap"
fi

# A place and a minimum kept beside main.dat (attrs.dat) choose the rows of list, and export
# gives them as columns.
cp -r "$DATA" places
if command -v python3 >/dev/null; then
  python3 - places <<'PY'
import sys
lines = ['11\x01КТ315Б\x01npn\x01place=ящик 3 / ячейка 12\x01min=50', '11\x01КТ603Б\x01npn\x01place=ящик 4\x01min=1']
open(sys.argv[1] + '/attrs.dat', 'wb').write(''.join(l + '\r\n' for l in lines).encode('cp1251'))
PY
  check "list --below-minimum: only КТ315Б (30 of 50)" bash -c "'$CLI' --folder places list --below-minimum 2>/dev/null | grep -c . | grep -qx 1 && '$CLI' --folder places list --below-minimum 2>/dev/null | grep -q \$'\tКТ315Б\t30\tnpn'"
  check "list --place: a part of the place" test "$("$CLI" --folder places list --place ящик 2>/dev/null | wc -l)" -eq 2
  check "list --place --exact: the whole place" test "$("$CLI" --folder places list --place 'ящик 4' --exact 2>/dev/null | cut -f3)" = КТ603Б
  check "shopping: КТ315Б up to its minimum, and nothing else" bash -c "test \"\$('$CLI' --folder places shopping - 2>/dev/null | tail -n +2 | grep -c .)\" = 1 && '$CLI' --folder places shopping - 2>/dev/null | grep -q '^\"20\",.*КТ315Б'"
  check "export: the place and the minimum as columns" bash -c "'$CLI' --folder places export --all - 2>/dev/null | grep -q '^11,Транзисторы биполярные,КТ315Б,30,npn,ящик 3 / ячейка 12,50'"
  # places: each with its records, «ящик 3» before «ящик 10»; a rename on every holder, saved
  check "places --rename" status 0 "$CLI" --folder places places --rename 'ящик 4' 'ящик 10'
  check "places in their order" test "$("$CLI" --folder places places 2>/dev/null)" = $'ящик 3 / ячейка 12\t1\nящик 10\t1'
  before=$(sha1sum <places/attrs.dat)
  check "a place nobody holds: exit 1" status 1 "$CLI" --folder places places --rename 'ящик 9' x
  check "and attrs.dat untouched" test "$(sha1sum <places/attrs.dat)" = "$before"
  check "onto a place in use: merged and said" status 0 "$CLI" --folder places places --rename 'ящик 10' 'ящик 3 / ячейка 12'
  check "said" grep -q 'объединены' "$OUT/last.err"
  check "one place of two records" test "$("$CLI" --folder places places 2>/dev/null)" = $'ящик 3 / ячейка 12\t2'
fi

# The history: a note per change, listed newest first, and an undo that restores main.dat.
cp -r "$DATA" hist
before=$(sha1sum <hist/main.dat)
check "take with a note" status 0 "$CLI" --folder hist take 11 КТ315Б 5 npn --note 'усилитель 2'
check "add with a note" status 0 "$CLI" --folder hist add 11 КТ315Б 1 npn --note 'возврат'
check "history: newest first, with the notes" bash -c "'$CLI' --folder hist history | head -n1 | grep -q \$'^2\t.*\t+1\tКТ315Б (npn) -> 26\tкомандная строка\tвозврат\$'"
check "history --find a note" test "$("$CLI" --folder hist history --find усилитель | cut -f1)" = 1
check "history --json" bash -c "'$CLI' --folder hist history --json | tail -n1 | grep -q '\"amount\":-5,\"after\":25,\"note\":\"усилитель 2\"'"
check "history --since: a bad date is a usage error" status 2 "$CLI" --folder hist history --since вчера
check "undo 2" status 0 "$CLI" --folder hist undo 2
check "undo 1" status 0 "$CLI" --folder hist undo 1
check "undo 1 again: refused" status 1 "$CLI" --folder hist undo 1
check "refused with the reason" grep -q 'Изменение №1 уже отменено (изменение №4)' "$OUT/last.err"
check "main.dat as before both changes" test "$(sha1sum <hist/main.dat)" = "$before"

echo "$passed passed, $failed failed"
exit $((failed > 0))
