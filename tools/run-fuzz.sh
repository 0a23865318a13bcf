#!/usr/bin/env bash
# tools/run-fuzz.sh [SECONDS]: runs every libFuzzer target of the fuzz
# preset (build/fuzz/fuzz-targets.txt) for SECONDS in all (60 by default),
# as many at once as there are cores: with 5 targets on 2 cores, three
# rounds of 20 s each. Each target starts from its seeds (the tests' own
# inputs) and the inputs kept in its fuzz-regressions/ folder, copied into
# build/fuzz/runs/<target>/corpus so the repository stays clean, and prints
# its executions per second. An input a target fails on is left in
# build/fuzz/runs/<target>/findings/: keep it in the fuzz-regressions/
# folder named in the message, with a name that says what it holds, and the
# normal tests replay it.
set -euo pipefail
cd "$(dirname "$0")/.."
total=${1:-60}
list=build/fuzz/fuzz-targets.txt
[ -f "$list" ] || { echo "run-fuzz: $list missing; build the fuzz preset first" >&2; exit 2; }
mapfile -t targets < "$list"
lanes=$(nproc)
(( lanes > ${#targets[@]} )) && lanes=${#targets[@]}
rounds=$(( (${#targets[@]} + lanes - 1) / lanes ))
each=$(( total / rounds ))
(( each > 0 )) || each=1
echo "fuzz: ${#targets[@]} targets, $lanes at a time, $each s each" >&2

runs=build/fuzz/runs
rm -rf "$runs"

# fuzz_one LINE: runs one target; its summary goes to runs/<name>/summary.
fuzz_one() {
  local fields name program kept dir seed
  IFS=$'\t' read -r -a fields <<< "$1"
  name=${fields[0]} program=${fields[1]} kept=${fields[2]}
  dir=$runs/$name
  mkdir -p "$dir/corpus" "$dir/findings"
  for seed in "${fields[@]:3}" "$kept"/*; do
    [ -f "$seed" ] && cp "$seed" "$dir/corpus/$(echo "${seed#"$PWD"/}" | tr / _)"
  done
  local status=0
  "$program" -max_total_time="$each" -max_len=8192 -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$dir/findings/" "$dir/corpus" >"$dir/log" 2>&1 || status=$?
  local runs_done per_second added
  runs_done=$(sed -n 's/^stat::number_of_executed_units: *//p' "$dir/log")
  per_second=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$dir/log")
  added=$(sed -n 's/^stat::new_units_added: *//p' "$dir/log")
  if [ "$status" -eq 0 ]; then
    printf '%-28s %8s runs in %s s: %6s exec/s, %s new inputs\n' "$name" "${runs_done:-?}" "$each" \
      "${per_second:-?}" "${added:-?}" > "$dir/summary"
  else
    { tail -n 40 "$dir/log"
      echo "$name FAILED on an input, kept in $dir/findings/: add it to ${kept#"$PWD"/}/"
    } > "$dir/summary"
    return 1
  fi
}

failed=0
pids=()
names=()
for line in "${targets[@]}"; do
  if (( ${#pids[@]} >= lanes )); then
    wait "${pids[0]}" || failed=1
    cat "$runs/${names[0]}/summary" >&2
    pids=("${pids[@]:1}")
    names=("${names[@]:1}")
  fi
  fuzz_one "$line" &
  pids+=($!)
  names+=("${line%%$'\t'*}")
done
for i in "${!pids[@]}"; do
  wait "${pids[$i]}" || failed=1
  cat "$runs/${names[$i]}/summary" >&2
done
exit $failed
