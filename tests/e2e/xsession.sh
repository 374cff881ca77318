# Sourced by the end-to-end scripts: a private X server with a window manager, and helpers.
# Needs: Xvfb, openbox, xdotool, wmctrl, xwininfo.

x_start() {
  local n
  for n in $(seq 90 140); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || break
  done
  export DISPLAY=":$n"
  Xvfb "$DISPLAY" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  XVFB_PID=$!
  for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
  openbox >/dev/null 2>&1 &
  WM_PID=$!
  sleep 0.5
  unset QT_QPA_PLATFORM
  export QT_QPA_PLATFORM=xcb
}

x_stop() {
  [ -n "${APP_PID:-}" ] && kill "$APP_PID" 2>/dev/null || true
  [ -n "${WM_PID:-}" ] && kill "$WM_PID" 2>/dev/null || true
  [ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" 2>/dev/null || true
  wait 2>/dev/null || true
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
