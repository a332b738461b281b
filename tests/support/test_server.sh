#!/usr/bin/env bash
# A throwaway PostgreSQL server for the tests, reachable on 127.0.0.1 only.
#
#   test_server.sh start STATEDIR   a new cluster in STATEDIR/data on a free port; writes
#                                   postgresql://postgres@127.0.0.1:PORT/postgres to STATEDIR/url
#   test_server.sh stop STATEDIR    stops it (fast, then immediate, then kill) and removes
#                                   STATEDIR, whatever an earlier or a half-done start left
#
# ctest runs the two as the fixture `test_server` (tests/CMakeLists.txt). When ctest itself
# is interrupted and never runs the stop, a watcher the start left behind stops the server
# once the process that ran the start has ended. The cluster is disposable, so it trades
# durability for speed (fsync, synchronous_commit and full page writes off) and trusts
# every local connection.
set -euo pipefail

usage() {
  echo "usage: $0 start|stop STATEDIR" >&2
  exit 2
}
[ $# -ge 2 ] || usage
action=$1
state=$2
[ -n "$state" ] || usage
case $state in
  /*) ;;
  *) state=$PWD/$state ;;
esac
state=${state%/}
# Start, stop and the watcher take turns on this lock (beside STATEDIR, which goes away).
lock=$state.lock

# initdb and postgres refuse to run as root: as root the cluster belongs to postgres.
# The server must not inherit the lock's descriptor, or it would hold the lock for good.
as_server() {
  if [ "$(id -u)" -eq 0 ]; then
    runuser -u postgres -- "$@" 9>&-
  else
    "$@" 9>&-
  fi
}

# The server's programs: pg_config's when they are there (libpq-dev's pg_config names
# /usr/bin, which has none of them), else Debian's newest installed major version.
server_bindir() {
  local d
  if command -v pg_config >/dev/null 2>&1; then
    d=$(pg_config --bindir 2>/dev/null || true)
    if [ -n "$d" ] && [ -x "$d/initdb" ] && [ -x "$d/pg_ctl" ] && [ -x "$d/postgres" ]; then
      echo "$d"
      return 0
    fi
  fi
  for d in $(printf '%s\n' /usr/lib/postgresql/*/bin | sort -V -r); do
    if [ -x "$d/initdb" ] && [ -x "$d/pg_ctl" ] && [ -x "$d/postgres" ]; then
      echo "$d"
      return 0
    fi
  done
  return 1
}

# Where the cluster, its socket and its log live: STATEDIR itself, or a folder of its own
# under /tmp (named in STATEDIR/home) when the server's user cannot reach STATEDIR, the
# socket's path would pass the 107-byte limit, or the path holds characters that pg_ctl's
# shell would take apart.
server_home() {
  if [ -f "$state/home" ]; then
    cat "$state/home"
  else
    echo "$state"
  fi
}

home_is_usable() {
  local dir=$1
  [[ $dir =~ ^[A-Za-z0-9/._+-]+$ ]] || return 1
  # "/sock/.s.PGSQL.65535" is 20 bytes, sun_path holds 107.
  [ $((${#dir} + 20)) -le 100 ] || return 1
  if [ "$(id -u)" -eq 0 ]; then
    runuser -u postgres -- test -x "$dir" || return 1
  fi
  return 0
}

# The postmaster's process id when one runs on DATA, else nothing: a lock file left by a
# server that died may name an id another program has since been given.
running_postmaster() {
  local data=$1 pid
  pid=$(head -n 1 "$data/postmaster.pid" 2>/dev/null || true)
  [[ $pid =~ ^[0-9]+$ ]] || return 0
  [ "$(cat "/proc/$pid/comm" 2>/dev/null)" = postgres ] || return 0
  [ "$(readlink -f "/proc/$pid/cwd" 2>/dev/null)" = "$(readlink -f "$data")" ] || return 0
  echo "$pid"
}

# Kills the postmaster of DATA and its children.
kill_postmaster() {
  local pid children
  pid=$(running_postmaster "$1")
  [ -n "$pid" ] || return 0
  children=$(pgrep -P "$pid" || true)
  # shellcheck disable=SC2086
  kill -KILL "$pid" $children 2>/dev/null || true
  for _ in $(seq 50); do
    kill -0 "$pid" 2>/dev/null || return 0
    sleep 0.1
  done
  echo "test server: process $pid did not end" >&2
  return 1
}

# pg_ctl returns when the lock file is gone; the postmaster ends a moment later.
wait_gone() {
  local pid=$1
  [[ $pid =~ ^[0-9]+$ ]] || return 0
  for _ in $(seq 50); do
    [ "$(cat "/proc/$pid/comm" 2>/dev/null)" = postgres ] || return 0
    [ "$(awk '{print $3}' "/proc/$pid/stat" 2>/dev/null)" != Z ] || return 0
    sleep 0.1
  done
}

do_stop() {
  local home data bin pid
  [ -e "$state" ] || return 0
  home=$(server_home)
  data=$home/data
  pid=$(running_postmaster "$data")
  if [ -n "$pid" ]; then
    bin=$(server_bindir || true)
    if [ -n "$bin" ]; then
      as_server "$bin/pg_ctl" -D "$data" -m fast -w -t 10 -s stop 2>/dev/null ||
        as_server "$bin/pg_ctl" -D "$data" -m immediate -w -t 5 -s stop 2>/dev/null || true
    fi
    kill_postmaster "$data" || return 1
    wait_gone "$pid"
  fi
  case $home in
    "$state") ;;
    /tmp/vorda-test-server.*) rm -rf -- "$home" ;;
  esac
  rm -rf -- "$state"
}

# When a process started (field 22 of /proc/PID/stat): tells it from a later one of that id.
started_at() {
  sed 's/.*) //' "/proc/$1/stat" 2>/dev/null | awk '{print $20}'
}

# Waits for PARENT to end, then stops the server unless it is no longer the one that
# POSTMASTER ran (the stop ran, or a later start replaced it).
do_watch() {
  local parent=$1 since=$2 postmaster=$3
  [ -n "$since" ] || return 0
  while [ "$(started_at "$parent")" = "$since" ]; do
    sleep 1
  done
  exec 9>"$lock"
  flock 9
  if [ "$(head -n 1 "$(server_home)/data/postmaster.pid" 2>/dev/null)" = "$postmaster" ]; then
    do_stop
  fi
}

# A port nobody listens on, below the kernel's range for outgoing connections.
pick_port() {
  local port
  for _ in $(seq 20); do
    port=$((20000 + (RANDOM * 32768 + RANDOM) % 12000))
    if ! command -v ss >/dev/null 2>&1 || [ -z "$(ss -Hltn "sport = :$port" 2>/dev/null)" ]; then
      echo "$port"
      return 0
    fi
  done
  echo "$port"
}

stop_on_failure() {
  local rc=$?
  [ "$rc" -eq 0 ] || do_stop || true
  exit "$rc"
}

do_start() {
  local bin home log port started=0 t0
  t0=$(date +%s%N)
  # A server an interrupted run left behind goes first.
  do_stop
  # A start that fails on the way leaves nothing running and nothing behind.
  trap stop_on_failure EXIT
  bin=$(server_bindir) || {
    echo "test server: PostgreSQL is not installed (Debian: postgresql), run scripts/install-deps.sh" >&2
    exit 1
  }
  if [ "$(id -u)" -eq 0 ] && ! id postgres >/dev/null 2>&1; then
    echo "test server: running as root needs the user postgres (Debian: postgresql)" >&2
    exit 1
  fi
  mkdir -p "$state"
  home=$state
  if ! home_is_usable "$home"; then
    home=$(mktemp -d /tmp/vorda-test-server.XXXXXX)
    echo "$home" >"$state/home"
  fi
  mkdir -m 700 "$home/data" "$home/sock"
  log=$home/server.log
  : >"$log"
  if [ "$(id -u)" -eq 0 ]; then
    chown postgres: "$home/data" "$home/sock" "$log"
    [ "$home" = "$state" ] || chown postgres: "$home"
  fi

  if ! as_server "$bin/initdb" -D "$home/data" -A trust -U postgres -E UTF8 --locale=C.UTF-8 \
    --no-sync >"$home/initdb.log" 2>&1; then
    echo "test server: initdb failed:" >&2
    cat "$home/initdb.log" >&2
    exit 1
  fi

  for _ in 1 2 3 4 5 6 7 8; do
    port=$(pick_port)
    : >"$log"
    if as_server "$bin/pg_ctl" -D "$home/data" -l "$log" -w -t 30 -s \
      -o "-p $port -c listen_addresses=127.0.0.1 -k $home/sock -c fsync=off \
-c synchronous_commit=off -c full_page_writes=off -c max_connections=200" start; then
      started=1
      break
    fi
    # Another program took the port between the look and the start: try another one.
    grep -q -e 'could not bind' -e 'could not create lock file' -e 'in use' "$log" || break
  done
  if [ "$started" -ne 1 ]; then
    echo "test server: the server did not start:" >&2
    cat "$log" >&2
    exit 1
  fi

  echo "postgresql://postgres@127.0.0.1:$port/postgres" >"$state/url.new"
  mv "$state/url.new" "$state/url"
  # Detached, without this script's descriptors: ctest waits for the output pipes to close,
  # and the lock on descriptor 9 must not outlive this start.
  setsid bash "$0" watch "$state" "$PPID" "$(started_at "$PPID")" \
    "$(head -n 1 "$home/data/postmaster.pid")" </dev/null >/dev/null 2>&1 9>&- &
  echo "test server: postgresql://postgres@127.0.0.1:$port/postgres" \
    "($((($(date +%s%N) - t0) / 1000000)) ms, $home/data)"
}

mkdir -p "$(dirname "$state")"
exec 9>"$lock"
case $action in
  start)
    flock 9
    do_start
    ;;
  stop)
    flock 9
    do_stop
    ;;
  watch)
    exec 9>&-
    [ $# -eq 5 ] || usage
    do_watch "$3" "$4" "$5"
    ;;
  *) usage ;;
esac
