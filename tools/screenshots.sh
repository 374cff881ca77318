#!/usr/bin/env bash
# Takes the pictures the README shows, with the real binary on a copy of the bundled
# installation folder in a private X server (Xvfb with openbox), driven by xdotool:
#   inventory.png  the inventory window, every part with its category icon, ordered by quantity;
#   bin.png        the bin tab after "Найти детали" on a few parts a job needs;
#   bin-bom.png    the bin tab after "Загрузить список деталей…" (data/kicad/amplifier-bom.csv)
#                  and "Найти детали";
#   reference.png  the reference window and its picture window after looking up КС191Ж;
#   reference-own.png  the same after looking up 1N4007, a type of the user's own (refbook.dat),
#                  its figures in dark blue;
#   marking.png    the same after looking up Д814Д1, whose drawing shows three narrow rings.
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
# Cyrillic letters on keys of their own before the program starts. Without them xdotool binds
# each letter to a spare key just for its keystroke and unbinds it at once; a program still
# fetching the new keyboard map then misses the letter now and then (КТ315Б arrived as Т315Б).
# The media keys of the server's map (no script presses them) take the letters.
xkbcomp -w0 "$DISPLAY" "$work/keymap.xkb"
awk 'BEGIN { n = split("a be ve ghe de ie io zhe ze i shorti ka el em en o pe er es te u ef ha tse che sha shcha hardsign yeru softsign e yu ya", l, " ") }
     /^ *key <I[12][0-9][0-9]> *\{ *\[ *XF86[A-Za-z0-9_]* *\] *\};/ && k < n {
       k++; sub(/\{.*/, "{ [ Cyrillic_" l[k] ", Cyrillic_" toupper(l[k]) " ] };") }
     { print } END { if (k < n) exit 1 }' "$work/keymap.xkb" >"$work/keymap-ru.xkb" ||
  fail "too few spare keys for the Cyrillic letters"
xkbcomp -w0 "$work/keymap-ru.xkb" "$DISPLAY"
mkdir -p "$out"
cp -r "$root/data" "$work/data"
make_config "$work/config" "$work/data"
# A type of the user's own in the reference book: 1N4007, the 1000 V / 1 A rectifier, in the
# DO-41-like package the book draws for КД243 (drawing 13). Code page 1251, CR LF.
printf '2@1N4007@1000@1@5@н/д@13@\r\n' | iconv -f UTF-8 -t CP1251 >"$work/data/refbook.dat"
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
# half the window's height less 30), then КС191Ж typed into the type box at (8,5) and Enter;
# the picture window takes the name of the type looked up.
click "$base" 509 $((height / 2 - 30 + 12))
ref=$(wait_window 'Справочник по' 10) || fail "reference window did not open"
wait_window '^(Images|Д9Б)$' 10 >/dev/null || fail "picture window did not open"
lookup() { # lookup <type>: typed into the type box, Enter, and the picture window follows
  xdotool windowactivate --sync "$ref"
  field "$ref" 48 17 "$1"
  xdotool key Return
  images=$(wait_window "^$1\$" 10) || fail "the picture window did not follow the lookup of $1"
  park
  no_message_box "the lookup of $1"
}
lookup 'КС191Ж'
# One picture of both windows as they stand on the screen, with their frames; what lies
# between them (the inventory window behind) is left transparent.
both() { # both <file>
  local boxes x y w h draw
  boxes=$(
    for id in "$ref" "$images"; do
      pos=$(xwininfo -id "$id" | awk '/Absolute upper-left X/ { x = $NF } /Absolute upper-left Y/ { y = $NF }
                                      /Width:/ { w = $2 } /Height:/ { h = $2 } END { print x, y, w, h }')
      ext=$(xprop -id "$id" _NET_FRAME_EXTENTS | sed 's/.*= //; s/,//g')
      echo "$pos $ext"
    done | awk '{ print $1 - $5, $2 - $7, $1 + $3 + $6 - 1, $2 + $4 + $8 - 1 }')
  read -r x y w h < <(awk '{ if (NR == 1 || $1 < L) L = $1; if (NR == 1 || $2 < T) T = $2
                             if (NR == 1 || $3 > R) R = $3; if (NR == 1 || $4 > B) B = $4 }
                           END { print L, T, R - L + 1, B - T + 1 }' <<<"$boxes")
  draw=$(awk -v x="$x" -v y="$y" '{ printf "rectangle %d,%d %d,%d ", $1 - x, $2 - y, $3 - x, $4 - y }' <<<"$boxes")
  import -window root -crop "${w}x${h}+${x}+${y}" +repage "$work/both.png"
  convert "$work/both.png" \( -size "${w}x${h}" xc:black -fill white -draw "$draw" \) \
    -alpha off -compose CopyOpacity -composite "$out/$1"
  mogrify -strip "$out/$1"
  echo "$out/$1"
}
both reference.png

# 4. A type of the user's own: 1N4007 from refbook.dat, its figures drawn in dark blue with the
# line «синим — ваши данные» under the tables.
lookup '1N4007'
both reference-own.png

# 5. A marking drawing with rings: Д814Д1, three narrow black rings at the anode.
lookup 'Д814Д1'
both marking.png

wmctrl -c 'Voskbase v2.0'
wait_exit "$APP_PID" 20 || fail "program did not end"
APP_PID=
