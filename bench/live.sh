#!/usr/bin/env bash
# Live monitoring: the refresh of a chart on a large table with a few new rows, and a soak of --watch's reads.
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
"$build/src/data/moldrin-demo-data" --product PSU-100 --index "$work/soak" >/dev/null
/usr/bin/time -f "peak memory %M KiB, wall %e s" "$build/bench/moldrin-live-bench" soak "$work/soak" "$intervals"
