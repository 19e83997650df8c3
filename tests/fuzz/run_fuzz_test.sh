#!/usr/bin/env bash
# Runs one fuzz target as a ctest entry: its checked-in corpus, then fuzzing for the given seconds
# with new inputs in a working directory, never in the corpus. Writes a one-test gtest XML result
# (as tools/run-tests.sh counts them); fails on a non-zero exit of libFuzzer or a crash input.
#   run_fuzz_test.sh <fuzzer> <corpus dir> <work dir> <result xml> <seconds>
set -u
fuzzer=$1 corpus=$2 work=$3 xml=$4 seconds=$5
rm -rf "$work" && mkdir -p "$work/new" "$work/artifacts" "$(dirname "$xml")"
"$fuzzer" -max_total_time="$seconds" -timeout=30 -print_final_stats=1 \
  -artifact_prefix="$work/artifacts/" "$work/new" "$corpus" >"$work/log.txt" 2>&1
status=$? crashes=$(find "$work/artifacts" -type f | wc -l) failure=
[ "$status" -eq 0 ] && [ "$crashes" -eq 0 ] ||
  failure="<failure message=\"libFuzzer exit status $status, $crashes crash input(s) in $work/artifacts\" />"
echo "<testsuites><testsuite name=\"fuzz\"><testcase classname=\"fuzz\" name=\"$(basename "$fuzzer")\">$failure\
</testcase></testsuite></testsuites>" >"$xml"
echo "$(basename "$fuzzer"): $(sed -n 's/^stat::number_of_executed_units: *//p' "$work/log.txt") runs in ${seconds}s,\
 exit status $status, $crashes crash input(s)"
[ -z "$failure" ] || { tail -n 60 "$work/log.txt"; exit 1; }
