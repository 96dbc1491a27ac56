#!/usr/bin/env bash
# Times the main window offscreen on a generated PSU-100 table (as test stations write it): Start Plot to
# the drawn chart for X-Bar-R of 5 with zones and for Individual-MR, then the stop latency of a plot.
# Usage: bench/window.sh [BUILD_DIR] [ROWS] [RUNS]
set -euo pipefail
source "$(dirname "$0")/common.sh"
"$build/src/data/moldrin-demo-data" --units "$rows" --jitter 180 --product PSU-100 "$work" >/dev/null
echo "table: $rows rows, load: $(cut -d' ' -f1-3 /proc/loadavg)"
for chart in X-Bar-R Individual-MR; do
  "$build/bench/moldrin-window-bench" plot "$work" "$chart" "$runs"
done
"$build/bench/moldrin-window-bench" stop "$work"
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
