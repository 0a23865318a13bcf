#!/usr/bin/env bash
# The speed targets of the exporter, measured briefly on this machine, one
# line per target:
#     NAME MEASURED TARGET ok|short
# or "NAME missing" while the benchmark behind a target does not exist yet.
# Lines that begin with "#" are comments.
# Each figure is the median of a few repetitions, the project's run
# interleaved with its peer's; take them on a quiet machine (check the
# load with uptime first). Not a test, and not run in CI; the whole script
# stays within about 20 minutes.
#
#   BENCH_BUILD        the build folder, its benchmarks built (default
#                      build/default)
#   BENCH_REPETITIONS  repetitions per benchmark (default 5)
#
# Name lines on the command line to run only those:
#     tools/bench-summary.sh loader-vs-before transfer-vs-file
#
# Each target is one function below: it runs what it needs and calls
# `result` (or `missing`).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BENCH_BUILD:-build/default}
repetitions=${BENCH_REPETITIONS:-5}
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# run PROGRAM FILTER [ARGS...]: runs the benchmarks of PROGRAM (a path in the
# build folder) that FILTER matches, repeated and interleaved, once per
# PROGRAM and FILTER; prints the file that holds the results (JSON), or
# fails when the program does not exist.
run() {
  local program=$build/$1 filter=$2
  shift 2
  [ -x "$program" ] || return 1
  local out
  out=$scratch/$(printf '%s %s' "$program" "$filter" | md5sum | cut -c1-16).json
  if [ ! -s "$out" ]; then
    "$program" --benchmark_filter="$filter" --benchmark_repetitions="$repetitions" \
      --benchmark_enable_random_interleaving=true --benchmark_report_aggregates_only=true \
      --benchmark_format=json "$@" >"$out" 2>"$out.err" || { cat "$out.err" >&2; return 1; }
  fi
  echo "$out"
}

# median FILE BENCHMARK FIELD: the median of FIELD (real_time, cpu_time or a
# counter) of one benchmark in a run's results.
median() {
  python3 - "$@" <<'EOF'
import json, sys
path, name, field = sys.argv[1:]
for b in json.load(open(path))["benchmarks"]:
    if b.get("aggregate_name") == "median" and b["run_name"] == name:
        print(b[field])
        break
else:
    sys.exit(f"no median of {name} in {path}")
EOF
}

# result NAME MEASURED TARGET: MEASURED and TARGET are factors, and the target
# holds when MEASURED is at least TARGET.
result() {
  python3 - "$@" <<'EOF'
import sys
name, measured, target = sys.argv[1], float(sys.argv[2]), float(sys.argv[3])
print(f"{name} {measured:.2f}x {target:g}x {'ok' if measured >= target else 'short'}")
EOF
}

missing() {
  echo "$1 missing"
}

# --- Floats as text: the writer's float formatter against its peers on the
# same 5 M floats, one thread each (CPU time).
float_vs_peer() {
  local name=$1 peer=$2 out ours theirs
  if ! out=$(run bench/sceneapi/sceneapi_bench '^FloatText_' --benchmark_min_time=0.5); then
    missing "$name"
    return
  fi
  ours=$(median "$out" FloatText_Writer cpu_time)
  theirs=$(median "$out" "$peer" cpu_time)
  result "$name" "$(python3 -c "print($theirs / $ours)")" 6
}
float_vs_to_chars() { float_vs_peer float-vs-to_chars FloatText_ToChars; }
float_vs_fmt() { float_vs_peer float-vs-fmt FloatText_Fmt; }

# --- Every core: the write phase of a 4 M-triangle export on 2 threads
# against 1 (wall time), the two taking turns write by write in one run:
# this machine's speed drifts by 10 to 20 % within seconds, so that two
# separate runs would compare two states of the machine as much as two
# thread counts. The median of the repetitions' ratios. A comment line
# beside it gives what the machine itself allowed two threads meanwhile (two
# threads formatting the same numbers and sharing nothing): where the line
# is short, that tells the machine's state from the writer's.
export_2_threads() {
  local out
  if ! out=$(run bench/scene/scene_bench '^ExportWrite_4MTriangles_Pairs/' --benchmark_min_time=4); then
    missing export-2-threads
    return
  fi
  result export-2-threads "$(median "$out" ExportWrite_4MTriangles_Pairs/real_time speedup)" 1.7
  printf '# export-2-threads: two threads sharing nothing got %.2fx meanwhile\n' \
    "$(median "$out" ExportWrite_4MTriangles_Pairs/real_time ceiling)"
}

# --- A reader that outruns the writer: the reader benchmark's files (lists
# of 10 M floats and ints, a 5,000-mesh scene, 200,000 small groups), each
# written and read, in one run for the three lines.
reader_run() {
  run bench/sceneapi/sceneapi_reader_bench '^(FloatsText|IntsText|FloatsBinary|Scene|SceneBinary|Groups)_(Write|Read|ReadModel)$'
}

# read_vs_write NAME FILES...: the slowest of the files, as its writing time
# over its reading time (the reader alone, into a scene that does nothing);
# the target holds when every file reads at least as fast as it is written.
# Wall time: the writer formats large text lists on every core, which the
# CPU time of the benchmark's own thread would not count.
read_vs_write() {
  local name=$1 out factors=() f write read
  shift
  if ! out=$(reader_run); then
    missing "$name"
    return
  fi
  for f in "$@"; do
    write=$(median "$out" "${f}_Write" real_time)
    read=$(median "$out" "${f}_Read" real_time)
    factors+=("$write / $read")
  done
  result "$name" "$(python3 -c "print(min($(IFS=,; echo "${factors[*]}")))")" 1
}
read_vs_write_text() { read_vs_write read-vs-write-text FloatsText IntsText Scene Groups; }
read_vs_write_binary() { read_vs_write read-vs-write-binary FloatsBinary SceneBinary; }

# Bytes per second of reading 200,000 small groups into the scene model (as
# rdk check does) over those of the text scene of meshes: no kind of scene
# may read at less than a tenth of geometry's speed per byte.
groups_vs_geometry() {
  local out groups geometry
  if ! out=$(reader_run); then
    missing groups-vs-geometry
    return
  fi
  groups=$(median "$out" Groups_ReadModel bytes_per_second)
  geometry=$(median "$out" Scene_ReadModel bytes_per_second)
  result groups-vs-geometry "$(python3 -c "print($groups / $geometry)")" 0.1
}

# --- No slow paths.
# Every mesh format's export against Assimp's export of the same file to
# OBJ, time and memory; the script prints its own line (about 10 minutes).
stl_vs_assimp() {
  if [ ! -x "$build/tools/addin-host" ] || ! command -v assimp >/dev/null; then
    missing stl-vs-assimp
    return
  fi
  bench/cad/mesh-vs-assimp.py --build "$build" --summary
}

# The design loader on its benchmark design against the loader before its
# mesh numbers went past the JSON parser (every value through the parser),
# both measured in this run, alternated (CPU time): the figure does not
# depend on how fast the machine is today. The loader before is that of
# commit a4d1a3b, built once from the repository's history into
# $build/loader-before (a few minutes; kept for the next run).
loader_before_bench() {
  local dir=$build/loader-before src=$scratch/loader-before launcher=()
  if [ ! -x "$dir/bench/host/host_bench" ]; then
    command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
    mkdir -p "$src"
    git archive a4d1a3b | tar -x -C "$src" &&
      cmake -S "$src" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" >"$scratch/before.log" 2>&1 &&
      cmake --build "$dir" -j"$(nproc)" --target host_bench >>"$scratch/before.log" 2>&1 ||
      { tail -20 "$scratch/before.log" >&2; return 1; }
  fi
  echo "$dir/bench/host/host_bench"
}

loader_vs_before() {
  local before now i old=() new=()
  now=$build/bench/host/host_bench
  if [ ! -x "$now" ] || ! before=$(loader_before_bench); then
    missing loader-vs-before
    return
  fi
  for ((i = 0; i < repetitions; i++)); do
    old+=("$("$before" --benchmark_filter='^LoadDesignFile/100$' --benchmark_format=json 2>/dev/null | cpu_ms)")
    new+=("$("$now" --benchmark_filter='^LoadDesignFile/100$' --benchmark_format=json 2>/dev/null | cpu_ms)")
  done
  result loader-vs-before "$(python3 -c "import statistics as s; print(s.median([${old[*]/%/,}]) / s.median([${new[*]/%/,}]))")" 3
}

# The CPU time in ms of the one benchmark in results (JSON) on standard input.
cpu_ms() {
  python3 -c 'import json, sys; b = json.load(sys.stdin)["benchmarks"][0]; print(b["cpu_time"])'
}

# A full live transfer of a 2 M-triangle design into a stand-in (up to its
# verdict) against the export of the same design to a file (wall time): the
# transfer may take at most 1.3x as long, so the file's time over the
# transfer's is at least 1/1.3. Both write some 60 MB per iteration into the
# page cache: the gigabytes that the lines before left dirty are written
# back first, so that the disk's writeback does not fall into either.
transfer_vs_file() {
  local out file transfer
  sync
  if ! out=$(run bench/livelink/transfer_bench '_2MTriangles/' --benchmark_min_time=1); then
    missing transfer-vs-file
    return
  fi
  file=$(median "$out" FileExport_2MTriangles/process_time/real_time real_time)
  transfer=$(median "$out" LiveTransfer_2MTriangles/process_time/real_time real_time)
  result transfer-vs-file "$(python3 -c "print($file / $transfer)")" 0.77
}

echo "# $(uptime)"
# The lines named on the command line, else all of them.
names=("$@")
[ ${#names[@]} -gt 0 ] || names=(float-vs-to_chars float-vs-fmt export-2-threads read-vs-write-text
  read-vs-write-binary groups-vs-geometry stl-vs-assimp loader-vs-before transfer-vs-file)
for name in "${names[@]}"; do
  "${name//-/_}"
done
