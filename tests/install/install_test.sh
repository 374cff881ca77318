#!/usr/bin/env bash
# The program as a user gets it: `cmake --install` into a private root and the Debian package
# from cpack carry the binary, the menu entry, the icons and the template installation folder
# byte for byte; voskbase-setup makes a user's folder from the installed template and names it
# in the settings file; the installed binary started under Xvfb finds that folder through
# Ferrowind/Vosk.conf, and a start and a close leave main.dat as the template has it.
# Usage: install_test.sh <build dir> <output dir>
set -uo pipefail
BUILD=$1
OUT=$2
SOURCE=$(cd "$(dirname "$0")/../.." && pwd)
DATA=${VOSK_SOURCE_DATA:-$SOURCE/data}
rm -rf "$OUT" && mkdir -p "$OUT"

passed=0
failed=0
check() { # check <what> <command...>
  local what=$1
  shift
  if "$@"; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAIL: $what" >&2
  fi
}
finish() {
  echo "$passed passed, $failed failed"
  [ "$failed" -eq 0 ]
  exit
}
trap 'x_stop 2>/dev/null || true' EXIT
no_message_box() { ! xdotool search --onlyvisible --name '^Voskbase$' >/dev/null 2>&1; }

# 1. cmake --install into a private root.
ROOT=$OUT/root/usr
if ! cmake --install "$BUILD" --prefix "$ROOT" >"$OUT/install.log" 2>&1; then
  cat "$OUT/install.log" >&2
  check "cmake --install" false
  finish
fi
check "installed binary is executable" test -x "$ROOT/bin/voskbase"
check "installed voskbase-setup is executable" test -x "$ROOT/bin/voskbase-setup"
check "installed voskbase-cli is executable" test -x "$ROOT/bin/voskbase-cli"
check "template is the default installation folder byte for byte" diff -r "$DATA" "$ROOT/share/voskbase/data"
entry=$ROOT/share/applications/voskbase.desktop
check "desktop entry passes desktop-file-validate" desktop-file-validate "$entry"
for line in Name=Voskbase Exec=voskbase Icon=voskbase Terminal=false 'Categories=Office;Electronics;'; do
  check "desktop entry has $line" grep -qxF "$line" "$entry"
done
for key in 'Name\[ru\]' Comment 'Comment\[ru\]'; do
  check "desktop entry has $key" grep -q "^$key=..*" "$entry"
done
for size in 32 64 128; do
  icon=$ROOT/share/icons/hicolor/${size}x${size}/apps/voskbase.png
  check "icon ${size}x${size} is a ${size}x${size} PNG" \
    test "$(identify -format '%m %wx%h' "$icon" 2>/dev/null)" = "PNG ${size}x${size}"
done

# 2. The Debian package.
PKG=$OUT/package
if cpack -G DEB --config "$BUILD/CPackConfig.cmake" -B "$PKG" >"$OUT/cpack.log" 2>&1; then
  deb=$(ls "$PKG"/voskbase_*.deb 2>/dev/null | head -n1)
else
  cat "$OUT/cpack.log" >&2
  deb=
fi
check "cpack made voskbase_*.deb" test -n "$deb"
if [ -n "$deb" ]; then
  dpkg-deb -c "$deb" | awk '{print $NF}' >"$OUT/contents.txt"
  for path in ./usr/bin/voskbase ./usr/bin/voskbase-setup ./usr/bin/voskbase-cli ./usr/share/applications/voskbase.desktop \
    ./usr/share/icons/hicolor/32x32/apps/voskbase.png ./usr/share/icons/hicolor/64x64/apps/voskbase.png \
    ./usr/share/icons/hicolor/128x128/apps/voskbase.png ./usr/share/voskbase/data/main.dat \
    ./usr/share/voskbase/data/components.lst ./usr/share/voskbase/data/strings.dat \
    ./usr/share/voskbase/data/bmp/00.bmp ./usr/share/voskbase/data/txt/mybase.txt; do
    check "package holds $path" grep -qxF "$path" "$OUT/contents.txt"
  done
  check "package is named voskbase" test "$(dpkg-deb -f "$deb" Package)" = voskbase
  check "package depends on the Qt widgets library" grep -q 'libqt6widgets6' <(dpkg-deb -f "$deb" Depends)
  check "package depends on Qt's translations (Russian buttons and dialogs)" \
    grep -q 'qt6-translations-l10n' <(dpkg-deb -f "$deb" Depends)
  mkdir -p "$OUT/unpacked"
  dpkg-deb -x "$deb" "$OUT/unpacked"
  check "packaged template is the default installation folder byte for byte" \
    diff -r "$DATA" "$OUT/unpacked/usr/share/voskbase/data"
fi

# 3. A user's folder from the installed template; a name with a space, a comma and Cyrillic
# letters needs quoting in the settings file.
export HOME=$OUT/home
unset XDG_DATA_HOME
export XDG_CONFIG_DIRS=$OUT/config
folder="$HOME/Моя база, 2"
"$ROOT/bin/voskbase-setup" "$folder" >"$OUT/setup.log" 2>&1
check "voskbase-setup made the folder" test $? -eq 0
check "the folder is the template byte for byte" diff -r "$ROOT/share/voskbase/data" "$folder"
check "the menu entry of the user starts in the folder" \
  grep -qxF "Path=$folder" "$HOME/.local/share/applications/voskbase.desktop"
check "voskbase-setup tells the settings line" grep -qF "path=\"$folder\"" "$OUT/setup.log"
echo 'changed' >>"$folder/strings.dat"
"$ROOT/bin/voskbase-setup" "$folder" >>"$OUT/setup.log" 2>&1
check "a second run leaves an existing folder alone" \
  test "$(tail -c 8 "$folder/strings.dat")" = changed
cp "$ROOT/share/voskbase/data/strings.dat" "$folder/strings.dat"
"$ROOT/bin/voskbase-setup" --system "$folder" >>"$OUT/setup.log" 2>&1
check "voskbase-setup --system wrote the settings file" test -f "$OUT/config/Ferrowind/Vosk.conf"
check "the installed voskbase-cli finds the folder through the settings file" \
  bash -c "cd '$OUT' && '$ROOT/bin/voskbase-cli' check 2>&1 | grep -q '^Записей: '"

# 4. The installed binary on that folder, started elsewhere so that only the settings file
# can lead it there.
. "$SOURCE/tests/e2e/xsession.sh"
x_start
mkdir -p "$OUT/elsewhere"
(cd "$OUT/elsewhere" && exec "$ROOT/bin/voskbase") >"$OUT/run.log" 2>&1 &
APP_PID=$!
if wait_window '^Voskbase v2\.0$' 30 >/dev/null; then
  check "inventory window appeared" true
  check "no missing-file message on the user's folder" no_message_box
  wmctrl -c 'Voskbase v2.0'
  if wait_exit "$APP_PID" 20; then
    APP_PID=
    check "exit status 0 (was $APP_STATUS)" test "$APP_STATUS" = 0
  else
    check "program ended after its window was closed" false
  fi
else
  check "inventory window appeared" false
fi
check "main.dat is the template's byte for byte" cmp "$ROOT/share/voskbase/data/main.dat" "$folder/main.dat"
check "nothing was written where the program was started" test -z "$(ls -A "$OUT/elsewhere")"
finish
