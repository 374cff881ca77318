#!/usr/bin/env bash
# Two programs on one installation folder. The second is told that another holds the folder
# and opens it read-only (the default answer) or quits (Escape); whichever closes first,
# the edit made in the first program is in main.dat at the end, and the read-only one never
# writes main.dat. Two users of one group: a killed program's lock and journal are taken over
# and recovered by the other.
set -euo pipefail
BIN=$1
OUT=$2
: "${VOSK_SOURCE_DATA:?bundled installation folder}"
. "$(dirname "$0")/../e2e/xsession.sh"
. "$(dirname "$0")/checks.sh"
EXTRA_CLEANUP='[ -n "${B_PID:-}" ] && kill -9 "$B_PID" 2>/dev/null'
begin_faults

# The writing program's caption, and the read-only one's («… — только просмотр»).
inventory_windows() { xdotool search --onlyvisible --name '^Voskbase v2\.0' 2>/dev/null | wc -l; }
read_only_windows() { xdotool search --onlyvisible --name 'только просмотр$' 2>/dev/null | wc -l; }
wait_two_windows() {
  for _ in $(seq 200); do [ "$(inventory_windows)" -ge 2 ] && return 0; sleep 0.1; done
  return 1
}
# Starts the second program; answers the box about the folder with Return (read-only).
start_second() {
  local box
  (cd "$OUT" && XDG_CONFIG_DIRS="$CONFIG" exec "$BIN") >>"$OUT/run.log" 2>&1 &
  B_PID=$!
  if box=$(wait_window '^Voskbase$' 20); then
    check "$1: the second program is told who holds the folder" true
    answer_box "$box" || true
  else
    check "$1: the second program is told who holds the folder" false
  fi
  wait_two_windows || abort "$1: the second window did not appear"
  check "$1: the second window says it only shows the base" [ "$(read_only_windows)" = 1 ]
}
# Closes the window of the program with pid $1 (the window manager's close, as a user).
close_pid() {
  local id
  id=$(window_of_pid "$1") && wmctrl -i -c "$id"
}
wait_pid_exit() { # pid what
  if wait_exit "$1" 20; then check "$2 ends with status 0 ($APP_STATUS)" [ "$APP_STATUS" = 0 ]; else
    check "$2 ends" false; kill -9 "$1" 2>/dev/null || true; fi
}

# 1. The read-only program closes first, then the one that made the edit.
fresh_inst first
cp "$INST/main.dat" "$OUT/original.dat"
start_app "$CONFIG" || abort "the first program did not start"
A_PID=$APP_PID
start_second "read-only closes first"
APP_PID=$A_PID
make_edit "ONEpart"
close_pid "$B_PID"; wait_pid_exit "$B_PID" "read-only closes first: the read-only program"; B_PID=
check "read-only closes first: main.dat not written by it" cmp -s "$INST/main.dat" "$OUT/original.dat"
close_pid "$A_PID"; wait_pid_exit "$A_PID" "read-only closes first: the writing program"; APP_PID=
check "read-only closes first: the edit is in main.dat" has_record ONEpart
window_gone || true

# 2. The program that made the edit closes first; the read-only one, opened before the
# edit, closes later and must not put the old records back.
fresh_inst second
start_app "$CONFIG" || abort "the first program did not start"
A_PID=$APP_PID
start_second "writer closes first"
APP_PID=$A_PID
make_edit "TWOpart"
close_pid "$A_PID"; wait_pid_exit "$A_PID" "writer closes first: the writing program"; APP_PID=
check "writer closes first: the edit is in main.dat" has_record TWOpart
cp "$INST/main.dat" "$OUT/after-a.dat"
close_pid "$B_PID"; wait_pid_exit "$B_PID" "writer closes first: the read-only program"; B_PID=
check "writer closes first: the edit is still in main.dat" has_record TWOpart
check "writer closes first: main.dat not written by the read-only one" cmp -s "$INST/main.dat" "$OUT/after-a.dat"
check "writer closes first: no journal left" [ ! -e "$INST/main.jnl" ]
window_gone || true

# 3. The second program quits when the user prefers (Escape on the box).
fresh_inst third
start_app "$CONFIG" || abort "the first program did not start"
A_PID=$APP_PID
(cd "$OUT" && XDG_CONFIG_DIRS="$CONFIG" exec "$BIN") >>"$OUT/run.log" 2>&1 &
B_PID=$!
if box=$(wait_window '^Voskbase$' 20); then
  escape_box "$box" || true
  wait_pid_exit "$B_PID" "quit: the second program"
else
  check "quit: the second program is told" false
fi
B_PID=
check "quit: only the first window is left" [ "$(inventory_windows)" = 1 ]
APP_PID=$A_PID
close_pid "$A_PID"; wait_pid_exit "$A_PID" "quit: the first program"; APP_PID=
window_gone || true

# 4. Two users of one group sharing a folder (as root only: the users are made here). A's
# program is killed after an edit; the lock and the journal it leaves belong to the folder's
# group, writable by it. B's start takes the lock over and recovers A's edit, also when A's
# files are of the older kind (0644, A's own).
if [ "$(id -u)" = 0 ] && command -v useradd >/dev/null && command -v setpriv >/dev/null; then
  GROUP=vosk_share_$$ UA=vosk_a_$$ UB=vosk_b_$$
  EXTRA_CLEANUP="$EXTRA_CLEANUP; userdel $UA; userdel $UB; groupdel $GROUP"
  groupadd "$GROUP"
  for u in "$UA" "$UB"; do useradd -M -N -g "$GROUP" -d "$OUT/home-$u" -s /bin/false "$u"; done
  as_user() { # user: starts the program as that user, its pid in APP_PID
    mkdir -p "$OUT/home-$1" && chown "$1" "$OUT/home-$1"
    (cd "$INST" && HOME="$OUT/home-$1" XDG_CONFIG_DIRS="$CONFIG" \
       exec setpriv --reuid="$1" --regid="$GROUP" --init-groups "$BIN") >>"$OUT/run.log" 2>&1 &
    APP_PID=$!
  }
  for kind in shared older; do
    fresh_inst "users-$kind"
    chgrp -R "$GROUP" "$INST" && chmod 2775 "$INST" && chmod -R g+w "$INST"
    as_user "$UA"
    wait_window '^Voskbase v2\.0$' 60 >/dev/null || abort "$kind: A's window did not appear"
    make_edit "USER${kind}part"
    kill -9 "$APP_PID"; wait "$APP_PID" 2>/dev/null || true
    APP_PID=
    window_gone || true
    check "$kind: A's journal holds the edit" grep -aq "USER${kind}part" "$INST/main.jnl"
    if [ "$kind" = shared ]; then
      for f in voskbase.lock main.jnl history.dat; do
        check "$kind: $f is A's, of the folder's group, writable by it" \
          [ "$(stat -c '%U %G %A' "$INST/$f")" = "$UA $GROUP -rw-rw-r--" ]
      done
    else
      chmod 644 "$INST/voskbase.lock" "$INST/main.jnl"
    fi
    as_user "$UB"
    if box=$(wait_window '^Voskbase$' 30); then answer_box "$box" || true; else check "$kind: B is asked about the lock" false; fi
    if box=$(wait_window '^Voskbase$' 10); then answer_box "$box" || true; else check "$kind: B is told of the recovery" false; fi
    wait_window '^Voskbase v2\.0' 30 >/dev/null || abort "$kind: B's window did not appear"
    check "$kind: B writes the folder (not read-only)" [ "$(read_only_windows)" = 0 ]
    check "$kind: A's edit is recovered into main.dat" has_record "USER${kind}part"
    check "$kind: the journal is emptied" [ ! -e "$INST/main.jnl" ]
    check "$kind: the lock is B's now" grep -q "^$APP_PID\$" "$INST/voskbase.lock"
    close_pid "$APP_PID"; wait_pid_exit "$APP_PID" "$kind: B's program"; APP_PID=
    check "$kind: main.dat keeps the folder's group" [ "$(stat -c %G "$INST/main.dat")" = "$GROUP" ]
    window_gone || true
  done
else
  echo "skipped: two users on one folder (needs root, useradd and setpriv)"
fi

finish
