#!/usr/bin/env bash
# Remakes the fuzz targets' seed corpora in tests/fuzz/seeds/ (one folder per target) with
# the project's own writers (make_seeds.cpp), in the fuzz build (build-fuzz, clang). Run it
# after a writer or a format changes, and commit the result.
set -euo pipefail
cd "$(dirname "$0")/../.."
dir=${ROLLCALL_FUZZ_DIR:-build-fuzz}
CC=clang CXX=clang++ cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DROLLCALL_FUZZ=ON \
  -DROLLCALL_TESTS=OFF -DROLLCALL_BENCH=OFF >/dev/null
cmake --build "$dir" --target make_seeds -j "$(nproc)" >/dev/null
rm -rf tests/fuzz/seeds
ASAN_OPTIONS=detect_leaks=0 "$dir/fuzz/make_seeds" tests/fuzz/seeds services/skin/classroom.skin
find tests/fuzz/seeds -type f | sort | while read -r f; do
  printf '%8d  %s\n' "$(stat -c %s "$f")" "$f"
done
