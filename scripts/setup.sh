#!/usr/bin/env bash
# Installs the toolchains the build and the tests need, only what is missing.
# Safe to run again: with everything in place it touches nothing.
set -euo pipefail

packages=(
  cmake ninja-build g++ g++-multilib libgtest-dev googletest libbenchmark-dev
  clang libclang-rt-14-dev clang-tidy cppcheck valgrind
  g++-mingw-w64-i686-posix wine wine32:i386 python3
  openjdk-17-jdk-headless openjdk-17-jre-headless:i386
  binutils file git
)

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${db:Status-Abbrev}' "$p" 2>/dev/null || true)
  [[ "$status" == ii* ]] || missing+=("$p")
done

if ((${#missing[@]} == 0)); then
  echo "setup: all build and test tools are present"
  exit 0
fi

echo "setup: installing ${missing[*]}"
sudo_cmd=()
((EUID == 0)) || sudo_cmd=(sudo)
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  "${sudo_cmd[@]}" dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
# A mirror caught mid-sync fails one index now and then; retry, then go on
# with what was fetched: the install below is what must succeed.
for attempt in 1 2 3; do
  "${sudo_cmd[@]}" apt-get update -qq && break
  echo "setup: apt-get update failed (attempt $attempt), retrying" >&2
  sleep $((attempt * 5))
done
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
