#!/usr/bin/env bash
# Closing when main.dat cannot be written: the installation folder read-only, and the disk
# full (a disk just too small for the new file beside the old one, and a disk filled up after
# the start). Each time closing brings the message with its choices, and with «Отмена» the
# window stays open with the
# records in memory, main.dat is still the old file, whole, with no temporary file left, and
# once the folder can be written again closing succeeds and saves every record.
# The installation folder is a tmpfs mounted for the test (root ignores permission bits, so
# only a read-only mount really refuses writing); without the right to mount, the test skips.
#   SHOTS=1 keeps a screenshot of every error message in the output folder.
set -euo pipefail
BIN=$1
OUT=$2
: "${FAULTDATA:?path of the faultdata tool}" "${VOSK_SOURCE_DATA:?bundled installation folder}"
# Mounts an interrupted earlier run may have left.
for m in $(awk -v o="$OUT/" 'index($2, o) == 1 { print $2 }' /proc/mounts | sort -r); do umount -l "$m"; done
rm -rf "$OUT" && mkdir -p "$OUT"
. "$(dirname "$0")/../e2e/xsession.sh"
. "$(dirname "$0")/checks.sh"

MOUNTS=()
cleanup() {
  local status=$?
  x_stop
  local m
  for m in "${MOUNTS[@]}"; do
    umount "$m" 2>/dev/null || umount -l "$m" 2>/dev/null || echo "could not unmount $m" >&2
  done
  [ "$status" = 77 ] || report_early_end "$status"
}
trap cleanup EXIT

mount_tmpfs() { # folder size
  mkdir -p "$1"
  mount -t tmpfs -o "size=$2,mode=0755" vosk-faults "$1" || return 1
  MOUNTS+=("$1")
}
if ! mount_tmpfs "$OUT/probe" 1m 2>"$OUT/mount.err"; then
  echo "SKIP: cannot mount a tmpfs here (mounting needs root): $(cat "$OUT/mount.err")"
  exit 77
fi

x_start

"$FAULTDATA" records 65535 "$OUT/old.dat" >/dev/null
"$FAULTDATA" expect "$OUT/old.dat" "$OUT/new.dat" >/dev/null
echo "main.dat: 65535 records, $(stat -c %s "$OUT/old.dat") bytes; written back: $(stat -c %s "$OUT/new.dat") bytes"

shopt -s nullglob
temps_in() { local f=("$1"/main.dat.*); echo "${#f[@]}"; }
used_bytes() { df -B1 --output=used "$1" | tail -n1 | tr -d ' '; }

# An installation folder on a fresh tmpfs of the given size with the old main.dat.
prepare() { # name size
  INST=$OUT/$1
  mount_tmpfs "$INST" "$2" || abort "cannot mount a tmpfs on $INST"
  cp -r "$VOSK_SOURCE_DATA/." "$INST/"
  cp "$OUT/old.dat" "$INST/main.dat"
  make_config "$OUT/config-$1" "$INST"
}

# Closes the window while writing is impossible and checks that nothing changed; $1 names
# the situation.
refused_close() {
  local what=$1 box used_before
  used_before=$(used_bytes "$INST")
  wmctrl -c 'Voskbase v2.0' || true
  if box=$(wait_window '^Voskbase$' 20); then
    check "$what: an error message comes" true
    [ -z "${SHOTS:-}" ] || import -window root "$OUT/${what//[^a-z]/_}.png"
  else
    check "$what: an error message comes" false
  fi
  check "$what: the program is still running" app_alive
  check "$what: the inventory window is still shown" inventory_shown
  check "$what: main.dat is still the old file, whole" cmp -s "$INST/main.dat" "$OUT/old.dat"
  check "$what: no temporary file left" [ "$(temps_in "$INST")" = 0 ]
  # An unlinked but still open temporary file would keep its space.
  check "$what: no space kept by the failed write ($(used_bytes "$INST") used, $used_before before)" \
    [ "$(used_bytes "$INST")" = "$used_before" ]
  if [ -n "$box" ]; then
    # The box offers «Повторить», «Сохранить в другую папку…», «Закрыть без сохранения» and
    # «Отмена»; Escape is «Отмена»: the window stays.
    escape_box "$box" || check "$what: the message box goes on Escape" false
    inventory_settled || true
    check "$what: after the message the window is still shown" inventory_shown
    check "$what: after the message the program is still running" app_alive
  fi
}

# Closes the window once writing is possible again: the program must end with status 0
# and main.dat be the new file.
successful_close() {
  local what=$1
  wmctrl -c 'Voskbase v2.0' || true
  if wait_exit "$APP_PID" 30; then
    APP_PID=
    check "$what: the program ends with status 0 ($APP_STATUS)" [ "$APP_STATUS" = 0 ]
  else
    check "$what: the program ends" false
    box_shown && echo "  a message box is shown"
    kill "$APP_PID" 2>/dev/null || true
    wait "$APP_PID" 2>/dev/null || true
    APP_PID=
  fi
  check "$what: main.dat is the new file with every record" cmp -s "$INST/main.dat" "$OUT/new.dat"
  check "$what: no temporary file left" [ "$(temps_in "$INST")" = 0 ]
  window_gone || true
}

start_or_abort() {
  start_app "$OUT/config-$1" || abort "$1: inventory window did not appear"
  inventory_settled || abort "$1: inventory window not placed"
  check "$1: no message box on loading" no_box_shown
}

# 1. A read-only folder (from the start: the program holds its lock file open for writing,
# which keeps a mount from turning read-only under it); closing is refused twice.
prepare readonly 16m
mount -o remount,ro "$INST"
touch "$INST/probe" 2>/dev/null && abort "the read-only mount accepts writing"
start_or_abort readonly
refused_close "read-only folder"
refused_close "read-only folder, second try"
mount -o remount,rw "$INST"
successful_close "read-only folder made writable"

# 2. A disk with room for the old file but not for the new one beside it; then it grows.
prepare small 16m
used=$(used_bytes "$INST")
small=$(( (used + 512 * 1024 + 4095) / 4096 * 4096 ))
mount -o remount,size=$small "$INST"
echo "small disk: $small bytes, $used used, the new file needs $(stat -c %s "$OUT/new.dat")"
start_or_abort small
refused_close "disk too small"
mount -o remount,size=16m "$INST"
successful_close "disk grown"

# 3. A disk filled up after the start; then the filler goes.
prepare filled 16m
start_or_abort filled
dd if=/dev/zero of="$INST/filler" bs=64k 2>/dev/null || true
echo "filled disk: $(df -B1 --output=avail "$INST" | tail -n1 | tr -d ' ') bytes free"
refused_close "full disk"
rm "$INST/filler"
successful_close "filler removed"

finish
