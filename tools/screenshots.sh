#!/usr/bin/env bash
# Takes the pictures the README shows, with the real binary on a copy of the bundled
# installation folder in a private X server (Xvfb with openbox), driven by xdotool:
#   inventory.png  the inventory window, every part with its category icon, ordered by quantity;
#   bin.png        the bin tab after "Найти детали" on a few parts a job needs;
#   bin-bom.png    the bin tab after "Загрузить список деталей…" (data/kicad/amplifier-bom.csv)
#                  and "Найти детали";
#   reference.png  the reference window and its picture window after looking up КС191Ж.
# Usage: tools/screenshots.sh [binary]
# Without a binary it builds build/app/voskbase as tools/start.sh does. The pictures go to
# docs/screenshots/ (or $VOSK_SCREENSHOTS); look at them before committing: the clicks go to
# fixed places in the windows, as laid out for the bundled fonts.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${VOSK_SCREENSHOTS:-$root/docs/screenshots}

if [ $# -ge 1 ]; then
  bin=$(realpath "$1")
else
  "$root/tools/deps.sh"
  cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVOSK_BUILD_TESTS=OFF -DVOSK_BUILD_BENCH=OFF >/dev/null
  cmake --build "$root/build" -j"$(nproc)" --target voskbase
  bin=$root/build/app/voskbase
fi
[ -x "$bin" ] || { echo "no program at $bin" >&2; exit 1; }

work=$(mktemp -d)
. "$root/tests/e2e/xsession.sh"
trap 'x_stop; rm -rf "$work"' EXIT
x_start
mkdir -p "$out"
cp -r "$root/data" "$work/data"
make_config "$work/config" "$work/data"
(cd "$work" && XDG_CONFIG_DIRS="$work/config" LANG=C.UTF-8 exec "$bin") >"$work/run.log" 2>&1 &
APP_PID=$!

# The pointer waits in a corner no window covers, so that no button is lit and no tip shows.
park() { xdotool mousemove 1020 760; sleep 0.8; }
click() { xdotool mousemove --window "$1" "$2" "$3" click 1; }
no_message_box() {
  ! xdotool search --onlyvisible --name '^Voskbase$' >/dev/null 2>&1 || fail "unexpected message box: see $1"
}
shot() { # shot <file> <import options...>
  local file=$out/$1
  shift
  import "$@" "$file"
  mogrify -strip "$file" # no creation dates: the same windows give the same file
  echo "$file"
}

base=$(wait_window '^Voskbase v2\.0$' 20) || fail "inventory window did not appear"
no_message_box "the start"
xdotool windowactivate --sync "$base"
height=$(xwininfo -id "$base" | awk '/Height:/ { print $2 }')

# 1. The inventory window: all categories, ordered by the quantity column ("Шт", the third of
# the list at (8,192) with columns 30, 100 and 40 wide), which mixes the categories and so
# their icons.
click "$base" 158 201
park
shot inventory.png -window "$base"

# 2. The bin tab ("Корзина", the fourth tab). Its page starts at (2,25) in the window: name
# at (0,0), amount at (88,0), "Добавить" at (288,0), "Найти детали" at (288,26). Typing a name
# chooses its category through strings.dat, as it does for a user.
click "$base" 318 13
sleep 0.5
# Text goes in after the click has settled, over whatever the field held (select-all does not
# reach a spin box reliably this way).
field() { # field <window> <x> <y> <text>
  click "$1" "$2" "$3"
  sleep 0.3
  xdotool key End
  xdotool key --repeat 12 --delay 20 BackSpace
  sleep 0.2
  xdotool type --delay 40 "$4"
  sleep 0.2
}
need() { # need <name> <amount>
  field "$base" 42 35 "$1"
  field "$base" 120 35 "$2"
  click "$base" 330 37
  sleep 1.2 # the add button rests a moment after each press
  no_message_box "adding $1"
}
need 'КТ315Б' 4
need '10К' 20
need '100нф' 10
need 'КС191Ж' 20  # more than in stock
need 'КД522Б' 10
need 'КТ829А' 2   # not in stock at all
click "$base" 330 63
park
no_message_box "the find"
shot bin.png -window "$base"

# 2b. A KiCad BOM in the bin: "Загрузить список деталей…" (page 392,50, 177 wide), the file
# typed into the file dialog, the bin's question answered OK, the message about rows that could
# not be read (if any) closed, then "Найти детали".
click "$base" $((2 + 392 + 88)) $((25 + 60))
dialog=$(wait_window 'Список деталей KiCad' 10) || fail "file dialog did not open"
xdotool windowactivate --sync "$dialog"
sleep 0.5
xdotool type --delay 20 "$work/data/kicad/amplifier-bom.csv"
xdotool key Return
for _ in 1 2; do
  box=$(wait_window '^Voskbase$' 5) || break
  xdotool windowactivate --sync "$box" key Return
  sleep 0.5
done
xdotool windowactivate --sync "$base"
click "$base" 330 63
park
no_message_box "the BOM find"
shot bin-bom.png -window "$base"

# 3. "Справочник" (472,160 on the search tab; on the bin tab the row below the pages stands at
# half the window's height less 30), then КС191Ж typed into the type box at (8,5) and Enter.
click "$base" 509 $((height / 2 - 30 + 12))
ref=$(wait_window 'Справочник по' 10) || fail "reference window did not open"
wait_window '^(Images|Д9Б)$' 10 >/dev/null || fail "picture window did not open"
xdotool windowactivate --sync "$ref"
field "$ref" 48 17 'КС191Ж'
xdotool key Return
images=$(wait_window '^КС191Ж$' 10) || fail "the picture window did not follow the lookup"
park
# One picture of both windows as they stand on the screen, with their frames.
read -r x y w h < <(
  for id in "$ref" "$images"; do
    pos=$(xwininfo -id "$id" | awk '/Absolute upper-left X/ { x = $NF } /Absolute upper-left Y/ { y = $NF }
                                    /Width:/ { w = $2 } /Height:/ { h = $2 } END { print x, y, w, h }')
    ext=$(xprop -id "$id" _NET_FRAME_EXTENTS | sed 's/.*= //; s/,//g')
    echo "$pos $ext"
  done | awk '{ l = $1 - $5; t = $2 - $7; r = $1 + $3 + $6; b = $2 + $4 + $8
               if (NR == 1 || l < L) L = l; if (NR == 1 || t < T) T = t
               if (NR == 1 || r > R) R = r; if (NR == 1 || b > B) B = b }
             END { print L, T, R - L, B - T }')
shot reference.png -window root -crop "${w}x${h}+${x}+${y}" +repage

wmctrl -c 'Voskbase v2.0'
wait_exit "$APP_PID" 20 || fail "program did not end"
APP_PID=
