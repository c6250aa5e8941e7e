#!/usr/bin/env bash
# Sets up what is missing, builds the deliverables into dist/ and shows them
# at work: cpuinfo.exe under Wine, then the bridge inside a 32-bit JVM and its
# 64-bit build inside the host's own 64-bit JVM.
# Where the host runs no i386 code (or with CORVANE_NO_NATIVE_I386=1), 32-bit
# Wine cannot run: the 64-bit cpuinfo.exe shows the same query under wine64,
# the 32-bit one runs in the virtual machine of cmake/guest when its image is
# built, and the JVM runs under qemu-user.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
host=$(python3 cmake/i386-host.py)
echo "=== $(python3 cmake/i386-host.py --describe)"

for preset in win32 win64 linux-i386 linux-x86_64; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  cmake --install "build/$preset" >/dev/null
done

win32=$(python3 cmake/i386-host.py --win32)
if [[ $win32 == yes ]]; then
  abi=win32 loader=/usr/lib/wine/wine
  echo "=== dist/win32/cpuinfo.exe --logfile console (under Wine)"
else
  abi=win64 loader=/usr/lib/wine/wine64
  echo "=== dist/win64/cpuinfo.exe --logfile console (under wine64: $win32;" \
    "the 64-bit build runs the same query)"
fi
status=0
cmake/wine-run.sh "$loader" "$PWD/build/$abi/wineprefix" "dist/$abi/cpuinfo.exe" \
  --logfile console || status=$?
echo "=== exit status $status"

if [[ $win32 != yes ]]; then
  if image=$(python3 cmake/guest/guest.py image --path); then
    echo "=== dist/win32/cpuinfo.exe --logfile console (in the virtual machine, under 32-bit" \
      "Wine, as a WOW64 process)"
    status=0
    python3 cmake/guest/guest.py exec run-sh --smp 2,sockets=1,cores=2,threads=1 \
      --share "$PWD" -- cmake/wine-run.sh /usr/lib/wine/wine /opt/corvane/wine/wow64 \
      dist/win32/cpuinfo.exe --logfile console || status=$?
    echo "=== exit status $status"
  else
    echo "=== dist/win32/cpuinfo.exe is not shown: $image"
  fi
fi

if [[ $host == emulated ]]; then
  echo "=== the bridge in a 32-bit JVM (under qemu-i386-static, interpreted)"
else
  echo "=== the bridge in a 32-bit JVM"
fi
# The 64-bit demo runs on every host, so a failing 32-bit one is reported after it.
demo_status=0
cmake --build build/linux-i386 --target ostreljni-demo || demo_status=$?

echo "=== the 64-bit bridge in the host's 64-bit JVM"
cmake --build build/linux-x86_64 --target ostreljni-demo
exit "$demo_status"
