#!/usr/bin/env bash
# fuzz.sh [SECONDS [RUNS]]: runs each of the four fuzz targets in turn, one at a time, for
# SECONDS (default 120) or, when RUNS is given, until it has made RUNS executions, whichever
# comes first; each starts on a fresh copy of its seeds. It prints, per target, the runs made,
# runs per second and the coverage reached (edges and features). A crash stops the script
# with the target's report. Not a test: the figures are for reading, and the test command
# runs the targets briefly. A long campaign beside other work, two million runs a target:
#   nice -n 19 tools/fuzz.sh 20000 2000000
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
seconds=${1:-120}
runs_limit=${2:--1}

tools/install-deps.sh
cmake --preset native >/dev/null
cmake --build --preset native >/dev/null

build="$top/build/native"
work=$(mktemp -d /tmp/settings-fuzz.XXXXXX)
trap 'rm -rf "$work"' EXIT

# name, libFuzzer flags, seed folders (as the test command runs them).
targets=(
  "settings_fuzz||$build/fuzz/settings_seeds"
  "string_database_fuzz|-max_len=4096|$build/tests/text/seeds"
  "graphic_load_fuzz|-max_len=67584|$build/tests/graphic/bmp_seeds $build/tests/graphic/pictures"
  "inflate_fuzz|-max_len=8192|$build/tests/nrv/zlib_samples"
)

limit="${seconds} s per target"
[ "$runs_limit" = -1 ] || limit="$runs_limit runs or ${seconds} s per target"
echo "Fuzzing figures of $(date -u '+%Y-%m-%d %H:%M UTC') on $(nproc) cores, $limit"
printf '%-22s %10s %8s %8s %9s\n' target runs runs/s edges features
for row in "${targets[@]}"; do
  IFS='|' read -r name flags seeds <<<"$row"
  mkdir -p "$work/$name"
  # shellcheck disable=SC2086 # flags and seed folders are word lists
  ASAN_OPTIONS=detect_leaks=1 "$build/fuzz/$name" -max_total_time="$seconds" -runs="$runs_limit" -print_final_stats=1 \
    -artifact_prefix="$work/$name/" $flags "$work/$name" $seeds >"$work/$name.log" 2>&1 || {
    cat "$work/$name.log"
    exit 1
  }
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/$name.log")
  per_second=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$work/$name.log")
  done_line=$(grep -E '^#[0-9]+[[:space:]]+DONE' "$work/$name.log" | tail -1)
  edges=$(sed -E 's/.*cov: ([0-9]+).*/\1/' <<<"$done_line")
  features=$(sed -E 's/.*ft: ([0-9]+).*/\1/' <<<"$done_line")
  printf '%-22s %10s %8s %8s %9s\n' "$name" "$runs" "$per_second" "$edges" "$features"
done
