#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The corvane-native authors
# SPDX-License-Identifier: Apache-2.0
#
# Sets up what is missing, builds the deliverables into dist/ and shows them
# at work: cpuinfo.exe under Wine, then the bridge inside a 32-bit JVM and its
# 64-bit build inside the host's own 64-bit JVM. Each stage is headed by the
# time since the start. Exits non-zero when any of them failed, after all of
# them have been shown.
# Where the host runs no i386 code (or with CORVANE_NO_NATIVE_I386=1), 32-bit
# Wine cannot run: the 64-bit cpuinfo.exe shows the same query under wine64,
# and the 32-bit one runs in the virtual machine of guest/, whose image is
# built first if it is not built yet (a few minutes, once);
# CORVANE_SKIP_GUEST=1 leaves the machine out and says how to build its image.
# The 32-bit JVM then runs under qemu-user.
set -euo pipefail
cd "$(dirname "$0")/.."

stage() { printf '=== [%d:%02d] %s\n' $((SECONDS / 60)) $((SECONDS % 60)) "$*"; }
overall=0
ended() {
  echo "=== exit status $1"
  ((overall != 0)) || overall=$1
}

stage "set-up"
bash scripts/setup.sh
host=$(python3 cmake/i386-host.py)
echo "=== $(python3 cmake/i386-host.py --describe)"

for preset in win32 win64 linux-i386 linux-x86_64; do
  stage "build $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  cmake --install "build/$preset" >/dev/null
done

win32=$(python3 cmake/i386-host.py --win32)
if [[ $win32 == yes ]]; then
  abi=win32 loader=/usr/lib/wine/wine
  stage "dist/win32/cpuinfo.exe --logfile console (under Wine)"
else
  abi=win64 loader=/usr/lib/wine/wine64
  stage "dist/win64/cpuinfo.exe --logfile console (under wine64: $win32;" \
    "the 64-bit build runs the same query)"
fi
status=0
cmake/wine-run.sh "$loader" "$PWD/build/$abi/wineprefix" "dist/$abi/cpuinfo.exe" \
  --logfile console || status=$?
ended "$status"

if [[ $win32 != yes ]]; then
  guest=guest/guest.py
  if [[ ! "${CORVANE_SKIP_GUEST:-}" =~ ^(|0)$ ]]; then
    echo "=== dist/win32/cpuinfo.exe is not shown: CORVANE_SKIP_GUEST is set, so the virtual" \
      "machine does not run; without it this command runs the program there, and" \
      "'python3 $guest image' builds the machine's image (about 4 minutes)"
  else
    stage "virtual machine image"
    status=0
    python3 "$guest" image || status=$?
    if ((status == 0)); then
      eval "$(python3 "$guest" facts)"
      stage "dist/win32/cpuinfo.exe --logfile console (in the virtual machine under" \
        "$(python3 "$guest" accel), under 32-bit Wine, as a WOW64 process)"
      python3 "$guest" exec run-sh --share "$PWD" -- cmake/wine-run.sh \
        "$CORVANE_GUEST_WINE32_LOADER" "$CORVANE_GUEST_WOW64_PREFIX" \
        dist/win32/cpuinfo.exe --logfile console || status=$?
    fi
    ended "$status"
  fi
fi

if [[ $host == emulated ]]; then
  stage "the bridge in a 32-bit JVM (under qemu-i386-static, interpreted)"
else
  stage "the bridge in a 32-bit JVM"
fi
status=0
cmake --build build/linux-i386 --target ostreljni-demo || status=$?
ended "$status"

stage "the 64-bit bridge in the host's 64-bit JVM"
status=0
cmake --build build/linux-x86_64 --target ostreljni-demo || status=$?
ended "$status"
stage "done"
exit "$overall"
