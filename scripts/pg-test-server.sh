#!/usr/bin/env bash
# Starts or stops a throwaway PostgreSQL 15 cluster in DIR, listening only on a unix socket in DIR.
#   pg-test-server.sh start DIR [PORT]   creates DIR/data, starts the server, creates database spcdata
#   pg-test-server.sh restart DIR [PORT] stops the server (if running) and starts it again (its data kept)
#   pg-test-server.sh halt DIR           stops the server, its data kept (restart starts it again)
#   pg-test-server.sh stop DIR           stops the server and removes DIR
# The superuser is "spc" (trust authentication on the socket); other roles need their password.
# Debian's own clusters are not touched.
set -euo pipefail
cmd=${1:-}
dir=${2:-}
port=${3:-54329}
if [ -z "$cmd" ] || [ -z "$dir" ]; then
  echo "usage: $0 start|restart|halt|stop DIR [PORT]" >&2
  exit 2
fi
pgbin=$(dirname "$(dpkg -L postgresql-15 2>/dev/null | grep '/bin/initdb$' | head -n1)")
if [ ! -x "$pgbin/initdb" ]; then
  echo "$0: postgresql-15 is not installed (scripts/install-deps.sh)" >&2
  exit 1
fi
# The server refuses to run as root: use the postgres account the package creates.
as_owner() {
  if [ "$(id -u)" -eq 0 ]; then runuser -u postgres -- "$@"; else "$@"; fi
}
case "$cmd" in
  start)
    if [ -f "$dir/data/postmaster.pid" ]; then
      as_owner "$pgbin/pg_ctl" -D "$dir/data" -m fast -w stop >/dev/null 2>&1 || true
    fi
    rm -rf "$dir"
    mkdir -p "$dir"
    if [ "$(id -u)" -eq 0 ]; then chown postgres: "$dir"; fi
    as_owner "$pgbin/initdb" -D "$dir/data" -U spc -A trust -E UTF8 --locale=C.UTF-8 -N >"$dir/initdb.log" 2>&1
    # The superuser needs no password on the socket; every other role logs in with its password.
    printf 'local all spc trust\nlocal all all scram-sha-256\n' >"$dir/data/pg_hba.conf"
    as_owner "$pgbin/pg_ctl" -D "$dir/data" -l "$dir/log" -w \
      -o "-k $dir -p $port -c listen_addresses='' -c fsync=off" start >/dev/null
    "$pgbin/psql" -h "$dir" -p "$port" -U spc -d postgres -qAt -c 'CREATE DATABASE spcdata' >/dev/null
    echo "PostgreSQL on $dir port $port"
    ;;
  restart)
    if [ -f "$dir/data/postmaster.pid" ]; then
      as_owner "$pgbin/pg_ctl" -D "$dir/data" -m fast -w stop >/dev/null
    fi
    as_owner "$pgbin/pg_ctl" -D "$dir/data" -l "$dir/log" -w \
      -o "-k $dir -p $port -c listen_addresses='' -c fsync=off" start >/dev/null
    ;;
  halt)
    as_owner "$pgbin/pg_ctl" -D "$dir/data" -m fast -w stop >/dev/null
    ;;
  stop)
    if [ -f "$dir/data/postmaster.pid" ]; then
      as_owner "$pgbin/pg_ctl" -D "$dir/data" -m fast -w stop >/dev/null
    fi
    rm -rf "$dir"
    ;;
  *)
    echo "usage: $0 start|restart|halt|stop DIR [PORT]" >&2
    exit 2
    ;;
esac
