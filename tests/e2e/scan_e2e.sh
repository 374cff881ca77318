#!/usr/bin/env bash
# A label's code typed by xdotool as a USB scanner types it (a key every few milliseconds,
# then Return) into the real inventory window: its record is chosen, ready to take, and
# «Убрать» takes from it; a code of no record says so in a message box.
set -euo pipefail
BIN=$1
OUT=$2
: "${VOSK_SOURCE_DATA:?bundled installation folder}"
. "$(dirname "$0")/xsession.sh"
. "$(dirname "$0")/../faults/checks.sh"
begin_faults

fresh_inst scan
start_app "$CONFIG" || abort "no inventory window"
inventory_settled || abort "inventory window not placed"
id=$(window_of_pid "$APP_PID") || abort "no inventory window of the program"
focus_window "$id" || abort "the inventory window takes no focus"
INST_RECORD=$(printf '11\001КТ315Б\001' | iconv -f utf-8 -t cp1251)
record() { LC_ALL=C grep -a "^$INST_RECORD" "$INST/main.dat" | iconv -f cp1251 -t utf-8 | tr '\001\r' '| '; }
check "the bundled КТ315Б npn: 30" test "$(record)" = "11|КТ315Б|30|npn "

# КТ315Б npn: base 32 of its name and description in Windows-1251.
xdotool type --delay 5 'VB-11-ZLJDGMJVYE-NZYG4'
xdotool key Return
# The amount is focused: 2, then «Убрать» (where «Добавить» stands). The keys reach the window
# in order, so the scan is handled before them; the take in main.jnl is the state waited on.
xdotool type --delay 20 '2'
xdotool mousemove --window "$id" 271 133 click 1
took=
for _ in $(seq 50); do
  [ -e "$INST/main.jnl" ] && LC_ALL=C grep -aq "$INST_RECORD" "$INST/main.jnl" && { took=1; break; }
  sleep 0.1
done
check "the take reached main.jnl" test -n "$took"
import -window root "$OUT/scanned.png" 2>/dev/null || true
check "no message box after the scan" no_box_shown

# A code of no record (КТ315Б xyz): a message box.
focus_window "$id" || true
xdotool type --delay 5 'VB-11-ZLJDGMJVYE-PB4XU'
xdotool key Return
box=$(wait_window '^Voskbase$' 10) || box=
check "a code of no record says so" test -n "$box"
[ -n "$box" ] && escape_box "$box"

wmctrl -c 'Voskbase v2.0' 2>/dev/null || true
for _ in $(seq 100); do app_alive || break; sleep 0.1; done
check "the program closed" bash -c "! kill -0 $APP_PID 2>/dev/null"
check "КТ315Б npn: 28 after the scan and «Убрать» 2" test "$(record)" = "11|КТ315Б|28|npn "
finish
