#!/usr/bin/env bash
# Times the histogram and the Pareto reading every reading against the same charts with --server-side (the
# engine sums the readings), on SQLite and on PostgreSQL through ODBC, and psql running the statements the
# server-side reports send (taken from the server's log) with their rows to /dev/null. Both paths must give
# the same charts: every JSON text alike, every figure to 1e-9 (the data curve may end one point apart).
# The table is PSU-100 as test stations write it (moldrin-demo-data --jitter 180), copied into a throwaway
# server (bench/servers.sh). Also the screen reading every reading against psql running the subgroups'
# statement --server-side sends for each of its parameters (what pushing the screen down would cost the engine).
# Paired runs, one unmeasured round first; each line: label, wall s, peak KiB, CPU s.
# Usage: bench/engine-distribution.sh [BUILD_DIR] [ROWS] [RUNS]
set -euo pipefail
source "$(dirname "$0")/common.sh"
source "$here/servers.sh"
histogram=(--kind Histogram --test-id "<All>")
pareto=(--kind Pareto --test-id "<All>")

servers_with_demo
# shellcheck disable=SC2046
/usr/bin/python3 "$here/copy-to-server.py" "$work/results.db" postgresql $(pg_args)
# shellcheck disable=SC2046
psql -X -q $(pg_args) -c 'VACUUM ANALYZE' >/dev/null
server_config "$work" "$work/bench_pg" bench_pg
export MOLDRIN_SETTINGS_FILE=$work/settings

same() { # config, options...: both paths' JSON alike
  local config=$1; shift
  "$report" --config "$config" "$@" --json "$work/client.json" 2>/dev/null
  "$report" --config "$config" "$@" --server-side --json "$work/engine.json" 2>"$work/note"
  if [ -s "$work/note" ]; then cat "$work/note"; fi
  /usr/bin/python3 "$here/same-chart.py" "$work/client.json" "$work/engine.json"
}
for config in "$work" "$work/bench_pg"; do
  echo "$(basename "$config"):"
  same "$config" "${histogram[@]}"
  same "$config" "${pareto[@]}"
done

# The statements the server-side reports send, as PostgreSQL logged them.
pgdir=$work/servers/pg
logged() { # file, options...
  local file=$1 from; shift
  # shellcheck disable=SC2046
  psql -X -q $(pg_args) -c "ALTER SYSTEM SET log_statement = 'all'" -c 'SELECT pg_reload_conf()' >/dev/null
  from=$(wc -l < "$pgdir/log")
  "$report" --config "$work/bench_pg" "$@" --server-side --json /dev/null 2>/dev/null
  # shellcheck disable=SC2046
  psql -X -q $(pg_args) -c "ALTER SYSTEM SET log_statement = 'none'" -c 'SELECT pg_reload_conf()' >/dev/null
  # The chart's own statements (not the catalogue's, nor the tester list's).
  tail -n +"$((from + 1))" "$pgdir/log" | /usr/bin/python3 "$here/logged-statements.py" postgresql \
    | grep -E '^SELECT (COUNT\(val\)|cell AS|SUM\(CASE|0 AS ParamX)' > "$file"
}
logged "$work/histogram.sql" "${histogram[@]}"
logged "$work/pareto.sql" "${pareto[@]}"
# The screen stays one read of every column: what its subgroups would cost the engine, one statement per
# parameter (the X-Bar-R of size 5 --server-side sends), against the screen reading every reading.
"$report" --config "$work/bench_pg" --list-parameters | cut -f2 > "$work/columns"
while read -r column; do
  "$report" --config "$work/bench_pg" --chart X-Bar-R --size 5 --test-id "<All>" --parameter "$column" \
    --server-side --sql
  echo ";"
done < "$work/columns" > "$work/subgroups.sql"

round() {
  for config in "$work" "$work/bench_pg"; do
    local engine=sqlite
    [ "$config" = "$work" ] || engine=pg
    measure "$engine-histogram-every-reading" "$report" --config "$config" "${histogram[@]}" --json /dev/null
    measure "$engine-histogram-server-side" "$report" --config "$config" "${histogram[@]}" --server-side --json /dev/null
    measure "$engine-pareto-every-reading" "$report" --config "$config" "${pareto[@]}" --json /dev/null
    measure "$engine-pareto-server-side" "$report" --config "$config" "${pareto[@]}" --server-side --json /dev/null
  done
  # shellcheck disable=SC2046
  measure psql-histogram-statements psql -X -q $(pg_args) -f "$work/histogram.sql" -o /dev/null
  # shellcheck disable=SC2046
  measure psql-pareto-statement psql -X -q $(pg_args) -f "$work/pareto.sql" -o /dev/null
  measure pg-screen-every-reading "$report" --config "$work/bench_pg" --screen --test-id "<All>" --json /dev/null
  # shellcheck disable=SC2046
  measure psql-subgroups-per-parameter psql -X -q -v ON_ERROR_STOP=1 $(pg_args) -f "$work/subgroups.sql" -o /dev/null
}
round >/dev/null
for _ in $(seq "$runs"); do
  round
done
echo "statements (PostgreSQL):"
cat "$work/histogram.sql" "$work/pareto.sql"
