#!/usr/bin/env bash
# Installs the packages, builds the Debian package moldrin_VERSION_ARCH.deb and, with --install, installs it.
# Usage: scripts/package.sh [--install] [BUILD_DIR]   (default build-package: the programs without the tests)
set -euo pipefail
cd "$(dirname "$0")/.."
install=0
if [ "${1:-}" = "--install" ]; then
  install=1
  shift
fi
build=${1:-build-package}
scripts/install-deps.sh
if [ -f "$build/CMakeCache.txt" ]; then
  cmake -S . -B "$build" -DCMAKE_INSTALL_PREFIX=/usr
else
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr \
    -DMOLDRIN_BUILD_TESTS=OFF
fi
cmake --build "$build" -j "$(nproc)"
rm -f "$build"/moldrin_*.deb
(cd "$build" && cpack -G DEB)
deb=$(ls "$build"/moldrin_*.deb)
echo "$deb"
if [ "$install" -eq 1 ]; then
  SUDO=""
  if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "$(realpath "$deb")"
fi
