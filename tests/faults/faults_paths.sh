#!/usr/bin/env bash
# Installation folders as users name them and keep them: Cyrillic letters, spaces and commas
# in the path, written in Vosk.conf bare or in quotes; a main.dat reached through a symbolic
# link (the link stays, its target gets the edit, its mode is kept); temporary files a killed
# save left behind are removed at the next start, other files are not; folders that cannot be
# entered give one message.
set -euo pipefail
BIN=$1
OUT=$2
: "${VOSK_SOURCE_DATA:?bundled installation folder}"
. "$(dirname "$0")/../e2e/xsession.sh"
. "$(dirname "$0")/checks.sh"
begin_faults

close_and_wait() { # what
  wmctrl -c 'Voskbase v2.0' || true
  if wait_exit "$APP_PID" 20; then check "$1: the program ends with status 0 ($APP_STATUS)" [ "$APP_STATUS" = 0 ]
  else check "$1: the program ends" false; kill -9 "$APP_PID" 2>/dev/null || true; fi
  APP_PID=
  window_gone || true
}

# 1. A folder named with Cyrillic letters, a space and a comma, bare and quoted.
n=0
for form in bare quoted; do
  n=$((n + 1))
  INST="$OUT/Моя база, копия $n"
  mkdir -p "$INST"
  cp -r "$VOSK_SOURCE_DATA/." "$INST/"
  CONFIG=$OUT/config-$form
  mkdir -p "$CONFIG/Ferrowind"
  if [ "$form" = bare ]; then printf 'path=%s\n' "$INST" > "$CONFIG/Ferrowind/Vosk.conf"
  else printf '[General]\npath="%s"\n' "$INST" > "$CONFIG/Ferrowind/Vosk.conf"; fi
  start_app "$CONFIG" || abort "$form path: inventory window did not appear"
  check "$form path: no message (the folder and its files were found)" no_box_shown
  make_edit "PATH${form}"
  close_and_wait "$form path"
  check "$form path: the edit is in that folder's main.dat" has_record "PATH${form}"
  check "$form path: nothing created in the folder it was started in" [ ! -e "$OUT/main.dat" ]
done

# 2. main.dat as a link into another folder.
fresh_inst linked
mkdir -p "$OUT/synced"
mv "$INST/main.dat" "$OUT/synced/main.dat"
chmod 0640 "$OUT/synced/main.dat"
ln -s ../synced/main.dat "$INST/main.dat"
start_app "$CONFIG" || abort "linked main.dat: inventory window did not appear"
make_edit "LINKEDpart"
close_and_wait "linked main.dat"
check "linked main.dat: still a link" [ -L "$INST/main.dat" ]
check "linked main.dat: the target holds the edit" has_record LINKEDpart "$OUT/synced/main.dat"
check "linked main.dat: the target keeps mode 640" [ "$(stat -c %a "$OUT/synced/main.dat")" = 640 ]

# 3. Leftovers of a killed save.
fresh_inst leftovers
for f in main.dat.Ab12Cd strings.dat.000000 main.dat.bak notes.txt.Ab12Cd; do echo x > "$INST/$f"; done
start_app "$CONFIG" || abort "leftovers: inventory window did not appear"
check "leftovers: the temporary files are removed" test ! -e "$INST/main.dat.Ab12Cd" -a ! -e "$INST/strings.dat.000000"
check "leftovers: other files stay" test -e "$INST/main.dat.bak" -a -e "$INST/notes.txt.Ab12Cd"
close_and_wait "leftovers"

# 4. Folders that cannot be entered: the installation folder or bmp/ a regular file, a path
# of 5,000 characters. One message, then the window.
boxes_before_window() { # prints how many message boxes came before the inventory window
  local n=0 seen=" " id
  for _ in $(seq 300); do
    inventory_shown && break
    id=$(xdotool search --onlyvisible --name '^Voskbase$' 2>/dev/null | head -n1 || true)
    if [ -n "$id" ]; then
      case "$seen" in *" $id "*) ;; *) seen="$seen$id "; n=$((n + 1)) ;; esac
      xdotool windowactivate --sync "$id" key --clearmodifiers Return >/dev/null 2>&1 || true
    fi
    sleep 0.1
  done
  echo "$n"
}
echo "not a folder" >"$OUT/plainfile"
fresh_inst bmpfile
rm -rf "$INST/bmp" && echo "not a folder" >"$INST/bmp"
for case in "installation folder a file|$OUT/plainfile" "bmp a file|$INST" \
            "a path of 5000 characters|$OUT/$(printf 'x%.0s' $(seq 5000))"; do
  what=${case%%|*}
  make_config "$OUT/config-unreachable" "${case#*|}"
  (cd "$OUT" && XDG_CONFIG_DIRS="$OUT/config-unreachable" exec "$BIN") >>"$OUT/run.log" 2>&1 &
  APP_PID=$!
  n=$(boxes_before_window)
  check "$what: one message ($n), then the window" [ "$n" = 1 ]
  check "$what: the window is there" inventory_shown
  kill -9 "$APP_PID" 2>/dev/null; wait "$APP_PID" 2>/dev/null || true
  APP_PID=
  rm -f "$INST/voskbase.lock"
  window_gone || true
done

finish
