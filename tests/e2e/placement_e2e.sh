#!/usr/bin/env bash
# Where the windows go under a real window manager (Xvfb + openbox), on a 1280x1024 and a
# 1024x768 screen: the outer windows (frames, read from the X server) of the splash, the
# inventory window, the reference window and the picture window at their places and sizes,
# every caption below the top edge and every window inside the screen.
set -euo pipefail
BIN=$1
OUT=$2
: "${VOSK_SOURCE_DATA:?bundled installation folder}"
rm -rf "$OUT" && mkdir -p "$OUT"
. "$(dirname "$0")/xsession.sh"
. "$(dirname "$0")/../faults/checks.sh"
trap 'status=$?; x_stop; report_early_end $status' EXIT

# Frame predicates for wait_frame: arguments x y w h.
SW=0 SH=0
inside_screen() { (( $1 >= 0 && $2 >= 0 && $1 + $3 <= SW && $2 + $4 <= SH )); }
frame_is() { # expected x y w h, then the frame
  [ "$1 $2 $3 $4" = "$5 $6 $7 $8" ]
}
splash_frame() { frame_is "$SPLASH_X" "$SPLASH_Y" 307 266 "$@"; }
# The centre of the frame within 2 pixels of the splash's centre (halves rounded).
centred_on_splash() {
  local dx=$(( 2 * $1 + $3 - 2 * SPLASH_X - 307 )) dy=$(( 2 * $2 + $4 - 2 * SPLASH_Y - 266 ))
  (( dx >= -4 && dx <= 4 && dy >= -4 && dy <= 4 ))
}
# Left 5, top 1, as high as the screen less 80; as wide as the page control with its margin
# (607) plus at most the frame's sides.
inventory_frame() { (( $1 == 5 && $2 == 1 && $4 == SH - 80 && $3 >= 607 && $3 <= 613 )); }
reference_frame() { frame_is 102 118 611 213 "$@"; }
# Hangs below the reference window's frame, its right edge on the reference window's (placed
# at the size the first lookup gives it).
picture_frame() { (( $2 == 118 + 213 && $1 + $3 == 102 + 611 )) && inside_screen "$@"; }

one_screen() { # WIDTHxHEIGHT
  local size=$1 box base ref images f
  SW=${size%x*} SH=${size#*x}
  # Centred on the screen, each half a real number, the difference rounded to even.
  SPLASH_X=$(python3 -c "print(round($SW / 2 - 307 / 2))")
  SPLASH_Y=$(python3 -c "print(round($SH / 2 - 266 / 2))")
  x_start "$size"
  echo "screen $size"

  # 1. An empty folder: the first missing-file message comes while the splash is up.
  mkdir -p "$OUT/$size/empty"
  make_config "$OUT/$size/config1" "$OUT/$size/empty"
  (cd "$OUT/$size" && XDG_CONFIG_DIRS="$OUT/$size/config1" exec "$BIN") >>"$OUT/run.log" 2>&1 &
  APP_PID=$!
  box=$(wait_window '^Voskbase$' 30) || abort "$size: no message box on an empty folder"
  local splash=
  for id in $(xdotool search --onlyvisible --classname voskbase 2>/dev/null); do
    xdotool getwindowgeometry "$id" 2>/dev/null | grep -q 'Geometry: 307x266$' && splash=$id
  done
  if [ -n "$splash" ]; then
    f=$(wait_frame "$splash" splash_frame 10) || true
    echo "  splash frame: $f"
    check "$size: the splash is centred, 307x266 ($f)" splash_frame $f
  else
    check "$size: the splash is shown with the message" false
  fi
  f=$(wait_frame "$box" centred_on_splash 10) || true
  echo "  message box frame: $f"
  check "$size: the message box lies inside the screen ($f)" inside_screen $f
  check "$size: the message box is centred on the splash ($f)" centred_on_splash $f
  # Each message answered, its file is created.
  for file in main.dat strings.dat components.lst; do
    box=$(wait_window '^Voskbase$' 30) || abort "$size: no message box for $file"
    answer_until_file "$box" "$OUT/$size/empty/$file" 30 || abort "$size: $file was not created after its message"
  done
  base=$(wait_window '^Voskbase v2\.0$' 30) || abort "$size: inventory window did not appear"
  f=$(wait_frame "$base" inventory_frame 10) || true
  echo "  inventory frame: $f"
  inventory_frame $f || { xprop -id "$base" WM_NORMAL_HINTS _NET_WM_STATE _NET_FRAME_EXTENTS; xwininfo -id "$base" | grep -E 'Absolute|Width|Height'; }
  check "$size: the inventory window's frame at 5,1, $((SH - 80)) high ($f)" inventory_frame $f
  check "$size: the inventory window lies inside the screen" inside_screen $f

  # 2. The reference window and the picture window below it.
  focus_window "$base" || abort "$size: the inventory window does not take the focus"
  xdotool mousemove --window "$base" 509 172 click 1 # "Справочник"
  ref=$(wait_window 'Справочник по' 20) || abort "$size: reference window did not open"
  images=$(wait_window '^(Images|Д9Б)$' 20) || abort "$size: picture window did not open"
  f=$(wait_frame "$ref" reference_frame 10) || true
  echo "  reference frame: $f"
  check "$size: the reference window's frame at 102,118, 611x213 ($f)" reference_frame $f
  f=$(wait_frame "$images" picture_frame 10) || true
  echo "  picture frame: $f"
  check "$size: the picture window hangs below the reference window, inside the screen ($f)" picture_frame $f
  import -window root "$OUT/screen-$size.png" 2>/dev/null || true

  wmctrl -c 'Voskbase v2.0'
  wait_exit "$APP_PID" 30 || abort "$size: program did not end"
  APP_PID=
  x_stop
}

one_screen 1280x1024
one_screen 1024x768
finish
