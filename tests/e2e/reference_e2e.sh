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

cp -r "$VOSK_SOURCE_DATA" "$OUT/data"
make_config "$OUT/config" "$OUT/data"
(cd "$OUT" && XDG_CONFIG_DIRS="$OUT/config" exec "$BIN") >"$OUT/run.log" 2>&1 &
APP_PID=$!
base=$(wait_window '^Voskbase v2\.0$' 20) || fail "inventory window did not appear"
xdotool search --onlyvisible --name 'Справочник по' >/dev/null 2>&1 && fail "reference window visible at start"
xdotool windowactivate --sync "$base"
xdotool mousemove --window "$base" 509 172 click 1          # "Справочник"
ref=$(wait_window 'Справочник по' 10) || fail "reference window did not open"
images=$(wait_window '^(Images|Д9Б)$' 10) || fail "picture window did not open"
xdotool windowactivate --sync "$ref"
xdotool mousemove --window "$ref" 40 15 click 1             # into the type box
xdotool key --clearmodifiers ctrl+a BackSpace
xdotool type --delay 40 'КС191Ж'
xdotool key Return
sleep 1
wait_window '^КС191Ж$' 10 >/dev/null || fail "picture window caption did not follow the lookup"
import -window "$ref" "$OUT/reference.png"
import -window "$images" "$OUT/images.png"
import -window root "$OUT/screen.png"
# A drawn table has dark text on white: the picture is far from uniform.
for shot in reference images; do
  spread=$(convert "$OUT/$shot.png" -colorspace Gray -format '%[fx:standard_deviation]' info:)
  awk -v s="$spread" 'BEGIN { exit !(s > 0.05) }' || fail "$shot.png looks blank (deviation $spread)"
done
wmctrl -c 'Voskbase v2.0'
wait_exit "$APP_PID" 20 || fail "program did not end"
APP_PID=
echo "screenshots in $OUT"
echo "1 passed, 0 failed"
