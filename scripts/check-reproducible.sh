#!/usr/bin/env bash
# Builds the committed HEAD twice, from clones in two unrelated folders, and
# checks that every deliverable comes out bit for bit the same. The build date
# comes from the commit (SOURCE_DATE_EPOCH), as for a release build.
set -euo pipefail
cd "$(dirname "$0")/.."

SOURCE_DATE_EPOCH=$(git log -1 --format=%ct)
export SOURCE_DATE_EPOCH
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

builds=("$work/first" "$work/second/elsewhere/deeper")
for tree in "${builds[@]}"; do
  git clone --quiet --no-local . "$tree"
  for preset in win32 win64 linux-i386 linux-x86_64; do
    cmake -S "$tree" --preset "$preset" -DCORVANE_BUILD_TESTS=OFF >/dev/null
    cmake --build "$tree/build/$preset" >/dev/null
    cmake --install "$tree/build/$preset" >/dev/null
  done
done

status=0
for artifact in win32/cpuinfo.exe win64/cpuinfo.exe linux-i386/libostreljni.so \
  linux-x86_64/libostreljni.so; do
  first=$(sha256sum "${builds[0]}/dist/$artifact" | cut -d' ' -f1)
  second=$(sha256sum "${builds[1]}/dist/$artifact" | cut -d' ' -f1)
  if [[ "$first" == "$second" ]]; then
    echo "reproducible: $artifact $first (both builds)"
  else
    echo "NOT reproducible: $artifact $first vs $second" >&2
    cmp -l "${builds[0]}/dist/$artifact" "${builds[1]}/dist/$artifact" | head -n 5 >&2 || true
    status=1
  fi
done
exit "$status"
