#!/usr/bin/env bash
# PostgreSQL 15 tables partitioned by month, as a busy product's test stations write them, at several sizes;
# times psql on the X-Bar-R statements the program runs on them, with their plans.
# Usage: bench/partitioned.sh [BUILD_DIR] [SIZES] [RUNS]
#   SIZES  row counts separated by commas (default 1000000,10000000,50000000); one database spcdata_ROWS each
#   RUNS   timed runs of each statement (default 3); medians
# Each table is PSU-100 generated in the server (generate_series, nothing through the client): units in order,
# 100,000,000 a year (one every 0.31536 s) up to today's midnight, each start time up to 3 minutes early or
# late, 4 testers, 8 readings a unit, the inspection columns empty; one partition per month of the start time,
# an index on the start time (each partition's), VACUUM ANALYZE. The server (a private unix socket) may use
# two parallel workers per statement.
# Statements: the every-row statement of X-Bar-R, n = 5, all testers, as the program sends it through psqlODBC
# (taken from the server's log of one report on the smallest table), and the same for the last 30 days only
# (partition pruning); with BENCH_SERVER_SIDE=REPORT (a moldrin-report that knows --server-side), also its
# pushed-down statement over the whole table. Each is timed in psql writing its rows to /dev/null (COPY ... TO
# STDOUT) and explained with EXPLAIN (ANALYZE, BUFFERS), plans written to OUT/plans.
# BENCH_REPORTS=1 also times moldrin-report itself on each table (every row, and --server-side with
# BENCH_SERVER_SIDE).
# Environment: BENCH_PG_DIR (default /var/tmp/moldrin-partitioned; the data stay there with BENCH_KEEP=1 and
# are used again when present), BENCH_PG_PORT (default 54393), BENCH_OUT (default ./partitioned-results).
set -euo pipefail
source "$(dirname "$0")/common.sh"
sizes=${2:-1000000,10000000,50000000}
runs=${3:-3}
dir=${BENCH_PG_DIR:-/var/tmp/moldrin-partitioned}
port=${BENCH_PG_PORT:-54393}
out=$(realpath -m "${BENCH_OUT:-partitioned-results}")
mkdir -p "$out/plans"
chmod 711 "$work"
pg() { psql -X -q -v ON_ERROR_STOP=1 -h "$dir" -p "$port" -U spc "$@"; }
stop() {
  if [ "${BENCH_KEEP:-0}" = 1 ]; then
    echo "server left running on $dir port $port (scripts/pg-test-server.sh stop $dir)"
  else
    "$here/../scripts/pg-test-server.sh" stop "$dir" || true
  fi
  rm -rf "$work"
}
trap stop EXIT

if [ -f "$dir/data/postmaster.pid" ] && pg -d postgres -c 'SELECT 1' >/dev/null 2>&1; then
  echo "== using the server on $dir"
elif [ -d "$dir/data" ]; then
  "$here/../scripts/pg-test-server.sh" restart "$dir" "$port"
else
  "$here/../scripts/pg-test-server.sh" start "$dir" "$port" >/dev/null
fi
# Two cores: two workers beside the leader.
pg -d postgres -c "ALTER SYSTEM SET max_parallel_workers_per_gather = 2" -c "ALTER SYSTEM SET max_parallel_workers = 4" \
  -c "ALTER SYSTEM SET enable_partitionwise_aggregate = on" -c "ALTER SYSTEM SET shared_buffers = '1GB'" \
  -c "ALTER SYSTEM SET work_mem = '64MB'" -c "ALTER SYSTEM SET max_wal_size = '8GB'" >/dev/null
"$here/../scripts/pg-test-server.sh" restart "$dir" "$port"
echo "free disk before: $(df -h --output=avail "$dir" | tail -1)"

# Creates and fills spcdata_ROWS unless it holds that many rows already.
make_table() { # rows
  local rows=$1 db=spcdata_$1
  if pg -d "$db" -tAc 'SELECT count(*) FROM "PSU100_Results"' 2>/dev/null | grep -qx "$rows"; then
    return
  fi
  pg -d postgres -c "DROP DATABASE IF EXISTS $db" -c "CREATE DATABASE $db" >/dev/null
  local started=$SECONDS
  pg -d "$db" -v rows="$rows" <<'SQL'
CREATE TABLE "PSU100_Results" ("SerialNumber" TEXT, "ATEID" TEXT, "TestStartTime" TIMESTAMP, "PassFail" TEXT,
  "TestID" TEXT, "VOUT_5V" DOUBLE PRECISION, "VOUT_3V3" DOUBLE PRECISION, "IDLE_CUR" DOUBLE PRECISION,
  "LOAD_CUR" DOUBLE PRECISION, "RIPPLE" DOUBLE PRECISION, "EFFICIENCY" DOUBLE PRECISION, "SW_FREQ" DOUBLE PRECISION,
  "BOARD_TEMP" DOUBLE PRECISION, "Defectives" DOUBLE PRECISION, "Inspected" DOUBLE PRECISION,
  "Rejects" DOUBLE PRECISION, "Sampled" DOUBLE PRECISION, "Defects" DOUBLE PRECISION, "Units" DOUBLE PRECISION,
  "CosmeticDefects" DOUBLE PRECISION) PARTITION BY RANGE ("TestStartTime");
-- The first unit's time: 0.31536 s a unit (100,000,000 a year) up to today's midnight.
SELECT date_trunc('day', localtimestamp) - make_interval(secs => :rows * 0.31536) AS first \gset
SELECT format('CREATE TABLE %I PARTITION OF "PSU100_Results" FOR VALUES FROM (%L) TO (%L)',
  'PSU100_Results_' || to_char(m, 'YYYYMM'), m, m + interval '1 month')
FROM generate_series(date_trunc('month', timestamp :'first' - interval '1 day'),
  date_trunc('month', localtimestamp + interval '1 day'), interval '1 month') AS m \gexec
-- A normal draw (Box-Muller), and a reading rounded as testers write it.
CREATE FUNCTION pg_temp.reading(mean float8, sigma float8) RETURNS float8 LANGUAGE sql VOLATILE AS
  'SELECT round((mean + sigma * sqrt(-2 * ln(1 - random())) * cos(2 * pi() * random()))::numeric, 4)::float8';
INSERT INTO "PSU100_Results" ("SerialNumber", "ATEID", "TestStartTime", "PassFail", "TestID", "VOUT_5V", "VOUT_3V3",
  "IDLE_CUR", "LOAD_CUR", "RIPPLE", "EFFICIENCY", "SW_FREQ", "BOARD_TEMP")
SELECT serial, tester, at, CASE WHEN v1 BETWEEN 4.75 AND 5.25 AND v2 BETWEEN 3.135 AND 3.465 AND v3 <= 0.35
  AND v4 BETWEEN 1.8 AND 2.2 AND v5 <= 50 AND v6 >= 85 AND v7 BETWEEN 95 AND 105 THEN 'PASS' ELSE 'FAIL' END,
  CASE WHEN random() < 0.85 THEN 'FT1' ELSE 'FT2' END, v1, v2, v3, v4, v5, v6, v7, v8
FROM (SELECT 'PSU' || lpad((k + 1)::text, 9, '0') AS serial, 'ATE-0' || ((k * 7 % 11) % 4 + 1) AS tester,
        timestamp :'first' + make_interval(secs => k * 0.31536 + floor(random() * 361) - 180) AS at,
        pg_temp.reading(5.0, 0.05) AS v1, pg_temp.reading(3.3, 0.03) AS v2, pg_temp.reading(0.25, 0.02) AS v3,
        pg_temp.reading(2.0, 0.04) AS v4, pg_temp.reading(30, 4) AS v5, pg_temp.reading(90, 1.2) AS v6,
        pg_temp.reading(100, 0.8) AS v7, pg_temp.reading(45, 3) AS v8
      FROM generate_series(0::bigint, :rows - 1) AS k) AS units;
CREATE INDEX "PSU100_Results_TestStartTime" ON "PSU100_Results" ("TestStartTime");
VACUUM ANALYZE "PSU100_Results";
SQL
  echo "== $db: $rows rows written in $((SECONDS - started)) s"
}

# The size of a table: its partitions and their indexes.
table_size() { # db
  pg -d "$1" -tAc "SELECT pg_size_pretty(sum(pg_total_relation_size(relid))) || ' in ' || count(*) FILTER (WHERE isleaf)
    || ' partitions' FROM pg_partition_tree('\"PSU100_Results\"')"
}

# A folder with the demo's INI files naming an ODBC data source on database DB.
odbc_config() { # db folder
  mkdir -p "$2"
  printf '[PostgreSQL Unicode]\nDriver=psqlodbcw.so\n' > "$work/odbcinst.ini"
  printf '[part_%s]\nDriver=PostgreSQL Unicode\nServername=%s\nPort=%s\nDatabase=%s\n' "$1" "$dir" "$port" "$1" \
    >> "$work/odbc.ini"
  cp "$work/PRODUCTS.INI" "$2/"
  sed -e "s/^DatabaseName=.*/DatabaseName=$1/" -e "s/^DataSourceName=.*/DataSourceName=part_$1/" \
    -e "s/^UserName=.*/UserName=spc/" -e "s/^Password=.*/Password=/" "$work/ATE.INI" > "$2/ATE.INI"
}
export ODBCSYSINI=$work ODBCINI=$work/odbc.ini
options=(--chart X-Bar-R --size 5 --zones --test-id "<All>" --json /dev/null)

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# Times one statement file in psql RUNS times and explains its last statement; prints one table row. The rows
# go to /dev/null through COPY (query) TO STDOUT: streamed whatever their number, planned as the statement
# alone is (parallel workers allowed, which a cursor would not be).
time_statement() { # db label file rows
  local db=$1 label=$2 file=$3 rows=$4 walls=()
  sed -E 's/^(.*[^;]);*$/COPY (\1) TO STDOUT;/' "$file" > "$file.copy"
  for _ in $(seq "$runs"); do
    walls+=("$(measure psql psql -X -q -h "$dir" -p "$port" -U spc -d "$db" -f "$file.copy" | cut -d' ' -f2)")
  done
  local plan=$out/plans/$db-$label.txt
  { echo "EXPLAIN (ANALYZE, BUFFERS)"; tail -n 1 "$file"; } | pg -d "$db" > "$plan"
  local top server workers parts
  top=$(sed -n 3p "$plan" | sed -E 's/^ *(->)? *//; s/  \(cost.*//')
  server=$(grep -o 'Execution Time: [0-9.]*' "$plan" | grep -o '[0-9.]*$')
  workers=$(grep -o 'Workers Launched: [0-9]*' "$plan" | head -1 | grep -o '[0-9]*$' || true)
  parts=$(grep -cE ' on "PSU100_Results_[0-9]{6}"' "$plan" || true)
  echo "| $rows | $label | $(printf '%s\n' "${walls[@]}" | median) s | ${server:-?} ms | ${workers:-0} | $parts | $top |"
}

IFS=, read -r -a size_list <<< "$sizes"
for rows in "${size_list[@]}"; do
  make_table "$rows"
done
echo "free disk after: $(df -h --output=avail "$dir" | tail -1)"

# The program's statements, from the server's log of one report on the smallest table.
for rows in "${size_list[@]}"; do odbc_config "spcdata_$rows" "$work/cfg_$rows"; done
pg -d postgres -c "ALTER SYSTEM SET log_statement = 'all'" -c 'SELECT pg_reload_conf()' >/dev/null
from=$(wc -l < "$dir/log")
"$report" --config "$work/cfg_${size_list[0]}" "${options[@]}" >/dev/null
pg -d postgres -c "ALTER SYSTEM SET log_statement = 'none'" -c 'SELECT pg_reload_conf()' >/dev/null
tail -n +"$((from + 1))" "$dir/log" | /usr/bin/python3 "$here/logged-statements.py" postgresql \
  | grep -v -e information_schema -e current_setting > "$work/every.sql"
echo "== statements (every row)"; cat "$work/every.sql"
since=$(date -d '-30 days' +%Y-%m-%d)
sed -e "\$s/BETWEEN '1900-01-01'/BETWEEN '$since'/" "$work/every.sql" > "$work/recent.sql"
if [ -n "${BENCH_SERVER_SIDE:-}" ]; then
  "$BENCH_SERVER_SIDE" --config "$work/cfg_${size_list[0]}" --server-side --sql "${options[@]:0:7}" \
    | sed -e '$!d' -e 's/;*$/;/' > "$work/pushed.sql"
  echo "== pushed-down statement"; cat "$work/pushed.sql"
fi

echo
echo "load before timing: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "| rows | statement | psql wall (median of $runs) | server (EXPLAIN ANALYZE) | workers | partitions scanned | plan top |"
echo "| --- | --- | --- | --- | --- | --- | --- |"
for rows in "${size_list[@]}"; do
  db=spcdata_$rows
  time_statement "$db" every "$work/every.sql" "$rows"
  time_statement "$db" last-30-days "$work/recent.sql" "$rows"
  if [ -n "${BENCH_SERVER_SIDE:-}" ]; then time_statement "$db" pushed "$work/pushed.sql" "$rows"; fi
done
echo "load after timing: $(cut -d' ' -f1-3 /proc/loadavg)"
for rows in "${size_list[@]}"; do echo "spcdata_$rows: $(table_size "spcdata_$rows")"; done

if [ "${BENCH_REPORTS:-0}" = 1 ]; then
  echo "| rows | moldrin-report | wall | CPU | peak |"
  echo "| --- | --- | --- | --- | --- |"
  for rows in "${size_list[@]}"; do
    read -r _ wall kib cpu < <(measure report "$report" --config "$work/cfg_$rows" "${options[@]}")
    echo "| $rows | every row | $wall s | $cpu s | $((kib / 1024)) MiB |"
    if [ -n "${BENCH_SERVER_SIDE:-}" ]; then
      read -r _ wall kib cpu < <(measure report "$BENCH_SERVER_SIDE" --config "$work/cfg_$rows" --server-side "${options[@]}")
      echo "| $rows | --server-side | $wall s | $cpu s | $((kib / 1024)) MiB |"
    fi
  done
fi
