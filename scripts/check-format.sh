#!/usr/bin/env bash
# Fails when a C++ file of src/ or tests/ differs from the checked-in .clang-format.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
off=$(git ls-files 'src/*.cpp' 'src/*.h' 'tests/*.cpp' 'tests/*.h' | while read -r f; do
  clang-format --dry-run -Werror "$f" >/dev/null 2>&1 || echo "$f"
done)
if [ -n "$off" ]; then
  echo "These files differ from .clang-format (run clang-format -i on them):"
  echo "$off"
  exit 1
fi
echo "format: every file as .clang-format has it"
