#!/usr/bin/env bash
# Times moldrin-report reading a results table through ODBC (PostgreSQL with psqlODBC, MariaDB with its
# Connector/ODBC, SQLite with sqliteodbc) against each engine's own command-line client running the same
# statements with the rows to /dev/null.
# The table is PSU-100 as test stations write it (moldrin-demo-data --jitter 180), copied into throwaway
# servers on unix sockets (bench/servers.sh). The statements are those the program really sends, taken from
# the servers' own statement logs during one unmeasured report (for SQLite, whose ODBC data source the
# program reads through SQLite itself, the statements SQLite stepped): psql, mariadb and sqlite3 run them.
# The report and the client run in turn (one unmeasured pair first), RUNS pairs; ratios are taken pair by
# pair. BENCH_ENGINES (default "pg maria sqlite") and BENCH_CHART (default X-Bar-R) choose what to time;
# BENCH_BEFORE names another build's moldrin-report to time in the same rounds. BENCH_INDEX=1 gives the
# servers' tables an index on the start time, as many stations' tables have (the SQLite file stays without).
# Besides the clients, moldrin-rows-bench runs the same statements through the program's own cursors and takes
# every field of every row, printing nothing: the program's reading without a chart.
# Usage: bench/odbc.sh [BUILD_DIR] [ROWS] [RUNS]
set -euo pipefail
source "$(dirname "$0")/common.sh"
source "$here/servers.sh"
chart=${BENCH_CHART:-X-Bar-R}
options=(--chart "$chart" --size 5 --zones --test-id "<All>" --json /dev/null)

servers_with_demo
servers_load "$work/results.db"
if [ "${BENCH_INDEX:-0}" = 1 ]; then
  # shellcheck disable=SC2046
  psql -X -q $(pg_args) -c 'CREATE INDEX ON "PSU100_Results" ("TestStartTime")' -c 'ANALYZE "PSU100_Results"'
  # shellcheck disable=SC2046
  mariadb --no-defaults $(maria_args) -e 'CREATE INDEX start ON PSU100_Results (TestStartTime); ANALYZE TABLE PSU100_Results' \
    >/dev/null
fi
printf '[SQLite3]\nDriver=libsqlite3odbc.so\n' >> "$work/servers/odbcinst.ini"
printf '[bench_sqlite]\nDriver=SQLite3\nDatabase=%s\n' "$work/results.db" >> "$work/servers/odbc.ini"
for dsn in bench_pg bench_maria bench_sqlite; do
  server_config "$work" "$work/$dsn" "$dsn"
done
pgdir=$work/servers/pg
mariasock=$work/servers/maria/mysqld.sock

# The statements of one report, as the server logged them, parameters put in (one per line, each ending ';').
logged_pg() {
  # shellcheck disable=SC2046
  psql -X -q $(pg_args) -c "ALTER SYSTEM SET log_statement = 'all'" -c 'SELECT pg_reload_conf()' >/dev/null
  local from
  from=$(wc -l < "$pgdir/log")
  "$report" --config "$work/bench_pg" "${options[@]}" >/dev/null
  # shellcheck disable=SC2046
  psql -X -q $(pg_args) -c "ALTER SYSTEM SET log_statement = 'none'" -c 'SELECT pg_reload_conf()' >/dev/null
  tail -n +"$((from + 1))" "$pgdir/log" | /usr/bin/python3 "$here/logged-statements.py" postgresql
}
logged_maria() {
  local log=$work/servers/maria/general.log
  mariadb --no-defaults --socket="$mariasock" -u root \
    -e "SET GLOBAL general_log_file = '$log'; SET GLOBAL general_log = 1;"
  "$report" --config "$work/bench_maria" "${options[@]}" >/dev/null
  mariadb --no-defaults --socket="$mariasock" -u root -e "SET GLOBAL general_log = 0;"
  /usr/bin/python3 "$here/logged-statements.py" mariadb < "$log"
}
# SQLite logs nothing: a preloaded sqlite3_step writes each statement it starts, bound values put in.
cat > "$work/trace.c" <<'C'
#define _GNU_SOURCE
#include <dlfcn.h>
#include <sqlite3.h>
#include <stdio.h>
#include <stdlib.h>
int sqlite3_step(sqlite3_stmt* stmt)
{
    static int (*real)(sqlite3_stmt*);
    if (!real)
        real = (int (*)(sqlite3_stmt*))dlsym(RTLD_NEXT, "sqlite3_step");
    FILE* f = sqlite3_stmt_busy(stmt) ? NULL : fopen(getenv("SQLITE_STATEMENT_LOG"), "a");
    if (f) {
        char* sql = sqlite3_expanded_sql(stmt);
        fprintf(f, "%s\n", sql ? sql : "");
        sqlite3_free(sql);
        fclose(f);
    }
    return real(stmt);
}
C
cc -shared -fPIC -O2 -o "$work/trace.so" "$work/trace.c" -ldl
logged_sqlite() {
  SQLITE_STATEMENT_LOG=$work/sqlite.log LD_PRELOAD=$work/trace.so "$report" --config "$work/bench_sqlite" \
    "${options[@]}" >/dev/null
  /usr/bin/python3 "$here/logged-statements.py" sqlite < "$work/sqlite.log"
}

# The floors of an engine: label and command, one pair a line. psql reads a whole result before printing it,
# as psqlODBC would without its cursor; with FETCH_COUNT it reads through a cursor as the program does
# (PostgreSQL plans a cursor without parallel workers).
clients() { # engine
  case "$1" in
    pg) echo "psql psql -X -q -A -t $(pg_args) -f $work/pg.sql"
      echo "psql-cursor psql -X -q -A -t -v FETCH_COUNT=4096 $(pg_args) -f $work/pg.sql" ;;
    maria) echo "mariadb mariadb --no-defaults --socket=$mariasock -u spc -pspc -N -B spcdata -e 'source $work/maria.sql'" ;;
    sqlite) echo "sqlite3 sqlite3 -readonly $work/results.db < $work/sqlite.sql" ;;
  esac
  # The connection string the program builds from the data source's ATE.INI (server_config).
  local user=spc password='' database=spcdata
  [ "$1" = maria ] && password=spc
  [ "$1" = sqlite ] && user='' database=''
  echo "reading '$build/bench/moldrin-rows-bench' 'Provider=MSDASQL;UID=$user;PWD=$password;Database=$database;DSN=bench_$1;' $work/$1.sql"
  if [ -n "${BENCH_BEFORE:-}" ]; then
    echo "before '$BENCH_BEFORE' --config '$work/bench_$1' --chart '$chart' --size 5 --zones --test-id '<All>' --json /dev/null"
  fi
}

run_engine() { # engine
  local engine=$1
  "logged_$engine" > "$work/$engine.sql"
  echo "== $engine: $(wc -l < "$work/$engine.sql") statements"
  cat "$work/$engine.sql"
  : > "$work/$engine.txt"
  for i in $(seq 0 "$runs"); do
    local out
    out=$(measure moldrin "$report" --config "$work/bench_$engine" "${options[@]}")
    while read -r label command; do
      out+=$'\n'$(measure "$label" sh -c "$command")
    done < <(clients "$engine")
    [ "$i" -gt 0 ] && echo "$out" >> "$work/$engine.txt"
  done
  /usr/bin/python3 - "$work/$engine.txt" <<'PY'
import sys, statistics
rows = [l.split() for l in open(sys.argv[1])]
m = [r for r in rows if r[0] == "moldrin"]
def med(rs, i): return statistics.median(float(r[i]) for r in rs)
print(f"  moldrin-report wall {med(m, 1):.3f} s (min {min(float(r[1]) for r in m):.3f}, max "
      f"{max(float(r[1]) for r in m):.3f}), CPU {med(m, 3):.3f} s, peak {med(m, 2) / 1024:.1f} MiB")
for label in dict.fromkeys(r[0] for r in rows if r[0] != "moldrin"):
    c = [r for r in rows if r[0] == label]
    wall = sorted(float(a[1]) / float(b[1]) for a, b in zip(m, c))
    cpu = sorted(float(a[3]) / max(float(b[3]), 0.01) for a, b in zip(m, c))
    print(f"  {label:14} wall {med(c, 1):.3f} s, CPU {med(c, 3):.3f} s, peak {med(c, 2) / 1024:.1f} MiB; "
          f"ratio wall {statistics.median(wall):.2f} ({wall[0]:.2f} to {wall[-1]:.2f}), "
          f"CPU {statistics.median(cpu):.2f} ({cpu[0]:.2f} to {cpu[-1]:.2f})")
PY
  echo "  load after: $(cut -d' ' -f1-3 /proc/loadavg)"
}

for engine in ${BENCH_ENGINES:-pg maria sqlite}; do
  run_engine "$engine"
done
