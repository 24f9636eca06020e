#!/bin/bash
# The program without a usable X display: one line that says so and exit status 1, for
# DISPLAY unset, empty and naming a server that does not exist.
set -u
program="$1"
fail=0
check() {
  local what="$1"
  shift
  local err status
  err=$(timeout 20 env "$@" "$program" 2>&1 >/dev/null)
  status=$?
  if [ "$status" -ne 1 ] || [ "$err" != "rollcall: needs an X11 display (DISPLAY is unset or no X server answers)" ]; then
    echo "FAIL ($what): status $status, stderr: $err"
    fail=1
  fi
}
check "unset" -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM
check "empty" -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM DISPLAY=
check "no such server" -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM DISPLAY=:4711
check "X11 platform asked for" -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb DISPLAY=:4711
check "bogus" -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM DISPLAY=nowhere.invalid:0
exit "$fail"
