#!/usr/bin/env bash
# Sets up a Debian 12 machine and runs every test: the optimised build, the
# build under AddressSanitizer and UndefinedBehaviorSanitizer, the Release
# build (built only), the parsers under libFuzzer, and the Windows x64 build
# (mingw-w64) with its tests under Wine.
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
# A user's plain Release build (-O3, tests and benchmarks included), where
# GCC warns about more than at -O2: built with warnings as errors, its tests
# are not run again (docs/build-settings.md).
echo "=== build: release (warnings as errors)" >&2
cmake --preset release >/dev/null
cmake --build --preset release -j "$jobs"

# Every libFuzzer target (the scene reader, the design loader, the registry
# files, the live library's query texts, the stand-in's port) for 60 s in
# all, seeded with the tests' own inputs and every input kept from earlier
# findings. tools/run-fuzz.sh says how the time is shared, prints each
# target's executions per second, and on a failure where the input is kept.
echo "=== fuzz: every target, 60 s in all" >&2
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$jobs"
tools/run-fuzz.sh 60

# The Windows build and its tests under Wine, in a Wine prefix kept in the
# build tree (created once, 10 to 20 s) and a wineserver that is stopped at
# the end.
echo "=== build: mingw (Windows x64, cross-compiled)" >&2
cmake --preset mingw >/dev/null
cmake --build --preset mingw -j "$jobs"
wine_prefix=build/mingw/wine-prefix
trap 'WINEPREFIX="$PWD/$wine_prefix" wineserver -k 2>/dev/null || true' EXIT
wine_start=$SECONDS
tools/wine-run.sh "$wine_prefix" cmd.exe /c exit
echo "=== test: mingw, under Wine (prefix ready after $((SECONDS - wine_start)) s)" >&2
# Wine now and then fails to start a program: a test then fails at once
# without a line of output, and passes when run again. The tests that failed
# run once more, by name in the log; a second failure fails the run.
if ! ctest --preset mingw -j "$jobs"; then
  echo "=== test: mingw, the failed tests once more under Wine" >&2
  ctest --preset mingw --rerun-failed --output-on-failure
fi
echo "=== Wine: $((SECONDS - wine_start)) s for the Windows tests" >&2
echo "all tests passed" >&2
