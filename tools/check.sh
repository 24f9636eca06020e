#!/usr/bin/env bash
# Builds rollcall twice, normally and with AddressSanitizer + UndefinedBehaviorSanitizer,
# and runs the whole test suite on both, with a brief run of the fuzz targets between them
# (so the output ends with the test summary). Fails on any failing test, sanitizer report or
# fuzz finding.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/setup-debian.sh

jobs=$(nproc)
export ASAN_OPTIONS="abort_on_error=1:detect_leaks=1"
export LSAN_OPTIONS="suppressions=$PWD/tools/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"

run_suite() {
  local dir=$1
  shift
  cmake -S . -B "$dir" -G Ninja "$@"
  cmake --build "$dir" -j "$jobs"
  (cd "$dir" && ctest --output-on-failure -j "$jobs" --timeout 600)
}

echo "== normal build =="
run_suite build -DCMAKE_BUILD_TYPE=RelWithDebInfo
# A few seconds of each fuzz target on its seeds and what earlier runs found, so that a
# reader change that crashes on its own seeds fails here. libFuzzer is clang's.
if command -v clang >/dev/null && command -v clang++ >/dev/null; then
  echo "== fuzz targets, 5 s each =="
  bash tools/fuzz.sh 5
else
  echo "== fuzz targets: skipped, clang is not installed =="
fi
echo "== AddressSanitizer + UndefinedBehaviorSanitizer build =="
run_suite build-asan -DCMAKE_BUILD_TYPE=Debug -DROLLCALL_SANITIZE=ON -DROLLCALL_BENCH=OFF
