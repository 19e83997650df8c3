#!/usr/bin/env bash
# Runs the tests of each build tree given and reports, per tree and over all
# of them, the counts of what ran: ctest's own JUnit report of each test
# program, and the gtest XML each program wrote into <tree>/test-results
# (tools/count-results.py). The Wine trees get an X server for the tests
# that show windows.
#
# EXEC32=yes|no says whether this machine executes 32-bit x86 code (the
# caller probes it once, tools/probe-32bit.sh). Where it does not, a 32-bit
# Windows tree runs only its checks that need no execution (ctest label
# "static": the export table, the decorations and machine types of the DLL
# and the import libraries, the link tests' links), its layout assertions
# having compiled with the build; a 32-bit Linux tree does not run. Either
# says so on a line of its own. Every tree that ran and failed fails the run.
set -u
here=$(cd "$(dirname "$0")" && pwd)
exec32=${EXEC32:-no}
status=0
total_passed=0
total_failed=0
total_skipped=0
not_run=()

xvfb_pid=""
cleanup() {
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  return 0
}
trap cleanup EXIT

start_xvfb() {
  local display
  for display in $(seq 90 120); do
    [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ] && continue
    Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 1 50); do
      [ -e "/tmp/.X11-unix/X$display" ] && { export DISPLAY=":$display"; return 0; }
      sleep 0.1
    done
    kill "$xvfb_pid" 2>/dev/null
    xvfb_pid=""
  done
  echo "run-tests: could not start Xvfb (displays :90 to :120 are taken or it fails to start)" >&2
  return 1
}

. "$here/wine-prefix.sh"

for tree in "$@"; do
  kind=$(basename "$tree")
  arch=$(zv_tree_wine_arch "$tree")
  filter=()
  label=$kind
  if [ "$arch" = win32 ]; then
    label="$kind: i686 (32-bit Windows)"
    if [ "$exec32" != yes ]; then
      filter=(-L static)
      not_run+=("i686 (32-bit Windows): not run, this machine cannot execute 32-bit code (checked without running it: its layout assertions compiled; the export names, decorations and machine types of the DLL and the import libraries, and the link tests' links)")
    fi
  elif [ "$arch" = win64 ]; then
    label="$kind: x86-64 (64-bit Windows)"
  elif grep -q 'linux-i386.cmake' "$tree/CMakeCache.txt" 2>/dev/null && [ "$exec32" != yes ]; then
    not_run+=("$kind (32-bit Linux): not run, this machine cannot execute 32-bit code")
    continue
  fi
  results="$PWD/$tree/test-results"
  rm -rf "$results"
  mkdir -p "$results"
  if [ -n "$arch" ] && [ ${#filter[@]} -eq 0 ] && [ -z "$xvfb_pid" ]; then
    start_xvfb || status=1
  fi
  echo "=== $label tests${filter:+ (only those that need no execution)}"
  (
    cd "$tree" || exit 1
    # The link tests link without running what they link.
    [ ${#filter[@]} -gt 0 ] && export ZV_LINK_NO_RUN=1
    ctest --output-on-failure -j 2 "${filter[@]}" --output-junit "$results/ctest-junit.xml"
  ) || status=1
  if [ -n "$arch" ]; then
    WINEPREFIX="$PWD/$tree/wineprefix" wineserver -k 2>/dev/null || true
  fi
  counts=$(python3 "$here/count-results.py" "$results/ctest-junit.xml" "$results")
  read -r passed failed skipped <<<"$(head -n1 <<<"$counts")"
  echo "$label: $passed passed, $failed failed, $skipped skipped"
  tail -n +2 <<<"$counts"
  total_passed=$((total_passed + passed))
  total_failed=$((total_failed + failed))
  total_skipped=$((total_skipped + skipped))
done

for line in "${not_run[@]}"; do
  echo "$line"
done
echo "all builds: $total_passed passed, $total_failed failed, $total_skipped skipped"
[ "$total_failed" -eq 0 ] || status=1
exit $status
