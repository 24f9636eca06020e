#!/usr/bin/env bash
# Builds rollcall and starts it from build/, next to its data folder. The first time, and
# only then, the data folder build/date/ is made with one sample class, so that C can be
# pressed at once, and the voice file build/VoxSound.dat is made; a data folder or voice
# file that exists is never touched.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/setup-debian.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$(nproc)" --target rollcall edbtool voicepack

# The names are read aloud from build/VoxSound.dat. The first time it is made from Debian's
# data (a few seconds); a voice file that exists, perhaps a teacher's own, is kept.
if [ ! -e build/VoxSound.dat ]; then
  echo "Making the voice file build/VoxSound.dat (names read aloud) with build/voicepack"
  # Without it the program still runs, silently, so a failure here does not stop it.
  build/voicepack --output build/VoxSound.dat >/dev/null ||
    echo "No voice file: names are not read aloud (see the message above)"
fi

if [ ! -e build/date ]; then
  # Made aside and moved into place whole, so that an interrupted run leaves no half class.
  staging=$(mktemp -d build/date.XXXXXX)
  chmod 755 "$staging"
  trap 'rm -rf "$staging"' EXIT
  class="九（1）班"
  roster="$staging/$class.edb"
  build/edbtool create "$roster" 班级:Text:20 姓名:Text:20 回答次数:Int 错误次数:Int >/dev/null
  for name in 张伟 王芳 李娜 刘洋 陈静 杨磊 赵敏 黄勇 周婷 吴杰; do
    build/edbtool add "$roster" "$class" "$name" 0 0 >/dev/null
  done
  mv "$staging" build/date
  trap - EXIT
fi
exec build/rollcall
