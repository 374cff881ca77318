#!/usr/bin/env bash
# Builds everything and runs every test through CTest; then the same tests built with ASan and
# UBSan (tools/sanitize.sh) and a bounded fuzzing run (tools/fuzz.sh). Any failure fails the
# script; every stage runs, and the normal CTest summary is repeated at the end.
# VOSK_SKIP_SANITIZE=1 or VOSK_SKIP_FUZZ=1 leave a stage out.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/tools/deps.sh"
build=${VOSK_TEST_BUILD:-$root/build-tests}
# Warnings fail the build here, as in CI (VOSK_WERROR=OFF to look past them while working).
export VOSK_WERROR=${VOSK_WERROR:-ON}
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVOSK_BUILD_TESTS=ON -DVOSK_BUILD_BENCH=ON \
  -DVOSK_WERROR="$VOSK_WERROR" >/dev/null
cmake --build "$build" -j"$(nproc)"

log=$build/ctest-summary.log
ctest_status=0
(cd "$build" && ctest --output-on-failure -j"$(nproc)") 2>&1 | tee "$log" || ctest_status=$?

sanitize_status=skipped
if [ "${VOSK_SKIP_SANITIZE:-0}" != 1 ]; then
  sanitize_status=0
  "$root/tools/sanitize.sh" || sanitize_status=$?
fi
fuzz_status=skipped
if [ "${VOSK_SKIP_FUZZ:-0}" != 1 ]; then
  fuzz_status=0
  "$root/tools/fuzz.sh" || fuzz_status=$?
fi

verdict() { case $1 in 0) echo passed ;; skipped) echo skipped ;; *) echo "FAILED ($1)" ;; esac; }
echo
echo "sanitizer run: $(verdict "$sanitize_status")"
echo "fuzzing run:   $(verdict "$fuzz_status")"
echo "tests (normal build):"
sed -n '/tests passed/,$p' "$log"
for s in "$ctest_status" "$sanitize_status" "$fuzz_status"; do
  [ "$s" = 0 ] || [ "$s" = skipped ] || exit 1
done
