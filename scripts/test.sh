#!/usr/bin/env bash
# Runs every test tier: native (sanitizers), Windows under Wine, end to end, page scripts (Node),
# pages in the real engine (WebKitGTK), and the fuzz targets briefly over their saved corpora (clang, libFuzzer).
# Installs what is missing first, then builds both presets. Prints one summary line per tier
# and a closing "N passed, N failed" line; exits non-zero when any tier fails.
set -uo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

bash scripts/setup.sh || { echo "setup failed"; exit 1; }
echo "setup: $SECONDS s"
source scripts/wine-env.sh

lanes=$(mktemp -d)
trap 'jobs -p | xargs -r kill 2>/dev/null; rm -rf "$lanes"' EXIT

# tier ID NAME COMMAND...: runs one tier, its output into the lanes folder. A tier passes only
# when its runner ran at least one test and none failed.
tier() {
    local id=$1 name=$2 started=$SECONDS status=0
    shift 2
    { echo; echo "=== tier: $name ==="; "$@"; } >"$lanes/$id.log" 2>&1 || status=$?
    local word=passed
    [ "$status" -eq 0 ] || word=FAILED
    echo "$name: $word ($((SECONDS - started)) s)" >"$lanes/$id.result"
}

node_tests() {
    local files=("$@")
    if [ ! -e "${files[0]:-}" ]; then
        echo "no tests in ${files[0]:-the list}: the tier did not run"
        return 1
    fi
    local output status
    output=$(node --test "${files[@]}" 2>&1)
    status=$?
    echo "$output" | grep -E '^(not ok|# (tests|pass|fail))'
    [ $status -eq 0 ] || { echo "--- the runner's whole output:"; echo "$output"; return 1; }
    echo "$output" | grep -qE '^# pass [1-9]'
}

# A display of its own (Xvfb picks a free number) with a window manager, for COMMAND.
on_own_display() {
    local number_file xvfb wm status
    number_file=$(mktemp)
    Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$number_file" >/dev/null 2>&1 &
    xvfb=$!
    for _ in $(seq 1 100); do
        [ -s "$number_file" ] && break
        sleep 0.1
    done
    local display=":$(tr -d '[:space:]' <"$number_file")"
    rm -f "$number_file"
    DISPLAY=$display openbox >/dev/null 2>&1 &
    wm=$!
    DISPLAY=$display "$@"
    status=$?
    kill "$wm" "$xvfb" 2>/dev/null
    return $status
}

# The tiers run in lanes at once, each on a display of its own: the Linux lane, and three Wine
# lanes with a prefix (copies of the project's) and a wineserver each, which split the Windows
# unit tests and the end-to-end files between them, so that no test sees another's windows, data
# folders or single-instance locks. Most Wine tests wait on windows and timers, and the Linux
# lane starts beside the Windows build: the lanes fill each other's waiting on 2 cores.

# Replays every saved input and fuzzes each target a little more, from a fixed seed and for a
# fixed number of runs, so the tier gives the same answer on every machine; open-ended random
# runs are bench/fuzz.sh's job, and what they find joins the saved inputs.
fuzz_tier() {
    wait "$fuzz_build" || { tail -n 40 "$fuzz_build_log"; return 1; }
    VELLUM_FUZZ_SEED=${VELLUM_FUZZ_SEED:-1} VELLUM_FUZZ_RUNS=${VELLUM_FUZZ_RUNS:-50000} \
        bench/fuzz.sh "${VELLUM_FUZZ_SECONDS:-120}"
}
# The GTK tests among the native ones need a display too. The fuzz targets build at the lowest
# priority beside everything else from the start of the lane.
linux_lane() {
    local fuzz_build_log=$lanes/fuzz-build.log
    (cmake --preset fuzz >/dev/null && nice -n 19 cmake --build --preset fuzz) >"$fuzz_build_log" 2>&1 &
    fuzz_build=$!
    tier 1 "native (ASan, UBSan)" ctest --preset linux --no-tests=error --parallel 2
    tier 2 "page scripts (Node)" node_tests tests/js/*.test.mjs
    tier 3 "Linux, real engine (WebKitGTK)" node_tests tests/linux/*.test.mjs
    tier 8 "fuzz targets (libFuzzer, ASan, UBSan)" fuzz_tier
}

# The end-to-end files of the second and third Wine lanes, by name; every other file runs in
# the first, after the Windows unit tests. The lanes take about the same time.
second_lane_names=(dialogs pack_commands storms notifications answer_table)
third_lane_names=(app_window main_window packaged_app shell_registry themes)
e2e_lane=([1]="" [2]="" [3]="")
for file in tests/e2e/*.test.mjs; do
    base=$(basename "$file" .test.mjs)
    lane=1
    printf '%s\n' "${second_lane_names[@]}" | grep -qx "$base" && lane=2
    printf '%s\n' "${third_lane_names[@]}" | grep -qx "$base" && lane=3
    e2e_lane[$lane]+="$file "
done

# wine_lane N: the lane's own prefix, display and wineserver, then its tiers.
wine_lane() {
    local n=$1
    unset DISPLAY
    export WINEPREFIX=$lanes/wineprefix-$n
    cp -a "$project_prefix" "$WINEPREFIX"
    start_wine_session
    trap stop_wine_session EXIT
    [ "$n" -eq 1 ] && tier 4 "windows (Wine)" ctest --preset windows --no-tests=error
    # shellcheck disable=SC2086  # the lane's file names hold no blanks
    tier $((4 + n)) "end to end (Wine), lane $n" node_tests ${e2e_lane[$n]}
}

build() {
    cmake --preset "$1" >/dev/null && cmake --build --preset "$1"
}
build_started=$SECONDS
build linux || { echo "native build failed"; exit 1; }
echo "linux build: $((SECONDS - build_started)) s"

on_own_display linux_lane &

windows_started=$SECONDS
build windows || { echo "Windows build failed"; exit 1; }
echo "windows build: $((SECONDS - windows_started)) s"
project_prefix=$WINEPREFIX
for n in 1 2 3; do wine_lane "$n" & done
wait

passed=0
failed=0
declare -a summary=()
for id in 1 2 3 4 5 6 7 8; do
    cat "$lanes/$id.log" 2>/dev/null
    result=$(cat "$lanes/$id.result" 2>/dev/null || echo "tier $id: FAILED (it did not finish)")
    summary+=("$result")
    case $result in
        *": passed ("*) passed=$((passed + 1)) ;;
        *) failed=$((failed + 1)) ;;
    esac
done

echo
printf '%s\n' "${summary[@]}"
echo "tiers: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
