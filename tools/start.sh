#!/usr/bin/env bash
# Builds the program and starts it on a working copy of the bundled installation folder.
# The copy is made once, in ~/.local/share/Voskbase/data, so the tracked data/ never changes;
# delete that folder to start again from the bundled one.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/tools/deps.sh"
cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVOSK_BUILD_TESTS=OFF -DVOSK_BUILD_BENCH=OFF >/dev/null
cmake --build "$root/build" -j"$(nproc)" --target voskbase

share=${XDG_DATA_HOME:-$HOME/.local/share}/Voskbase
if [ ! -d "$share/data" ]; then
  mkdir -p "$share"
  cp -r "$root/data" "$share/data"
  echo "Working copy of the installation folder: $share/data"
fi
# The program finds its folder through Ferrowind/Vosk.conf in the system configuration
# folders; a private one is put first so that the machine's own settings stay untouched.
mkdir -p "$share/config/Ferrowind"
printf 'path=%s\n' "$share/data" > "$share/config/Ferrowind/Vosk.conf"
cd "$share/data"
XDG_CONFIG_DIRS="$share/config${XDG_CONFIG_DIRS:+:$XDG_CONFIG_DIRS}" exec "$root/build/app/voskbase"
