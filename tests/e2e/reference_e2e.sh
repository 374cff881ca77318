#!/usr/bin/env bash
# The reference book with the real binary: "Справочник" opens the reference window, a type
# typed into its box and Enter draws the tables and shows the drawings below the window.
set -euo pipefail
BIN=$1
OUT=$2
rm -rf "$OUT" && mkdir -p "$OUT"
. "$(dirname "$0")/xsession.sh"
trap x_stop EXIT
x_start

# A Russian keyboard before the program starts: the letters are typed from the keyboard's own
# map. (Typing them on a Latin map makes xdotool remap a key for each letter, and a program
# that reads the map a moment late under load gets another letter or none.)
setxkbmap ru || fail "cannot set the Russian keyboard"
cp -r "$VOSK_SOURCE_DATA" "$OUT/data"
make_config "$OUT/config" "$OUT/data"
(cd "$OUT" && XDG_CONFIG_DIRS="$OUT/config" exec "$BIN") >"$OUT/run.log" 2>&1 &
APP_PID=$!
base=$(wait_window '^Voskbase v2\.0$' 20) || fail "inventory window did not appear"
xdotool search --onlyvisible --name 'Справочник по' >/dev/null 2>&1 && fail "reference window visible at start"
# The window in its place (framed, placed again with its frame) and focused before a click.
at_its_place() { (( $1 == 5 && $2 == 1 )); }
wait_frame "$base" at_its_place 20 >/dev/null || fail "inventory window not at its place"
ref=
for _ in 1 2 3; do
  focus_window "$base" || fail "inventory window does not take the focus"
  xdotool mousemove --window "$base" 509 172 click 1        # "Справочник"
  ref=$(wait_window 'Справочник по' 10) && break
done
[ -n "$ref" ] || fail "reference window did not open"
images=$(wait_window '^(Images|Д9Б)$' 20) || fail "picture window did not open"
ref_placed() { (( $1 == 102 && $2 == 118 )); }
wait_frame "$ref" ref_placed 20 >/dev/null || fail "reference window not at its place"
# Typed into the type box once it has the focus; a lookup whose keys went astray is typed
# again. The caption of the picture window tells that the lookup ran.
looked_up=
for _ in 1 2 3; do
  focus_window "$ref" || fail "reference window does not take the focus"
  xdotool mousemove --window "$ref" 40 15 click 1           # into the type box
  xdotool key --clearmodifiers End BackSpace BackSpace BackSpace BackSpace BackSpace BackSpace BackSpace BackSpace
  xdotool type --delay 40 'КС191Ж'
  xdotool key Return
  wait_window '^КС191Ж$' 10 >/dev/null && { looked_up=1; break; }
done
[ -n "$looked_up" ] || fail "picture window caption did not follow the lookup"
# A drawn table has dark text on white: the picture is far from uniform. The tables are
# painted after the caption changes, so the pictures are taken until they show them.
drawn() {
  local spread
  import -window "$1" "$2" 2>/dev/null || return 1
  spread=$(convert "$2" -colorspace Gray -format '%[fx:standard_deviation]' info:)
  awk -v s="$spread" 'BEGIN { exit !(s > 0.05) }'
}
for shot in reference images; do
  id=$ref
  [ "$shot" = images ] && id=$images
  ok=
  for _ in $(seq 100); do drawn "$id" "$OUT/$shot.png" && { ok=1; break; }; sleep 0.1; done
  [ -n "$ok" ] || fail "$shot.png looks blank"
done
import -window root "$OUT/screen.png"
wmctrl -c 'Voskbase v2.0'
wait_exit "$APP_PID" 20 || fail "program did not end"
APP_PID=
echo "screenshots in $OUT"
echo "1 passed, 0 failed"
