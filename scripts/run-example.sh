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

# vellum-pack finds VellumRuntime.exe (and, once there is one, the loader library) beside itself.
mkdir -p out
dist/bin/vellum-pack build examples/hello -o out/HelloVellum.exe
echo
echo "What out/HelloVellum.exe carries:"
dist/bin/vellum-pack list out/HelloVellum.exe

start_wine_session
trap stop_wine_session EXIT
set +e
wine out/HelloVellum.exe
status=$?
set -e
echo
echo "out/HelloVellum.exe ran under Wine and exited with code $status."
