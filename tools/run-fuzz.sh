#!/usr/bin/env bash
# Runs every fuzz target of a fuzz build tree (or the targets named) for the
# given seconds each, on a working copy of its checked-in corpus
# (tests/fuzz/corpus/<target>, which is never written), and prints a table of
# executions, executions per second, corpus size, crashes and, for the targets
# fuzzing one list or group info file, the share of inputs that passed the
# format's first checks (magic and size); the table also goes to
# <tree>/fuzz-report.txt. Crash inputs stay in <tree>/fuzz-runs/<target>/.
# Exits non-zero when any target crashed.
#   run-fuzz.sh <fuzz tree> <seconds> [target...]
set -u
tree=$1
seconds=${2:-60}
shift 2 2>/dev/null || shift $#
source_dir=$(cd "$(dirname "$0")/.." && pwd)
corpus_root=$source_dir/tests/fuzz/corpus
runs_dir=$tree/fuzz-runs
report=$tree/fuzz-report.txt

targets=${*:-$(cd "$corpus_root" && ls -d *_fuzzer)}
export ZV_FUZZ_STATS=1
rm -rf "$runs_dir"
mkdir -p "$runs_dir"
status=0
rows=()
for target in $targets; do
  binary=$tree/tests/fuzz/$target
  work=$runs_dir/$target
  mkdir -p "$work/corpus" "$work/artifacts"
  cp "$corpus_root/$target"/* "$work/corpus/"
  seeds=$(find "$work/corpus" -type f | wc -l)
  echo "=== $target: $seconds s from $seeds seeds"
  if [ ! -x "$binary" ]; then
    echo "run-fuzz: $binary is missing" >&2
    rows+=("$(printf '%-26s %12s %10s %14s %8s %8s' "$target" - - - missing -)")
    status=1
    continue
  fi
  "$binary" -max_total_time="$seconds" -timeout=30 -print_final_stats=1 \
    -artifact_prefix="$work/artifacts/" "$work/corpus" >"$work/log.txt" 2>&1
  exit_status=$?
  executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/log.txt")
  per_second=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$work/log.txt")
  corpus=$(find "$work/corpus" -type f | wc -l)
  crashes=$(find "$work/artifacts" -type f | wc -l)
  valid=$(sed -n 's/^zvfuzz: .*(\(.*\) %)$/\1 %/p' "$work/log.txt")
  if [ "$exit_status" -ne 0 ] && [ "$crashes" -eq 0 ]; then crashes=1; fi
  if [ "$crashes" -ne 0 ]; then
    status=1
    grep -E "property broken|ERROR|SUMMARY|Test unit written" "$work/log.txt" | head -n 10
  fi
  rows+=("$(printf '%-26s %12s %10s %14s %8s %8s' "$target" "${executions:-0}" "${per_second:-0}" \
    "$seeds -> $corpus" "$crashes" "${valid:--}")")
done

{
  echo "Fuzzing for $seconds s per target ($(date -u '+%Y-%m-%d %H:%M UTC'))"
  printf '%-26s %12s %10s %14s %8s %8s\n' target executions "exec/s" "corpus" crashes valid
  for row in "${rows[@]}"; do echo "$row"; done
} | tee "$report"
exit $status
