#!/usr/bin/env bash
# make coverage: the native tests on a build instrumented with gcov, and the
# line and branch coverage of the product code they reach, per source
# directory, with Debian's lcov. TREE gets the build, the .info files, the
# HTML pages (TREE/html) and the table (TREE/coverage.md).
#   run-coverage.sh TREE [JOBS]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
tree=$1
jobs=${2:-$(nproc)}
rc=(--rc lcov_branch_coverage=1)

cmake -S "$root" -B "$tree" -G Ninja -DCMAKE_BUILD_TYPE=None \
  -DCMAKE_C_FLAGS="--coverage -O0" -DCMAKE_CXX_FLAGS="--coverage -O0" \
  -DCMAKE_EXE_LINKER_FLAGS=--coverage -DCMAKE_SHARED_LINKER_FLAGS=--coverage >/dev/null
ninja -C "$tree" -j "$jobs" >/dev/null
tree=$(cd "$tree" && pwd)
lcov --quiet --zerocounters --directory "$tree"
# A failing test still counts for what it reached; the summary says so.
status=0
(cd "$tree" && ctest -j "$jobs" --output-on-failure >"$tree/ctest.log" 2>&1) || status=$?
lcov --quiet "${rc[@]}" --capture --directory "$tree" --output-file "$tree/all.info" 2>/dev/null
lcov --quiet "${rc[@]}" --extract "$tree/all.info" "$root/src/*" "$root/include/*" "$root/tools/*" \
  --output-file "$tree/product.info" 2>/dev/null
genhtml --quiet --branch-coverage --output-directory "$tree/html" "$tree/product.info" >/dev/null 2>&1 || true
python3 "$root/tools/coverage/coverage_table.py" "$tree/product.info" "$root" | tee "$tree/coverage.md"
if [ "$status" -ne 0 ]; then
  echo "coverage: some tests failed (see $tree/ctest.log); the figures count what ran" >&2
fi
echo "coverage: $tree/coverage.md, pages in $tree/html"
exit "$status"
