#!/usr/bin/env bash
# Starts the real program and checks that it creates no file while it starts: the skin
# engine and the skin come from memory, and nothing else of start-up writes to disk.
#
#   startup_creates_no_files.sh PROGRAM
#
# Uses the X server in DISPLAY; ctest gives it a virtual one through tests/with_xvfb.sh.
#
# The program runs from a copy in a fresh program folder, with fresh home, temporary and
# runtime folders, which are compared before and after. Where strace works, every file,
# folder, link or socket that the program creates anywhere (/tmp and /dev/shm included)
# is caught as well. Start-up counts as done when the main window (its title ends in
# "随机点名") is visible; message boxes before it are answered with Enter.
set -euo pipefail

program=$1
scratch=$(mktemp -d)
pid=
cleanup() {
  if [ -n "$pid" ]; then
    pkill -P "$pid" 2>/dev/null || true
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  fi
  rm -rf "$scratch"
}
trap cleanup EXIT

if [ -z "${DISPLAY:-}" ]; then
  echo "FAIL: no X server; run this under tests/with_xvfb.sh"
  exit 1
fi

mkdir -p "$scratch/program/date" "$scratch/home" "$scratch/tmp" "$scratch/runtime"
chmod 700 "$scratch/runtime"
cp "$program" "$scratch/program/rollcall"
watched=("$scratch/program" "$scratch/home" "$scratch/tmp" "$scratch/runtime")

snapshot() { find "${watched[@]}" -mindepth 1 -printf '%p\n' | sort; }
snapshot > "$scratch/before.txt"

launch=("$scratch/program/rollcall")
trace=
if command -v strace >/dev/null && strace -f -qq -o /dev/null true 2>/dev/null; then
  # Outside the watched folders, so that the trace itself is no new file in them.
  trace=$(mktemp)
  launch=(strace -f -qq -o "$trace" -e status=successful
          -e trace=open,openat,creat,mkdir,mkdirat,link,linkat,symlink,symlinkat,rename,renameat,renameat2,mknod,mknodat,bind
          "${launch[@]}")
else
  echo "note: strace unavailable; checking the program's own folders only"
fi

# Under AddressSanitizer: the X keyboard library hands strndup a bounded, unterminated
# buffer, which the strict string checks take for an overflow; they stay on for our code
# in the unit tests.
if [ -n "${ASAN_OPTIONS:-}" ]; then export ASAN_OPTIONS="$ASAN_OPTIONS:strict_string_checks=0"; fi
env -C / -u QT_QPA_PLATFORM HOME="$scratch/home" TMPDIR="$scratch/tmp" \
  XDG_RUNTIME_DIR="$scratch/runtime" "${launch[@]}" &
pid=$!

# Wait for the main window; answer any message box that comes first.
up=
for _ in $(seq 1 60); do
  if ! kill -0 "$pid" 2>/dev/null; then
    echo "FAIL: the program ended during start-up"
    exit 1
  fi
  if timeout 5 xdotool search --onlyvisible --name '随机点名$' >/dev/null 2>&1; then
    up=yes
    break
  fi
  if window=$(timeout 5 xdotool search --onlyvisible --name '.' 2>/dev/null | head -1) &&
     [ -n "$window" ]; then
    timeout 5 xdotool windowfocus "$window" key Return >/dev/null 2>&1 || true
  fi
  sleep 0.5
done
if [ -z "$up" ]; then
  echo "FAIL: the main window did not come up"
  exit 1
fi
# Under strace the program is strace's child; strace ends when its child does.
program_pid=$pid
if [ -n "$trace" ]; then program_pid=$(pgrep -P "$pid" | head -1); fi
# The last thing start-up does is show the key-help tip beside the window: once the
# program has a second visible window, start-up is over. A generous deadline, so that only
# a tip that never comes fails, however loaded the machine.
tip=
for _ in $(seq 1 120); do
  count=$(timeout 5 xdotool search --onlyvisible --pid "$program_pid" 2>/dev/null | wc -l) || count=0
  if [ "$count" -ge 2 ]; then
    tip=yes
    break
  fi
  sleep 0.5
done
if [ -z "$tip" ]; then
  echo "FAIL: the key-help tip did not come up after the main window"
  exit 1
fi

snapshot > "$scratch/after.txt"
kill "$program_pid"
wait "$pid" 2>/dev/null || true
pid=

failed=
created=$(comm -13 "$scratch/before.txt" "$scratch/after.txt")
if [ -n "$created" ]; then
  echo "FAIL: start-up created these in the program, home or temporary folders:"
  echo "$created"
  failed=yes
fi
if [ -n "$trace" ]; then
  # Opens that may create (O_CREAT), and every call that makes a name in the file system.
  made=$(grep -E 'O_CREAT|(mkdir|mkdirat|link|linkat|symlink|symlinkat|rename|renameat|renameat2|mknod|mknodat)\(|bind\(.*sun_path="[^\\]' "$trace" || true)
  rm -f "$trace"
  if [ -n "$made" ]; then
    echo "FAIL: start-up made these file-system calls:"
    echo "$made"
    failed=yes
  fi
fi
[ -z "$failed" ] && echo "PASS: start-up created no file"
[ -z "$failed" ]
