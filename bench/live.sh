#!/usr/bin/env bash
# Live monitoring: the refresh of a chart on a large table with a few new rows, --watch-once from its state,
# and a soak of --watch's reads.
#   bench/live.sh [BUILD_DIR] [ROWS] [NEW_ROWS] [SOAK_INTERVALS]
set -euo pipefail
build=${1:-build}
rows=${2:-1000000}
new=${3:-100}
intervals=${4:-10000}
here=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export MOLDRIN_SETTINGS_FILE="$work/settings"
for dir in large soak; do
  mkdir -p "$work/$dir"
  cp "$here/examples/demo/ATE.INI" "$here/examples/demo/PRODUCTS.INI" "$work/$dir/"
done
"$build/src/data/moldrin-demo-data" --units "$rows" --product PSU-100 --jitter 180 --index "$work/large" >/dev/null
/usr/bin/time -f "peak memory %M KiB, wall %e s" "$build/bench/moldrin-live-bench" refresh "$work/large" "$new" 20
# Refreshes 6 s apart: each counts the rows before its overlap (the late-row check comes due), the first
# through the start-time index, the next ones with the plan that was cheaper.
"$build/bench/moldrin-live-bench" refresh "$work/large" "$new" 4 6000
# Cron: --watch-once over every parameter, without a state (the whole product read), then from the state the
# run before left, with NEW_ROWS units written before each run.
watch=("$build/src/cli/moldrin-report" --config "$work/large" --product PSU-100 --watch-once --state "$work/watch.state")
/usr/bin/time -f "watch-once, no state: peak memory %M KiB, wall %e s" "${watch[@]}" >/dev/null
ls -l "$work/watch.state"
for run in 1 2 3 4 5; do
  "$build/bench/moldrin-live-bench" append "$work/large" "$new"
  /usr/bin/time -f "watch-once $run from its state, $new new rows: peak memory %M KiB, wall %e s" "${watch[@]}" >/dev/null
done
"$build/src/data/moldrin-demo-data" --product PSU-100 --index "$work/soak" >/dev/null
/usr/bin/time -f "peak memory %M KiB, wall %e s" "$build/bench/moldrin-live-bench" soak "$work/soak" "$intervals"
