#!/usr/bin/env bash
# Builds the fuzz targets (fuzz/, clang with libFuzzer, ASan and UBSan) in a folder of their
# own and runs each one for a bounded time on a copy of its committed seed corpus, so the
# corpus in the tree never changes. Prints executions and coverage per target and fails on
# any crash, failed check, leak, undefined behaviour, timeout or running out of memory; the
# inputs that did it are kept in <build>/artifacts/<target>/.
#   tools/fuzz.sh [target ...]       VOSK_FUZZ_SECONDS (45 per target), VOSK_FUZZ_BUILD
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${VOSK_FUZZ_BUILD:-$root/build-fuzz}
seconds=${VOSK_FUZZ_SECONDS:-45}
jobs=${VOSK_JOBS:-$(nproc)}

cmake -S "$root/fuzz" -B "$build" -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 >/dev/null
cmake --build "$build" -j"$jobs"

if (($#)); then
  targets=("$@")
else
  mapfile -t targets <"$build/fuzzers.txt"
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/vosk-fuzz.XXXXXX")
trap 'rm -rf "$work"' EXIT
symbolizer=$(command -v llvm-symbolizer-14 || command -v llvm-symbolizer || true)
[ -n "$symbolizer" ] && export ASAN_SYMBOLIZER_PATH=$symbolizer
export ASAN_OPTIONS="detect_leaks=1:halt_on_error=1:abort_on_error=0:detect_stack_use_after_return=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
# The targets' own temporary files go to the work folder and vanish with it.
export TMPDIR=$work

summary=()
failed=()
for t in "${targets[@]}"; do
  corpus=$work/corpus-$t
  artifacts=$work/artifacts-$t
  mkdir -p "$corpus" "$artifacts"
  [ -d "$root/fuzz/corpus/$t" ] && cp "$root/fuzz/corpus/$t"/. "$corpus" -r
  log=$work/$t.log
  echo "fuzz: $t for ${seconds}s"
  status=0
  "$build/fuzz_$t" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=30 \
    -error_exitcode=77 -timeout_exitcode=78 -use_value_profile=1 -print_final_stats=1 \
    -artifact_prefix="$artifacts/" "$corpus" >"$log" 2>&1 || status=$?
  done_line=$(grep -E '^#[0-9]+[[:space:]]+DONE' "$log" | tail -n1 || true)
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n1)
  cov=$(sed -nE 's/.* cov: ([0-9]+).*/\1/p' <<<"$done_line")
  ft=$(sed -nE 's/.* ft: ([0-9]+).*/\1/p' <<<"$done_line")
  corpus_size=$(find "$corpus" -type f | wc -l)
  if ((status != 0)) || [ -z "$done_line" ] || grep -qE 'ERROR: (Address|LeakSanitizer|libFuzzer)|runtime error:|fuzz check failed' "$log"; then
    failed+=("$t")
    summary+=("$(printf '%-12s FAILED (exit %s) after %s executions' "$t" "$status" "${execs:-?}")")
    echo "---- $t: last lines of its log"
    tail -n 60 "$log"
    mkdir -p "$build/artifacts/$t"
    cp -r "$artifacts"/. "$build/artifacts/$t/"
    echo "---- inputs kept in $build/artifacts/$t/"
  else
    summary+=("$(printf '%-12s %10s executions  cov %5s  ft %6s  corpus %5s' "$t" "$execs" "$cov" "$ft" "$corpus_size")")
  fi
  echo "${summary[-1]}"
done

echo "fuzz summary (${seconds}s per target):"
printf '  %s\n' "${summary[@]}"
if ((${#failed[@]})); then
  echo "fuzz: failed: ${failed[*]}" >&2
  exit 1
fi
