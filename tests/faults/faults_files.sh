#!/usr/bin/env bash
# Files that cannot be read, or not whole: main.dat failing with EIO at the first byte and
# after 4,096 (a preloaded shim), a FIFO, a device, a folder, a huge file or a line of 10 MB
# in place of main.dat, the other data files, an icon and the settings file; the command line
# on the same, and importing from and exporting to such files. Each time a window (a
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

# 5. Folders in place of the files, and one line of 10 MB in each text file the program reads
#    at start (strings.dat, components.lst, refbook.dat, Vosk.conf); a help text is a window
#    test (optionswindow_test).
ten_mb_line() { head -c 10000000 /dev/zero | tr '\0' "$1"; printf '\r\n'; }
fresh_inst folders
rm "$INST/main.dat" "$INST/strings.dat" "$INST/bmp/03.bmp"
mkdir "$INST/main.dat" "$INST/strings.dat" "$INST/bmp/03.bmp"
run_case "main.dat, strings.dat and an icon folders"
check "main.dat, strings.dat and an icon folders: told" [ "$MESSAGES" -ge 2 ]
check "main.dat, strings.dat and an icon folders: still folders" [ -d "$INST/main.dat" -a -d "$INST/strings.dat" ]
fresh_inst folders2
rm "$INST/components.lst" "$CONFIG/Ferrowind/Vosk.conf"
mkdir "$INST/components.lst" "$CONFIG/Ferrowind/Vosk.conf"
run_case "components.lst and Vosk.conf folders"
for f in strings.dat components.lst; do
  fresh_inst "long-$f"
  { ten_mb_line w; cat "$VOSK_SOURCE_DATA/$f"; } > "$INST/$f"
  cp "$INST/$f" "$OUT/long-$f.old"
  run_case "$f with a line of 10 MB"
  check "$f with a line of 10 MB: told" [ "$MESSAGES" -ge 1 ]
  check "$f with a line of 10 MB: the file is left as it was" cmp -s "$INST/$f" "$OUT/long-$f.old"
  rm -f "$OUT/long-$f.old"
done
# components.lst of 340,000 short lines (1 MB): no more categories than a record can name.
fresh_inst many-categories
awk 'BEGIN { for (i = 0; i < 340000; i++) printf "a\r\n" }' > "$INST/components.lst"
run_case "components.lst of 340,000 lines"
check "components.lst of 340,000 lines: told" [ "$MESSAGES" -ge 1 ]
fresh_inst refbook
mkfifo "$INST/refbook.dat"
run_case "refbook.dat a FIFO"
check "refbook.dat a FIFO: told" [ "$MESSAGES" -ge 1 ]
check "refbook.dat a FIFO: still the FIFO after closing" [ -p "$INST/refbook.dat" ]
fresh_inst long-refbook
ten_mb_line r > "$INST/refbook.dat"
cp "$INST/refbook.dat" "$OUT/long-refbook.old"
run_case "refbook.dat with a line of 10 MB"
check "refbook.dat with a line of 10 MB: told" [ "$MESSAGES" -ge 1 ]
check "refbook.dat with a line of 10 MB: the file is left as it was" cmp -s "$INST/refbook.dat" "$OUT/long-refbook.old"
rm -f "$OUT/long-refbook.old"
fresh_inst long-conf
{ printf 'path='; ten_mb_line c; } > "$CONFIG/Ferrowind/Vosk.conf"
run_case "Vosk.conf with a line of 10 MB"

# 6. The command line on the same files, and on what it imports and exports: never a hang
#    (each run is bounded by timeout), a refusal with status 2, the special file left as it was.
if [ -n "${VOSK_CLI:-}" ]; then
  export XDG_CONFIG_DIRS=$OUT/no-settings
  cli() { # expected-status what args...
    local want=$1 what=$2 rss got=0; shift 2
    /usr/bin/time -f '%M' -o "$OUT/cli.time" timeout 20 "$VOSK_CLI" "$@" >"$OUT/cli.out" 2>"$OUT/cli.err" || got=$?
    check "voskbase-cli $what: status $want ($got)" [ "$got" = "$want" ]
    rss=$(( $(tail -n1 "$OUT/cli.time" | tr -dc 0-9) / 1024 ))
    check "voskbase-cli $what: peak memory ${rss} MB, under 200 MB" [ "$rss" -lt 200 ]
  }
  C=$OUT/cli && rm -rf "$C" && mkdir -p "$C" && cp -r "$VOSK_SOURCE_DATA/." "$C/base/"
  cp -r "$C/base" "$C/pristine"
  mkfifo "$C/fifo" && mkdir "$C/folder" && ln -s /dev/zero "$C/zero"
  head -c 200000000 /dev/zero > "$C/huge.csv"
  { printf 'category,name,quantity,description\r\n11,x,1,'; ten_mb_line d; } > "$C/long.csv"
  for target in fifo folder zero huge.csv; do
    cli 2 "import of a $target" --folder "$C/base" import "$C/$target"
    cli 2 "import --dry-run of a $target" --folder "$C/base" import --dry-run "$C/$target"
  done
  cli 0 "import of a 10 MB description" --folder "$C/base" import --dry-run "$C/long.csv"
  check "voskbase-cli import: main.dat left as it was" cmp -s "$C/base/main.dat" "$C/pristine/main.dat"
  for target in fifo folder zero; do
    cli 2 "export to a $target" --folder "$C/base" export --all "$C/$target"
  done
  check "voskbase-cli export: the FIFO, the folder and the link stay" \
    [ -p "$C/fifo" -a -d "$C/folder" -a "$(readlink "$C/zero")" = /dev/zero ]
  if [ "$(id -u)" = 0 ]; then
    mknod "$C/full" c 1 7 && mknod "$C/null" c 1 3
    for target in full null; do cli 2 "export to a device node ($target)" --folder "$C/base" export --all "$C/$target"; done
    check "voskbase-cli export: the device nodes stay" [ -c "$C/full" -a -c "$C/null" ]
  else
    echo "skipped: device nodes of our own need root"
  fi
  cli 0 "export to a new file" --folder "$C/base" export --all "$C/new.csv"
  # The data files themselves as FIFOs, /dev/zero, folders and with a line of 10 MB.
  for f in main.dat strings.dat components.lst; do
    for kind in fifo zero folder; do
      rm -rf "$C/base" && cp -r "$C/pristine" "$C/base" && rm "$C/base/$f"
      case $kind in fifo) mkfifo "$C/base/$f" ;; zero) ln -s /dev/zero "$C/base/$f" ;; folder) mkdir "$C/base/$f" ;; esac
      cli 2 "check with $f a $kind" --folder "$C/base" check
      cli 2 "list with $f a $kind" --folder "$C/base" list
    done
    rm -rf "$C/base" && cp -r "$C/pristine" "$C/base"
    { ten_mb_line L; cat "$C/pristine/$f"; } > "$C/base/$f"
    # main.dat keeps such a line as one that holds no record (1); the others are too large to
    # read (2).
    cli "$([ $f = main.dat ] && echo 1 || echo 2)" "check with a line of 10 MB in $f" --folder "$C/base" check
  done
  # A line of 500 KB in components.lst, within the file's bound: read cut, and said.
  rm -rf "$C/base" && cp -r "$C/pristine" "$C/base"
  { head -c 500000 /dev/zero | tr '\0' L; printf '\r\n'; cat "$C/pristine/components.lst"; } > "$C/base/components.lst"
  cli 1 "check with a line of 500 KB in components.lst" --folder "$C/base" check
  check "voskbase-cli check: the long line is named" grep -q 'components.lst строки длиннее 256 байт (строки 1)' "$OUT/cli.out"
else
  echo "skipped: VOSK_CLI not given"
fi

finish
