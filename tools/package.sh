#!/usr/bin/env bash
# Makes the two packages a teacher installs, from a clean clone as from a build folder that
# exists:
#   package.sh [BUILD_DIR [OUT_DIR]]     (defaults: build/ and BUILD_DIR/packages/)
# OUT_DIR receives rollcall-<version>-portable.tar.gz and rollcall_<version>_<arch>.deb.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
out=${2:-$build/packages}

bash tools/setup-debian.sh
if [ ! -e "$build/CMakeCache.txt" ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
elif grep -q '^ROLLCALL_SANITIZE:BOOL=ON' "$build/CMakeCache.txt"; then
  echo "package.sh: $build is a sanitizer build; packages are made from a normal one" >&2
  exit 1
fi
cmake --build "$build" -j "$(nproc)" --target package_files
mkdir -p "$out"
out=$(cd "$out" && pwd)
(cd "$build" && cpack -B "$out")
rm -rf "$out/_CPack_Packages"
ls -l "$out"/rollcall*.tar.gz "$out"/rollcall*.deb
