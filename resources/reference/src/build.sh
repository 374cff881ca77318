#!/bin/sh
# Regenerates the three code page 1251 tables (CR LF line ends) from their UTF-8 sources.
# Run from anywhere; writes ../marking.txt, ../params.txt and ../params2.txt.
set -eu
cd "$(dirname "$0")"
for t in marking params params2; do
  iconv -f UTF-8 -t CP1251 "$t.u8" | LC_ALL=C sed 's/$/\r/' > "../$t.txt"
done
