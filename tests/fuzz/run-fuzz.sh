#!/usr/bin/env bash
# Runs one fuzz target for a bounded time on its committed seed corpus.
#   run-fuzz.sh FUZZER SEED_DIR WORK_DIR [SECONDS] [--keep]
# New inputs go to WORK_DIR/corpus (the committed seeds are only read); with
# --keep that corpus is kept from the run before and grows (`make fuzz`),
# otherwise it starts empty. A crash, a hang (over 5 s for one input) or a
# sanitizer report leaves its input in WORK_DIR/artifacts and makes the run
# fail. The last line names the target, the executions and the corpus size.
set -uo pipefail
fuzzer=$1
seeds=$2
work=$3
seconds=${4:-15}
keep=${5:-}

[ "$keep" = --keep ] || rm -rf "$work"
rm -rf "$work/artifacts"
mkdir -p "$work/corpus" "$work/artifacts"
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
"$fuzzer" -max_total_time="$seconds" -timeout=5 -rss_limit_mb=2048 -max_len=8192 \
  -print_final_stats=1 -artifact_prefix="$work/artifacts/" "$work/corpus" "$seeds" >"$work/fuzz.log" 2>&1
status=$?
tail -n 40 "$work/fuzz.log"
runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/fuzz.log" | tail -n 1)
findings=$(find "$work/artifacts" -type f | wc -l)
echo "fuzz $(basename "$fuzzer" | sed 's/^fuzz_//'): ${runs:-0} executions in ${seconds} s," \
  "corpus $(find "$work/corpus" -type f | wc -l) inputs, findings ${findings}"
exit $status
