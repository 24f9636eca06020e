#!/usr/bin/env bash
# Builds rollcall and starts it from build/, next to its data folder.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/setup-debian.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$(nproc)" --target rollcall
mkdir -p build/date
exec build/rollcall
