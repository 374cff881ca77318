#!/usr/bin/env bash
# The test server: version 15, listening on no TCP address, its data folder not root's.
set -euo pipefail
q() { psql "$VOSK_TEST_PG" -XAtq -c "$1"; }
fail() { echo "FAIL: $*" >&2; exit 1; }
version=$(q "show server_version_num")
[ "${version:0:2}" = 15 ] || fail "server version $version, 15 expected"
[ -z "$(q "show listen_addresses")" ] || fail "the server listens on TCP"
datadir=$(q "show data_directory")
[ "$(stat -c %u "$datadir")" != 0 ] || fail "the data folder belongs to root"
[ "$(q "select 6*7")" = 42 ] || fail "a query gives a wrong answer"
echo "server $version, data in $datadir, owner $(stat -c %U "$datadir")"
