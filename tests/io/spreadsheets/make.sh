#!/usr/bin/env bash
# Writes the spreadsheet corpus again from sheet.fods with LibreOffice Calc (libreoffice-calc-nogui)
# in a Russian locale (ru-RU set in a fresh profile), as a user saves a sheet from Calc.
#   make.sh [VOSKBASE-CLI]   (needs soffice; with the command line built, also the Excel export file)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME=$work/home
profile=$HOME/.config/libreoffice/4/user
mkdir -p "$profile"
cat >"$profile/registrymodifications.xcu" <<'XCU'
<?xml version="1.0" encoding="UTF-8"?>
<oor:items xmlns:oor="http://openoffice.org/2001/registry" xmlns:xs="http://www.w3.org/2001/XMLSchema" xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance">
<item oor:path="/org.openoffice.Setup/L10N"><prop oor:name="ooSetupSystemLocale" oor:op="fuse"><value>ru-RU</value></prop></item>
</oor:items>
XCU
convert() { # FILTER OUTPUT-NAME
  rm -rf "$work/out" && mkdir "$work/out"
  soffice --headless --convert-to "$1" --outdir "$work/out" "$here/sheet.fods" >/dev/null 2>&1
  mv "$work/out"/sheet.* "$here/$2"
}
csv='csv:Text - txt - csv (StarCalc)'
convert "$csv:59,34,34,1" sheet-semicolon-cp1251.csv # ; and Windows-1251 (encoding 34)
convert "$csv:44,34,76,1" sheet-comma-utf8.csv       # , and UTF-8 (encoding 76)
convert "$csv:9,34,76,1" sheet-tab-utf8.txt          # tab and UTF-8
convert 'xlsx:Calc MS Excel 2007 XML' sheet.xlsx
convert 'ods:calc8' sheet.ods
convert 'xls:MS Excel 97' sheet.xls
# Calc 7.4 writes UTF-8 without a byte order mark; Excel's «CSV UTF-8» starts with one. This file
# is Calc's , + UTF-8 file with those three bytes put before it.
{ printf '\xEF\xBB\xBF'; cat "$here/sheet-comma-utf8.csv"; } >"$here/sheet-comma-utf8-bom.csv"

# The bundled stock exported «для Excel» (UTF-8 with a BOM, ;) opened by Calc as such and saved
# back as , + UTF-8: what Calc makes of the export.
if [ $# -ge 1 ]; then
  "$1" --folder "$here/../../../data" export --all --excel "$work/stock-excel.csv" 2>/dev/null
  rm -rf "$work/out" && mkdir "$work/out"
  soffice --headless --infilter='Text - txt - csv (StarCalc):59,34,76,1' \
    --convert-to "$csv:44,34,76,1" --outdir "$work/out" "$work/stock-excel.csv" >/dev/null 2>&1
  mv "$work/out/stock-excel.csv" "$here/stock-excel-calc.csv"
fi
