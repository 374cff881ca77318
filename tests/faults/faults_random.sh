#!/usr/bin/env bash
# A main.dat of random bytes: the program comes up, reports the lines it cannot read in an
# error message, and on closing writes them back unchanged and in their places, every
# readable record in its plain form, and whatever followed a 0x1A byte. Three kinds of file
# per seed: uniform random bytes (a 0x1A usually comes early, so most of it is the part
# after the end-of-text byte), random bytes without 0x1A (long lines of anything, LF and NUL
# included), and random lines close to records (numbers with leading zeros, beyond 16 bits or
# with stray bytes, missing separators, short lines, lone CRs, a tail after 0x1A).
#   SEEDS overrides the seeds: by default one fixed seed and three new ones each run.
set -euo pipefail
BIN=$1
OUT=$2
: "${FAULTDATA:?path of the faultdata tool}" "${VOSK_SOURCE_DATA:?bundled installation folder}"
. "$(dirname "$0")/../e2e/xsession.sh"
. "$(dirname "$0")/checks.sh"
begin_faults

random_seed() { echo $(( $(od -An -N4 -tu4 /dev/urandom) )); }
SEEDS=${SEEDS:-"20240917 $(random_seed) $(random_seed) $(random_seed)"}
echo "seeds: $SEEDS"

shopt -s nullglob
one_file() { # seed kind size
  local name="$2-$1" summary kept box ok
  local inst=$OUT/$name
  mkdir -p "$inst"
  cp -r "$VOSK_SOURCE_DATA/." "$inst/"
  "$FAULTDATA" random "$1" "$2" "$3" "$inst/main.dat"
  cp "$inst/main.dat" "$OUT/$name.original"
  summary=$("$FAULTDATA" expect "$inst/main.dat" "$OUT/$name.expected")
  kept=$(echo "$summary" | awk '{ print $6 }')
  echo "$name: $3 bytes; $summary"
  make_config "$OUT/config-$name" "$inst"

  (cd "$OUT" && XDG_CONFIG_DIRS="$OUT/config-$name" exec "$BIN") >>"$OUT/run.log" 2>&1 &
  APP_PID=$!
  if [ "$kept" -gt 0 ]; then
    if box=$(wait_window '^Voskbase$' 20); then
      check "$name: the unreadable lines are reported" true
      answer_box "$box" || check "$name: the message box goes on Return" false
    else
      check "$name: the unreadable lines are reported" false
    fi
  fi
  if ! wait_window '^Voskbase v2\.0$' 20 >/dev/null; then
    check "$name: the inventory window comes up" false
    box_shown && echo "  a message box is shown"
    kill "$APP_PID" 2>/dev/null || true
    wait "$APP_PID" 2>/dev/null || true
    APP_PID=
    return
  fi
  check "$name: the inventory window comes up, no other message" no_box_shown
  wmctrl -c 'Voskbase v2.0' || true
  if wait_exit "$APP_PID" 20; then
    APP_PID=
    check "$name: the program ends with status 0 ($APP_STATUS)" [ "$APP_STATUS" = 0 ]
  else
    check "$name: the program ends after its window was closed" false
    box_shown && echo "  a message box is shown"
    kill "$APP_PID" 2>/dev/null || true
    wait "$APP_PID" 2>/dev/null || true
    APP_PID=
    return
  fi
  if "$FAULTDATA" check "$OUT/$name.original" "$inst/main.dat" >"$OUT/$name.check"; then ok=1; else ok=0; fi
  check "$name: unreadable lines written back unchanged and in order, records in plain form" [ "$ok" = 1 ]
  [ "$ok" = 1 ] || sed 1d "$OUT/$name.check"
  local f=("$inst"/main.dat.*)
  check "$name: no temporary file left" [ "${#f[@]}" = 0 ]
  window_gone || true
}

for seed in $SEEDS; do
  one_file "$seed" bytes 8192
  one_file "$seed" text 16384
  one_file "$seed" lines 65536
done
finish
