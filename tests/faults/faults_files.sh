#!/usr/bin/env bash
# Files that cannot be read, or not whole: main.dat failing with EIO at the first byte and
# after 4,096 (a preloaded shim), a FIFO, a device, a huge file in place of main.dat, the
# other data files, an icon, a help text and the settings file. Each time a window (a
# message box or the inventory window) comes within 2 s, the program never holds more than
# 200 MB, and closing never replaces a main.dat that was not read whole.
set -euo pipefail
BIN=$1
OUT=$2
: "${VOSK_SOURCE_DATA:?bundled installation folder}" "${EIOSHIM:?path of the EIO shim}"
. "$(dirname "$0")/../e2e/xsession.sh"
. "$(dirname "$0")/checks.sh"
begin_faults

any_window() { xdotool search --onlyvisible --name '^Voskbase' >/dev/null 2>&1; }
# Starts the program ($@ goes before it, e.g. env VAR=...), checks that a window comes
# within 2 s, answers every message box with Return, waits for the inventory window,
# checks the memory peak and closes it.
run_case() {
  local what=$1; shift
  local t0 box n=0
  t0=$(now_ms)
  launch "$@"
  for _ in $(seq 100); do any_window && break; sleep 0.02; done
  local took=$(( $(now_ms) - t0 ))
  check "$what: a window within 2 s ($took ms)" [ "$took" -le 2000 ]
  while box=$(wait_window '^Voskbase$' 3); do
    n=$((n + 1))
    [ "$n" -le 5 ] || break
    answer_box "$box" || true
  done
  MESSAGES=$n
  if wait_window '^Voskbase v2\.0' 10 >/dev/null; then
    check "$what: the inventory window comes up" true
  else
    check "$what: the inventory window comes up" false
  fi
  local rss
  rss=$(peak_rss_mb)
  check "$what: peak memory ${rss} MB, under 200 MB" [ "$rss" -lt 200 ]
  wmctrl -c 'Voskbase v2.0' || true
  if ! wait_exit "$APP_PID" 20; then
    check "$what: the program ends when closed" false
    kill -9 "$APP_PID" 2>/dev/null || true
  fi
  APP_PID=
  window_gone || true
}

# 1. EIO while reading main.dat, at the first byte and after 4,096 bytes.
for after in 0 4096; do
  fresh_inst "eio$after"
  cp "$INST/main.dat" "$OUT/eio$after.old"
  run_case "EIO after $after bytes" env LD_PRELOAD="$EIOSHIM" VOSK_EIO_AFTER="$after"
  check "EIO after $after bytes: told" [ "$MESSAGES" -ge 1 ]
  check "EIO after $after bytes: main.dat intact after closing" cmp -s "$INST/main.dat" "$OUT/eio$after.old"
done

# A journal left by a killed program that cannot be read (EIO): neither replayed nor removed
# nor replaced; the folder opens read-only.
fresh_inst eiojnl
printf 'a journal left behind\r\n' > "$INST/main.jnl"
# A leading zero the program would drop: a folder it may write would be saved at closing.
printf '01\001lead\0011\001 \r\n' >> "$INST/main.dat"
cp "$INST/main.jnl" "$OUT/eiojnl.old"
cp "$INST/main.dat" "$OUT/eiojnl.dat"
run_case "EIO reading main.jnl" env LD_PRELOAD="$EIOSHIM" VOSK_EIO_FILE=main.jnl
check "EIO reading main.jnl: told" [ "$MESSAGES" -ge 1 ]
check "EIO reading main.jnl: it and main.dat are as they were after closing" \
  bash -c "cmp -s '$INST/main.jnl' '$OUT/eiojnl.old' && cmp -s '$INST/main.dat' '$OUT/eiojnl.dat'"

# 2. Special files in place of main.dat.
fresh_inst fifo
rm "$INST/main.dat" && mkfifo "$INST/main.dat"
run_case "main.dat a FIFO"
check "main.dat a FIFO: told" [ "$MESSAGES" -ge 1 ]
check "main.dat a FIFO: still the FIFO after closing" [ -p "$INST/main.dat" ]
for dev in zero urandom; do
  fresh_inst "dev$dev"
  rm "$INST/main.dat" && ln -s "/dev/$dev" "$INST/main.dat"
  run_case "main.dat /dev/$dev"
  check "main.dat /dev/$dev: told" [ "$MESSAGES" -ge 1 ]
  check "main.dat /dev/$dev: the link is untouched" [ "$(readlink "$INST/main.dat")" = "/dev/$dev" ]
done

# 3. Huge files: main.dat of 100 MB in one record line, and one with a 10 MB description.
fresh_inst huge
{ printf '1\001huge\0015\001'; head -c 100000000 /dev/zero | tr '\0' 'x'; printf '\r\n'; } > "$INST/main.dat"
cp "$INST/main.dat" "$OUT/huge.old"
run_case "main.dat of 100 MB"
check "main.dat of 100 MB: told" [ "$MESSAGES" -ge 1 ]
check "main.dat of 100 MB: intact after closing" cmp -s "$INST/main.dat" "$OUT/huge.old"
rm -f "$OUT/huge.old"
fresh_inst longdesc
{ cat "$INST/main.dat"; printf '1\001long\0015\001'; head -c 10000000 /dev/zero | tr '\0' 'y'; printf '\r\n'; } > "$OUT/long.dat"
mv "$OUT/long.dat" "$INST/main.dat"
run_case "a 10 MB description"
check "a 10 MB description: kept after closing" has_record long

# 4. The other files the program reads, as FIFOs and devices.
fresh_inst others
rm "$INST/strings.dat" "$INST/components.lst" && mkfifo "$INST/strings.dat" && ln -s /dev/zero "$INST/components.lst"
run_case "strings.dat a FIFO, components.lst /dev/zero"
check "strings.dat a FIFO, components.lst /dev/zero: told" [ "$MESSAGES" -ge 2 ]
fresh_inst icon
rm "$INST/bmp/03.bmp" && mkfifo "$INST/bmp/03.bmp"
run_case "an icon a FIFO"
fresh_inst conf
rm "$CONFIG/Ferrowind/Vosk.conf" && mkfifo "$CONFIG/Ferrowind/Vosk.conf"
run_case "Vosk.conf a FIFO"

finish
