#!/usr/bin/env bash
# Times moldrin-report against the sqlite3 shell on generated 1,000,000-row results tables. The sqlite3
# shell runs the statements the program needs (tester list, chart statement) and discards the rows: the
# database's own work is the floor.
# BENCH_TABLES (default "appended indexed shuffled") names the tables: "appended" as test stations write
# them (time order, testers interleaved, each start time up to 3 minutes early or late; no index),
# "indexed" the same with an index on the start time, "shuffled" rows in no order (no index).
# BENCH_CHARTS (default "X-Bar-R Individual-MR Histogram screen") names what to time; "screen": --screen of
# the product's 8 parameters against the shell running its one statement, and against eight single plots.
# Usage: bench/run.sh [BUILD_DIR] [ROWS] [RUNS]
set -euo pipefail
source "$(dirname "$0")/common.sh"

# The chart statement as the program writes it, with its date literals in SQLite's ISO form.
chart_sql() {
  "$report" --config "$work" --sql "$@" | /usr/bin/python3 -c '
import re, sys, datetime
s = sys.stdin.read()
def iso(m):
    d = datetime.datetime.strptime(m.group(1), "%d/%b/%Y") if m.group(1)[0].isdigit() else datetime.datetime.strptime(m.group(1), "%b/%d/%Y")
    return "'"'"'" + d.strftime("%Y-%m-%d") + (m.group(2) or " 00:00:00") + "'"'"'"
print(re.sub(r"'"'"'([^'"'"' ]+/[^'"'"' ]+/\d{4})( \d\d:\d\d:\d\d)?'"'"'", iso, s))'
}
tester_sql="SELECT [ATEID] AS ATEx FROM PSU100_Results GROUP BY [ATEID] ORDER BY [ATEID];"

# The program lets SQLite sort with one helper thread per spare core; the same for the shell, as a
# second floor.
with_threads() {
  printf 'PRAGMA threads = %d;\n' "$(( $(nproc) > 1 ? ($(nproc) - 1 > 4 ? 4 : $(nproc) - 1) : 0 ))" | cat - "$1"
}

# One chart: its name, then the options that choose it (given to --sql and to the report alike).
run_case() {
  local chart=$1; shift
  local sql
  sql=$(chart_sql "$@" --test-id "<All>")
  printf '%s\n%s\n' "$tester_sql" "$sql" > "$work/stmts.sql"
  with_threads "$work/stmts.sql" > "$work/stmts-threads.sql"
  : > "$work/$chart.txt"
  for _ in $(seq "$runs"); do
    measure sqlite3 sh -c "sqlite3 -readonly '$work/results.db' < '$work/stmts.sql'" >> "$work/$chart.txt"
    measure sqlite3-threads sh -c "sqlite3 -readonly '$work/results.db' < '$work/stmts-threads.sql'" >> "$work/$chart.txt"
    measure moldrin "$report" --config "$work" "$@" --test-id "<All>" --json /dev/null >> "$work/$chart.txt"
  done
  /usr/bin/python3 - "$chart" "$work/$chart.txt" <<'PY'
import sys, statistics
chart, path = sys.argv[1], sys.argv[2]
rows = [l.split() for l in open(path)]
def med(label, i): return statistics.median(float(r[i]) for r in rows if r[0] == label)
s, t, m = med("sqlite3", 1), med("sqlite3-threads", 1), med("moldrin", 1)
print(f"{chart}: sqlite3 {s:.3f} s (with sort threads {t:.3f} s), moldrin-report {m:.3f} s, "
      f"ratio {m/s:.2f} ({m/t:.2f}), "
      f"peak memory moldrin-report {med('moldrin', 2)/1024:.0f} MiB, sqlite3 {med('sqlite3', 2)/1024:.0f} MiB")
# CPU time (user + system) is less stretched than wall time when other work shares the cores.
cs, ct, cm = med("sqlite3", 3), med("sqlite3-threads", 3), med("moldrin", 3)
print(f"  CPU: sqlite3 {cs:.3f} s (with sort threads {ct:.3f} s), moldrin-report {cm:.3f} s, ratio {cm/cs:.2f} ({cm/ct:.2f})")
PY
  echo "  load after: $(cut -d' ' -f1-3 /proc/loadavg)"
}

run_screen() {
# --screen against the shell running the one statement, and against one X-Bar-R-Median-s plot with zones
# (the chart the screen's rule hits are those of) per parameter.
chart_sql --screen --test-id "<All>" > "$work/screen.sql"
with_threads "$work/screen.sql" > "$work/screen-threads.sql"
"$report" --config "$work" --list-parameters | cut -f2 > "$work/parameters"
cat > "$work/plots.sh" <<PLOTS
while read -r p; do
  "$report" --config "$work" --parameter "\$p" --chart X-Bar-R-Median-s --size 5 --zones --test-id "<All>" \\
    --json /dev/null || exit 1
done < "$work/parameters"
PLOTS
: > "$work/screen.txt"
for _ in $(seq "$runs"); do
  measure sqlite3 sh -c "sqlite3 -readonly '$work/results.db' < '$work/screen.sql'" >> "$work/screen.txt"
  measure sqlite3-threads sh -c "sqlite3 -readonly '$work/results.db' < '$work/screen-threads.sql'" >> "$work/screen.txt"
  measure moldrin "$report" --config "$work" --screen --test-id "<All>" --json /dev/null >> "$work/screen.txt"
  measure plots sh "$work/plots.sh" >> "$work/screen.txt"
done
/usr/bin/python3 - "$work/screen.txt" "$(wc -l < "$work/parameters")" <<'PY'
import sys, statistics
rows = [l.split() for l in open(sys.argv[1])]
def med(label, i): return statistics.median(float(r[i]) for r in rows if r[0] == label)
s, t, m, p = med("sqlite3", 1), med("sqlite3-threads", 1), med("moldrin", 1), med("plots", 1)
print(f"--screen ({sys.argv[2]} parameters): sqlite3 {s:.3f} s (with sort threads {t:.3f} s), moldrin-report {m:.3f} s, "
      f"ratio {m/s:.2f} ({m/t:.2f}); {sys.argv[2]} single plots {p:.3f} s, ratio {p/s:.2f} ({p/t:.2f}); "
      f"peak memory moldrin-report {med('moldrin', 2)/1024:.0f} MiB")
PY
}

charts=${BENCH_CHARTS:-"X-Bar-R Individual-MR Histogram screen"}
for table in ${BENCH_TABLES:-appended indexed shuffled}; do
  case $table in
    appended) layout=(--jitter 180) ;;
    indexed) layout=(--jitter 180 --index) ;;
    shuffled) layout=(--shuffle) ;;
    *) echo "unknown table $table"; exit 2 ;;
  esac
  rm -f "$work/results.db"
  "$build/src/data/moldrin-demo-data" --units "$rows" "${layout[@]}" --product PSU-100 "$work" >/dev/null
  echo "table $table ($rows rows, moldrin-demo-data ${layout[*]}), load: $(cut -d' ' -f1-3 /proc/loadavg)"
  for chart in $charts; do
    case $chart in
      Histogram) run_case Histogram --kind Histogram ;;
      screen) run_screen ;;
      *) run_case "$chart" --chart "$chart" --size 5 --zones ;;
    esac
  done
done
