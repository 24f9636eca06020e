#!/bin/bash
# The program without a usable X display: one line that says so and exit status 1, for
# DISPLAY unset, empty and naming a server that does not exist, and in a Wayland session
# without Xwayland, never Qt's abort.
set -u
program="$1"
fail=0
check() {
  local what="$1" expected="$2"
  shift 2
  local err status
  err=$(timeout 20 env "$@" "$program" 2>&1 >/dev/null)
  status=$?
  if [ "$status" -ne 1 ] || [ "$err" != "rollcall: needs an X11 display$expected" ]; then
    echo "FAIL ($what): status $status, stderr: $err"
    fail=1
  fi
}
x11=" (DISPLAY is unset or no X server answers)"
xwayland=" or Xwayland (DISPLAY is unset)"
check "unset" "$x11" -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM
check "empty" "$x11" -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM DISPLAY=
check "no such server" "$x11" -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM DISPLAY=:4711
check "X11 platform asked for" "$x11" -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb DISPLAY=:4711
check "bogus" "$x11" -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM DISPLAY=nowhere.invalid:0
check "Wayland session" "$xwayland" -u DISPLAY -u QT_QPA_PLATFORM WAYLAND_DISPLAY=wayland-0 \
  XDG_SESSION_TYPE=wayland
check "Wayland session, X11 platform asked for" "$xwayland" -u DISPLAY QT_QPA_PLATFORM=xcb \
  WAYLAND_DISPLAY=wayland-0
exit "$fail"
