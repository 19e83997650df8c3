#!/usr/bin/env bash
# Runs the benchmark natively (Google Benchmark) and under Wine in one go and
# writes the merged table to <out>/performance.md, then prints it.
# Usage: run-bench.sh <native build> <mingw build> <out dir> [seconds per figure]
set -euo pipefail
native=$(cd "$1" && pwd)
mingw=$(cd "$2" && pwd)
mkdir -p "$3"
out=$(cd "$3" && pwd)
seconds=${4:-0.05}
here=$(cd "$(dirname "$0")" && pwd)

rm -rf "$out/native-data"
echo "bench: native run" >&2
"$native/zv_bench" "$out/native-data" --benchmark_min_time="$seconds" \
  --benchmark_out="$out/native.json" --benchmark_out_format=json >"$out/native.txt"
rm -rf "$out/native-data"

echo "bench: Wine run" >&2
(cd "$mingw" && ./wine-run.sh ./zv_bench.exe "$seconds") | tr -d '\r' >"$out/wine.tsv"

{
  echo "Machine: $(nproc) processors, $(lscpu | sed -n 's/^Model name:[[:space:]]*//p' | head -1);" \
    "$(wine --version 2>/dev/null || echo 'Wine missing'); run $(date -u '+%Y-%m-%d %H:%M UTC')," \
    "$seconds s per figure."
} >"$out/machine.txt"
python3 "$here/make_table.py" "$out/native.json" "$out/wine.tsv" "$out/machine.txt" >"$out/performance.md"
cat "$out/performance.md"
