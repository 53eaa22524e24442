#!/usr/bin/env bash
# The file functions beside their peers on the same data: folders.listFiles recursive over
# 100,000 files beside find(1), and writeTextFile / decodeToFile of 50 MB beside a plain write
# of the same bytes. Builds the bench preset; works in a temporary folder.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
cmake --preset bench >/dev/null
cmake --build --preset bench --target file_functions_bench >/dev/null
bin=build/bench/bench/file_functions_bench
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
ratio() { printf '%.2f' "$(echo "$1 / $2" | bc -l)"; }

"$bin" tree "$work"
list=$("$bin" list "$work" | awk '{print $2}')
best=""
for _ in 1 2 3; do
    start=$(date +%s.%N); find "$work/tree" -type f -name '*.txt' >/dev/null; end=$(date +%s.%N)
    elapsed=$(echo "$end - $start" | bc -l)
    if [ -z "$best" ] || [ "$(echo "$elapsed < $best" | bc -l)" = 1 ]; then best=$elapsed; fi
done
echo "listFiles 100,000 files: ${list}s; find: $(printf '%.4f' "$best")s (listFiles/find: $(ratio "$list" "$best")x)"

out=$("$bin" write "$work")
get() { echo "$out" | awk -v k="$1" '$1 == k {print $2}'; }
echo "writeTextFile 50 MB: $(get writeTextFile)s; plain write: $(get plain-text.txt)s" \
     "(ratio $(ratio "$(get writeTextFile)" "$(get plain-text.txt)")x; parsing the 50 MB request alone: $(get parse-request)s)"
echo "decodeToFile 50 MB: $(get decodeToFile)s; plain write: $(get plain-data.bin)s" \
     "(ratio $(ratio "$(get decodeToFile)" "$(get plain-data.bin)")x)"
