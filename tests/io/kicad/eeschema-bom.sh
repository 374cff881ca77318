#!/bin/bash
# eeschema-bom.sh SCH: eeschema's "Generate BOM" with its default script on one schematic,
# under an X session already running (DISPLAY, openbox). Every step waits on a state: a window
# mapped and ready for input, the file written and no longer growing, the program gone.
export DISPLAY=${DISPLAY:-:0} HOME=${HOME_FOR_KICAD:-/tmp/fk/home}
sch="$1"; dir=$(dirname "$sch"); base=$(basename "$sch" .kicad_sch)
s(){ xdotool mousemove $(python3 -c "print(round($1*1280/1225), round($2*1280/1225))") click 1; }
# Waits until a window of this name is mapped and has taken the input focus.
ready(){ local w; w=$(xdotool search --sync --onlyvisible --name "$1" | head -n1) &&
  xdotool windowactivate --sync "$w" && xdotool windowfocus --sync "$w"; }
mkdir -p /tmp/fk
eeschema "$sch" >/tmp/fk/ee.log 2>&1 & pid=$!
ready 'Schematic Editor' || exit 1
s 1053 58
ready 'Bill of Material' || exit 1
s 941 665
# The script has written the CSV once it exists and its size stays the same between two looks.
last=-1
for i in $(seq 120); do
  size=$(stat -c %s "$dir/$base.csv" 2>/dev/null || echo -1)
  [ "$size" -gt 0 ] && [ "$size" = "$last" ] && break
  last=$size; sleep 0.5
done
ls -la "$dir/$base.xml" "$dir/$base.csv"
wmctrl -c "Bill of Material"
xdotool search --sync --onlyvisible --name 'Schematic Editor' >/dev/null && wmctrl -c "Schematic Editor"
for i in $(seq 20); do kill -0 $pid 2>/dev/null || break; sleep 0.5; done
kill $pid 2>/dev/null; wait $pid 2>/dev/null
