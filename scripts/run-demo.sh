#!/usr/bin/env bash
# Installs the packages, builds the program and runs it on the bundled demo configuration.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMOLDRIN_BUILD_TESTS=OFF
cmake --build build -j "$(nproc)"
if [ -x build/src/data/moldrin-demo-data ] && [ ! -f examples/demo/results.db ]; then
  build/src/data/moldrin-demo-data examples/demo
fi
if [ -x build/src/shell/moldrin ]; then
  exec build/src/shell/moldrin --config examples/demo
fi
exec build/src/cli/moldrin-report --config examples/demo --list-parameters
