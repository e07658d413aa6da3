#!/bin/bash
# Each fuzz target for SECONDS on its seed corpus and its past findings in
# fuzz/regressions/<name> (new inputs go to a scratch folder), JOBS targets
# at a time: every target still gets its full time, on a core of its own.
# Usage: fuzz-smoke.sh SAN_BUILD SECONDS JOBS
set -u
build=$1
seconds=$2
jobs=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

run_target() {
    local target=$1 name short regressions
    name=$(basename "$target")
    short=${name#fuzz_}
    regressions=$(ls -d "fuzz/regressions/$short" 2>/dev/null || true)
    mkdir -p "$work/$name.new"
    "$target" -max_total_time="$seconds" -rss_limit_mb=2048 -print_final_stats=1 \
        "$work/$name.new" "fuzz/corpus/$short" $regressions > "$work/$name.log" 2>&1
    echo $? > "$work/$name.rc"
    rm -rf "$work/$name.new"
}

targets=("$build"/fuzz/fuzz_*)
for target in "${targets[@]}"; do
    while [ "$(jobs -rp | wc -l)" -ge "$jobs" ]; do
        wait -n
    done
    run_target "$target" &
done
wait

failed=
for target in "${targets[@]}"; do
    name=$(basename "$target")
    echo "fuzzing $name for $seconds s"
    if [ "$(cat "$work/$name.rc" 2>/dev/null)" != 0 ]; then
        cat "$work/$name.log"
        echo "$name found a fault"
        failed=1
    else
        grep -E '^(stat::number_of_executed_units|Done)' "$work/$name.log" || true
    fi
done
[ -z "$failed" ]
