#!/usr/bin/env bash
# Start-up and closing with the real binary: the missing-file messages come while the splash
# is up, the files are created, and closing the window as a user does writes main.dat; on a
# copy of the bundled installation folder a start and a close leave main.dat byte-identical.
set -euo pipefail
BIN=$1
OUT=$2
rm -rf "$OUT" && mkdir -p "$OUT"
. "$(dirname "$0")/xsession.sh"
trap x_stop EXIT
x_start

# 1. An empty installation folder.
mkdir -p "$OUT/empty"
make_config "$OUT/config1" "$OUT/empty"
(cd "$OUT" && XDG_CONFIG_DIRS="$OUT/config1" exec "$BIN") >"$OUT/run1.log" 2>&1 &
APP_PID=$!
for file in main.dat strings.dat components.lst; do
  box=$(wait_window '^Voskbase$' 20) || fail "no message box for $file"
  window_of_size_shown 307x266 || fail "splash not visible while the message for $file is shown"
  [ -e "$OUT/empty/$file" ] && fail "$file exists before its message was answered"
  answer_until_file "$box" "$OUT/empty/$file" 30 || fail "$file was not created"
  # The next message is another window: this one has to go first.
  for _ in $(seq 300); do xwininfo -id "$box" 2>/dev/null | grep -q IsViewable || break; sleep 0.1; done
done
wait_window '^Voskbase v2\.0$' 20 >/dev/null || fail "inventory window did not appear"
window_of_size_shown 307x266 && fail "splash still visible after start-up"
rm "$OUT/empty/main.dat"   # so that the file seen after closing is the one the close wrote
wmctrl -c 'Voskbase v2.0'
wait_exit "$APP_PID" 20 || fail "program did not end after its window was closed"
APP_PID=
[ "$APP_STATUS" = 0 ] || fail "exit status $APP_STATUS"
[ -e "$OUT/empty/main.dat" ] || fail "main.dat not written on closing"
echo "empty folder: ok"

# 2. A copy of the bundled installation folder.
cp -r "$VOSK_SOURCE_DATA" "$OUT/copy"
make_config "$OUT/config2" "$OUT/copy"
(cd "$OUT" && XDG_CONFIG_DIRS="$OUT/config2" exec "$BIN") >"$OUT/run2.log" 2>&1 &
APP_PID=$!
wait_window '^Voskbase v2\.0$' 20 >/dev/null || fail "inventory window did not appear on the bundled data"
xdotool search --onlyvisible --name '^Voskbase$' >/dev/null 2>&1 && fail "unexpected message box on the bundled data"
# The inventory window is the program's only window on screen: no splash, reference or
# picture window.
shown=$(xdotool search --onlyvisible --classname '^voskbase$' 2>/dev/null | wc -l)
[ "$shown" = 1 ] || fail "$shown windows of the program on screen after start-up"
wmctrl -c 'Voskbase v2.0'
wait_exit "$APP_PID" 20 || fail "program did not end (bundled data)"
APP_PID=
[ "$APP_STATUS" = 0 ] || fail "exit status $APP_STATUS (bundled data)"
# Work begun on other threads before QApplication must leave Qt alone: a QObject made there
# first makes that thread Qt's main thread, and events then go astray.
grep -q "not created in the main() thread" "$OUT/run2.log" && fail "Qt's main thread is another thread"
cmp "$VOSK_SOURCE_DATA/main.dat" "$OUT/copy/main.dat" || fail "main.dat changed by a start and a close"
echo "bundled data: ok"
echo "1 passed, 0 failed"
