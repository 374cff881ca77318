#!/usr/bin/env bash
# Builds the whole test suite with AddressSanitizer and UndefinedBehaviorSanitizer in a
# folder of its own and runs its core and window tests through CTest. Any sanitizer report fails the run, also one
# from a program a test starts and whose exit status it does not look at: reports go to
# files, and the run fails when any file appears.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${VOSK_ASAN_BUILD:-$root/build-asan}
jobs=${VOSK_JOBS:-$(nproc)}
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Debug -DVOSK_BUILD_TESTS=ON -DVOSK_BUILD_BENCH=OFF \
  -DVOSK_SANITIZE=address,undefined -DVOSK_WERROR="${VOSK_WERROR:-OFF}" >/dev/null
cmake --build "$build" -j"$jobs"

reports=$build/sanitizer-reports
rm -rf "$reports" && mkdir -p "$reports"
symbolizer=$(command -v llvm-symbolizer-14 || command -v llvm-symbolizer || true)
[ -n "$symbolizer" ] && export ASAN_SYMBOLIZER_PATH=$symbolizer
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:halt_on_error=1:detect_stack_use_after_return=1:check_initialization_order=1:log_path=$reports/asan"
export LSAN_OPTIONS="suppressions=$root/tools/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:log_path=$reports/ubsan"

# The end-to-end tests drive the real binary with timeouts and kill delays measured for a
# normal build; a sanitized binary runs several times slower and makes them fail on time,
# not on memory. They run here only on request (VOSK_ASAN_E2E=1).
select=(-LE e2e)
[ "${VOSK_ASAN_E2E:-0}" = 1 ] && select=()

cd "$build"
status=0
ctest --output-on-failure -j"$jobs" "${select[@]}" "$@" || status=$?
if compgen -G "$reports/*" >/dev/null; then
  for f in "$reports"/*; do
    echo "=== sanitizer report $f"
    cat "$f"
  done
  echo "sanitize: sanitizer reports found" >&2
  status=1
fi
exit "$status"
