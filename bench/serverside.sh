#!/usr/bin/env bash
# Times the variables chart on PostgreSQL through ODBC reading every reading against the same chart with
# --server-side (the engine forms the subgroups), and psql running the statement --server-side sends (its
# bound values in place, printed by --sql --server-side) with the rows to /dev/null. Both reports must give the
# same chart: their JSON figures are compared to 1e-12.
# The table is PSU-100 as test stations write it (moldrin-demo-data --jitter 180) in a throwaway server
# (bench/servers.sh). Paired runs, one unmeasured pair first; each line: label, wall s, peak KiB, CPU s.
# BENCH_CHART (default X-Bar-R) chooses the chart; BENCH_INDEX=1 adds an index on the start time (stations'
# tables often have none); BENCH_EXPLAIN=1 prints the plan of one EXPLAIN ANALYZE of the statement first.
# Usage: bench/serverside.sh [BUILD_DIR] [ROWS] [RUNS]
set -euo pipefail
source "$(dirname "$0")/common.sh"
source "$here/servers.sh"
chart=${BENCH_CHART:-X-Bar-R}
options=(--chart "$chart" --size 5 --zones --test-id "<All>")

servers_with_demo
# shellcheck disable=SC2046
/usr/bin/python3 "$here/copy-to-server.py" "$work/results.db" postgresql $(pg_args)
# shellcheck disable=SC2046
if [ "${BENCH_INDEX:-0}" = 1 ]; then
  # shellcheck disable=SC2046
  psql -X -q $(pg_args) -c 'CREATE INDEX ON "PSU100_Results" ("TestStartTime")' >/dev/null
fi
# shellcheck disable=SC2046
psql -X -q $(pg_args) -c 'VACUUM ANALYZE' >/dev/null
server_config "$work" "$work/bench_pg" bench_pg
export MOLDRIN_SETTINGS_FILE=$work/settings

"$report" --config "$work/bench_pg" "${options[@]}" --server-side --sql > "$work/pushed.sql"
"$report" --config "$work/bench_pg" "${options[@]}" --json "$work/client.json" 2>/dev/null
"$report" --config "$work/bench_pg" "${options[@]}" --server-side --json "$work/engine.json" 2>/dev/null
/usr/bin/python3 - "$work/client.json" "$work/engine.json" <<'PY'
import json, sys
a, b = (json.load(open(f)) for f in sys.argv[1:3])
bad = []
def walk(x, y, p):
    if isinstance(x, dict):
        if set(x) != set(y): bad.append(p); return
        for k in x: walk(x[k], y[k], p + '/' + k)
    elif isinstance(x, list):
        if len(x) != len(y): bad.append(p); return
        for i, (u, v) in enumerate(zip(x, y)): walk(u, v, '%s[%d]' % (p, i))
    elif isinstance(x, float) or isinstance(y, float):
        if abs(x - y) > 1e-12 * max(1, abs(x)): bad.append(p)
    elif x != y: bad.append(p)
walk(a, b, '')
print('same chart' if not bad else 'DIFFERENT: %s' % bad[:5])
PY
if [ "${BENCH_EXPLAIN:-0}" = 1 ]; then
  # shellcheck disable=SC2046
  { echo "EXPLAIN (ANALYZE, COSTS OFF)"; cat "$work/pushed.sql"; } | psql -X -q $(pg_args) -f -
fi

run_pair() {
  measure every-reading "$report" --config "$work/bench_pg" "${options[@]}" --json /dev/null
  measure server-side "$report" --config "$work/bench_pg" "${options[@]}" --server-side --json /dev/null
  # shellcheck disable=SC2046
  measure psql-pushed psql -X -q $(pg_args) -f "$work/pushed.sql" -o /dev/null
}
run_pair >/dev/null
for _ in $(seq "$runs"); do
  run_pair
done
echo "statement:"
cat "$work/pushed.sql"
