#!/bin/sh
# Screenshots of the three windows in the skin, the main window narrow with its key-help
# balloon and wide with its class combo box, and the class window with its paste-help
# balloon, under Xvfb with a window manager, for looking at:
#   skinned_screenshots.sh BUILD_DIR OUT_DIR
set -eu
if [ "${1:-}" = "--inside" ]; then
  build=$2
  out=$3
  openbox >/dev/null 2>&1 &
  wm=$!
  sleep 1
  for which in main wide statistics classes; do
    "$build/tests/app/skinned_preview" "$which" &
    pid=$!
    sleep 2.5  # the window comes up, then the balloon after its 600 ms delay
    import -window root "$out/skinned_$which.png"
    kill "$pid"
    wait "$pid" 2>/dev/null || true
  done
  kill "$wm"
  exit 0
fi
mkdir -p "$2"
exec xvfb-run -a -s "-screen 0 800x600x24 -noreset" "$0" --inside "$(cd "$1" && pwd)" "$(cd "$2" && pwd)"
