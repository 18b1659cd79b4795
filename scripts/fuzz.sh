#!/usr/bin/env bash
# The long runs of `make fuzz`: every fuzz target for FUZZ_SECONDS (default
# 300) on its seeds and on what the runs before found, two at a time, then
# MUTATIONS (default 2000) damaged setups through the setup program's worker
# under Wine, with seeds from MUTATION_SEED (default 100001, apart from the
# 1 to 200 of `make test`). What the fuzzers find stays in BUILD/fuzz/<target>
# (corpus/, artifacts/), never in the source tree; the figures of the run go
# to BUILD/fuzz/summary.txt.
#   fuzz.sh BUILD
set -uo pipefail
build=$(realpath "$1")
here=$(cd "$(dirname "$0")/.." && pwd)
seconds=${FUZZ_SECONDS:-300}
mutations=${MUTATIONS:-2000}
seed=${MUTATION_SEED:-100001}
out="$build/fuzz"
mkdir -p "$out"
summary="$out/summary.txt"
: >"$summary"
status=0

targets=$(ls "$build/host/tests/fuzz" | sed -n 's/^fuzz_//p')
printf '%s\n' $targets | xargs -P 2 -I{} sh -c \
  "'$here/tests/fuzz/run-fuzz.sh' '$build/host/tests/fuzz/fuzz_{}' '$here/tests/fuzz/corpus/{}' '$out/{}' $seconds --keep \
     > '$out/{}.txt' 2>&1; echo \$? > '$out/{}.status'"
for t in $targets; do
  tail -n 1 "$out/$t.txt" | tee -a "$summary"
  [ "$(cat "$out/$t.status")" = 0 ] || { echo "fuzz $t FAILED: see $out/$t.txt and $out/$t/artifacts" | tee -a "$summary"; status=1; }
done

# The mutations, in a Wine prefix of their own, started on the same X
# display as the test (the prefix's desktop process keeps the display it
# was started with).
prefix="$out/wine/prefix"
KALVORIN_WINEPREFIX="$prefix" KALVORIN_MEDIA="$out/wine/media" KALVORIN_BUILD="$build/x86_64" \
KALVORIN_MUTATIONS="$mutations" KALVORIN_MUTATION_SEED="$seed" KALVORIN_TEST_LIMIT=14400 \
  xvfb-run -a -s "-screen 0 1280x1024x24" sh -c '
    "$1/scripts/wine-prefix.sh" start "$2" >/dev/null 2>&1
    "$1/scripts/wine-run.sh" "$3" >"$4" 2>&1
    status=$?
    "$1/scripts/wine-prefix.sh" stop "$2" >/dev/null 2>&1
    exit $status' sh "$here" "$prefix" "$build/x86_64/tests/win/mutation_test.exe" "$out/mutations.txt" || status=1
sed -n '/^mutations run/,/^\[/p' "$out/mutations.txt" | grep -a -v '^\[' | tee -a "$summary"
grep -a -q '^\[  PASSED  \] 1 test' "$out/mutations.txt" || { echo "mutations FAILED: see $out/mutations.txt" | tee -a "$summary"; status=1; }
exit $status
