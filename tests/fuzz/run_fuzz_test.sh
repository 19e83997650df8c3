#!/usr/bin/env bash
# Runs one fuzz target as a ctest entry: over every input of its checked-in
# corpus, then fuzzing for the given seconds. New inputs go to a working
# directory, never into the checked-in corpus. Writes a one-test result in
# the gtest XML form that tools/run-tests.sh counts, and fails when the
# target found a crash (any non-zero exit of libFuzzer).
#   run_fuzz_test.sh <fuzzer> <corpus dir> <work dir> <result xml> <seconds>
set -u
fuzzer=$1
corpus=$2
work=$3
xml=$4
seconds=$5
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
failures=0
if [ "$status" -ne 0 ] || [ "$crashes" -ne 0 ]; then failures=1; fi

{
  echo '<?xml version="1.0" encoding="UTF-8"?>'
  echo "<testsuites tests=\"1\" failures=\"$failures\" disabled=\"0\" errors=\"0\" time=\"$time\" name=\"AllTests\">"
  echo "  <testsuite name=\"fuzz\" tests=\"1\" failures=\"$failures\" disabled=\"0\" skipped=\"0\" errors=\"0\" time=\"$time\">"
  if [ "$failures" -eq 0 ]; then
    echo "    <testcase name=\"$name\" status=\"run\" result=\"completed\" time=\"$time\" classname=\"fuzz\" />"
  else
    echo "    <testcase name=\"$name\" status=\"run\" result=\"completed\" time=\"$time\" classname=\"fuzz\">"
    echo "      <failure message=\"libFuzzer exit status $status, $crashes crash input(s) in $work/artifacts\" type=\"\" />"
    echo "    </testcase>"
  fi
  echo "  </testsuite>"
  echo "</testsuites>"
} >"$xml"

echo "$name: ${runs:-0} runs in ${seconds}s over $(find "$corpus" -type f | wc -l) seeds, exit status $status, $crashes crash input(s)"
if [ "$failures" -ne 0 ]; then
  tail -n 60 "$work/log.txt"
  exit 1
fi
exit 0
