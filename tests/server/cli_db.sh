#!/usr/bin/env bash
# voskbase-cli db on the test server: init, import, changes with their answers, export back.
set -uo pipefail
cli=$1 work=$2
fail() { echo "FAIL: $*" >&2; exit 1; }
rm -rf "$work" && mkdir -p "$work"
name=vosk_cli_$$
psql "$VOSK_TEST_PG" -XAtq -c "CREATE DATABASE $name TEMPLATE template0" || fail "no scratch database"
trap 'psql "$VOSK_TEST_PG" -XAtq -c "DROP DATABASE IF EXISTS $name WITH (FORCE)"' EXIT
db=(--server "$VOSK_TEST_PG dbname=$name")

"$cli" --help | grep 'db --help' >/dev/null || fail "the help does not lead to db --help"
"$cli" db --help | grep 'db import --folder ПАПКА' >/dev/null || fail "db --help lacks import"
"$cli" db import --folder "$VOSK_SOURCE_DATA" "${db[@]}" 2> "$work/err" && fail "import before init succeeded"
grep -q 'db init' "$work/err" || fail "import before init does not name db init: $(cat "$work/err")"
"$cli" db init "${db[@]}" > "$work/out" || fail "init: $(cat "$work/out")"
"$cli" db init "${db[@]}" 2> "$work/err" && fail "a second init succeeded"
"$cli" db upgrade "${db[@]}" > "$work/out" || fail "upgrade"
grep -q 'уже была' "$work/out" || fail "upgrade of a current schema: $(cat "$work/out")"
"$cli" db import --folder "$VOSK_SOURCE_DATA" "${db[@]}" > "$work/out" || fail "import"
grep -q 'записей: 491' "$work/out" || fail "import counts: $(cat "$work/out")"

# Record 1 of the bundled stock holds 13.
[ "$("$cli" db take 1 13 "${db[@]}")" = "Осталось: 0." ] || fail "take 13 of 13"
"$cli" db take 1 1 "${db[@]}" 2> "$work/err"; [ $? = 1 ] || fail "take from an empty record did not refuse"
grep -qx 'Уже взяли: осталось 0.' "$work/err" || fail "refusal text: $(cat "$work/err")"
"$cli" db add 1 13 "${db[@]}" > /dev/null || fail "add back"
"$cli" db take 1 0 "${db[@]}" 2> /dev/null; [ $? = 2 ] || fail "take 0 was not a usage error"
"$cli" db add x 1 "${db[@]}" 2> /dev/null; [ $? = 2 ] || fail "a record that is no number was not a usage error"
"$cli" db frobnicate "${db[@]}" 2> /dev/null; [ $? = 2 ] || fail "an unknown db command was not a usage error"

"$cli" db export --folder "$work/out-folder" "${db[@]}" > /dev/null || fail "export"
for f in main.dat strings.dat components.lst; do
  cmp -s "$VOSK_SOURCE_DATA/$f" "$work/out-folder/$f" || fail "$f differs after folder -> database -> folder"
done
"$cli" db export --folder "$work/out-folder" "${db[@]}" 2> /dev/null && fail "export overwrote a folder's files"

# Vosk.conf's server= line: the ordinary commands work on the server's stock.
mkdir -p "$work/xdg/Ferrowind"
printf 'path=%s\nserver=%s\n' "$work/no-folder" "$VOSK_TEST_PG dbname=$name" > "$work/xdg/Ferrowind/Vosk.conf"
conf() { XDG_CONFIG_DIRS=$work/xdg "$cli" "$@"; }
conf list --tsv > "$work/list" || fail "list from the server: $(cat "$work/list")"
[ "$(wc -l < "$work/list")" = 492 ] || fail "list from the server: $(wc -l < "$work/list") lines"
conf take 1 100е 5 МЛТ-0,125 > /dev/null 2>&1 || fail "take on the server"
conf add 1 100е 2 МЛТ-0,125 > /dev/null 2>&1 || fail "add on the server"
conf list --tsv | grep -P '^1\t[^\t]*\t100е\t10\t' > /dev/null || fail "the server does not hold 13 - 5 + 2"
conf list --folder "$work/out-folder" --tsv | grep -P '^1\t[^\t]*\t100е\t13\t' > /dev/null || fail "--folder did not read the folder"
printf 'server=%s password=x\n' "$VOSK_TEST_PG dbname=$name" > "$work/xdg/Ferrowind/Vosk.conf"
conf list 2> "$work/err"; [ $? != 0 ] || fail "a password in Vosk.conf was used"
grep -q pgpass "$work/err" || fail "password refusal text: $(cat "$work/err")"

"$cli" db init --server "host=$work/nowhere" 2> "$work/err"; [ $? = 1 ] || fail "no server did not fail"
grep -q 'Нет связи с сервером' "$work/err" || fail "no-server text: $(cat "$work/err")"
echo "cli db: round trip of data/ byte for byte, refusals answered"
