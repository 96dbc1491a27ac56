#!/usr/bin/env bash
# Times moldrin-report's Pareto chart read in one pass against one statement per parameter, and the
# scatter chart, on a generated results table (PSU-100: 8 parameters; no index, rows not in time order).
# Both Pareto reports must be byte-identical; the script stops if they are not.
# Usage: bench/distribution.sh [BUILD_DIR] [ROWS] [RUNS]
set -euo pipefail
source "$(dirname "$0")/common.sh"
"$build/src/data/moldrin-demo-data" --units "$rows" --shuffle --product PSU-100 "$work" >/dev/null
export MOLDRIN_SETTINGS_FILE="$work/settings"

"$report" --config "$work" --kind Pareto --json "$work/one.json"
"$report" --config "$work" --kind Pareto --pareto-read per-parameter --json "$work/each.json"
cmp "$work/one.json" "$work/each.json" || { echo "the two Pareto reports differ"; exit 1; }

: > "$work/times.txt"
for _ in $(seq "$runs"); do
  measure pareto-one-pass "$report" --config "$work" --kind Pareto --json /dev/null >> "$work/times.txt"
  measure pareto-per-parameter "$report" --config "$work" --kind Pareto --pareto-read per-parameter --json /dev/null >> "$work/times.txt"
  measure scatter "$report" --config "$work" --kind Scatter --parameter VOUT_5V --parameter VOUT_3V3 --json /dev/null >> "$work/times.txt"
done
/usr/bin/python3 - "$work/times.txt" "$rows" <<'PY'
import sys, statistics
path, rows = sys.argv[1], sys.argv[2]
data = [l.split() for l in open(path)]
for label in ("pareto-one-pass", "pareto-per-parameter", "scatter"):
    secs = [float(r[1]) for r in data if r[0] == label]
    kib = [float(r[2]) for r in data if r[0] == label]
    cpu = [float(r[3]) for r in data if r[0] == label]
    print(f"{label}: median {statistics.median(secs):.3f} s wall (min {min(secs):.3f}, max {max(secs):.3f}), "
          f"{statistics.median(cpu):.2f} s CPU, over {len(secs)} runs, peak memory "
          f"{statistics.median(kib)/1024:.0f} MiB, {rows} rows")
PY
