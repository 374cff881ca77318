# Sourced by the end-to-end scripts: a private X server with a window manager, and helpers.
# Needs: Xvfb, openbox, xdotool, wmctrl, xwininfo.

# x_start [WIDTHxHEIGHT]: the screen is 1024x768 unless given. Returns once the window
# manager has taken the screen; a server or window manager that does not come up is started
# again (a display just given up by another server can refuse the first clients).
x_start() {
  local attempt
  for attempt in 1 2 3; do
    x_try_start "${1:-1024x768}" && return 0
    echo "X session not ready (attempt $attempt), starting it again" >&2
    x_stop
  done
  return 1
}

x_try_start() {
  # The server picks a free display itself and writes its number: two scripts started at the
  # same moment (by other builds on this machine) never take the same one.
  local numfile n
  numfile=$(mktemp)
  Xvfb -displayfd 5 -screen 0 "$1x24" -nolisten tcp 5>"$numfile" >/dev/null 2>&1 &
  XVFB_PID=$!
  for _ in $(seq 300); do [ -s "$numfile" ] && break; sleep 0.1; done
  n=$(tr -dc 0-9 <"$numfile")
  rm -f "$numfile"
  [ -n "$n" ] || return 1
  export DISPLAY=":$n"
  for _ in $(seq 300); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
  xdpyinfo >/dev/null 2>&1 || return 1
  # The window manager with its own settings, whatever settings folder the test gives the program.
  env -u XDG_CONFIG_DIRS openbox >/dev/null 2>&1 &
  WM_PID=$!
  # The window manager announces itself on the root window when it is ready to frame windows.
  for _ in $(seq 300); do
    kill -0 "$WM_PID" 2>/dev/null || return 1
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && wmctrl -m >/dev/null 2>&1 && break
    sleep 0.1
  done
  wmctrl -m >/dev/null 2>&1 || return 1
  unset QT_QPA_PLATFORM
  export QT_QPA_PLATFORM=xcb
}

x_stop() {
  [ -n "${APP_PID:-}" ] && kill "$APP_PID" 2>/dev/null || true
  [ -n "${WM_PID:-}" ] && kill "$WM_PID" 2>/dev/null || true
  [ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" 2>/dev/null || true
  wait 2>/dev/null || true
  APP_PID= WM_PID= XVFB_PID=
}

fail() { echo "FAIL: $*" >&2; exit 1; }

# Waits up to $2 seconds (default 20) for a visible window whose title matches the regex $1;
# prints its id.
wait_window() {
  local id
  for _ in $(seq $(( ${2:-20} * 10 ))); do
    id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n1 || true)
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.1
  done
  return 1
}

# The window manager's frame around the client window $1 (its ancestor just below the root):
# "left top width height" of the outer window.
frame_geometry() {
  local w=$1 parent root
  root=$(xwininfo -root | awk '/Window id:/ { print $4 }')
  while :; do
    parent=$(xwininfo -children -id "$w" 2>/dev/null | awk '/Parent window id:/ { print $4 }')
    [ -n "$parent" ] || return 1
    [ "$parent" = "$root" ] && break
    w=$parent
  done
  xwininfo -id "$w" | awk '/Absolute upper-left X:/ { x = $4 } /Absolute upper-left Y:/ { y = $4 }
                           /^ *Width:/ { w = $2 } /^ *Height:/ { h = $2 } END { print x, y, w, h }'
}

# Waits up to $3 seconds (default 10) until the command $2 (given the frame "x y w h" of
# window $1 as arguments) holds; prints the last frame seen either way.
wait_frame() {
  local f
  for _ in $(seq $(( ${3:-10} * 10 ))); do
    f=$(frame_geometry "$1") && $2 $f && { echo "$f"; return 0; }
    sleep 0.1
  done
  echo "$f"
  return 1
}

# Waits up to $2 seconds (default 20) for the file $1 to exist.
wait_file() {
  for _ in $(seq $(( ${2:-20} * 10 ))); do
    [ -e "$1" ] && return 0
    sleep 0.1
  done
  return 1
}

# Presses Return on the message box $1 until the file $2 exists (the answer's effect), for up
# to $3 seconds (default 20): a key sent before the box has the focus is lost, not an error.
answer_until_file() {
  local i
  for i in $(seq $(( ${3:-20} * 10 ))); do
    [ -e "$2" ] && return 0
    if (( i % 10 == 1 )) && xwininfo -id "$1" 2>/dev/null | grep -q 'IsViewable'; then
      xdotool windowactivate --sync "$1" key --clearmodifiers Return >/dev/null 2>&1 ||
        xdotool key --window "$1" Return >/dev/null 2>&1 || true
    fi
    sleep 0.1
  done
  [ -e "$2" ]
}

# Focuses window $1 and waits until it has the focus.
focus_window() {
  xdotool windowactivate --sync "$1" >/dev/null 2>&1 || true
  for _ in $(seq 100); do
    [ "$(xdotool getwindowfocus 2>/dev/null)" = "$1" ] && return 0
    xdotool windowfocus --sync "$1" >/dev/null 2>&1 || true
    sleep 0.1
  done
  return 1
}

# True while a visible window of the program has exactly this size ("307x266").
window_of_size_shown() {
  local id
  for id in $(xdotool search --onlyvisible --classname voskbase 2>/dev/null); do
    xdotool getwindowgeometry "$id" 2>/dev/null | grep -q "Geometry: $1\$" && return 0
  done
  return 1
}

# Waits up to $2 seconds for the program (pid $1, a child of this shell) to end by itself;
# sets APP_STATUS to its exit status.
wait_exit() {
  for _ in $(seq $(( ${2:-20} * 10 ))); do
    if ! kill -0 "$1" 2>/dev/null; then
      APP_STATUS=0
      wait "$1" || APP_STATUS=$?
      return 0
    fi
    sleep 0.1
  done
  return 1
}

# A private settings folder whose Ferrowind/Vosk.conf names the installation folder $2.
make_config() {
  mkdir -p "$1/Ferrowind"
  printf 'path=%s\n' "$2" > "$1/Ferrowind/Vosk.conf"
}
