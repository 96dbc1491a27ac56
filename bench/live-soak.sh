#!/usr/bin/env bash
# Live monitoring's memory with a writer: the demo writer appends 5 units of PSU-100 every WRITE_EVERY
# seconds while every parameter is read INTERVALS times as --watch reads them, PAUSE_MS between reads
# (moldrin-live-bench soak), then `moldrin-report --watch 1` runs WATCH_SECONDS with the writer, its resident
# memory sampled from outside every 30 s.
#   bench/live-soak.sh [BUILD_DIR] [INTERVALS] [PAUSE_MS] [WRITE_EVERY] [WATCH_SECONDS]
set -euo pipefail
build=${1:-build}
intervals=${2:-10000}
pause=${3:-100}
every=${4:-0.1}
watchSeconds=${5:-600}
here=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
writer=
trap '[ -n "$writer" ] && kill "$writer" 2>/dev/null; rm -rf "$work"' EXIT
export MOLDRIN_SETTINGS_FILE="$work/settings"
demo="$build/src/data/moldrin-demo-data"
for dir in soak watch; do
  mkdir -p "$work/$dir"
  cp "$here/examples/demo/ATE.INI" "$here/examples/demo/PRODUCTS.INI" "$work/$dir/"
  "$demo" --product PSU-100 --index "$work/$dir" >/dev/null
done

"$demo" --append-every "$every" --shift-after 60 --product PSU-100 "$work/soak" >/dev/null &
writer=$!
/usr/bin/time -f "peak memory %M KiB, wall %e s" "$build/bench/moldrin-live-bench" soak "$work/soak" "$intervals" "$pause"
kill "$writer"; wait "$writer" || true

"$demo" --append-every 1 --shift-after 60 --product PSU-100 "$work/watch" >/dev/null &
writer=$!
"$build/src/cli/moldrin-report" --config "$work/watch" --product PSU-100 --watch 1 >"$work/marks.jsonl" &
watch=$!
for ((t = 0; t <= watchSeconds; t += 30)); do
  echo "watch at $t s: $(grep -E '^(VmRSS|RssAnon|RssFile)' /proc/$watch/status | tr -s ' \t' ' ' | tr '\n' ' ')"
  sleep 30
done
kill -TERM "$watch"; wait "$watch"; echo "watch rc=$?, $(wc -l <"$work/marks.jsonl") mark lines"
kill "$writer"; wait "$writer" || true
writer=
