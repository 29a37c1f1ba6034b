#!/usr/bin/env bash
# Runs each libFuzzer target for a bounded time, starting from the checked-in seeds.
# usage: fuzz.sh [SECONDS_PER_TARGET]   (default 60)
# What a run learns stays in build/fuzz/corpus; a crash lands in build/fuzz/crashes and fails
# the run. Turn each crash into a unit-test case.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
build=build/fuzz
failed=0
for target in version_parse probes; do
    corpus=$build/corpus/$target
    mkdir -p "$corpus" "$build/crashes"
    echo "fuzzing $target for ${seconds}s"
    if ! "$build/test/fuzz/${target}_fuzzer" -max_total_time="$seconds" -print_final_stats=0 \
        -artifact_prefix="$build/crashes/${target}-" "$corpus" "test/fuzz/corpus/$target" \
        > "$build/$target.log" 2>&1; then
        tail -n 30 "$build/$target.log"
        failed=1
    else
        grep -E '^Done [0-9]+ runs' "$build/$target.log" || true
    fi
done
exit $failed
