# Shared by the benchmark scripts (sourced): arguments [BUILD_DIR] [ROWS] [RUNS], a scratch folder with the
# demo's two INI files, the report's path and one timed run.
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build}
rows=${2:-1000000}
runs=${3:-5}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$here/../examples/demo/ATE.INI" "$here/../examples/demo/PRODUCTS.INI" "$work/"
report="$build/src/cli/moldrin-report"

measure() { # label, command...: prints wall seconds, peak KiB and CPU seconds (user + system) of one run
  local label=$1; shift
  /usr/bin/time -f "%e %M %U %S" -o "$work/t" "$@" >/dev/null 2>"$work/err" || { cat "$work/err"; exit 1; }
  read -r secs kib user sys < "$work/t"
  echo "$label $secs $kib $(echo "$user + $sys" | bc)"
}
