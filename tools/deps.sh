#!/usr/bin/env bash
# Installs the Debian 12 packages the program and its tests need; does nothing when all are there.
set -euo pipefail
packages=(
  cmake g++ make pkg-config
  qt6-base-dev qt6-translations-l10n libgif-dev libjpeg62-turbo-dev
  googletest libgtest-dev libbenchmark-dev libsqlite3-dev
  xvfb xdotool openbox wmctrl x11-utils x11-xkb-utils imagemagick
  fonts-dejavu-core
  dpkg-dev desktop-file-utils
  clang-14 libclang-rt-14-dev llvm-14
  libcsv-dev
  libqrencode-dev libzbar-dev poppler-utils
  zlib1g-dev
  libx11-dev
  libfontconfig-dev
  python3
  libpq-dev postgresql-15 postgresql-client-15
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
