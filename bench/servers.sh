# Throwaway PostgreSQL and MariaDB servers for the benchmarks (sourced): started in a folder, reached through
# private ODBC data sources bench_pg and bench_maria, loaded from an SQLite results database.
#   servers_with_demo        the demo table (PSU-100 as test stations write it, $rows units) in $work and both
#                            servers in $work/servers; at exit the servers are stopped and $work removed
#   servers_start DIR        starts both (PostgreSQL on port ${BENCH_PG_PORT:-54391}), exports ODBCSYSINI/ODBCINI
#   servers_load DB          copies every table of DB into both (copy-to-server.py)
#   server_config SRC DEST DSN  writes DEST/ATE.INI (from SRC's) naming the data source, and PRODUCTS.INI
#   servers_stop             stops both and removes their folders
servers_here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

servers_start() {
  servers_dir=$1
  mkdir -p "$servers_dir"
  "$servers_here/../scripts/pg-test-server.sh" start "$servers_dir/pg" "${BENCH_PG_PORT:-54391}" >/dev/null
  MARIADB_BUFFER_POOL=${MARIADB_BUFFER_POOL:-1G} "$servers_here/../scripts/mariadb-test-server.sh" start \
    "$servers_dir/maria" >/dev/null
  printf '[PostgreSQL Unicode]\nDriver=psqlodbcw.so\n[MariaDB Unicode]\nDriver=libmaodbc.so\n' \
    > "$servers_dir/odbcinst.ini"
  printf '[bench_pg]\nDriver=PostgreSQL Unicode\nServername=%s\nPort=%s\nDatabase=spcdata\n' \
    "$servers_dir/pg" "${BENCH_PG_PORT:-54391}" > "$servers_dir/odbc.ini"
  printf '[bench_maria]\nDriver=MariaDB Unicode\nSocket=%s\nDatabase=spcdata\n' \
    "$servers_dir/maria/mysqld.sock" >> "$servers_dir/odbc.ini"
  export ODBCSYSINI=$servers_dir ODBCINI=$servers_dir/odbc.ini
}

servers_with_demo() {
  chmod 711 "$work" # the servers' own account (when run as root) reaches their folders
  trap 'servers_stop; rm -rf "$work"' EXIT
  "$build/src/data/moldrin-demo-data" --units "$rows" --jitter 180 --product PSU-100 "$work" >/dev/null
  servers_start "$work/servers"
}

pg_args() { echo -h "$servers_dir/pg" -p "${BENCH_PG_PORT:-54391}" -U spc -d spcdata; }
maria_args() { echo --socket="$servers_dir/maria/mysqld.sock" -u spc -pspc spcdata; }

servers_load() {
  # shellcheck disable=SC2046
  /usr/bin/python3 "$servers_here/copy-to-server.py" "$1" postgresql $(pg_args)
  # shellcheck disable=SC2046
  /usr/bin/python3 "$servers_here/copy-to-server.py" "$1" mariadb $(maria_args)
}

server_config() {
  local src=$1 dest=$2 dsn=$3 user=spc password= database=spcdata
  [ "$dsn" = bench_maria ] && password=spc
  # An SQLite data source names its file itself.
  [ "$dsn" = bench_sqlite ] && database= user=
  mkdir -p "$dest"
  cp "$src/PRODUCTS.INI" "$dest/"
  sed -e "s/^DatabaseName=.*/DatabaseName=$database/" -e "s/^DataSourceName=.*/DataSourceName=$dsn/" \
    -e "s/^UserName=.*/UserName=$user/" -e "s/^Password=.*/Password=$password/" "$src/ATE.INI" > "$dest/ATE.INI"
}

servers_stop() {
  [ -n "${servers_dir:-}" ] || return 0
  "$servers_here/../scripts/pg-test-server.sh" stop "$servers_dir/pg" || true
  "$servers_here/../scripts/mariadb-test-server.sh" stop "$servers_dir/maria" || true
}
