#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The corvane-native authors
# SPDX-License-Identifier: Apache-2.0
#
# Checks the release that scripts/check-reproducible.sh made in build/release-check/first:
# - each bill of materials validates as CycloneDX 1.6 (the CycloneDX project's validator);
# - each bundle holds exactly its binary, LICENSE, THIRD-PARTY-NOTICES.txt and README.txt (and
#   the bridge's header and Java declaration), and its bill of materials and notices name the
#   Debian packages the linker took files from (release/check_bundles.py), and that check fails
#   on bundles with one fault seeded in each (release/check_bundles_test.py);
# - the pre-release is marked PRERELEASE in its version resource;
# - a tree with uncommitted changes builds with a -dirty revision, and --final refuses it;
# - --final makes 1.2.0 bundles whose program says `version 1.2.0` and has no PRERELEASE flag.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$PWD

clone=$PWD/build/release-check/first
if [[ ! -f $clone/dist/release/SHA256SUMS ]]; then
  echo "check-release: run scripts/check-reproducible.sh first" >&2
  exit 1
fi
commit=$(git -C "$clone" rev-parse HEAD)
status=0
fail() {
  echo "check-release: $*" >&2
  status=1
}

NODE_PATH=/opt/corvane/cyclonedx/node_modules node scripts/validate-sbom.js \
  "$clone"/dist/release/*.cdx.json || fail "a bill of materials does not validate"
python3 release/check_bundles.py "$clone/dist/release" "$clone" "$commit" || fail "bundles"
python3 release/check_bundles_test.py "$clone/dist/release" "$clone" "$commit" ||
  fail "the bundle check let a seeded fault through"

# FileFlags of the version resource, and its FileVersion text.
version_resource() {
  /usr/bin/python3 - "$1" <<'PYTHON'
import sys, pefile
pe = pefile.PE(sys.argv[1])
fixed = pe.VS_FIXEDFILEINFO[0]
strings = {k.decode(): v.decode() for info in pe.FileInfo[0] if info.Key == b"StringFileInfo"
           for table in info.StringTable for k, v in table.entries.items()}
print(f"flags={fixed.FileFlags & fixed.FileFlagsMask:#x} text={strings['FileVersion']}")
PYTHON
}
unpacked=$(mktemp -d)
trap 'rm -rf "$unpacked"' EXIT
unzip -q "$clone"/dist/release/cpuinfo-*-win64.zip -d "$unpacked/snapshot"
shown=$(version_resource "$unpacked"/snapshot/*/cpuinfo.exe)
[[ $shown == "flags=0x2 text=1.2.0.SNAPSHOT" ]] || fail "the pre-release's version resource: $shown"

# Uncommitted changes: the revision says so, and --final refuses to run.
echo "// changed" >>"$clone/cpuinfo/driver.cpp"
revision() {
  cmake -DOUTPUT="$unpacked/build-info.h" -DVERSION=v -DSOURCE_DIR="$clone" \
    -P "$clone/cmake/BuildInfo.cmake"
  sed -n 's/.*revision\[\] = "\(.*\)";/\1/p' "$unpacked/build-info.h"
}
dirty=$(revision)
[[ $dirty == "${commit:0:12}-dirty" ]] || fail "a changed tree's revision is '$dirty'"
if bash "$clone/scripts/release.sh" --final >"$unpacked/final.log" 2>&1; then
  fail "--final ran on a tree with uncommitted changes"
elif ! grep -q "uncommitted changes" "$unpacked/final.log"; then
  cat "$unpacked/final.log" >&2
  fail "--final failed on a changed tree for another reason"
fi
git -C "$clone" checkout --quiet -- cpuinfo/driver.cpp
clean=$(revision)
[[ $clean == "${commit:0:12}" ]] || fail "the clean tree's revision is '$clean'"

# A final release.
if bash "$clone/scripts/release.sh" --final >"$unpacked/final.log" 2>&1; then
  python3 release/check_bundles.py "$clone/dist/release" "$clone" "$commit" --final ||
    fail "final bundles"
  NODE_PATH=/opt/corvane/cyclonedx/node_modules node scripts/validate-sbom.js \
    "$clone"/dist/release/*.cdx.json >/dev/null || fail "a final bill of materials is not valid"
  unzip -q "$clone"/dist/release/cpuinfo-*-win64.zip -d "$unpacked/final"
  exe=$(echo "$unpacked"/final/*/cpuinfo.exe)
  shown=$(version_resource "$exe")
  [[ $shown == "flags=0x0 text=1.2.0" ]] || fail "the final version resource: $shown"
  # The whole output is read before the first line is taken: a reader that stops early makes the
  # program's later writes fail, and it then reports that rather than its result.
  ran=0
  bash cmake/wine-run.sh /usr/lib/wine/wine64 "$repo/build/release-check/wineprefix" \
    "$exe" --logfile console >"$unpacked/final.out" || ran=$?
  WINEPREFIX=$repo/build/release-check/wineprefix /usr/lib/wine/wineserver -k 2>/dev/null || true
  ((ran == 0)) || fail "the final program exited with $ran"
  banner=$(sed -n '1{p;q}' "$unpacked/final.out")
  grep -qE $'^\\[[0-9]+(,[0-9]+)*\\]\r$' "$unpacked/final.out" ||
    fail "the final program printed no result line"
  if [[ $banner =~ \]\ Begin\ Brennix\ version\ 1\.2\.0,\ build\ date:\ .*,\ HEAD:\ ${commit:0:12}$'\r'$ ]]; then
    echo "final: ${banner%$'\r'}"
  else
    fail "the final banner is '$banner'"
  fi
else
  cat "$unpacked/final.log" >&2
  fail "--final failed on a clean tree"
fi
((status == 0)) && echo "check-release: bundles, bills of materials, notices and --final hold"
exit "$status"
