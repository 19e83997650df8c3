#!/usr/bin/env bash
# make fuzz-coverage: the fuzz targets built with gcov instrumentation (clang,
# its counters read through llvm-cov gcov), each replaying its directory of a
# corpus once, and the branch coverage of src/catalogue and src/maintenance
# that each target reaches on its own, with Debian's lcov. CORPUS holds one
# directory per target, either of the inputs themselves (tests/fuzz/corpus)
# or of a run of make fuzz (<tree>/fuzz-runs, the inputs in <target>/corpus).
# TREE gets the build, a tracefile per target and the table
# (TREE/fuzz-coverage.md). Without targets named, every target that has a
# directory in CORPUS.
#   run-fuzz-coverage.sh TREE CORPUS [JOBS] [TARGET...]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
tree=$1
corpus=$(cd "$2" && pwd)
jobs=${3:-$(nproc)}
shift $(($# < 3 ? $# : 3))
targets=${*:-$(cd "$corpus" && ls -d -- *_fuzzer)}
rc=(--rc lcov_branch_coverage=1)

# The mutator only acts while fuzzing, never on a replay, so it is left out.
cmake -S "$root" -B "$tree" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/linux-clang.cmake" \
  -DZV_FUZZ=ON -DZV_BUILD_TESTS=OFF -DZV_FUZZ_MUTATOR=OFF -DCMAKE_BUILD_TYPE=None \
  -DCMAKE_C_FLAGS="--coverage -O0" -DCMAKE_CXX_FLAGS="--coverage -O0" \
  -DCMAKE_EXE_LINKER_FLAGS=--coverage -DCMAKE_SHARED_LINKER_FLAGS=--coverage >/dev/null
# shellcheck disable=SC2046,SC2086
ninja -C "$tree" -j "$jobs" $(printf 'tests/fuzz/%s ' $targets) >/dev/null
tree=$(cd "$tree" && pwd)
gcov_tool=$tree/llvm-gcov.sh
printf '#!/bin/sh\nexec llvm-cov gcov "$@"\n' >"$gcov_tool"
chmod +x "$gcov_tool"

# "hit/found (percent)" of the branches in a tracefile.
branches() {
  lcov "${rc[@]}" --summary "$1" 2>/dev/null |
    sed -n 's/^ *branches\.*: *\([0-9.]*%\) (\([0-9]*\) of \([0-9]*\) branches)/\2\/\3 (\1)/p'
}

table=$tree/fuzz-coverage.md
{
  echo "Branch coverage of one replay of $corpus ($(date -u '+%Y-%m-%d %H:%M UTC'))"
  echo
  echo "| target | inputs | src/catalogue | src/maintenance | both |"
  echo "|---|---:|---:|---:|---:|"
} >"$table"
status=0
for target in $targets; do
  inputs=$corpus/$target
  [ -d "$inputs/corpus" ] && inputs=$inputs/corpus
  work=$tree/fuzz-coverage/$target
  rm -rf "$work" && mkdir -p "$work/scratch"
  lcov --quiet --zerocounters --directory "$tree"
  # Each input once; a crash ends the replay before the counters are written.
  if ! (cd "$work/scratch" && "$tree/tests/fuzz/$target" -runs=0 "$inputs" >"$work/log.txt" 2>&1); then
    echo "fuzz-coverage: $target failed on its corpus, see $work/log.txt" >&2
    status=1
    continue
  fi
  lcov --quiet "${rc[@]}" --gcov-tool "$gcov_tool" --capture --directory "$tree" \
    --output-file "$work/all.info" 2>/dev/null
  for part in catalogue maintenance; do
    lcov --quiet "${rc[@]}" --extract "$work/all.info" "$root/src/$part/*" --output-file "$work/$part.info" 2>/dev/null
  done
  lcov --quiet "${rc[@]}" --add-tracefile "$work/catalogue.info" --add-tracefile "$work/maintenance.info" \
    --output-file "$work/both.info" 2>/dev/null
  echo "| $target | $(find "$inputs" -type f | wc -l) | $(branches "$work/catalogue.info") |" \
    "$(branches "$work/maintenance.info") | $(branches "$work/both.info") |" >>"$table"
done
cat "$table"
exit "$status"
