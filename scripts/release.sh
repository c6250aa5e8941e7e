#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The corvane-native authors
# SPDX-License-Identifier: Apache-2.0
#
# Builds the release bundles of the committed HEAD into dist/release/:
#   cpuinfo-<v>-win32.zip, cpuinfo-<v>-win64.zip,
#   ostreljni-<v>-linux-i386.tar.gz, ostreljni-<v>-linux-x86_64.tar.gz,
# each with its bill of materials (<bundle>.cdx.json, CycloneDX 1.6), and SHA256SUMS over all of
# them. <v> is the version of CMakeLists.txt with its pre-release label (1.2.0.SNAPSHOT); with
# --final, without it (1.2.0), which needs a tree with no uncommitted changes.
#
#   scripts/release.sh [--final]
#
# Only what is committed goes in: the tree is cloned into build/release/source (kept, so that a
# second run builds only what changed) and built there with SOURCE_DATE_EPOCH from the commit,
# so two runs of one commit give the same bytes. Each bundle holds its binary, LICENSE,
# THIRD-PARTY-NOTICES.txt and README.txt; the notices and the bill of materials are read from
# the linker's map (release/bill_of_materials.py).
#
# Signing: with CORVANE_SIGN_PKCS12 (a PKCS#12 file with the key and certificate chain) and
# CORVANE_SIGN_PASSWORD_FILE (its password), both cpuinfo.exe are Authenticode-signed (SHA-256)
# with osslsigncode before they are bundled, and timestamped by the RFC 3161 server at
# CORVANE_SIGN_TIMESTAMP_URL when that is set.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)

final=OFF
case "${1:-}" in
  "") ;;
  --final) final=ON ;;
  *)
    echo "usage: scripts/release.sh [--final]" >&2
    exit 2
    ;;
esac
if [[ $final == ON && -n "$(git status --porcelain --untracked-files=no)" ]]; then
  echo "release: the tree has uncommitted changes; a final release is made only from a clean" \
    "commit (commit or stash them first)" >&2
  git status --short --untracked-files=no >&2
  exit 1
fi
if [[ -n "$(git status --porcelain --untracked-files=no)" ]]; then
  echo "release: the tree has uncommitted changes, which are left out: the bundles hold the" \
    "commit $(git rev-parse --short=12 HEAD) as it is" >&2
fi
if [[ -n "${CORVANE_SIGN_PKCS12:-}" ]]; then
  if [[ ! -r "$CORVANE_SIGN_PKCS12" || ! -r "${CORVANE_SIGN_PASSWORD_FILE:-}" ]]; then
    echo "release: CORVANE_SIGN_PKCS12 and CORVANE_SIGN_PASSWORD_FILE must both name readable" \
      "files" >&2
    exit 1
  fi
  command -v osslsigncode >/dev/null || {
    echo "release: signing needs osslsigncode (scripts/setup.sh installs it)" >&2
    exit 1
  }
fi

commit=$(git rev-parse HEAD)
SOURCE_DATE_EPOCH=$(git log -1 --format=%ct "$commit")
export SOURCE_DATE_EPOCH
# Files the build writes get the same modes whatever the caller's umask.
umask 022

work=$repo/build/release
source=$work/source
if [[ ! -d $source/.git ]]; then
  rm -rf "$source"
  git clone --quiet --no-local --no-checkout "$repo" "$source"
fi
git -C "$source" fetch --quiet "$repo" HEAD
[[ "$(git -C "$source" rev-parse FETCH_HEAD)" == "$commit" ]] || {
  echo "release: HEAD moved while the release was being made" >&2
  exit 1
}
git -C "$source" checkout --quiet --force --detach "$commit"
git -C "$source" clean --quiet -fd

out=$repo/dist/release
rm -rf "$out" "$work/stage"
mkdir -p "$out"

for preset in win32 win64 linux-i386 linux-x86_64; do
  echo "release: $preset"
  build=$source/build/$preset
  cmake -S "$source" --preset "$preset" -DCORVANE_BUILD_TESTS=OFF -DCORVANE_FINAL=$final >/dev/null
  cmake --build "$build" >/dev/null
  declare -A facts=()
  while IFS='=' read -r key value; do facts[$key]=$value; done <"$build/release/bundle.env"
  bundle=${facts[bundle]}
  stage=$work/stage/$preset
  cmake --install "$build" --prefix "$stage/install" >/dev/null
  cmake --install "$build" --component release --prefix "$stage/$bundle" >/dev/null
  mapfile -t binaries < <(find "$stage/install" -type f)
  if ((${#binaries[@]} != 1)); then
    echo "release: $preset installed ${#binaries[@]} files, not one binary" >&2
    exit 1
  fi
  binary=$stage/$bundle/$(basename "${binaries[0]}")
  cp "${binaries[0]}" "$binary"
  chmod 755 "$binary"

  if [[ -n "${CORVANE_SIGN_PKCS12:-}" && $binary == *.exe ]]; then
    sign=(osslsigncode sign -pkcs12 "$CORVANE_SIGN_PKCS12" -readpass "$CORVANE_SIGN_PASSWORD_FILE"
          -h sha256 -n "Brennix cpuinfo ${facts[version]}" -in "$binary" -out "$binary.signed")
    [[ -z "${CORVANE_SIGN_TIMESTAMP_URL:-}" ]] || sign+=(-ts "$CORVANE_SIGN_TIMESTAMP_URL")
    "${sign[@]}" >/dev/null
    mv "$binary.signed" "$binary"
    chmod 755 "$binary"
    echo "release: signed $(basename "$binary") of $preset"
  fi

  if [[ $preset == win* ]]; then archive=$bundle.zip; else archive=$bundle.tar.gz; fi
  /usr/bin/python3 "$source/release/bill_of_materials.py" --map "${facts[map]}" --build-dir "$build" \
    --binary "$binary" --bundle "$archive" --component "${facts[component]}" \
    --component-type "${facts[component_type]}" --version "${facts[version]}" --commit "$commit" \
    --compiler "${facts[compiler]}" --linker "${facts[linker]}" \
    --sbom "$out/$archive.cdx.json" --notices "$stage/$bundle/THIRD-PARTY-NOTICES.txt"
  /usr/bin/python3 "$source/release/archive.py" "$out/$archive" "$stage/$bundle"
done

(cd "$out" && find . -maxdepth 1 -type f ! -name SHA256SUMS -printf '%P\n' | LC_ALL=C sort |
  xargs -d '\n' sha256sum >SHA256SUMS)
echo "release: $(git -C "$repo" describe --always --dirty) (commit $commit) into dist/release:"
(cd "$out" && cat SHA256SUMS)
