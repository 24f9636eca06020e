#!/usr/bin/env bash
# Installs every Debian 12 package that rollcall needs to build, run and test.
# Idempotent: packages already installed are skipped, and apt is not touched at all
# when nothing is missing. Needs root (or sudo) only when something must be installed.
set -euo pipefail

packages=(
  # build
  g++ cmake ninja-build pkg-config
  qt6-base-dev libgl-dev  # Qt's D-Bus module (the desktop portal) comes with qt6-base-dev
  libxcb1-dev libxcb-keysyms1-dev libxcb-xtest0-dev
  libsdl2-dev
  # tests and benchmarks
  libgtest-dev libgmock-dev libbenchmark-dev
  # the fuzz targets: clang and its run-time libraries (libFuzzer, the sanitizers)
  clang libclang-rt-14-dev
  # the voice pack tool: the speech synthesizer's library and voices, the Unihan readings
  libespeak-ng-dev espeak-ng-data unicode-data libbz2-dev
  # the CJK font that stands in for the Windows Song typeface
  fonts-noto-cjk
  # end-to-end tests: a virtual X server, key presses, a window manager, screenshots, sound checks
  xvfb xauth xdotool x11-utils openbox imagemagick sox python3
  # the projector tests split one X screen into monitors with xrandr
  x11-xserver-utils
  # the class window test puts pasted names on the clipboard
  xclip
  # Wayland sessions: weston (headless) with Xwayland, and the desktop portal's real front end
  # on a private session bus with a test back end in Python
  weston xwayland xdg-desktop-portal dbus-daemon dbus-bin python3-dbus python3-gi
  # the start-up test traces the program's file-system calls and finds its processes
  strace procps
  # the packages: dpkg-shlibdeps finds the run-time dependencies (it needs file), the package
  # test checks the desktop entry and draws the icon
  dpkg-dev file desktop-file-utils librsvg2-bin
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
sudo=()
if [ "$(id -u)" -ne 0 ]; then
  sudo=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -q
"${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
