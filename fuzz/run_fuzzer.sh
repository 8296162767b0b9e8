#!/usr/bin/env bash
# run_fuzzer.sh FUZZER SECONDS WORK_CORPUS [-FLAG...] [SEED_DIR...]: a bounded libFuzzer run that
# fails on any crash, leak or sanitizer report.
set -euo pipefail
fuzzer=$1 seconds=$2 work=$3
shift 3
mkdir -p "$work"
exec "$fuzzer" -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$work/" "$work" "$@"
