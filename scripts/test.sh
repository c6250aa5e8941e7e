#!/usr/bin/env bash
# Sets up what is missing, builds every configuration and runs all tests:
# the host build (portable logic under the sanitizers), 32-bit Windows under
# Wine and 32-bit Linux in a 32-bit JVM. Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh

passed=0
failed=0
for preset in host fuzz win32 linux-i386; do
  echo "=== $preset: configure, build, install"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  [[ "$preset" == host || "$preset" == fuzz ]] || cmake --install "build/$preset" >/dev/null
  echo "=== $preset: test"
  log="build/$preset/ctest.log"
  status=0
  ctest --preset "$preset" -j "$(nproc)" 2>&1 | tee "$log" || status=$?
  summary=$(grep -E 'tests passed, [0-9]+ tests failed out of [0-9]+' "$log" | tail -n 1 || true)
  if [[ -z "$summary" ]]; then
    echo "=== $preset: no test summary" >&2
    exit 1
  fi
  total=$(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"$summary")
  bad=$(sed -E 's/.* ([0-9]+) tests failed.*/\1/' <<<"$summary")
  passed=$((passed + total - bad))
  failed=$((failed + bad))
  ((status == 0)) || { echo "=== $preset: tests failed" >&2; exit "$status"; }
  if [[ "$preset" == fuzz ]]; then
    awk '/ Test: fuzz-/ { name = $NF } /^stat::number_of_executed_units/ { print name ": " $2 " executions" }' \
      "build/$preset/Testing/Temporary/LastTest.log"
  fi
done

echo "all configurations: $passed passed, $failed failed"
