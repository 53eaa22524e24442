#!/usr/bin/env bash
# shell.command's host overhead beside cmd.exe /C started directly, and registry round trips
# per second, in the Windows build under Wine. Arguments: command runs (30), registry rounds (2000).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
cmake --preset windows >/dev/null
cmake --build build/windows --target shell_registry_bench -j2 >/dev/null
source scripts/wine-env.sh
trap stop_wine_session EXIT
start_wine_session
wine build/windows/bench/windows/shell_registry_bench.exe "${1:-30}" "${2:-2000}"
