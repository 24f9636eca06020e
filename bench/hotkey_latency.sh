#!/usr/bin/env bash
# The delay from a key press to the hot-key handler, under a private Xvfb: 200 presses sent
# through XTEST by a second X client (as xdotool sends them), then 200 xdotool processes.
# Usage: bash bench/hotkey_latency.sh [build-dir]
set -euo pipefail
build=${1:-build}
bench="$build/bench/hotkey_latency"
if [ ! -x "$bench" ]; then
  echo "build $bench first: cmake --build $build --target hotkey_latency" >&2
  exit 1
fi
# Xvfb picks a free display itself and reports it on the pipe once it accepts clients.
exec {fd}< <(Xvfb -displayfd 1 -nolisten tcp -screen 0 1024x768x24 2>/dev/null & echo "pid $!")
read -r -u "$fd" _ xvfb_pid
read -r -u "$fd" display
runtime=$(mktemp -d)
trap 'kill "$xvfb_pid" 2>/dev/null || true; rm -rf "$runtime"' EXIT
export DISPLAY=":$display" QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$runtime"
"$bench" --presses 200
"$bench" --presses 200 --xdotool
