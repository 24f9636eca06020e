#!/usr/bin/env bash
# Runs a command on a virtual X server of its own:  with_xvfb.sh WIDTHxHEIGHT COMMAND...
# The server picks a free display number itself (-displayfd), so tests running in parallel
# never race for one, as they can with "xvfb-run -a". The server is stopped afterwards and
# the command's exit code is returned.
set -uo pipefail
size=$1
shift
scratch=$(mktemp -d)
# -noreset: otherwise the server resets whenever its last client leaves (xdpyinfo below, each
# xdotool call) and refuses a client that connects meanwhile, such as the program starting.
Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp -noreset 3>"$scratch/display" 2>/dev/null &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null; wait "$xvfb" 2>/dev/null; rm -rf "$scratch"' EXIT
for _ in $(seq 1 100); do
  [ -s "$scratch/display" ] && break
  sleep 0.1
done
if [ ! -s "$scratch/display" ]; then
  echo "the virtual X server did not start" >&2
  exit 1
fi
export DISPLAY=":$(tr -d '[:space:]' < "$scratch/display")"
answered=
for _ in $(seq 1 100); do
  xdpyinfo >/dev/null 2>&1 && answered=yes && break
  sleep 0.1
done
if [ -z "$answered" ]; then
  echo "the virtual X server on $DISPLAY does not answer" >&2
  exit 1
fi
"$@"
