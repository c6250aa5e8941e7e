#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The corvane-native authors
# SPDX-License-Identifier: Apache-2.0
#
# Sets up what is missing, builds every configuration and runs all tests:
# the host build (portable logic under the sanitizers, over both Windows
# record layouts), the unit tests under valgrind, 40 seconds of fuzzing per
# target (the record walkers and the log target's parsers), 32-bit Windows
# under Wine, 64-bit Windows under wine64,
# 32-bit Linux in a 32-bit JVM and 64-bit Linux in the host's own JVM; then
# the exploit mitigations of what was installed into dist/, static analysis,
# two releases from two clones that must give identical bundles, signing with a
# throwaway authority, the bundles' contents, bills of materials and a final
# release, and a smoke run of the benchmark (scripts/bench.sh --smoke). Goes on past a
# failing configuration, ends with the counts of all of them and exits
# non-zero on any failure.
#
# Last, the virtual machine lane (guest/): the installed cpuinfo.exe of
# both widths on several processor topologies.
#
# On a host whose kernel runs no i386 code (or with CORVANE_NO_NATIVE_I386=1)
# the 32-bit JVM runs under qemu-user, and the tests that run the win32 image
# run in the virtual machine, under 32-bit Wine, as do the JVM's checks with
# its JIT compilers on. CORVANE_SKIP_GUEST=1 skips the virtual machine, for
# quick iterations: its tests are then counted as skipped.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
echo "=== $(python3 cmake/i386-host.py --describe)"

passed=0
failed=0
skipped=0
# No virtual machine outlives the run, however it ends.
trap 'python3 guest/guest.py stop-all || true' EXIT
echo "=== virtual machine image"
if [[ ! "${CORVANE_SKIP_GUEST:-}" =~ ^(|0)$ ]]; then
  echo "=== skipped virtual machine image: CORVANE_SKIP_GUEST is set"
  skipped=$((skipped + 1))
elif python3 guest/guest.py image; then
  passed=$((passed + 1))
  echo "=== virtual machine: $(python3 guest/guest.py accel)"
else
  echo "=== virtual machine image: build failed" >&2
  failed=$((failed + 1))
fi

for preset in host memcheck fuzz win32 win64 linux-i386 linux-x86_64 guest; do
  started=$SECONDS
  echo "=== $preset: configure, build, install"
  if ! { cmake --preset "$preset" >/dev/null && cmake --build --preset "$preset" &&
         case "$preset" in
           win32 | win64 | linux-i386 | linux-x86_64) cmake --install "build/$preset" >/dev/null ;;
         esac; }; then
    echo "=== $preset: build failed" >&2
    failed=$((failed + 1))
    continue
  fi
  echo "=== $preset: test"
  log="build/$preset/ctest.log"
  status=0
  ctest --preset "$preset" -j "$(nproc)" 2>&1 | tee "$log" || status=$?
  summary=$(grep -E 'tests passed, [0-9]+ tests failed out of [0-9]+' "$log" | tail -n 1 || true)
  if [[ -z "$summary" ]]; then
    echo "=== $preset: no test summary" >&2
    failed=$((failed + 1))
    continue
  fi
  total=$(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"$summary")
  bad=$(sed -E 's/.* ([0-9]+) tests failed.*/\1/' <<<"$summary")
  # CTest counts skipped tests among the passed ones.
  not_run=$(grep -cE '^\s+[0-9]+ - .* \((Skipped|Disabled)\)$' "$log" || true)
  passed=$((passed + total - bad - not_run))
  failed=$((failed + bad))
  skipped=$((skipped + not_run))
  ((status == 0)) || echo "=== $preset: tests failed" >&2
  echo "=== $preset: $((SECONDS - started)) s"
  last="build/$preset/Testing/Temporary/LastTest.log"
  if ((not_run > 0)); then
    awk '/^[0-9]+\/[0-9]+ Test: / { name = $NF }
         /^skipped: / { print "=== skipped " name ": " substr($0, 10) }' "$last"
  fi
  if [[ "$preset" == fuzz ]]; then
    awk '/ Test: fuzz-/ { name = $NF }
         /^stat::number_of_executed_units/ { print name ": " $2 " executions" }' "$last"
  fi
done

# The benchmark's smoke run: every row built and measured briefly, no verdicts.
for check in check-hardening lint check-reproducible check-signing check-release bench; do
  arguments=()
  [[ $check != bench ]] || arguments=(--smoke)
  echo "=== $check${arguments[*]:+ ${arguments[*]}}"
  if bash "scripts/$check.sh" "${arguments[@]}"; then
    passed=$((passed + 1))
  else
    echo "=== $check failed" >&2
    failed=$((failed + 1))
  fi
done

echo "all configurations: $passed passed, $failed failed, $skipped skipped"
((failed == 0))
