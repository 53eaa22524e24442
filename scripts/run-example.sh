#!/usr/bin/env bash
# The main job: build the runtime and the packaging tool, package examples/hello into one
# executable, show what it carries, and start it under Wine.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

bash scripts/setup.sh
source scripts/wine-env.sh

for preset in linux windows; do
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
    cmake --install "build/$preset" --prefix "$root/dist" >/dev/null
done

# vellum-pack finds VellumRuntime.exe beside itself. The WebView2 runtime cannot be installed
# here, so the loader library packaged is the project's WebView2 test double.
mkdir -p out
dist/bin/vellum-pack build examples/hello -o out/HelloVellum.exe --loader build/windows/tests/webview2_double.dll
echo
echo "What out/HelloVellum.exe carries:"
dist/bin/vellum-pack list out/HelloVellum.exe

start_wine_session
trap stop_wine_session EXIT
wine out/HelloVellum.exe &
app=$!
driver=build/windows/tests/ui_driver.exe
echo
if window=$(wine "$driver" wait class:TMainForm 20000); then
    echo "The packaged app opened its window: $window"
    wine "$driver" close class:TMainForm
else
    echo "The packaged app showed no main window."
fi
status=0
wait "$app" || status=$?
echo "out/HelloVellum.exe ran under Wine and exited with code $status."
