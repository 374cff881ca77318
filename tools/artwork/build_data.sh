#!/bin/sh
# Builds the bundled installation folder data/ from the UTF-8 sources kept here:
# code page 1251, CR LF line ends, as the program reads them. The category icons in
# data/bmp are drawn by vosk_artwork (see regenerate.sh).
set -eu
here=$(cd "$(dirname "$0")" && pwd)
data=$(cd "$here/../.." && pwd)/data
src=$here/data-src
mkdir -p "$data/txt" "$data/bmp"

# UTF-8 text in, code page 1251 with CR LF out; iconv fails on any character that
# code page 1251 lacks, which is what we want.
convert() {
    iconv -f UTF-8 -t CP1251 "$1" | sed 's/$/\r/' > "$2.tmp"
    mv "$2.tmp" "$2"
}

convert "$src/components.lst" "$data/components.lst"
convert "$src/strings.dat" "$data/strings.dat"
for f in "$src"/txt/*.txt; do
    convert "$f" "$data/txt/$(basename "$f")"
done
stock=$(mktemp)
trap 'rm -f "$stock"' EXIT
python3 "$here/make_maindat.py" > "$stock"
convert "$stock" "$data/main.dat"
echo "data/ rebuilt in $data"
