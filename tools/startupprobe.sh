#!/usr/bin/env bash
# Start-up of the real binary on a full store (65,535 records) against a bare Qt Widgets
# program, in the same X session (Xvfb + openbox), interleaved run by run:
#
#   tools/startupprobe.sh BUILD_DIR [RUNS] [OTHER_VOSKBASE]
#
# BUILD_DIR holds app/voskbase and the bench targets windowprobe_bench, startup_mapwait and
# bare_window. OTHER_VOSKBASE, if given, is another build of the program (an older commit, say)
# timed in the same rounds on the same folder. Each line: program, ms to its window mapped,
# peak RSS in KiB, exit status; then the medians, and the program's own share (its time minus
# the bare program's of the same round).
set -euo pipefail
BUILD=$(cd "$1" && pwd)
RUNS=${2:-11}
OTHER=${3:-}
SRC=$(cd "$(dirname "$0")/.." && pwd)
OUT=$(mktemp -d)
. "$SRC/tests/e2e/xsession.sh"
trap 'x_stop; rm -rf "$OUT"' EXIT
x_start
export XDG_RUNTIME_DIR="$OUT/runtime" && mkdir -m 700 "$XDG_RUNTIME_DIR"

cp -r "$SRC/data" "$OUT/folder"
"$BUILD/bench/windowprobe/windowprobe_bench" --write-main="$OUT/folder/main.dat"
make_config "$OUT/config" "$OUT/folder"
WAIT="$BUILD/bench/startup/startup_mapwait"

run_program() { # label binary
  local line
  line=$(cd "$OUT" && XDG_CONFIG_DIRS="$OUT/config" "$WAIT" 'Voskbase v2.0' "$2")
  echo "$1 $line"
}

# One start of each, not counted: the files and libraries come into the page cache.
"$WAIT" 'bare window' "$BUILD/bench/startup/bare_window" >/dev/null
run_program warm "$BUILD/app/voskbase" >/dev/null
if [ -n "$OTHER" ]; then run_program warm "$OTHER" >/dev/null; fi

for _ in $(seq "$RUNS"); do
  echo "bare $("$WAIT" 'bare window' "$BUILD/bench/startup/bare_window")"
  run_program voskbase "$BUILD/app/voskbase"
  if [ -n "$OTHER" ]; then run_program other "$OTHER"; fi
done | tee "$OUT/runs.txt"

python3 - "$OUT/runs.txt" <<'PY'
import statistics, sys
rounds, cur = [], {}
for line in open(sys.argv[1]):
    label, ms, rss, status = line.split()
    if label == "bare" and cur:
        rounds.append(cur); cur = {}
    cur[label] = (float(ms), int(rss), int(status))
rounds.append(cur)
print(f"{len(rounds)} rounds")
for label in ("bare", "voskbase", "other"):
    rows = [r[label] for r in rounds if label in r]
    if not rows:
        continue
    line = (f"{label}: to the window {statistics.median(x[0] for x in rows):.1f} ms (median; "
            f"min {min(x[0] for x in rows):.1f}, max {max(x[0] for x in rows):.1f}), "
            f"peak RSS {statistics.median(x[1] for x in rows) / 1024:.1f} MiB (median), "
            f"exit statuses {sorted(set(x[2] for x in rows))}")
    if label != "bare":
        share = [r[label][0] - r["bare"][0] for r in rounds if label in r]
        line += (f"; own share {statistics.median(share):.1f} ms (median of the rounds' differences; "
                 f"min {min(share):.1f}, max {max(share):.1f})")
    print(line)
PY
