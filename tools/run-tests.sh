#!/usr/bin/env bash
# Runs the tests of each build tree given and reports the test counts of
# each and of all together, from the gtest XML results in
# <tree>/test-results (the fuzz tree's tests write one such file per fuzz
# target). The Wine tree (the one with a wine-run.sh) gets an X server of its
# own for the tests that show windows.
set -u
status=0
total_passed=0
total_failed=0
total_skipped=0

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
  echo "run-tests: could not start Xvfb" >&2
  return 1
}

# Sums one attribute over the <testsuites> roots of a tree's XML results.
count() {
  local dir=$1 what=$2
  cat "$dir"/test-results/*.xml 2>/dev/null |
    sed -n "s/.*<testsuites [^>]*$what=\"\([0-9]*\)\".*/\1/p" | awk '{s+=$1} END {print s+0}'
}

for tree in "$@"; do
  kind=$(basename "$tree")
  rm -rf "$tree/test-results"
  mkdir -p "$tree/test-results"
  if [ -f "$tree/wine-run.sh" ] && [ -z "$xvfb_pid" ]; then
    start_xvfb || status=1
  fi
  echo "=== $kind tests"
  if ! (cd "$tree" && ctest --output-on-failure -j 2); then
    status=1
  fi
  if [ -f "$tree/wine-run.sh" ]; then
    WINEPREFIX="$PWD/$tree/wineprefix" wineserver -k 2>/dev/null || true
  fi
  tests=$(count "$tree" tests)
  failed=$(( $(count "$tree" failures) + $(count "$tree" errors) ))
  skipped=$(cat "$tree"/test-results/*.xml 2>/dev/null | grep -c '<skipped' || true)
  passed=$((tests - failed - skipped))
  echo "$kind: $passed passed, $failed failed, $skipped skipped"
  # Name every skipped test and its reason.
  cat "$tree"/test-results/*.xml 2>/dev/null | tr '\r\n' '  ' | grep -o '<testcase name="[^"]*"[^>]*classname="[^"]*"[^>]*> *<skipped message="[^"]*"' |
    sed 's/<testcase name="\([^"]*\)".*classname="\([^"]*\)".*<skipped message="\([^"]*\)"/  skipped \2.\1: \3/' || true
  total_passed=$((total_passed + passed))
  total_failed=$((total_failed + failed))
  total_skipped=$((total_skipped + skipped))
done

echo "all builds: $total_passed passed, $total_failed failed, $total_skipped skipped"
[ "$total_failed" -eq 0 ] || status=1
exit $status
