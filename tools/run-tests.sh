#!/usr/bin/env bash
# Sets up a Debian 12 machine and runs every test: the optimised build and the
# build under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup-deps.sh
jobs=$(nproc)

for preset in default asan; do
  echo "=== build: $preset" >&2
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  echo "=== test: $preset" >&2
  ctest --preset "$preset" -j "$jobs"
done
echo "all tests passed" >&2
