#!/usr/bin/env bash
# Sets up what is missing, builds both deliverables into dist/ and shows them
# at work: cpuinfo.exe under Wine, then the bridge inside a 32-bit JVM.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh

for preset in win32 linux-i386; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  cmake --install "build/$preset" >/dev/null
done

echo "=== cpuinfo.exe --logfile console (under Wine)"
status=0
cmake/wine-run.sh "$PWD/build/win32/wineprefix" dist/win32/cpuinfo.exe --logfile console || status=$?
echo "=== exit status $status"

echo "=== the bridge in a 32-bit JVM"
cmake --build build/linux-i386 --target ostreljni-demo
