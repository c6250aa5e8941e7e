#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The corvane-native authors
# SPDX-License-Identifier: Apache-2.0
#
# Signs a release with a throwaway certificate authority and checks what signing must keep:
# - `osslsigncode verify` passes for both signed cpuinfo.exe against that authority;
# - the signed programs still pass check-hardening, and the signed 64-bit one prints the same
#   result line under wine64 as the unsigned one (the 32-bit one runs only in the virtual
#   machine, and signing adds the same kind of certificate table to both);
# - with the signature removed, each program is byte for byte the unsigned reproducible one;
# - a signed file altered after signing fails verification.
# Runs after scripts/check-reproducible.sh, whose second clone it signs (its builds are reused,
# so only signing and packing run again) and whose first clone's bundles are the unsigned ones.
# The authority's key and certificates live in a temporary folder and are deleted at the end.
set -euo pipefail
cd "$(dirname "$0")/.."

work=$PWD/build/release-check
clone=$work/second/elsewhere/deeper
unsigned=$work/first/dist/release
if [[ ! -d $clone/build/release/source || ! -f $unsigned/SHA256SUMS ]]; then
  echo "check-signing: run scripts/check-reproducible.sh first" >&2
  exit 1
fi
keys=$(mktemp -d)
trap 'rm -rf "$keys"' EXIT

# A root authority and a code-signing certificate it issued, both for this run alone.
cd "$keys"
openssl req -x509 -newkey rsa:3072 -nodes -keyout ca.key -out ca.pem -days 2 -sha256 \
  -subj "/CN=corvane-native throwaway test authority" \
  -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign,cRLSign" \
  2>/dev/null
openssl req -newkey rsa:3072 -nodes -keyout signer.key -out signer.csr -sha256 \
  -subj "/CN=corvane-native throwaway signer" 2>/dev/null
printf '%s\n' "basicConstraints=CA:FALSE" "keyUsage=critical,digitalSignature" \
  "extendedKeyUsage=codeSigning" >signer.ext
openssl x509 -req -in signer.csr -CA ca.pem -CAkey ca.key -CAcreateserial -out signer.pem \
  -days 1 -sha256 -extfile signer.ext 2>/dev/null
openssl rand -hex 16 >password
openssl pkcs12 -export -inkey signer.key -in signer.pem -certfile ca.pem -out signer.p12 \
  -passout file:password
cd - >/dev/null

CORVANE_SIGN_PKCS12=$keys/signer.p12 CORVANE_SIGN_PASSWORD_FILE=$keys/password \
  bash "$clone/scripts/release.sh" | grep '^release: signed' || {
  echo "check-signing: the signed release failed" >&2
  exit 1
}
signed=$clone/dist/release

status=0
fail() {
  echo "check-signing: $*" >&2
  status=1
}
for abi in win32 win64; do
  bundle=$(cd "$unsigned" && ls cpuinfo-*-$abi.zip)
  folder=${bundle%.zip}
  mkdir -p "$keys/$abi/signed" "$keys/$abi/unsigned"
  unzip -q "$signed/$bundle" -d "$keys/$abi/signed"
  unzip -q "$unsigned/$bundle" -d "$keys/$abi/unsigned"
  exe=$keys/$abi/signed/$folder/cpuinfo.exe
  plain=$keys/$abi/unsigned/$folder/cpuinfo.exe

  if osslsigncode verify -CAfile "$keys/ca.pem" -in "$exe" >"$keys/verify.log" 2>&1; then
    echo "signed: $abi cpuinfo.exe verifies against the throwaway authority"
  else
    cat "$keys/verify.log" >&2
    fail "$abi: the signed program does not verify"
  fi
  osslsigncode verify -CAfile "$keys/ca.pem" -in "$plain" >/dev/null 2>&1 &&
    fail "$abi: the unsigned program verifies"

  mkdir -p "$keys/hardening/$abi"
  cp "$exe" "$keys/hardening/$abi/cpuinfo.exe"
  # The signed program's link map is the one its unsigned build left: signing adds a table
  # after the sections and changes no code.
  /usr/bin/python3 cmake/hardening/check_hardening.py "$keys/hardening" \
    --expect "$abi/cpuinfo.exe" \
    --map "$abi/cpuinfo.exe=$clone/build/release/source/build/$abi/cpuinfo/cpuinfo.exe.map" \
    >"$keys/hardening.log" ||
    { cat "$keys/hardening.log" >&2; fail "$abi: the signed program fails check-hardening"; }

  osslsigncode remove-signature -in "$exe" -out "$keys/$abi/removed.exe" >/dev/null
  if cmp -s "$keys/$abi/removed.exe" "$plain"; then
    echo "signed: $abi without its signature is the unsigned program, byte for byte"
  else
    fail "$abi: removing the signature does not give the unsigned program back"
  fi

  # One byte of the program's code altered after signing.
  /usr/bin/python3 -c 'import pefile, sys
data = bytearray(open(sys.argv[1], "rb").read())
pe = pefile.PE(data=bytes(data))
text = next(s for s in pe.sections if s.Name.rstrip(b"\0") == b".text")
data[text.PointerToRawData + 64] ^= 0x01
open(sys.argv[2], "wb").write(data)' "$exe" "$keys/$abi/tampered.exe"
  cmp -s "$exe" "$keys/$abi/tampered.exe" && fail "$abi: the tampered copy is unchanged"
  if osslsigncode verify -CAfile "$keys/ca.pem" -in "$keys/$abi/tampered.exe" >/dev/null 2>&1; then
    fail "$abi: a program altered after signing still verifies"
  else
    echo "signed: $abi altered after signing fails verification"
  fi
done

# The signed 64-bit program runs as the unsigned one does.
prefix=$work/wineprefix
run64() { bash cmake/wine-run.sh /usr/lib/wine/wine64 "$prefix" "$1" --logfile console | tail -n 1; }
a=$(run64 "$keys/win64/signed/$(cd "$keys/win64/signed" && ls)/cpuinfo.exe")
b=$(run64 "$keys/win64/unsigned/$(cd "$keys/win64/unsigned" && ls)/cpuinfo.exe")
WINEPREFIX=$prefix /usr/lib/wine/wineserver -k 2>/dev/null || true
if [[ -n "$a" && "$a" == "$b" && "$a" =~ ^\[[0-9]+(,[0-9]+)*\]$'\r'$ ]]; then
  echo "signed: win64 prints the same result line under wine64: ${a%$'\r'}"
else
  fail "win64 signed prints '$a', unsigned '$b'"
fi
((status == 0)) && echo "check-signing: both programs signed, verified, and given back unsigned"
exit "$status"
