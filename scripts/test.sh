#!/usr/bin/env bash
# Installs the packages, builds everything, runs the fuzz targets briefly, then every test.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
jobs=$(nproc)
# Fuzz targets: libFuzzer needs clang; each runs a few seconds.
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMOLDRIN_FUZZ=ON
cmake --build build-fuzz -j "$jobs" --target moldrin_fuzz_targets
ctest --test-dir build-fuzz -L fuzz --output-on-failure -j "$jobs"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure -j "$jobs" --timeout 600
