#!/usr/bin/env bash
# Times a page in the real engine (WebKitGTK) in the test host, built without sanitizers by the
# bench preset: start to first served file, page message round trip, 1,000 small files served.
# Starts Xvfb when there is no display.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
cmake --preset bench >/dev/null
cmake --build --preset bench --target webkit_bench_host >/dev/null
xvfb=""
if [ -z "${DISPLAY:-}" ]; then
    number_file=$(mktemp)
    Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$number_file" >/dev/null 2>&1 &
    xvfb=$!
    for _ in $(seq 1 100); do [ -s "$number_file" ] && break; sleep 0.1; done
    export DISPLAY=":$(tr -d '[:space:]' <"$number_file")"
    rm -f "$number_file"
fi
trap '[ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null' EXIT
node bench/real_engine.mjs build/bench/bench/webkit_bench_host
