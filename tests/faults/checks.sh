# Sourced by the fault tests after ../e2e/xsession.sh: counted checks and a few helpers.

passed=0
failed=0
# check NAME COMMAND...: runs the command; counts and prints the outcome.
check() {
  local name=$1; shift
  if "$@"; then passed=$((passed + 1)); echo "ok: $name"; else failed=$((failed + 1)); echo "FAILED: $name"; fi
}
finished=
finish() {
  finished=1
  echo "$passed passed, $failed failed"
  exit $(( failed > 0 ))
}
# For the EXIT trap: a script stopped by an unexpected error still ends with its count.
report_early_end() {
  [ -n "$finished" ] && return
  failed=$((failed + 1))
  echo "FAILED: the test stopped early (status $1)"
  echo "$passed passed, $failed failed"
}
# A failure after which the test cannot go on.
abort() { failed=$((failed + 1)); echo "FAILED: $*"; finish; }

now_us() { echo "${EPOCHREALTIME/./}"; }
now_ms() { echo $(( ${EPOCHREALTIME/./} / 1000 )); }

inventory_shown() { xdotool search --onlyvisible --name '^Voskbase v2\.0$' >/dev/null 2>&1; }
box_shown() { xdotool search --onlyvisible --name '^Voskbase$' >/dev/null 2>&1; }
no_box_shown() { ! box_shown; }
app_alive() { kill -0 "$APP_PID" 2>/dev/null; }

# Presses Return on the message box $1 until no message box is shown, for up to 20 seconds:
# a key that comes before the box has the focus is lost, so it is pressed again.
answer_box() {
  local i
  for i in $(seq 200); do
    box_shown || return 0
    if (( i % 10 == 1 )) && xwininfo -id "$1" 2>/dev/null | grep -q IsViewable; then
      xdotool windowactivate --sync "$1" key --clearmodifiers Return >/dev/null 2>&1 ||
        xdotool key --window "$1" Return >/dev/null 2>&1 || true
    fi
    sleep 0.1
  done
  return 1
}

# Starts the program with the settings folder $1; waits up to 60 seconds for its window.
start_app() {
  (cd "$OUT" && XDG_CONFIG_DIRS="$1" exec "$BIN") >>"$OUT/run.log" 2>&1 &
  APP_PID=$!
  wait_window '^Voskbase v2\.0$' 60 >/dev/null
}

# Waits until the window manager has framed the inventory window: its event loop is running
# and a close request goes to it at once.
inventory_settled() {
  local id f
  id=$(xdotool search --onlyvisible --name '^Voskbase v2\.0$' 2>/dev/null | head -n1) || return 1
  [ -n "$id" ] || return 1
  framed() { [ "$(xprop -id "$id" _NET_FRAME_EXTENTS 2>/dev/null | grep -c '=')" = 1 ]; }
  for _ in $(seq 300); do framed && return 0; sleep 0.1; done
  f=$(frame_geometry "$id")
  echo "  inventory window $id not framed: $f" >&2
  return 1
}

# Waits until no window of the program is left on the server, so that a later start is not
# mistaken for an earlier one.
window_gone() {
  for _ in $(seq 100); do
    inventory_shown || return 0
    sleep 0.05
  done
  return 1
}

# The inventory window of the program with pid $1.
window_of_pid() {
  local id
  for id in $(xdotool search --onlyvisible --name '^Voskbase v2\.0' 2>/dev/null); do
    [ "$(xdotool getwindowpid "$id" 2>/dev/null)" = "$1" ] && { echo "$id"; return 0; }
  done
  return 1
}
# An edit as a user makes it in the program $2 (default $APP_PID): on the tab «Изменение»
# the name $1 is typed and «Добавить» pressed (one part, the category the name falls into).
# Positions are those of the controls inside the inventory window.
make_edit() {
  local id
  id=$(window_of_pid "${2:-$APP_PID}") || return 1
  xdotool windowactivate --sync "$id" || return 1
  xdotool mousemove --window "$id" 130 10 click 1 # the tab
  xdotool mousemove --window "$id" 150 43 click 1 # the name box
  xdotool type --delay 20 "$1"
  xdotool mousemove --window "$id" 271 133 click 1 # «Добавить»
  # The change is done once its journal line is on the disk.
  for _ in $(seq 50); do
    [ -e "$INST/main.jnl" ] && grep -aq "$1" "$INST/main.jnl" && return 0
    sleep 0.1
  done
  echo "  (the edit $1 did not reach main.jnl within 5 s)"
  return 0
}
# True when main.dat in $INST holds a record named $1.
has_record() { grep -aq "$(printf '\x01')$1$(printf '\x01')" "${2:-$INST/main.dat}"; }
# Peak memory of the running program, in MB.
peak_rss_mb() { awk '/VmHWM/ { print int($2 / 1024) }' "/proc/$APP_PID/status" 2>/dev/null || echo 0; }
# A fresh installation folder $INST (a copy of the bundled one) with its settings folder.
fresh_inst() {
  INST=$OUT/$1
  rm -rf "$INST" && mkdir -p "$INST"
  cp -r "$VOSK_SOURCE_DATA/." "$INST/"
  make_config "$OUT/config-$1" "$INST"
  CONFIG=$OUT/config-$1
}
# Presses Escape on the message box $1 and waits up to 5 seconds for it to go.
escape_box() {
  xdotool windowactivate --sync "$1" key --clearmodifiers Escape 2>/dev/null || xdotool key --window "$1" Escape
  for _ in $(seq 50); do box_shown || return 0; sleep 0.1; done
  return 1
}
# Starts the program on $CONFIG without waiting for any window.
launch() {
  (cd "$OUT" && XDG_CONFIG_DIRS="$CONFIG" exec "$@" "$BIN") >>"$OUT/run.log" 2>&1 &
  APP_PID=$!
}

# The opening of a fault script, after xsession.sh and this file are sourced: a fresh $OUT
# and a private X session, stopped with the count reported however the script ends.
# EXTRA_CLEANUP, when set, is run after the X session stops (another program to kill, say).
begin_faults() {
  rm -rf "$OUT" && mkdir -p "$OUT"
  trap 'status=$?; x_stop; eval "${EXTRA_CLEANUP:-}" || true; report_early_end $status' EXIT
  x_start
}
