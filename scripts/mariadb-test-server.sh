#!/usr/bin/env bash
# Starts or stops a throwaway MariaDB server in DIR, listening only on the unix socket DIR/mysqld.sock.
#   mariadb-test-server.sh start DIR   creates DIR/data, starts the server, creates database spcdata and the
#                                      user spc (password "spc", every privilege on spcdata)
#   mariadb-test-server.sh stop DIR    stops the server and removes DIR
# Debian's own server (if any) is not touched.
set -euo pipefail
cmd=${1:-}
dir=${2:-}
if [ -z "$cmd" ] || [ -z "$dir" ]; then
  echo "usage: $0 start|stop DIR" >&2
  exit 2
fi
if ! command -v mariadbd >/dev/null 2>&1 && [ ! -x /usr/sbin/mariadbd ]; then
  echo "$0: mariadb-server is not installed (scripts/install-deps.sh)" >&2
  exit 1
fi
PATH=$PATH:/usr/sbin
stop_server() {
  if [ -f "$dir/mysqld.pid" ]; then
    local pid
    pid=$(cat "$dir/mysqld.pid")
    kill "$pid" 2>/dev/null || true
    for _ in $(seq 1 100); do
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.1
    done
  fi
}
case "$cmd" in
  start)
    stop_server
    rm -rf "$dir"
    mkdir -p "$dir/data"
    # The server refuses to run as root: use the mysql account the package creates.
    user=$(id -un)
    if [ "$(id -u)" -eq 0 ]; then
      user=mysql
      chown -R mysql: "$dir"
    fi
    mariadb-install-db --no-defaults --datadir="$dir/data" --user="$user" --auth-root-authentication-method=socket \
      --skip-test-db >"$dir/install.log" 2>&1
    mariadbd --no-defaults --datadir="$dir/data" --socket="$dir/mysqld.sock" --pid-file="$dir/mysqld.pid" \
      --skip-networking --user="$user" --log-error="$dir/log" --innodb-buffer-pool-size=16M \
      --character-set-server=utf8mb4 >/dev/null 2>&1 &
    for _ in $(seq 1 200); do
      [ -S "$dir/mysqld.sock" ] && break
      sleep 0.1
    done
    if [ ! -S "$dir/mysqld.sock" ]; then
      echo "$0: the server did not start; see $dir/log" >&2
      exit 1
    fi
    mariadb --no-defaults --socket="$dir/mysqld.sock" -u root -e \
      "CREATE DATABASE spcdata; CREATE USER spc@localhost IDENTIFIED BY 'spc'; GRANT ALL ON spcdata.* TO spc@localhost;"
    echo "MariaDB on $dir/mysqld.sock"
    ;;
  stop)
    stop_server
    rm -rf "$dir"
    ;;
  *)
    echo "usage: $0 start|stop DIR" >&2
    exit 2
    ;;
esac
