#!/usr/bin/env bash
# The main job: build both runtimes and the packaging tool, package examples/hello for Linux
# and for Windows, run the Linux app for real in WebKitGTK (telling from its trace what the page
# did, with a screenshot), then the Windows app under Wine with the WebView2 test double.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

bash scripts/setup.sh
source scripts/wine-env.sh

# dist/bin gets the optimised native build (release: no sanitizers, no tests, objects of its
# own); the sanitizer build (linux) is the tests' and is not needed here.
for preset in release windows; do
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
    cmake --install "build/$preset" --prefix "$root/dist" >/dev/null
done

bash scripts/run-linux-example.sh

# vellum-pack finds VellumRuntime.exe beside itself. The WebView2 runtime cannot be installed
# here, so the loader library packaged is the project's WebView2 test double.
mkdir -p out
dist/bin/vellum-pack build examples/hello -o out/HelloVellum.exe --loader build/windows/tests/webview2_double.dll
echo
echo "What out/HelloVellum.exe carries:"
dist/bin/vellum-pack list out/HelloVellum.exe

start_wine_session
trap stop_wine_session EXIT

# The runtime copies its loader library into the app's data folder only when none is there, so
# a folder left by an older build would keep an older loader: start from a clean one.
rm -rf "$WINEPREFIX/drive_c/users/$(id -un)/AppData/Local/com.example.vellum.hello"
# The test double runs no script; this scenario plays the example page: its load-time isRuntime
# call, a hello, and a click on its Close button a little later.
rm -f out/transcript-*.jsonl out/HelloVellum.bmp
export VELLUM_WEBVIEW2_SCENARIO="Z:$root/scripts/example-scenario.json"
export VELLUM_WEBVIEW2_TRANSCRIPT="Z:$root/out/transcript-{pid}.jsonl"
wine out/HelloVellum.exe &
app=$!
driver=build/windows/tests/ui_driver.exe
echo
if window=$(wine "$driver" wait class:TMainForm 20000); then
    echo "The packaged app opened its window: $window"
    for _ in $(seq 50); do
        grep -qs '2025.10' out/transcript-*.jsonl && break
        sleep 0.2
    done
    if wine "$driver" shot class:TMainForm 'out\HelloVellum.bmp'; then
        echo "Screenshot of the window: out/HelloVellum.bmp"
    fi
else
    echo "The packaged app showed no main window."
fi
status=0
wait "$app" || status=$?
echo "out/HelloVellum.exe ran under Wine and exited with code $status (the page closed it)."
echo
node scripts/summarize-transcript.mjs out/transcript-*.jsonl
