#!/usr/bin/env bash
# Checks the installed Debian package (scripts/package.sh --install): lintian, the installed files, the
# programs run as installed on the installed demo, and an install of the build tree into a fresh prefix.
# Usage: scripts/check-installed.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-package}
deb=$(ls "$build"/moldrin_*.deb)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

lintian --fail-on error --info "$deb"
version=$(dpkg-query -W -f='${Version}' moldrin)
echo "moldrin $version installed, $(du -k "$deb" | cut -f1) KiB package:"
dpkg -L moldrin | sort

# The installed programs find their library and plugins without the build tree or LD_LIBRARY_PATH.
unset LD_LIBRARY_PATH
cd "$scratch"
test "$(moldrin-report --version)" = "moldrin-report $version"
test "$(moldrin --version)" = "moldrin $version"
moldrin-report --config /usr/share/moldrin/demo --list-parameters
desktop-file-validate /usr/share/applications/moldrin.desktop
appstreamcli validate --no-net /usr/share/metainfo/com.tolvane.moldrin.metainfo.xml
man -w moldrin moldrin-report

# The window offscreen for one plot of the installed demo, on a settings file of its own.
MOLDRIN_SETTINGS_FILE="$scratch/settings" XDG_RUNTIME_DIR="$scratch" QT_QPA_PLATFORM=offscreen \
  timeout 120 moldrin /usr/share/moldrin/demo --screenshot "$scratch/window.png"
test -s "$scratch/window.png"

# cmake --install into a fresh prefix: the programs run from there, and no test or bench file is installed.
cd - >/dev/null
cmake --install "$build" --prefix "$scratch/prefix" >/dev/null
"$scratch/prefix/bin/moldrin-report" --config "$scratch/prefix/share/moldrin/demo" --list-products
ldd "$scratch/prefix/bin/moldrin" | grep -F "libLumVisualStyle.so.1 => $scratch/prefix/"
if (cd "$scratch/prefix" && find .) | grep -Ei '(_test|bench|fuzz)'; then
  echo "test or bench files installed" >&2
  exit 1
fi
echo "installed package checked"
