#!/usr/bin/env bash
# Runs each libFuzzer target for TIME_SECONDS over a scratch copy of its saved corpus and prints
# its executions per second and total executions:
#   bench/fuzz.sh TIME_SECONDS [TARGET...]      (targets: the names of fuzz/corpus/*; default all)
# Builds the fuzz preset first. The scratch corpora live outside the tree, so the saved ones are
# never changed: new inputs that matter are copied into fuzz/corpus/<target>/ by hand. Set
# VELLUM_FUZZ_WORK to keep the scratch folder (a later run there resumes its grown corpora);
# VELLUM_FUZZ_RUNS to stop each target after that many executions instead of at the time;
# VELLUM_FUZZ_SEED to make the run repeat exactly (same seed, same runs: the same inputs).
# Every saved input runs first, so a regression on one fails the run. A target that finds a
# fault stops; its input is kept in the scratch folder and the script exits non-zero after the
# other targets have run. Without VELLUM_FUZZ_WORK a scratch folder that found nothing is removed.
set -euo pipefail

if [ $# -lt 1 ] || ! [[ $1 =~ ^[0-9]+$ ]]; then
    echo "usage: $0 TIME_SECONDS [TARGET...]" >&2
    exit 2
fi
seconds=$1
shift

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz >/dev/null

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    for folder in fuzz/corpus/*/; do [ -d "$folder" ] && targets+=("$(basename "$folder")"); done
fi
[ ${#targets[@]} -gt 0 ] || { echo "no fuzz targets: nothing ran" >&2; exit 1; }

if [ -n "${VELLUM_FUZZ_WORK:-}" ]; then
    work=$VELLUM_FUZZ_WORK
    keep_work=1
else
    work=$(mktemp -d "${TMPDIR:-/tmp}/vellum-fuzz.XXXXXX")
    keep_work=0
fi
mkdir -p "$work"
# Several slow paths need inputs of tens of kilobytes; libFuzzer's default would stop at 4 KB.
max_len=${VELLUM_FUZZ_MAX_LEN:-65536}
runs=${VELLUM_FUZZ_RUNS:--1}
seed=${VELLUM_FUZZ_SEED:-0}  # 0: libFuzzer picks one

failed=0
for target in "${targets[@]}"; do
    binary=build/fuzz/fuzz/fuzz_$target
    [ -x "$binary" ] || { echo "$target: no such fuzz target" >&2; failed=1; continue; }
    corpus=$work/corpus/$target
    mkdir -p "$corpus" "$work/artifacts"
    cp -n fuzz/corpus/"$target"/* "$corpus"/
    log=$work/$target.log
    status=0
    "$binary" "$corpus" -max_len="$max_len" -max_total_time="$seconds" -runs="$runs" -seed="$seed" -timeout=10 \
        -print_final_stats=1 -artifact_prefix="$work/artifacts/$target-" >"$log" 2>&1 || status=$?
    # A fault on a saved input stops before any statistics: none of these may end the script.
    total=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
    coverage=$(grep -oE 'cov: [0-9]+ ft: [0-9]+' "$log" | tail -n 1 || true)
    if [ "$status" -eq 0 ]; then
        echo "$target: ${total:-?} executions, ${rate:-?} exec/s, $coverage, corpus $(ls "$corpus" | wc -l) inputs"
    else
        echo "$target: FAULT after ${total:-?} executions (exit $status); log $log"
        grep -E '^(==[0-9]+==ERROR|SUMMARY|.*runtime error|artifact_prefix|Test unit written)' "$log" | head -n 5 || true
        failed=1
    fi
done
if [ "$failed" -eq 0 ] && [ "$keep_work" -eq 0 ]; then
    rm -rf "$work"
else
    echo "scratch folder: $work"
fi
exit "$failed"
