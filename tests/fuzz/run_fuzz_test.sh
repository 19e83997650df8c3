#!/usr/bin/env bash
# Runs one fuzz target as a ctest entry: over its checked-in corpus, then
# fuzzing for the given seconds with new inputs in a working directory (never
# in the corpus). Writes a one-test result in the gtest XML form that
# tools/run-tests.sh counts; fails on any non-zero exit of libFuzzer or a crash.
#   run_fuzz_test.sh <fuzzer> <corpus dir> <work dir> <result xml> <seconds>
set -u
fuzzer=$1 corpus=$2 work=$3 xml=$4 seconds=$5
name=$(basename "$fuzzer")
rm -rf "$work"
mkdir -p "$work/new" "$work/artifacts" "$(dirname "$xml")"
start=$(date +%s%N)
"$fuzzer" -max_total_time="$seconds" -timeout=30 -print_final_stats=1 \
  -artifact_prefix="$work/artifacts/" "$work/new" "$corpus" >"$work/log.txt" 2>&1
status=$?
elapsed=$(( ($(date +%s%N) - start) / 1000000 ))
time=$(printf '%d.%03d' $((elapsed / 1000)) $((elapsed % 1000)))
runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/log.txt")
crashes=$(find "$work/artifacts" -type f | wc -l)
failures=0 case="/>"
if [ "$status" -ne 0 ] || [ "$crashes" -ne 0 ]; then
  failures=1
  case="><failure message=\"libFuzzer exit status $status, $crashes crash input(s) in $work/artifacts\" type=\"\" /></testcase>"
fi
cat >"$xml" <<XML
<?xml version="1.0" encoding="UTF-8"?>
<testsuites tests="1" failures="$failures" disabled="0" errors="0" time="$time" name="AllTests">
  <testsuite name="fuzz" tests="1" failures="$failures" disabled="0" skipped="0" errors="0" time="$time">
    <testcase name="$name" status="run" result="completed" time="$time" classname="fuzz" $case
  </testsuite>
</testsuites>
XML
echo "$name: ${runs:-0} runs in ${seconds}s over $(find "$corpus" -type f | wc -l) seeds, exit status $status, $crashes crash input(s)"
[ "$failures" -eq 0 ] || { tail -n 60 "$work/log.txt"; exit 1; }
