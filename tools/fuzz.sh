#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, in build-fuzz/) and runs each for SECONDS (default 60),
# two at a time, on its seeds (tests/fuzz/seeds/TARGET) and its own corpus, which is kept
# between runs (build-fuzz/corpus/TARGET). Prints one line per target as it ends:
#
#   edb_fuzzer: 123456 runs in 60 s, coverage 2345 (features 6789), corpus 412, 0 crashes
#
# An input that crashes, hangs, leaks or trips a sanitizer is kept in build-fuzz/findings/
# and the line says so; the script then exits 1. Full logs are in build-fuzz/logs/.
#   tools/fuzz.sh [SECONDS] [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
shift || true
all=(edb_fuzzer csv_import_fuzzer voice_file_fuzzer definitions_fuzzer balloon_markup_fuzzer
     skin_fuzzer)
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=("${all[@]}")
dir=${ROLLCALL_FUZZ_DIR:-build-fuzz}
jobs=${ROLLCALL_FUZZ_JOBS:-2}

export ASAN_OPTIONS=${ASAN_OPTIONS:-"abort_on_error=1:detect_leaks=1"}
export LSAN_OPTIONS=${LSAN_OPTIONS:-"suppressions=$PWD/tools/lsan.supp:print_suppressions=0"}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-"halt_on_error=1:print_stacktrace=1"}

mkdir -p "$dir"
CC=clang CXX=clang++ cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DROLLCALL_FUZZ=ON -DROLLCALL_TESTS=OFF -DROLLCALL_BENCH=OFF >"$dir/configure.log" 2>&1 ||
  { tail -n 50 "$dir/configure.log"; exit 1; }
cmake --build "$dir" --target "${targets[@]}" -j "$(nproc)" >"$dir/build.log" 2>&1 ||
  { tail -n 50 "$dir/build.log"; exit 1; }

# Runs one target and prints its line; leaves "0" or libFuzzer's exit status in a file.
run() {
  local t=$1 log="$dir/logs/$1.log" corpus="$dir/corpus/$1" findings="$dir/findings/$1/"
  mkdir -p "$corpus" "$findings" "$dir/logs"
  local stamp="$dir/logs/$t.start"
  touch "$stamp"
  local status=0
  "$dir/fuzz/$t" "$corpus" "tests/fuzz/seeds/$t" -max_total_time="$seconds" -timeout=10 \
    -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$findings" >"$log" 2>&1 ||
    status=$?
  local runs cov ft corp found
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  read -r cov ft corp < <(sed -n 's/.* cov: \([0-9]*\) ft: \([0-9]*\) corp: \([0-9]*\).*/\1 \2 \3/p' \
    "$log" | tail -n 1) || true
  found=$(find "$findings" -maxdepth 1 -type f -newer "$stamp" \
            \( -name 'crash-*' -o -name 'leak-*' -o -name 'timeout-*' -o -name 'oom-*' \) | wc -l)
  if [ "$status" -ne 0 ] && [ "$found" -eq 0 ]; then found=1; fi
  echo "$t: ${runs:-0} runs in $seconds s, coverage ${cov:-0} (features ${ft:-0}), corpus ${corp:-0}, $found crashes"
  if [ "$status" -ne 0 ]; then
    grep -m 1 -E '^SUMMARY:|^==[0-9]+==ERROR' "$log" | sed 's/^/  /' || true
    find "$findings" -maxdepth 1 -type f -newer "$stamp" ! -name 'slow-unit-*' | sed 's/^/  input: /'
    echo "  log: $log"
  fi
  echo "$status" >"$dir/logs/$t.status"
}

running=0
for t in "${targets[@]}"; do
  if [ "$running" -ge "$jobs" ]; then
    wait -n
    running=$((running - 1))
  fi
  run "$t" &
  running=$((running + 1))
done
wait

failed=0
for t in "${targets[@]}"; do
  [ "$(cat "$dir/logs/$t.status")" = 0 ] || failed=1
done
exit "$failed"
