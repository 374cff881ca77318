#!/usr/bin/env bash
# The program killed (SIGKILL) again and again while it saves a 65,535-record main.dat.
# The file on disk is written with leading zeros in its numbers, which the program drops, so
# every save writes bytes that differ from the old file all along its length. After each kill
# main.dat must be exactly the old file or exactly the new one; a temporary file a kill leaves
# behind must never take main.dat's place, and the next start removes it. Last, kills between
# the journal lines of a move, a taking pass and an import (each one group), kills at every
# 1,000th entry of a 65,535-row import and at random moments of a pass of 380 takes.
#   KILLS (default 50) kills are aimed, within about BUDGET (default 150) seconds; KILL_SEED
#   fixes the choice of the delays.
set -euo pipefail
BIN=$1
OUT=$2
: "${FAULTDATA:?path of the faultdata tool}" "${VOSK_SOURCE_DATA:?bundled installation folder}"
KILLS=${KILLS:-50}
BUDGET=${BUDGET:-150}
KILL_SEED=${KILL_SEED:-$(( $(od -An -N2 -tu2 /dev/urandom) ))}
. "$(dirname "$0")/../e2e/xsession.sh"
. "$(dirname "$0")/checks.sh"
begin_faults

INST=$OUT/inst
mkdir -p "$INST"
cp -r "$VOSK_SOURCE_DATA/." "$INST/"
"$FAULTDATA" records 65535 "$OUT/old.dat" >/dev/null
cp "$OUT/old.dat" "$INST/main.dat"
make_config "$OUT/config" "$INST"
echo "main.dat: 65535 records, $(stat -c %s "$OUT/old.dat") bytes"

# Sends the close request without waiting for wmctrl, so that delays count from the moment
# it starts.
request_close() {
  CLOSE_AT=$(now_us)
  wmctrl -c 'Voskbase v2.0' 2>/dev/null &
  WMCTRL_PID=$!
}
# Busy-waits: a sleep process would add a millisecond or two of its own to delays this short.
wait_until_us() { while (( ${EPOCHREALTIME/./} < $1 )); do :; done; }
# The number of temporary files in the folder.
shopt -s nullglob
temps_now() { local f=("$INST"/main.dat.*); echo "${#f[@]}"; }

# 1. Saves that complete: the new file, and when the temporary file appears, when it is
# renamed and when the program has ended, counted from the close request.
seen_max=0 gone_max=0 exit_max=0 write_max=0
for run in 1 2 3; do
  cp "$OUT/old.dat" "$INST/main.dat"
  start_app "$OUT/config" || abort "inventory window did not appear on the 65535-record file"
  if [ "$run" = 1 ]; then
    check "no message box on loading the 65535-record file" no_box_shown
  fi
  inventory_settled || abort "inventory window not placed"
  request_close
  seen= gone=
  while kill -0 "$APP_PID" 2>/dev/null; do
    f=("$INST"/main.dat.*)
    if [ "${#f[@]}" -gt 0 ]; then
      [ -n "$seen" ] || seen=$(( $(now_us) - CLOSE_AT ))
    elif [ -n "$seen" ] && [ -z "$gone" ]; then
      gone=$(( $(now_us) - CLOSE_AT ))
    fi
  done
  ended=$(( $(now_us) - CLOSE_AT ))
  APP_STATUS=0
  wait "$APP_PID" || APP_STATUS=$?
  wait "$WMCTRL_PID" || true
  APP_PID=
  echo "complete save $run: temporary file seen at ${seen:-?} us, renamed by ${gone:-?} us, program ended at $ended us"
  check "a completed save ends with status 0 (status $APP_STATUS)" [ "$APP_STATUS" = 0 ]
  if [ "$run" = 1 ]; then
    cp "$INST/main.dat" "$OUT/new.dat"
  else
    check "save $run wrote the same file as the first" cmp -s "$INST/main.dat" "$OUT/new.dat"
  fi
  (( ended > exit_max )) && exit_max=$ended
  if [ -n "$seen" ] && [ -n "$gone" ]; then
    (( gone - seen > write_max )) && write_max=$(( gone - seen ))
  fi
  window_gone || true
done
check "the saved file differs from the old one" bash -c "! cmp -s '$OUT/old.dat' '$OUT/new.dat'"
echo "new main.dat $(stat -c %s "$OUT/new.dat") bytes"
if "$FAULTDATA" check "$OUT/old.dat" "$OUT/new.dat" >"$OUT/check.txt"; then ok=1; else ok=0; fi
check "the saved file holds every record of the old one, in order, in plain decimal" [ "$ok" = 1 ]
[ "$ok" = 1 ] || cat "$OUT/check.txt"
check "no temporary file left by a completed save" [ "$(temps_now)" = 0 ]

# 2. Kills. Two of three come after a random delay from the close request, up to a little
# more than a whole close lasts; one of three waits for the temporary file to appear and then
# a random part of the time it lived, so that many land between its first byte and the rename.
RANDOM=$KILL_SEED
span=$(( exit_max * 11 / 10 + 1 ))
wspan=$(( write_max * 3 / 2 + 1 ))
echo "kill seed $KILL_SEED; delays up to $span us after the close request, or up to $wspan us after the temporary file appears"
kills=0 missed=0 old=0 new=0 torn=0 with_temp=0 tries=0
declare -a bad=()
t_start=$(now_ms)
while [ "$kills" -lt "$KILLS" ] && [ $(( $(now_ms) - t_start )) -lt $(( BUDGET * 1000 )) ]; do
  tries=$((tries + 1))
  cp "$OUT/old.dat" "$INST/main.dat"
  # A kill leaves the folder's lock behind, and the next start would ask about it (that
  # question has a test of its own, faults_session): here it goes with the killed program.
  rm -f "$INST/voskbase.lock"
  if ! start_app "$OUT/config"; then
    bad+=("try $tries: inventory window did not appear")
    kill -9 "$APP_PID" 2>/dev/null || true
    wait "$APP_PID" 2>/dev/null || true
    APP_PID=
    break
  fi
  inventory_settled || { bad+=("try $tries: inventory window not placed"); }
  # Counted once the start has removed what earlier kills left.
  before=$(temps_now)
  if (( RANDOM % 3 )); then
    mode=delay
    delay=$(( ((RANDOM << 15) | RANDOM) % span ))
    request_close
    wait_until_us $(( CLOSE_AT + delay ))
  else
    mode=temp
    delay=$(( ((RANDOM << 15) | RANDOM) % wspan ))
    request_close
    deadline=$(( CLOSE_AT + 10000000 ))
    # A temporary file of this close: more of them than before the start.
    while :; do
      f=("$INST"/main.dat.*)
      [ "${#f[@]}" -gt "$before" ] && break
      kill -0 "$APP_PID" 2>/dev/null || break
      (( ${EPOCHREALTIME/./} < deadline )) || break
    done
    wait_until_us $(( $(now_us) + delay ))
  fi
  kill -9 "$APP_PID" 2>/dev/null || true
  status=0
  wait "$APP_PID" 2>/dev/null || status=$?
  wait "$WMCTRL_PID" 2>/dev/null || true
  APP_PID=
  if [ "$status" = 137 ]; then
    kills=$((kills + 1))
  elif [ "$status" = 0 ]; then
    missed=$((missed + 1)) # the save and the ending were over before the kill
  else
    bad+=("try $tries: the program ended with status $status")
  fi
  after=$(temps_now)
  [ "$after" -gt "$before" ] && with_temp=$((with_temp + 1))
  if cmp -s "$INST/main.dat" "$OUT/old.dat"; then
    old=$((old + 1)); outcome=old
  elif cmp -s "$INST/main.dat" "$OUT/new.dat"; then
    new=$((new + 1)); outcome=new
  else
    torn=$((torn + 1)); outcome=TORN
    cp "$INST/main.dat" "$OUT/torn.$tries.dat"
    bad+=("try $tries ($mode, $delay us): main.dat is neither the old nor the new file (kept as torn.$tries.dat)")
  fi
  echo "try $tries: $mode $delay us, status $status, main.dat $outcome, temporary files $after"
  window_gone || { bad+=("try $tries: the killed program's window stayed"); break; }
done
elapsed=$(( $(now_ms) - t_start ))
echo "kills $kills (of $tries starts, $missed too late), ${elapsed} ms; main.dat afterwards: old $old, new $new, torn $torn"
echo "kills that left a temporary file behind: $with_temp"
for b in "${bad[@]}"; do echo "  $b"; done
check "no failure during the kills" [ "${#bad[@]}" = 0 ]
check "at least 30 kills landed ($kills)" [ "$kills" -ge 30 ]
check "main.dat was the old or the new file, whole, after every kill" [ "$torn" = 0 ]
# Without kills between the temporary file and the rename the loop proved little.
check "some kills came while the new file was being written ($with_temp)" [ "$with_temp" -ge 1 ]

# 3. The next start removes the leftovers (only them), then reads main.dat and a close writes
# the new file.
left=$(temps_now)
echo "temporary files left by the kills: $left"
whole=0 prefix=0 other=0
for f in "$INST"/main.dat.*; do
  if cmp -s "$f" "$OUT/new.dat"; then
    whole=$((whole + 1))
  elif cmp -s -n "$(stat -c %s "$f")" "$f" "$OUT/new.dat"; then
    prefix=$((prefix + 1))
  else
    other=$((other + 1))
  fi
done
echo "  of them whole copies of the new file: $whole, beginnings of it: $prefix, anything else: $other"
temp_names_only() {
  local f
  for f in "$INST"/main.dat?*; do
    [ -e "$f" ] || continue
    [[ ${f##*/} =~ ^main\.dat\.[A-Za-z0-9]{6}$ ]] || { echo "  unexpected file ${f##*/}"; return 1; }
  done
}
check "leftovers are only names main.dat.XXXXXX" temp_names_only
cp "$OUT/old.dat" "$INST/main.dat"
rm -f "$INST/voskbase.lock"
echo x > "$INST/main.dat.bak"
# The starts in the loop removed what earlier kills left: one more, as a kill leaves it.
head -c 1000 "$OUT/new.dat" > "$INST/main.dat.Zz9999"
left=$(( $(temps_now) - 1 ))
if start_app "$OUT/config"; then
  check "the start removes the leftovers ($(temps_now) of $left left, other files stay)" \
    test "$(temps_now)" = 1 -a -e "$INST/main.dat.bak"
  wmctrl -c 'Voskbase v2.0' || true
  wait_exit "$APP_PID" 30 || abort "program did not end after its window was closed (beside leftovers)"
  APP_PID=
  check "after the leftovers the program ends with status 0 ($APP_STATUS)" [ "$APP_STATUS" = 0 ]
  check "after the leftovers main.dat is saved as the new file" cmp -s "$INST/main.dat" "$OUT/new.dat"
else
  abort "inventory window did not appear beside the leftovers"
fi
find "$INST" -maxdepth 1 -name 'main.dat.*' -delete
# 4. A move, a taking pass and an import are each one group of the journal, written whole or
# not at all. groupdriver makes each operation as the window does; the fault shim kills it once
# N lines of main.jnl are written, for every N from none to all. The next start of the program
# must then recover the store as it was before the operation or after it, never between.
: "${GROUPDRIVER:?path of the groupdriver tool}" "${EIOSHIM:?path of the fault shim}"
GINST=$OUT/group
printf 'category,name,quantity,description\r\n8,KD1,2,\r\n8,KD9,4,new\r\n9,KT1,1,npn\r\n' > "$OUT/in.csv"
group_folder() {
  rm -rf "$GINST" && mkdir -p "$GINST"
  cp -r "$VOSK_SOURCE_DATA/." "$GINST/"
  printf '8\001KD1\0015\001 \r\n8\001KD2\0013\001 \r\n9\001KT1\0014\001npn\r\n9\001KT2\0011\001 \r\n' > "$GINST/main.dat"
  cp "$OUT/in.csv" "$GINST/"
  # main.dat as the program writes it, so that a save of the same store gives the same bytes
  "$GROUPDRIVER" "$GINST/" none --save 2>>"$OUT/group.log"
}
make_config "$OUT/config-group" "$GINST"
CONFIG=$OUT/config-group
# Starts the program on the folder, answers what the recovery says, and closes it.
recover_in_program() {
  local box
  launch
  for _ in $(seq 300); do
    inventory_shown && break
    kill -0 "$APP_PID" 2>/dev/null || break
    if box=$(xdotool search --onlyvisible --name '^Voskbase$' 2>/dev/null | head -n1) && [ -n "$box" ]; then
      answer_box "$box" || true
    fi
    sleep 0.1
  done
  inventory_shown || { kill -9 "$APP_PID" 2>/dev/null; APP_PID=; return 1; }
  wmctrl -c 'Voskbase v2.0' || true
  wait_exit "$APP_PID" 30 || { kill -9 "$APP_PID"; APP_PID=; return 1; }
  APP_PID=
  window_gone || true
}
group_folder
cp "$GINST/main.dat" "$OUT/group-before.dat"
gkills=0 gbefore=0 gafter=0 gbetween=0
declare -a gbad=()
for op in move pass import; do
  group_folder
  "$GROUPDRIVER" "$GINST/" "$op" --save 2>>"$OUT/group.log" || abort "groupdriver $op did not complete"
  cp "$GINST/main.dat" "$OUT/group-after-$op.dat"
  cmp -s "$OUT/group-before.dat" "$OUT/group-after-$op.dat" && abort "groupdriver $op changed nothing"
  group_folder
  "$GROUPDRIVER" "$GINST/" "$op" 2>>"$OUT/group.log" || abort "groupdriver $op did not complete unsaved"
  lines=$(tr -cd '\n' < "$GINST/main.jnl" | wc -c)
  grep -aq "^B$(printf '\001')$op" "$GINST/main.jnl" || gbad+=("$op: no group line in main.jnl")
  for n in $(seq 0 "$lines"); do
    group_folder
    status=0
    LD_PRELOAD=$EIOSHIM VOSK_EIO_FILE=/no/such/file VOSK_KILL_JNL_LINES=$n \
      "$GROUPDRIVER" "$GINST/" "$op" 2>>"$OUT/group.log" &
    { wait $! || status=$?; } 2>/dev/null # without the shell's "Killed" line
    if (( n < lines )); then
      [ "$status" = 137 ] && gkills=$((gkills + 1)) || gbad+=("$op after $n lines: ended with status $status, not killed")
    fi
    recover_in_program || { gbad+=("$op after $n lines: the program did not open and close"); continue; }
    if cmp -s "$GINST/main.dat" "$OUT/group-before.dat"; then
      gbefore=$((gbefore + 1)); outcome=before
    elif cmp -s "$GINST/main.dat" "$OUT/group-after-$op.dat"; then
      gafter=$((gafter + 1)); outcome=after
    else
      gbetween=$((gbetween + 1)); outcome=BETWEEN
      cp "$GINST/main.dat" "$OUT/group-$op-$n.dat"
      gbad+=("$op after $n lines: main.dat is neither before nor after (kept as group-$op-$n.dat)")
    fi
    # A kill before the end line leaves the store as before; with the end line, after.
    if (( n == lines )) && [ "$outcome" != after ]; then gbad+=("$op with its whole journal: recovered $outcome"); fi
    if (( n < lines )) && [ "$outcome" != before ]; then gbad+=("$op after $n of $lines lines: recovered $outcome"); fi
    echo "group $op: killed after $n of $lines journal lines (status $status): main.dat $outcome"
    [ -e "$GINST/main.jnl" ] && gbad+=("$op after $n lines: main.jnl left after a normal close")
  done
done
echo "group kills $gkills; recovered as before $gbefore, as after $gafter, between $gbetween"
for b in "${gbad[@]}"; do echo "  $b"; done
check "kills between the lines of a group left the store before or after it, never between" \
  [ "${#gbad[@]}" = 0 -a "$gbetween" = 0 -a "$gkills" -ge 14 ]

# 5. Random kills of a stream of changes (adds, takes, moves), each acknowledged once the
# inventory returned from it. After the recovery the store must be the one after the
# acknowledged changes, or after one more (the change under way): one fewer is a change lost,
# one more a change applied twice, anything else a move cut in half. The history written
# beside the journal must agree with main.dat after every recovery: its lines, each once, move
# the store of the round's start to the store recovered.
group_folder
rkills=0 racked=0 rlost=0 rtwice=0 rother=0 hbad=0 hlines=0
for round in $(seq 1 12); do
  seed=$((7000 + round))
  cp "$GINST/main.dat" "$OUT/random-start.dat"
  rm -f "$GINST/history.dat"
  "$GROUPDRIVER" "$GINST/" random "$seed" 1000000 >"$OUT/random-acks" 2>/dev/null &
  pid=$!
  sleep "0.$((RANDOM % 6 + 2))"
  kill -9 "$pid" 2>/dev/null && rkills=$((rkills + 1))
  { wait "$pid" || true; } 2>/dev/null
  k=$(grep -c '^ack ' "$OUT/random-acks" || true)
  racked=$((racked + k))
  "$GROUPDRIVER" "$GINST/" none --save 2>>"$OUT/group.log" # recovers the journal and saves
  if hist=$("$GROUPDRIVER" "$GINST/" historycheck "$OUT/random-start.dat"); then :; else hbad=$((hbad + 1)); fi
  echo "random round $round: $hist"
  hl=${hist#history: }; hlines=$((hlines + ${hl%% *}))
  outcome=other
  for e in "$k:ok" "$((k + 1)):ok" "$((k - 1)):lost" "$((k + 2)):twice"; do
    n=${e%%:*}
    ((n >= 0)) || continue
    rm -rf "$OUT/expect" && mkdir -p "$OUT/expect"
    cp "$GINST/strings.dat" "$GINST/components.lst" "$OUT/expect/"
    cp "$OUT/random-start.dat" "$OUT/expect/main.dat"
    "$GROUPDRIVER" "$OUT/expect/" expect "$seed" "$n" 2>/dev/null
    if cmp -s "$GINST/main.dat" "$OUT/expect/main.dat"; then outcome=${e#*:}; break; fi
  done
  case $outcome in lost) rlost=$((rlost + 1)) ;; twice) rtwice=$((rtwice + 1)) ;; other) rother=$((rother + 1)) ;; esac
  echo "random round $round: $k changes acknowledged, recovered: $outcome"
done
echo "random kills $rkills; acknowledged changes $racked; lost $rlost, applied twice $rtwice, neither (a cut move) $rother"
check "random kills: every acknowledged change recovered once, no move cut" \
  [ "$rlost" = 0 -a "$rtwice" = 0 -a "$rother" = 0 -a "$rkills" -ge 10 -a "$racked" -gt 0 ]
echo "random kills: history lines $hlines, rounds where history and main.dat disagree $hbad"
check "random kills: the history agrees with main.dat after every recovery" [ "$hbad" = 0 -a "$hlines" -gt 0 ]

# 6. Large groups: a 65,535-row import into a store of four records is one group written at
# once. The shim kills it once N lines of main.jnl are on the disk, N = 0, 1 (the header), every
# 1,000th entry, all but the end line, all; random kills land anywhere in a taking pass of 380
# takes. The recovery (the program's own, through groupdriver) must give the store before or
# after the batch: before without the group's end line, after with it.
# A kill -9 leaves in the files what was written, whatever the file system: the folders lie in
# /dev/shm when there is one, where the flushes of 68 imports cost nothing.
BULKROOT=$(mktemp -d /dev/shm/voskbulk.XXXXXX 2>/dev/null || mktemp -d "$OUT/bulk.XXXXXX")
BULK=$BULKROOT/bulk
rm -rf "$BULK" && mkdir -p "$BULK"
cp -r "$VOSK_SOURCE_DATA/." "$BULK/"
printf '8\001KD1\0015\001 \r\n8\001KD2\0013\001 \r\n9\001KT1\0014\001npn\r\n9\001KT2\0011\001 \r\n' > "$BULK/main.dat"
{ printf 'category,name,quantity,description\r\n'
  awk 'BEGIN { for (i = 1; i <= 65535; ++i) printf "%d,B%05d,%d,d%d\r\n", (i <= 5 || i % 3 ? 8 : 9), (i <= 5 ? 0 : i), i % 7 + 1, i % 5 }'
} > "$BULK/in.csv"
# The first five rows add to one record (B00000): with 65,530 more the store is full.
"$GROUPDRIVER" "$BULK/" none --save 2>>"$OUT/group.log"
rm -rf "$BULKROOT/before" && cp -r "$BULK" "$BULKROOT/before"
bulk_folder() { rm -rf "$BULK" && cp -r "$BULKROOT/before" "$BULK"; }
bulk_started=$SECONDS
"$GROUPDRIVER" "$BULK/" import --save 2>>"$OUT/group.log" || abort "groupdriver import of 65,535 rows did not complete"
cp "$BULK/main.dat" "$OUT/bulk-after.dat"
[ "$(tr -cd '\n' < "$OUT/bulk-after.dat" | wc -c)" -ge 65535 ] || abort "the import of 65,535 rows did not fill the store"
bulk_folder
"$GROUPDRIVER" "$BULK/" import 2>>"$OUT/group.log" || abort "groupdriver import of 65,535 rows did not complete unsaved"
lines=$(tr -cd '\n' < "$BULK/main.jnl" | wc -c)
bkills=0 bbefore=0 bafter=0
declare -a bbad=()
for n in 0 1 $(seq 1001 1000 $((lines - 2))) $((lines - 1)) "$lines"; do
  bulk_folder
  status=0
  LD_PRELOAD=$EIOSHIM VOSK_EIO_FILE=/no/such/file VOSK_KILL_JNL_LINES=$n \
    "$GROUPDRIVER" "$BULK/" import 2>>"$OUT/group.log" &
  { wait $! || status=$?; } 2>/dev/null
  if (( n < lines )); then
    [ "$status" = 137 ] && bkills=$((bkills + 1)) || bbad+=("import after $n lines: ended with status $status, not killed")
  fi
  # A group cut short is said (not applied) by the recovery: an error status is expected then.
  "$GROUPDRIVER" "$BULK/" none --save 2>>"$OUT/group.log" || true
  if cmp -s "$BULK/main.dat" "$BULKROOT/before/main.dat"; then outcome=before; bbefore=$((bbefore + 1))
  elif cmp -s "$BULK/main.dat" "$OUT/bulk-after.dat"; then outcome=after; bafter=$((bafter + 1))
  else outcome=BETWEEN; cp "$BULK/main.dat" "$OUT/bulk-$n.dat"; fi
  if (( n < lines )) && [ "$outcome" != before ]; then bbad+=("import after $n of $lines lines: recovered $outcome"); fi
  if (( n == lines )) && [ "$outcome" != after ]; then bbad+=("import with its whole journal: recovered $outcome"); fi
done
echo "65,535-row import: $bkills kills in its $lines journal lines; recovered as before $bbefore, as after $bafter ($((SECONDS - bulk_started)) s)"

# A pass of 380 takes, killed at random moments of a run of about its length.
pass_started=$SECONDS
{ printf '9\001KT1\0014\001npn\r\n'
  awk 'BEGIN { for (i = 1; i <= 380; ++i) printf "8\001KD%03d\001%d\001 \r\n", i, i % 9 + 1 }'
} > "$BULK/main.dat"
rm -f "$BULK/main.jnl"
"$GROUPDRIVER" "$BULK/" none --save 2>>"$OUT/group.log"
rm -rf "$BULKROOT/pass-before" && cp -r "$BULK" "$BULKROOT/pass-before"
"$GROUPDRIVER" "$BULK/" passall --save 2>>"$OUT/group.log" || abort "groupdriver pass of 380 takes did not complete"
cp "$BULK/main.dat" "$OUT/pass-after.dat"
cmp -s "$OUT/pass-after.dat" "$BULKROOT/pass-before/main.dat" && abort "the pass of 380 takes changed nothing"
# The kills land within the shortest of three whole runs of the pass (start-up included), so
# that most of them find it running however fast or loaded the machine is; rounds go on until
# eight kills have landed (at most 48 rounds).
run_us=0
for try in 1 2 3; do
  rm -rf "$BULK" && cp -r "$BULKROOT/pass-before" "$BULK"
  t0=${EPOCHREALTIME/./}
  "$GROUPDRIVER" "$BULK/" passall 2>>"$OUT/group.log"
  t=$(( ${EPOCHREALTIME/./} - t0 ))
  (( run_us == 0 || t < run_us )) && run_us=$t
done
pkills=0 pbefore=0 pafter=0 round=0
while (( pkills < 8 && round < 48 )); do
  round=$((round + 1))
  rm -rf "$BULK" && cp -r "$BULKROOT/pass-before" "$BULK"
  "$GROUPDRIVER" "$BULK/" passall 2>>"$OUT/group.log" &
  pid=$!
  wait_until_us $(( ${EPOCHREALTIME/./} + RANDOM * RANDOM % run_us ))
  kill -9 "$pid" 2>/dev/null && pkills=$((pkills + 1))
  { wait "$pid" || true; } 2>/dev/null
  "$GROUPDRIVER" "$BULK/" none --save 2>>"$OUT/group.log" || true
  if cmp -s "$BULK/main.dat" "$BULKROOT/pass-before/main.dat"; then pbefore=$((pbefore + 1))
  elif cmp -s "$BULK/main.dat" "$OUT/pass-after.dat"; then pafter=$((pafter + 1))
  else cp "$BULK/main.dat" "$OUT/pass-$round.dat"; bbad+=("pass round $round: main.dat is neither before nor after"); fi
done
echo "pass of 380 takes: $pkills random kills in $round runs of $((run_us / 1000)) ms; recovered as before $pbefore, as after $pafter ($((SECONDS - pass_started)) s)"
rm -rf "$BULKROOT"
for b in "${bbad[@]}"; do echo "  $b"; done
check "kills in a 65,535-row import and a 380-take pass left the store before or after the batch" \
  [ "${#bbad[@]}" = 0 -a "$bkills" -ge 60 -a "$pkills" -ge 8 ]

finish
