#!/usr/bin/env bash
# Runs the benchmark natively (Google Benchmark, x86-64) and under Wine in
# each Windows build tree given, and writes the merged table to
# <out>/performance.md, then prints it.
# Usage: run-bench.sh <out dir> <seconds per figure> <native build> [<mingw build> ...]
set -euo pipefail
mkdir -p "$1"
out=$(cd "$1" && pwd)
seconds=$2
native=$(cd "$3" && pwd)
shift 3
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../wine-prefix.sh"

rm -rf "$out/native-data"
echo "bench: native run (x86-64 Linux)" >&2
"$native/zv_bench" "$out/native-data" --benchmark_min_time="$seconds" \
  --benchmark_out="$out/native.json" --benchmark_out_format=json >"$out/native.txt" ||
  { echo "bench: the native benchmark failed (status $?)" >&2; exit 1; }
rm -rf "$out/native-data"

wines=()
versions=()
for tree in "$@"; do
  tree=$(cd "$tree" && pwd)
  arch=$(zv_tree_wine_arch "$tree")
  case $arch in
    win32) label="Wine x86" ;;
    win64) label="Wine x64" ;;
    *) echo "bench: $tree is not a Windows build tree" >&2; exit 1 ;;
  esac
  echo "bench: $label run ($tree)" >&2
  tsv="$out/wine-$arch.tsv"
  (cd "$tree" && ./wine-run.sh ./zv_bench.exe "$seconds") | tr -d '\r' >"$tsv" ||
    { echo "bench: zv_bench.exe failed under $label" >&2; exit 1; }
  (WINEPREFIX="$tree/wineprefix" wineserver -k 2>/dev/null || true)
  wines+=("$label=$tsv")
  versions+=("$label: $(zv_select_wine "$arch" && "$ZV_WINE" --version 2>/dev/null)")
done

{
  echo "Machine: $(nproc) processors, $(lscpu | sed -n 's/^Model name:[[:space:]]*//p' | head -1);" \
    "native x86-64${versions[*]:+; }$(IFS=';'; echo "${versions[*]}"); run $(date -u '+%Y-%m-%d %H:%M UTC')," \
    "$seconds s per figure."
} >"$out/machine.txt"
python3 "$here/make_table.py" "$out/native.json" "$out/machine.txt" "${wines[@]}" >"$out/performance.md"
cat "$out/performance.md"
