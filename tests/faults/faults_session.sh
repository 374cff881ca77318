#!/usr/bin/env bash
# The ends of a session with the program open and an edit made: SIGTERM, SIGHUP, SIGINT and
# SIGQUIT save as closing does and end the program; a file-size limit makes the save fail
# with a message (the program is not killed by SIGXFSZ, the old file stays whole); kill -9
# loses nothing: the next start takes over the lock left behind, replays the journal, says
# so and saves; closed standard streams at start change nothing; the X server going away
# saves too.
set -euo pipefail
BIN=$1
OUT=$2
: "${VOSK_SOURCE_DATA:?bundled installation folder}"
. "$(dirname "$0")/../e2e/xsession.sh"
. "$(dirname "$0")/checks.sh"
begin_faults
shopt -s nullglob
temps_in() { local f=("$1"/main.dat.*); echo "${#f[@]}"; }

# 1. Each signal after an edit.
for sig in TERM HUP INT QUIT; do
  fresh_inst "sig$sig"
  start_app "$CONFIG" || abort "SIG$sig: inventory window did not appear"
  make_edit "SIG${sig}part"
  kill -s "$sig" "$APP_PID"
  if wait_exit "$APP_PID" 20; then
    check "SIG$sig: the program ends with status 0 ($APP_STATUS)" [ "$APP_STATUS" = 0 ]
  else
    check "SIG$sig: the program ends" false
    kill -9 "$APP_PID" 2>/dev/null || true
  fi
  APP_PID=
  check "SIG$sig: the edit is in main.dat" has_record "SIG${sig}part"
  check "SIG$sig: no journal left" [ ! -e "$INST/main.jnl" ]
  check "SIG$sig: no temporary file left" [ "$(temps_in "$INST")" = 0 ]
  check "SIG$sig: the lock is released" [ ! -e "$INST/voskbase.lock" ]
  window_gone || true
done

# 2. A file-size limit smaller than the new main.dat: an error, not a kill.
fresh_inst fsize
"$FAULTDATA" records 20000 "$INST/main.dat" >/dev/null
cp "$INST/main.dat" "$OUT/fsize.old"
launch bash -c 'ulimit -f 64; exec "$0"'
wait_window '^Voskbase v2\.0$' 30 >/dev/null || abort "file-size limit: inventory window did not appear"
make_edit "FSIZEpart"
wmctrl -c 'Voskbase v2.0' || true
if box=$(wait_window '^Voskbase$' 20); then
  check "file-size limit: closing brings a message" true
  check "file-size limit: the program is still running" app_alive
  check "file-size limit: main.dat is the old file, whole" cmp -s "$INST/main.dat" "$OUT/fsize.old"
  check "file-size limit: no temporary file left" [ "$(temps_in "$INST")" = 0 ]
  escape_box "$box" || true
else
  check "file-size limit: closing brings a message" false
fi
kill -9 "$APP_PID" 2>/dev/null || true
wait "$APP_PID" 2>/dev/null || true
APP_PID=
window_gone || true

# 3. kill -9 after an edit, then a start: the stale lock is taken over after asking, the edit
# comes back from the journal, the user is told, and it is saved.
fresh_inst kill9
start_app "$CONFIG" || abort "kill -9: inventory window did not appear"
make_edit "KILLEDpart"
kill -9 "$APP_PID"
wait "$APP_PID" 2>/dev/null || true
APP_PID=
window_gone || true
check "kill -9: the journal holds the edit" grep -aq KILLEDpart "$INST/main.jnl"
launch
if box=$(wait_window '^Voskbase$' 20); then
  check "kill -9: the next start asks about the lock left behind" true
  answer_box "$box" || true # «Снять блокировку»
else
  check "kill -9: the next start asks about the lock left behind" false
fi
if box=$(wait_window '^Voskbase$' 20); then
  check "kill -9: the recovery is told" true
  answer_box "$box" || true
else
  check "kill -9: the recovery is told" false
fi
wait_window '^Voskbase v2\.0$' 20 >/dev/null || abort "kill -9: the inventory window did not come back"
check "kill -9: the edit is recovered into main.dat" has_record KILLEDpart
check "kill -9: the journal is emptied" [ ! -e "$INST/main.jnl" ]
wmctrl -c 'Voskbase v2.0' || true
wait_exit "$APP_PID" 20 || kill -9 "$APP_PID"
APP_PID=
check "kill -9: closing keeps the edit" has_record KILLEDpart
window_gone || true

# 3b. Started with standard input, output and error closed (a desktop launcher may do so):
# the window comes every time, and an edit is saved as usual.
fresh_inst closedfds
shown=0
for start in 1 2 3 4 5; do
  (cd "$OUT" && XDG_CONFIG_DIRS="$CONFIG" exec "$BIN" 0<&- 1>&- 2>&-) &
  APP_PID=$!
  if wait_window '^Voskbase v2\.0$' 30 >/dev/null; then shown=$((shown + 1)); fi
  [ "$start" = 5 ] && break
  kill -9 "$APP_PID" 2>/dev/null; wait "$APP_PID" 2>/dev/null || true
  window_gone || true
  rm -f "$INST/voskbase.lock"
done
check "closed standard streams: the window came in 5 of 5 starts ($shown)" [ "$shown" = 5 ]
make_edit "CLOSEDFDpart"
wmctrl -c 'Voskbase v2.0' || true
wait_exit "$APP_PID" 20 || kill -9 "$APP_PID"
APP_PID=
check "closed standard streams: the edit is in main.dat" has_record CLOSEDFDpart
check "closed standard streams: the lock is released" [ ! -e "$INST/voskbase.lock" ]
window_gone || true

# 4. The X server goes away with an edit made: saved on the way out.
fresh_inst xgone
start_app "$CONFIG" || abort "X gone: inventory window did not appear"
make_edit "XGONEpart"
kill "$XVFB_PID"
if wait_exit "$APP_PID" 20; then
  check "X gone: the program ends" true
else
  check "X gone: the program ends" false
  kill -9 "$APP_PID" 2>/dev/null || true
fi
APP_PID=
check "X gone: the edit is in main.dat" has_record XGONEpart
check "X gone: no temporary file left" [ "$(temps_in "$INST")" = 0 ]
check "X gone: the lock is released" [ ! -e "$INST/voskbase.lock" ]

finish
