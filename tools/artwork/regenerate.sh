#!/bin/sh
# Redraws the pictures and rebuilds data/. Usage: regenerate.sh <build folder>
# The build folder must hold a built vosk_artwork target.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=${1:?usage: regenerate.sh <build folder>}
QT_QPA_PLATFORM=offscreen "$build/tools/artwork/vosk_artwork" \
    "$root/resources/images" "$root/data/bmp"
sh "$here/build_data.sh"
python3 "$here/check_data.py" "$root/data"
