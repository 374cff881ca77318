#!/usr/bin/env bash
# A throwaway PostgreSQL 15 server for the tests.
#   pgserver.sh start STATE   initdb in a new temporary folder, start the server on a unix socket
#                             there (no TCP), write the connection string to STATE
#   pgserver.sh stop STATE    stop that server and remove its folder
#   pgserver.sh run STATE CMD...   run CMD with VOSK_TEST_PG set to the connection string
# The server refuses to run as root: as root it runs as the unprivileged user in VOSK_PG_USER
# (default nobody), which owns the data folder. A connection string already in VOSK_TEST_PG
# (a developer's own server) is used as it is.
set -euo pipefail
action=$1 state=$2
shift 2
bin=${VOSK_PG_BIN:-/usr/lib/postgresql/15/bin}

as_server() {
  if [ "$(id -u)" -eq 0 ]; then
    local user=${VOSK_PG_USER:-nobody}
    setpriv --reuid="$user" --regid="$(id -g "$user")" --init-groups --reset-env -- "$@"
  else
    "$@"
  fi
}

case $action in
start)
  if [ -n "${VOSK_TEST_PG:-}" ]; then echo "$VOSK_TEST_PG" > "$state"; exit 0; fi
  [ -x "$bin/initdb" ] || { echo "pgserver: no $bin/initdb (tools/deps.sh installs postgresql-15)" >&2; exit 1; }
  # Left over from an interrupted run: stop that one first.
  [ -f "$state.dir" ] && "$0" stop "$state" || true
  dir=$(mktemp -d /tmp/voskpg.XXXXXX)
  chmod 755 "$dir"
  user=$(id -un)
  if [ "$(id -u)" -eq 0 ]; then user=${VOSK_PG_USER:-nobody}; chown "$user" "$dir"; fi
  echo "$dir" > "$state.dir"
  as_server "$bin/initdb" -D "$dir/data" -U "$user" --auth=trust -E UTF8 --locale=C.UTF-8 -N > "$dir/initdb.log" 2>&1 \
    || { cat "$dir/initdb.log" >&2; exit 1; }
  as_server "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 60 \
    -o "-c listen_addresses='' -c unix_socket_directories='$dir' -c fsync=off -c max_connections=40" start > /dev/null \
    || { cat "$dir/server.log" >&2; exit 1; }
  echo "host=$dir user=$user dbname=postgres" > "$state"
  ;;
stop)
  [ -f "$state.dir" ] || exit 0
  dir=$(cat "$state.dir")
  if [ -d "$dir/data" ]; then
    as_server "$bin/pg_ctl" -D "$dir/data" -m fast -w -t 60 stop > /dev/null || true
  fi
  case $dir in /tmp/voskpg.*) rm -rf "$dir" ;; esac
  rm -f "$state" "$state.dir"
  ;;
run)
  [ -s "$state" ] || { echo "pgserver: no server (the pg_server_start test starts it)" >&2; exit 1; }
  VOSK_TEST_PG=$(cat "$state")
  export VOSK_TEST_PG
  exec "$@"
  ;;
*)
  echo "usage: pgserver.sh start|stop|run STATE [CMD...]" >&2; exit 2 ;;
esac
