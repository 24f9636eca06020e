#!/bin/sh
# Screenshots of the three windows under Xvfb with a window manager, for looking at:
#   screenshots.sh BUILD_DIR OUT_DIR
set -eu
if [ "${1:-}" = "--inside" ]; then
  build=$2
  out=$3
  openbox >/dev/null 2>&1 &
  wm=$!
  sleep 1
  for pair in 52010001:main 5201002d:statistics 5201007f:classes 5201002d:statistics-rows \
      5201007f:classes-rows; do
    rows=
    case $pair in *-rows) rows=rows ;; esac
    "$build/tests/app/window_preview" "${pair%%:*}" $rows &
    pid=$!
    sleep 2
    import -window root "$out/${pair#*:}.png"
    kill "$pid"
    wait "$pid" 2>/dev/null || true
  done
  kill "$wm"
  exit 0
fi
mkdir -p "$2"
exec xvfb-run -a -s "-screen 0 640x480x24 -noreset" "$0" --inside "$(cd "$1" && pwd)" "$(cd "$2" && pwd)"
