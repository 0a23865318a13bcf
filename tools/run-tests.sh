#!/usr/bin/env bash
# Sets up a Debian 12 machine and runs every test: the optimised build, the
# build under AddressSanitizer and UndefinedBehaviorSanitizer, the Release
# build (built only), the scene reader under libFuzzer, and the Windows x64
# build (mingw-w64) with its tests under Wine.
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

# The scene reader under libFuzzer for a bounded time, seeded with the golden
# files, the malformed corpus and every input kept from earlier findings; the
# corpus is a copy in the build folder, so the repository stays clean. An
# input that makes it fail is left in the findings folder: keep it under
# tests/sceneapi/fuzz-regressions/, where the normal tests replay it.
echo "=== fuzz: the scene reader, 60 s" >&2
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$jobs"
fuzz=build/fuzz/reader-fuzz
rm -rf "$fuzz"
mkdir -p "$fuzz/corpus" "$fuzz/findings"
shopt -s nullglob
for seed in tests/*/golden/*.rdk tests/sceneapi/bad/* tests/sceneapi/fuzz-regressions/*; do
  cp "$seed" "$fuzz/corpus/${seed//\//_}"
done
if ! build/fuzz/tests/sceneapi/fuzz/sceneapi_reader_fuzz -max_total_time=60 -max_len=8192 -timeout=10 \
     -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$fuzz/findings/" "$fuzz/corpus" 2>"$fuzz/log"; then
  tail -n 40 "$fuzz/log" >&2
  echo "fuzz: the reader failed on an input, kept in $fuzz/findings/" >&2
  exit 1
fi
grep -E '^(stat::number_of_executed_units|stat::new_units_added)' "$fuzz/log" >&2 || true

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
ctest --preset mingw -j "$jobs"
echo "=== Wine: $((SECONDS - wine_start)) s for the Windows tests" >&2
echo "all tests passed" >&2
