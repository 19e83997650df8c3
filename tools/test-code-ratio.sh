#!/usr/bin/env bash
# The size of the tests against the product code: tracked lines of the
# source kinds under tests/ (the fuzz corpora left out) and under src/,
# include/ and tools/.
set -euo pipefail
cd "$(dirname "$0")/.."
kinds='\.(c|cc|cpp|h|hpp|inc|rc|py|sh|cmake|txt|def)$'
count() { git ls-files -- "$@" | grep -E "$kinds" | grep -v '^tests/fuzz/corpus/' | xargs -r cat | wc -l; }
tests=$(count tests)
code=$(count src include tools)
echo "tests: $tests lines; product code: $code lines; ratio $(awk -v t="$tests" -v c="$code" 'BEGIN { printf "%.2f", t / c }')"
