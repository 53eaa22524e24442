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

build() {
    cmake --preset "$1" >/dev/null && cmake --build --preset "$1"
}
build_started=$SECONDS
build linux || { echo "native build failed"; exit 1; }
build windows || { echo "Windows build failed"; exit 1; }
echo "builds: $((SECONDS - build_started)) s"

# The fuzz targets build at the lowest priority beside the tiers below, most of which wait on the
# apps they drive; the fuzz tier then finds them built.
fuzz_build_log=$(mktemp)
(cmake --preset fuzz >/dev/null && nice -n 19 cmake --build --preset fuzz) >"$fuzz_build_log" 2>&1 &
fuzz_build=$!

start_wine_session
trap 'stop_wine_session; kill "$fuzz_build" 2>/dev/null' EXIT

passed=0
failed=0
declare -a summary=()

# A tier passes only when its runner ran at least one test and none failed.
run_tier() {
    local name=$1
    shift
    echo
    echo "=== tier: $name ==="
    local started=$SECONDS
    if "$@"; then
        passed=$((passed + 1))
        summary+=("$name: passed ($((SECONDS - started)) s)")
    else
        failed=$((failed + 1))
        summary+=("$name: FAILED ($((SECONDS - started)) s)")
    fi
}

node_tests() {
    local folder=$1 output
    local files=("$folder"/*.test.mjs)
    if [ ! -e "${files[0]}" ]; then
        echo "no tests in $folder: the tier did not run"
        return 1
    fi
    output=$(node --test "${files[@]}" 2>&1)
    local status=$?
    echo "$output" | grep -E '^(not ok|# (tests|pass|fail))' 
    [ $status -eq 0 ] || { echo "$output" | tail -n 80; return 1; }
    echo "$output" | grep -qE '^# pass [1-9]'
}

# Pages in WebKitGTK inside the test host, on a display of their own with a window manager
# (window states need one).
real_engine_tests() {
    local number_file display xvfb wm status
    number_file=$(mktemp)
    Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$number_file" >/dev/null 2>&1 &
    xvfb=$!
    for _ in $(seq 1 100); do
        [ -s "$number_file" ] && break
        sleep 0.1
    done
    display=":$(tr -d '[:space:]' <"$number_file")"
    rm -f "$number_file"
    DISPLAY=$display openbox >/dev/null 2>&1 &
    wm=$!
    DISPLAY=$display node_tests tests/linux
    status=$?
    kill "$wm" "$xvfb" 2>/dev/null
    return $status
}

run_tier "native (ASan, UBSan)" ctest --preset linux --no-tests=error --parallel 2
run_tier "windows (Wine)" ctest --preset windows --no-tests=error
run_tier "end to end (Wine)" node_tests tests/e2e
run_tier "page scripts (Node)" node_tests tests/js
run_tier "Linux, real engine (WebKitGTK)" real_engine_tests
# Builds the fuzz preset, replays every saved input and fuzzes each target a few seconds more.
fuzz_tier() {
    wait "$fuzz_build" || { tail -n 40 "$fuzz_build_log"; return 1; }
    bench/fuzz.sh "${VELLUM_FUZZ_SECONDS:-5}"
}
run_tier "fuzz targets (libFuzzer, ASan, UBSan)" fuzz_tier

echo
printf '%s\n' "${summary[@]}"
echo "tiers: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
