#!/usr/bin/env bash
# A throwaway PostgreSQL server with the settings a firm's server has (fsync and synchronous
# commit on), for `make stress-server` (which stops it without warning and starts it again)
# and `make bench` (which compares it with a file).
#
#   firm_server.sh start STATEDIR    initdb, start on a free port, URL in STATEDIR/url
#   firm_server.sh crash STATEDIR    pg_ctl stop -m immediate: no shutdown checkpoint
#   firm_server.sh resume STATEDIR   start again with the options it had (crash recovery)
#   firm_server.sh stop STATEDIR     stop and remove STATEDIR
set -euo pipefail
[ $# -eq 2 ] || { echo "usage: $0 start|crash|resume|stop STATEDIR" >&2; exit 2; }
action=$1
state=$(readlink -m "$2")

bindir() {
  local d
  for d in $(printf '%s\n' /usr/lib/postgresql/*/bin | sort -V -r); do
    [ -x "$d/pg_ctl" ] && { echo "$d"; return 0; }
  done
  echo "firm server: PostgreSQL is not installed (Debian: postgresql)" >&2
  exit 1
}

# initdb and postgres refuse root: as root the cluster belongs to postgres.
as_server() {
  if [ "$(id -u)" -eq 0 ]; then runuser -u postgres -- "$@"; else "$@"; fi
}

bin=$(bindir)
case $action in
  start)
    "$0" stop "$state"
    mkdir -p "$state"
    mkdir -m 700 "$state/data" "$state/sock"
    : >"$state/server.log"
    [ "$(id -u)" -ne 0 ] || chown postgres: "$state" "$state/data" "$state/sock" "$state/server.log"
    as_server "$bin/initdb" -D "$state/data" -A trust -U postgres -E UTF8 --locale=C.UTF-8 \
      --no-sync >"$state/initdb.log" 2>&1
    port=$((20000 + (RANDOM * 32768 + RANDOM) % 12000))
    as_server "$bin/pg_ctl" -D "$state/data" -l "$state/server.log" -w -t 60 -s \
      -o "-p $port -c listen_addresses=127.0.0.1 -k $state/sock -c max_connections=50" start
    echo "postgresql://postgres@127.0.0.1:$port/postgres" >"$state/url"
    ;;
  crash)
    as_server "$bin/pg_ctl" -D "$state/data" -m immediate -w -t 30 -s stop
    ;;
  resume)
    # restart reads the options of the last start from postmaster.opts.
    as_server "$bin/pg_ctl" -D "$state/data" -l "$state/server.log" -w -t 60 -s restart \
      >/dev/null 2>&1 || as_server "$bin/pg_ctl" -D "$state/data" -w -t 60 -s status >/dev/null
    ;;
  stop)
    if [ -f "$state/data/postmaster.pid" ]; then
      as_server "$bin/pg_ctl" -D "$state/data" -m fast -w -t 30 -s stop ||
        as_server "$bin/pg_ctl" -D "$state/data" -m immediate -w -t 30 -s stop || true
    fi
    rm -rf -- "$state"
    ;;
  *) echo "usage: $0 start|crash|resume|stop STATEDIR" >&2; exit 2 ;;
esac
