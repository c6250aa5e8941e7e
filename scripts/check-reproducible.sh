#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The corvane-native authors
# SPDX-License-Identifier: Apache-2.0
#
# Makes the release of the committed HEAD twice (scripts/release.sh), from clones in two
# unrelated folders, the second run later, under another umask, time zone and locale, and checks
# that every bundle, every bill of materials and SHA256SUMS come out bit for bit the same, that
# `sha256sum -c SHA256SUMS` passes in both, and that each deliverable inside the bundles matches.
# The build date comes from the commit (SOURCE_DATE_EPOCH), as for any release.
#
# Both clones stay in build/release-check/ for scripts/check-signing.sh and
# scripts/check-release.sh, which use their builds and bundles.
set -euo pipefail
cd "$(dirname "$0")/.."

work=$PWD/build/release-check
rm -rf "$work"
mkdir -p "$work"
first=$work/first
second=$work/second/elsewhere/deeper
git clone --quiet --no-local . "$first"
git clone --quiet --no-local . "$second"

bash "$first/scripts/release.sh"
# Another moment (the date of a build must come from the commit, not the clock), another umask,
# time zone and locale.
sleep 2
(umask 077 && TZ=Pacific/Kiritimati LC_ALL=C.UTF-8 bash "$second/scripts/release.sh")

status=0
a=$first/dist/release
b=$second/dist/release
mapfile -t files < <(cd "$a" && ls)
mapfile -t others < <(cd "$b" && ls)
if [[ "${files[*]}" != "${others[*]}" ]]; then
  echo "NOT reproducible: the runs made different files: ${files[*]} / ${others[*]}" >&2
  status=1
fi
if ((${#files[@]} != 9)); then
  echo "release: expected 4 bundles, 4 bills of materials and SHA256SUMS, found ${files[*]}" >&2
  status=1
fi
for file in "${files[@]}"; do
  if cmp -s "$a/$file" "$b/$file"; then
    echo "reproducible: $file $(sha256sum "$a/$file" | cut -d' ' -f1) (both runs)"
  else
    echo "NOT reproducible: $file" >&2
    cmp -l "$a/$file" "$b/$file" | head -n 5 >&2 || true
    status=1
  fi
done
for dist in "$a" "$b"; do
  (cd "$dist" && sha256sum --quiet -c SHA256SUMS) || {
    echo "sha256sum -c SHA256SUMS failed in $dist" >&2
    status=1
  }
done

# The deliverables themselves, so that a difference names its file.
for tree in first second; do
  mkdir -p "$work/unpacked/$tree"
  dist=$work/$tree/dist/release
  [[ $tree == first ]] || dist=$second/dist/release
  for bundle in "$dist"/*.zip; do unzip -q -o "$bundle" -d "$work/unpacked/$tree"; done
  for bundle in "$dist"/*.tar.gz; do tar -xzf "$bundle" -C "$work/unpacked/$tree"; done
done
while IFS= read -r binary; do
  if cmp -s "$work/unpacked/first/$binary" "$work/unpacked/second/$binary"; then
    echo "reproducible: $binary (both runs)"
  else
    echo "NOT reproducible: $binary" >&2
    status=1
  fi
done < <(cd "$work/unpacked/first" && find . -name cpuinfo.exe -o -name libostreljni.so | sort)
exit "$status"
