#!/usr/bin/env bash
# Installs what is missing, builds every preset and runs every test: native unit tests (ASan/UBSan),
# the same logic and the boundary's contract cross-built under Wine, the end-to-end scenarios, and a
# bounded run of each fuzz target (clang, libFuzzer).
set -euo pipefail
cd "$(dirname "$0")/.."

./cmake/bootstrap.sh

jobs=$(nproc 2>/dev/null || echo 2)
status=0
for preset in native win32 win64 fuzz; do
  echo "=== $preset: configure and build"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  echo "=== $preset: test"
  if ! ctest --preset "$preset" -j "$jobs"; then
    status=1
  fi
done
exit $status
