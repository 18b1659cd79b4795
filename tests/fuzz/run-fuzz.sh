#!/usr/bin/env bash
# Runs one fuzz target for a bounded time on its committed seed corpus.
#   run-fuzz.sh FUZZER SEED_DIR WORK_DIR [SECONDS]
# New inputs go to WORK_DIR/corpus (the committed seeds are only read);
# a crash, a hang (over 5 s for one input) or a sanitizer report leaves its
# input in WORK_DIR/artifacts and makes the run fail.
set -euo pipefail
fuzzer=$1
seeds=$2
work=$3
seconds=${4:-15}

rm -rf "$work"
mkdir -p "$work/corpus" "$work/artifacts"
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
exec "$fuzzer" -max_total_time="$seconds" -timeout=5 -rss_limit_mb=2048 -max_len=8192 \
  -print_final_stats=1 -artifact_prefix="$work/artifacts/" "$work/corpus" "$seeds"
