#!/usr/bin/env bash
# Whole-process start-up under Wine: from starting the packaged example (with the WebView2 test
# double) to the double's record of the start page's first answered resource request, beside a
# bare Win32 program from its start to its first shown window. Median of RUNS starts each.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
source scripts/wine-env.sh
runs=${RUNS:-7}
work=$(mktemp -d)
trap 'stop_wine_session; rm -rf "$work"' EXIT
start_wine_session

build/linux/src/tools/pack/vellum-pack build examples/hello -o "$work/Hello.exe" \
    --runtime build/windows/src/app/VellumRuntime.exe --loader build/windows/tests/webview2_double.dll >/dev/null
printf '{"steps":[]}' >"$work/scenario.json"
driver=build/windows/tests/ui_driver.exe
now() { date +%s%N; }

wait_for() {  # waits until the command succeeds; prints elapsed milliseconds since $1
    local started=$1; shift
    until "$@" 2>/dev/null; do sleep 0.005; done
    echo $((($(now) - started) / 1000000))
}

# Checked at call time, so that the transcript's name (it carries the process id) is found.
start_page_served() { grep -qs '"event":"resource_response"' "$work"/t-*.jsonl; }

median() { sort -n | awk '{v[NR]=$1} END {print v[int((NR+1)/2)]}'; }

app_times=() bare_times=()
for run in $(seq "$runs"); do
    rm -rf "$WINEPREFIX/drive_c/users/$(id -un)/AppData/Local/com.example.vellum.hello" "$work"/t-*.jsonl
    started=$(now)
    VELLUM_WEBVIEW2_SCENARIO="Z:$work/scenario.json" VELLUM_WEBVIEW2_TRANSCRIPT="Z:$work/t-{pid}.jsonl" \
        wine "$work/Hello.exe" &
    app=$!
    app_times+=("$(wait_for "$started" start_page_served)")
    wine "$driver" close class:TMainForm >/dev/null 2>&1 || true
    sleep 1
    wine taskkill /F /IM Hello.exe >/dev/null 2>&1 || true
    wait "$app" || true

    rm -f "$work/shown"
    started=$(now)
    wine build/windows/tests/bare_window.exe "Z:$work/shown" &
    bare=$!
    bare_times+=("$(wait_for "$started" test -e "$work/shown")")
    wine "$driver" close "Bare window" >/dev/null 2>&1 || true
    wait "$bare" || true
done
echo "start to first resource request of the start page (packaged example): ${app_times[*]} ms; median $(printf '%s\n' "${app_times[@]}" | median) ms"
echo "start to first shown window (bare Win32 program):                    ${bare_times[*]} ms; median $(printf '%s\n' "${bare_times[@]}" | median) ms"
