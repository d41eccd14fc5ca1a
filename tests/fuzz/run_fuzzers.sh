#!/usr/bin/env bash
# Runs every fuzz harness of a build for a bounded time, one after the other:
#   tests/fuzz/run_fuzzers.sh BUILD_DIR SECONDS [HARNESS...]
# Each starts from its seeds in tests/fuzz/corpus/NAME and keeps what it finds
# new in BUILD_DIR/fuzz-corpus/NAME; a crashing input is left in
# BUILD_DIR/fuzz-crashes. Prints the executions and coverage of each, and fails
# when one of them fails.
set -uo pipefail
cd "$(dirname "$0")/../.."
build=$1 seconds=$2
shift 2
names=("$@")
if [ ${#names[@]} -eq 0 ]; then
  for harness in "$build"/tests/fuzz/*_fuzz; do [ -x "$harness" ] && names+=("$(basename "$harness" _fuzz)"); done
fi
# The harnesses are run as built, never built here.
missing=$([ ${#names[@]} -eq 0 ] && echo " any harness in $build/tests/fuzz")
for name in "${names[@]}"; do [ -x "$build/tests/fuzz/${name}_fuzz" ] || missing+=" $build/tests/fuzz/${name}_fuzz"; done
if [ -n "$missing" ]; then
  echo "fuzz: not built:$missing; build the harnesses first: make fuzz-build (clang, into build/fuzz)" >&2
  exit 2
fi

passed=0 failed=0
mkdir -p "$build/fuzz-crashes"
for name in "${names[@]}"; do
  corpus="$build/fuzz-corpus/$name" log="$build/fuzz-corpus/$name.log"
  mkdir -p "$corpus"
  "$build/tests/fuzz/${name}_fuzz" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
    -artifact_prefix="$build/fuzz-crashes/$name-" "$corpus" "tests/fuzz/corpus/$name" >"$log" 2>&1
  status=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  coverage=$(grep -o 'cov: [0-9]* ft: [0-9]*' "$log" | tail -1)
  if [ "$status" -eq 0 ]; then
    passed=$((passed + 1))
    echo "fuzz $name: ${runs:-?} executions in ${seconds} s, $coverage"
  else
    failed=$((failed + 1))
    echo "fuzz $name: FAILED (exit $status); the input is in $build/fuzz-crashes; log $log:" >&2
    grep -E 'ERROR|fuzz check|SUMMARY|^ +#[0-9]+ ' "$log" | head -30 >&2
  fi
done
echo "fuzz: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
