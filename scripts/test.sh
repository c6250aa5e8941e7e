#!/usr/bin/env bash
# Sets up what is missing, builds every configuration and runs all tests:
# the host build (portable logic under the sanitizers), the unit tests under
# valgrind, a minute of fuzzing per record walker, 32-bit Windows under Wine
# and 32-bit Linux in a 32-bit JVM; then static analysis, and two clean builds
# that must give identical deliverables. Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh

passed=0
failed=0
for preset in host memcheck fuzz win32 linux-i386; do
  echo "=== $preset: configure, build, install"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  case "$preset" in win32 | linux-i386) cmake --install "build/$preset" >/dev/null ;; esac
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

for check in lint check-reproducible; do
  echo "=== $check"
  if bash "scripts/$check.sh"; then
    passed=$((passed + 1))
  else
    echo "=== $check failed" >&2
    exit 1
  fi
done

echo "all configurations: $passed passed, $failed failed"
