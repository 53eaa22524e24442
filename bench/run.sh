#!/usr/bin/env bash
# Runs the archive benchmarks beside their peers on the same data and prints the ratios:
#   opening 10,000 entries (libzip), extracting 100 MB stored and deflated (libzip, unzip -p -P,
#   the bare cipher loop), packing 100 MB in 5,000 files (zip -e, one and two threads), and the
#   peak memory of reading a 100 MB packaged executable as the runtime does.
# Needs the bench and windows builds (it builds them) and Info-ZIP; writes into a temporary folder.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
for preset in bench windows; do
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" >/dev/null
done
bin=build/bench/bench
pack=build/bench/src/tools/pack/vellum-pack
runtime=build/windows/src/app/VellumRuntime.exe
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

best_of_3() {  # prints the best wall time in seconds of three runs of the command
    local best=""
    for _ in 1 2 3; do
        local start end elapsed
        start=$(date +%s.%N)
        "$@" >/dev/null 2>&1
        end=$(date +%s.%N)
        elapsed=$(echo "$end - $start" | bc -l)
        if [ -z "$best" ] || [ "$(echo "$elapsed < $best" | bc -l)" = 1 ]; then best=$elapsed; fi
    done
    printf '%.3f' "$best"
}
ratio() { printf '%.2f' "$(echo "$1 / $2" | bc -l)"; }

echo "== in-process benchmarks (Google Benchmark) =="
"$bin/archive_bench" --benchmark_min_time=1 --benchmark_format=console 2>/dev/null | grep -E '^BM_'

echo
echo "== page messages: host time per message, resident memory over 100,000 messages =="
"$bin/bridge_bench" --benchmark_format=console 2>/dev/null | grep -E '^BM_'

echo
echo "== packing 100 MB in 5,000 files =="
"$bin/make_bench_project" "$work/project" 5000 100
echo stand-in > "$work/loader.dll"
pack_stored_1=$(best_of_3 "$pack" build "$work/project" -o "$work/a.exe" --runtime "$runtime" --loader "$work/loader.dll" --threads 1)
pack_stored_2=$(best_of_3 "$pack" build "$work/project" -o "$work/a.exe" --runtime "$runtime" --loader "$work/loader.dll" --threads 2)
zip_stored=$(best_of_3 bash -c "cd '$work/project' && rm -f '$work/z.zip' && zip -q -r -0 -P benchpw '$work/z.zip' vlm.ini app")
pack_deflate_1=$(best_of_3 "$pack" build "$work/project" -o "$work/d.exe" --runtime "$runtime" --loader "$work/loader.dll" --deflate --threads 1)
pack_deflate_2=$(best_of_3 "$pack" build "$work/project" -o "$work/d.exe" --runtime "$runtime" --loader "$work/loader.dll" --deflate --threads 2)
zip_deflate=$(best_of_3 bash -c "cd '$work/project' && rm -f '$work/z.zip' && zip -q -r -6 -P benchpw '$work/z.zip' vlm.ini app")
echo "stored:  vellum-pack 1 thread ${pack_stored_1}s, 2 threads ${pack_stored_2}s; zip -0 -P ${zip_stored}s" \
     "(zip/vellum-pack: $(ratio "$zip_stored" "$pack_stored_1")x, $(ratio "$zip_stored" "$pack_stored_2")x)"
echo "deflate: vellum-pack 1 thread ${pack_deflate_1}s, 2 threads ${pack_deflate_2}s; zip -6 -P ${zip_deflate}s" \
     "(zip/vellum-pack: $(ratio "$zip_deflate" "$pack_deflate_1")x, $(ratio "$zip_deflate" "$pack_deflate_2")x)"

echo
echo "== extracting one 100 MB entry, whole processes =="
mkdir -p "$work/big/app"
"$bin/make_bench_project" "$work/bigsrc" 1 100
cp "$work/bigsrc/app/dir0/file0.html" "$work/big/app/big.html"
printf '[App]\nID=big\nName=Big\nDirName=app\nIndexHtml=big.html\n' > "$work/big/vlm.ini"
for mode in stored deflate; do
    flag=""; level=-0
    if [ "$mode" = deflate ]; then flag=--deflate; level=-6; fi
    "$pack" build "$work/big" -o "$work/big-$mode.exe" --runtime "$runtime" --loader "$work/loader.dll" $flag >/dev/null 2>&1
    (cd "$work/big" && rm -f "$work/big-$mode.zip" && zip -q $level -P benchpw "$work/big-$mode.zip" app/big.html)
    ours=$(best_of_3 "$pack" cat "$work/big-$mode.exe" app/big.html)
    theirs=$(best_of_3 unzip -p -P benchpw "$work/big-$mode.zip" app/big.html)
    echo "$mode: vellum-pack cat ${ours}s; unzip -p -P ${theirs}s (unzip/ours: $(ratio "$theirs" "$ours")x)"
done

echo
echo "== peak memory of reading a 100 MB packaged executable =="
archive_bytes=$(( $(stat -c %s "$work/big-stored.exe") - $(stat -c %s "$runtime") ))
peak_kb=$(/usr/bin/time -f %M "$bin/read_packaged" "$work/big-stored.exe" 2>&1 >/dev/null | tail -1)
echo "archive ${archive_bytes} bytes; peak resident ${peak_kb} KiB;" \
     "above the archive: $(( peak_kb / 1024 - archive_bytes / 1048576 )) MiB (target: at most 20 MiB)"
