#!/bin/bash
# gen.sh SCH: eeschema's "Generate BOM" with its default script on one schematic
export DISPLAY=:0 HOME=/tmp/fk/home
sch="$1"; dir=$(dirname "$sch"); base=$(basename "$sch" .kicad_sch)
s(){ xdotool mousemove $(python3 -c "print(round($1*1280/1225), round($2*1280/1225))") click 1; }
eeschema "$sch" >/tmp/fk/ee.log 2>&1 & pid=$!
for i in $(seq 120); do xdotool search --onlyvisible --name 'Schematic Editor' >/dev/null 2>&1 && break; sleep 0.5; done
sleep 3
s 1053 58
for i in $(seq 40); do xdotool search --onlyvisible --name 'Bill of Material' >/dev/null 2>&1 && break; sleep 0.5; done
sleep 1
s 941 665
for i in $(seq 60); do [ -s "$dir/$base.csv" ] && break; sleep 0.5; done
sleep 1
ls -la "$dir/$base.xml" "$dir/$base.csv"
wmctrl -c "Bill of Material"; sleep 1; wmctrl -c "Schematic Editor"; for i in $(seq 20); do kill -0 $pid 2>/dev/null || break; sleep 0.5; done; kill $pid 2>/dev/null; wait $pid 2>/dev/null
