#!/usr/bin/env bash
# The Linux half of the main job (run by scripts/run-example.sh after the build): packages
# examples/hello with the Linux runtime, runs it on the display (an Xvfb with openbox of its
# own when there is none), lets the page make its calls in WebKitGTK, saves a screenshot of the
# window as out/hello-linux.png, closes the app as a user would and tells from its trace what
# the page did.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
mkdir -p out

app=out/hello-vellum
dist/bin/vellum-pack build examples/hello -o "$app" --runtime dist/bin/vellum-runtime
echo
echo "What $app carries:"
dist/bin/vellum-pack list "$app"

started=()
cleanup() {
    for pid in "${started[@]}"; do kill "$pid" 2>/dev/null || true; done
}
trap cleanup EXIT
if [ -z "${DISPLAY:-}" ]; then
    number_file=$(mktemp)
    Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$number_file" >/dev/null 2>&1 &
    started+=($!)
    for _ in $(seq 1 100); do
        [ -s "$number_file" ] && break
        sleep 0.1
    done
    export DISPLAY=":$(tr -d '[:space:]' <"$number_file")"
    rm -f "$number_file"
    openbox >/dev/null 2>&1 &
    started+=($!)
    sleep 0.5
fi

# The app's data folder goes under out/, not into the user's own data home.
export XDG_DATA_HOME="$root/out/linux-data"
rm -rf "$XDG_DATA_HOME" out/hello-linux-trace.jsonl out/hello-linux.png
export VELLUM_TRACE="$root/out/hello-linux-trace.jsonl"
# WebKitGTK's web processes cannot start sandboxed as root; outside root the sandbox stays on.
if [ "$(id -u)" -eq 0 ]; then export WEBKIT_DISABLE_SANDBOX_THIS_IS_DANGEROUS=1; fi
export NO_AT_BRIDGE=1 GDK_BACKEND=x11

"$app" &
pid=$!
echo
window=""
for _ in $(seq 150); do
    window=$(xdotool search --onlyvisible --pid "$pid" 2>/dev/null | head -1 || true)
    [ -n "$window" ] && break
    sleep 0.2
done
if [ -z "$window" ]; then
    echo "The Linux app showed no window."
    kill "$pid" 2>/dev/null || true
    exit 1
fi
echo "The Linux app opened its window \"$(xdotool getwindowname "$window")\" ($(xdotool getwindowgeometry "$window" | tail -1 | xargs))."
# The page makes five calls when it loads; the screenshot waits for the last answer.
for _ in $(seq 100); do
    [ "$(grep -c '"event": "answer"' "$VELLUM_TRACE" 2>/dev/null || true)" -ge 5 ] && break
    sleep 0.2
done
sleep 1
import -window "$window" out/hello-linux.png && echo "Screenshot of the window: out/hello-linux.png"
# The close box asks the page, whose default answer closes the app.
xdotool windowactivate --sync "$window" key --clearmodifiers alt+F4 || true
status=0
wait "$pid" || status=$?
echo "$app ran in WebKitGTK and exited with code $status."
echo
node scripts/summarize-trace.mjs "$VELLUM_TRACE"
