#!/usr/bin/env bash
# Checks that two builds of moldrin-report write byte-identical reports and listing files on the demo
# database: every variables chart type (with and without zones and limit lines), every other kind, and the
# screen, for each parameter of the first product. Run it before and after a change to the reading path.
# The listing files are written to a private folder the report removes; a small preloaded library keeps
# them (their removal does nothing) so they can be compared as well.
# SAME_OUTPUT_SERVERS=1 runs every case a second and a third time on the same data copied into throwaway
# PostgreSQL and MariaDB servers, read through their ODBC drivers (bench/servers.sh).
# Usage: bench/same-output.sh OLD_REPORT NEW_REPORT [DEMO_DATA]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
old=$1
new=$2
demo_data=${3:-$here/../build/src/data/moldrin-demo-data}
work=$(mktemp -d)
[ -n "${KEEP:-}" ] && echo "work: $work" || trap 'rm -rf "$work"' EXIT
cp "$here/../examples/demo/ATE.INI" "$here/../examples/demo/PRODUCTS.INI" "$work/"
"$demo_data" "$work" >/dev/null
export MOLDRIN_SETTINGS_FILE="$work/settings"

cat > "$work/keep.c" <<'C'
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <string.h>
int unlink(const char* path)
{
    if (strstr(path, ".spc"))
        return 0;
    int (*real)(const char*) = (int (*)(const char*))dlsym(RTLD_NEXT, "unlink");
    return real(path);
}
int rmdir(const char* path)
{
    (void)path;
    errno = ENOTEMPTY;
    return -1;
}
C
cc -shared -fPIC -O2 -o "$work/keep.so" "$work/keep.c" -ldl

# One report of each build: its JSON, messages and listing files under old/ and new/ by case number.
count=0
config=$work
run() { # options...
  count=$((count + 1))
  for side in old new; do
    local bin=${!side} tmp="$work/$side-tmp/$count"
    mkdir -p "$tmp" "$work/$side"
    TMPDIR=$tmp LD_PRELOAD="$work/keep.so" "$bin" --config "$config" "$@" --json "$work/$side/$count.json" \
      >/dev/null 2>"$work/$side/$count.stderr" || true
    # The kept folder's own notice names the folder: left out.
    grep -v '^QTemporaryDir: Unable to remove' "$work/$side/$count.stderr" > "$work/$side/$count.err" || true
    rm "$work/$side/$count.stderr"
    find "$tmp" -name '*.spc' | sort | while read -r f; do cat "$f"; echo "== $(basename "$f")"; done \
      > "$work/$side/$count.listings"
  done
  echo "$count: $(basename "$config") $*" >> "$work/cases"
}

# Every case on the data source the configuration folder $config names.
every_case() {
  "$new" --config "$work" --list-parameters | cut -f1 > "$work/parameters"
  while read -r p; do
    for chart in X-Bar-R-Median-s X-Bar-R X-Bar-s Median-R Median-s Individual-MR; do
      run --parameter "$p" --chart "$chart" --size 5 --test-id "<All>"
      run --parameter "$p" --chart "$chart" --size 4 --zones --show-spec --test-id "<All>"
    done
    run --parameter "$p" --chart X-Bar-R --size 25 --zones --test-id "<All>"
    run --parameter "$p" --kind Histogram --test-id "<All>"
  done < "$work/parameters"
  for kind in Pareto "P Chart" "NP Chart" "U Chart" "C Chart"; do
    run --kind "$kind" --test-id "<All>"
  done
  first_two=$(head -2 "$work/parameters" | tr '\n' '\t')
  run --kind Scatter --parameter "$(cut -f1 <<< "$first_two")" --parameter "$(cut -f2 <<< "$first_two")" --test-id "<All>"
  run --screen --test-id "<All>"
}

every_case
if [ "${SAME_OUTPUT_SERVERS:-}" = 1 ]; then
  source "$here/servers.sh"
  chmod 711 "$work"
  trap 'servers_stop; [ -n "${KEEP:-}" ] || rm -rf "$work"' EXIT
  servers_start "$work/servers"
  servers_load "$work/results.db"
  for dsn in bench_pg bench_maria; do
    config=$work/$dsn
    server_config "$work" "$config" "$dsn"
    every_case
  done
fi

differ=0
for f in "$work"/old/*; do
  name=$(basename "$f")
  cmp -s "$f" "$work/new/$name" || { echo "differs: $name ($(grep "^${name%%.*}:" "$work/cases"))"; differ=1; }
done
echo "$count cases, $(find "$work/old" -name '*.json' -size +0 | wc -l) JSON reports, $(cat "$work"/old/*.listings | grep -c '^== ') listing files compared"
exit $differ
