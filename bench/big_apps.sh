#!/usr/bin/env bash
# Big apps beside their peers, printed as a table:
#   packing 100 MB in 5,000 files and one 200 MB file (vellum-pack build, 1 and 2 threads,
#   beside zip -0 -P), reading a 100 MB entry (vellum-pack cat beside unzip -p -P), each with
#   its time (best of 3) and peak memory (/usr/bin/time);
#   the Linux runtime with archives of 10 MB, 200 MB and 1 GB under Xvfb: its resident memory
#   once the browser is ready and after the start page was served, and the time from start to
#   the start page served (the page trace's "resource" record).
# Usage: bench/big_apps.sh [BUILD_DIR]  (default build/bench, built here; another build of the
# same targets, an older one say, can be given to compare). VELLUM_BENCH_SIZES="10 200 1000"
# chooses the app sizes in MB. Needs Info-ZIP, Xvfb and WebKitGTK; works in a temporary folder.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
build=${1:-build/bench}
if [ $# -eq 0 ]; then
    cmake --preset bench >/dev/null
    cmake --build --preset bench --target vellum-pack vellum-runtime make_bench_project >/dev/null
fi
pack=$build/src/tools/pack/vellum-pack
runtime=$build/src/app/linux/vellum-runtime
maker=$build/bench/make_bench_project
sizes=${VELLUM_BENCH_SIZES:-10 200 1000}
work=$(mktemp -d)
started=()
cleanup() {
    for pid in "${started[@]}"; do kill "$pid" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT
if [ ! -x "$maker" ]; then  # a build without the benchmarks: the one-file generator is made here
    maker=$work/make_bench_project
    c++ -O2 -std=c++20 bench/make_bench_project.cpp -o "$maker"
fi

# Runs the command three times; prints "SECONDS PEAK_KIB" of the fastest run.
measure() {
    local best="" best_kb=""
    for _ in 1 2 3; do
        /usr/bin/time -f '%e %M' -o "$work/time" "$@" >/dev/null 2>&1
        read -r seconds kb <"$work/time"
        if [ -z "$best" ] || [ "$(echo "$seconds < $best" | bc -l)" = 1 ]; then best=$seconds best_kb=$kb; fi
    done
    echo "$best $best_kb"
}
row() { printf '%-46s %9s s %9s MiB\n' "$1" "$2" "$(( $3 / 1024 ))"; }
ratio() { printf '%.2f' "$(echo "$1 / $2" | bc -l)"; }

echo "build: $build ($(nproc) cores; load $(cut -d' ' -f1 /proc/loadavg))"
echo
echo "== packing and reading =="
"$maker" "$work/project" 5000 100 >/dev/null
mkdir -p "$work/large/app"
head -c 200000000 /dev/urandom >"$work/large/app/large.bin"
printf '<h1>large</h1>' >"$work/large/app/index.html"
printf '[App]\nID=bench.large\nName=Large\nDirName=app\nIndexHtml=index.html\n' >"$work/large/vlm.ini"
echo stand-in >"$work/loader.dll"
zip_password=benchpw

read -r p1 m1 < <(measure "$pack" build "$work/project" -o "$work/a.exe" --runtime "$runtime" --threads 1)
read -r p2 m2 < <(measure "$pack" build "$work/project" -o "$work/a.exe" --runtime "$runtime" --threads 2)
read -r z1 zm1 < <(measure bash -c "cd '$work/project' && rm -f '$work/z.zip' && zip -q -r -0 -P $zip_password '$work/z.zip' vlm.ini app")
row "build 5,000 files / 100 MB, 1 thread" "$p1" "$m1"
row "build 5,000 files / 100 MB, 2 threads" "$p2" "$m2"
row "zip -0 -P, same files" "$z1" "$zm1"
echo "  zip / vellum-pack: $(ratio "$z1" "$p1")x with 1 thread, $(ratio "$z1" "$p2")x with 2 (target: 2x with 2)"

read -r l2 lm2 < <(measure "$pack" build "$work/large" -o "$work/large.exe" --runtime "$runtime" --threads 2)
read -r lz lzm < <(measure bash -c "cd '$work/large' && rm -f '$work/large.zip' && zip -q -r -0 -P $zip_password '$work/large.zip' vlm.ini app")
row "build one 200 MB file, 2 threads" "$l2" "$lm2"
row "zip -0 -P, same file" "$lz" "$lzm"

mkdir -p "$work/big/app"
head -c 100000000 /dev/urandom >"$work/big/app/big.bin"
printf '[App]\nID=bench.big\nName=Big\nDirName=app\nIndexHtml=big.bin\n' >"$work/big/vlm.ini"
"$pack" build "$work/big" -o "$work/big.exe" --runtime "$runtime" >/dev/null 2>&1
(cd "$work/big" && rm -f "$work/big.zip" && zip -q -0 -P $zip_password "$work/big.zip" app/big.bin)
read -r c cm < <(measure "$pack" cat "$work/big.exe" app/big.bin)
read -r u um < <(measure unzip -p -P $zip_password "$work/big.zip" app/big.bin)
row "cat one 100 MB stored entry" "$c" "$cm"
row "unzip -p -P, same entry" "$u" "$um"
echo "  unzip / vellum-pack cat: $(ratio "$u" "$c")x (target: 1.5x)"
rm -rf "$work/project" "$work/large" "$work/big" "$work"/*.exe "$work"/*.zip

echo
echo "== the Linux runtime with large archives (resident memory of the runtime's own process) =="
if [ -z "${DISPLAY:-}" ]; then
    number_file=$work/display
    Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$number_file" >/dev/null 2>&1 &
    started+=($!)
    for _ in $(seq 1 100); do [ -s "$number_file" ] && break; sleep 0.1; done
    export DISPLAY=":$(tr -d '[:space:]' <"$number_file")"
fi
if [ "$(id -u)" -eq 0 ]; then export WEBKIT_DISABLE_SANDBOX_THIS_IS_DANGEROUS=1; fi
rss_kib() { awk '/^VmRSS/ {print $2}' "/proc/$1/status" 2>/dev/null || echo 0; }
printf '%-10s %14s %18s %16s\n' archive "ready (MiB)" "page served (MiB)" "first page (ms)"
for mb in $sizes; do
    app=$work/app-$mb
    mkdir -p "$app/app"
    printf '<!doctype html><title>Big</title><h1>%s MB</h1>' "$mb" >"$app/app/index.html"
    head -c $(( mb * 1000000 )) /dev/urandom >"$app/app/media.bin"
    printf '[App]\nID=bench.big%s\nName=Big\nDirName=app\nIndexHtml=index.html\n' "$mb" >"$app/vlm.ini"
    "$pack" build "$app" -o "$work/app-$mb.bin" --runtime "$runtime" >/dev/null 2>&1
    rm -rf "$app"
    trace=$work/trace-$mb.jsonl
    start=$(date +%s%N)
    XDG_DATA_HOME=$work/data VELLUM_TRACE=$trace "$work/app-$mb.bin" >/dev/null 2>&1 &
    pid=$!
    started+=($pid)
    ready_kb=0 served_kb=0 first_ms=timeout
    for _ in $(seq 1 3000); do
        if [ "$ready_kb" = 0 ] && grep -q '"event": "ready"' "$trace" 2>/dev/null; then ready_kb=$(rss_kib $pid); fi
        if grep -q '"event": "resource".*index.html' "$trace" 2>/dev/null; then
            first_ms=$(( ($(date +%s%N) - start) / 1000000 ))
            break
        fi
        sleep 0.01
    done
    for _ in $(seq 1 500); do grep -q '"event": "navigation"' "$trace" 2>/dev/null && break; sleep 0.01; done
    sleep 0.5
    served_kb=$(rss_kib $pid)
    kill $pid 2>/dev/null || true
    wait $pid 2>/dev/null || true
    printf '%-10s %14s %18s %16s\n' "$mb MB" "$(( ready_kb / 1024 ))" "$(( served_kb / 1024 ))" "$first_ms"
    rm -f "$work/app-$mb.bin"
done
