#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The corvane-native authors
# SPDX-License-Identifier: Apache-2.0
#
# Installs the toolchains the build and the tests need, only what is missing.
# Safe to run again: with everything in place it touches nothing.
#
# What a host gets depends on whether its kernel runs i386 code
# (cmake/i386-host.py). Where it does, 32-bit Wine runs the win32 programs and
# the 32-bit JVM runs natively. Where it does not, i386 programs run under
# qemu-user (an i386 binfmt_misc handler is registered for them) and 32-bit
# Wine is left out, as it cannot run there. CORVANE_NO_NATIVE_I386=1 takes the
# second path on any host, but never registers the handler where the kernel
# runs i386 itself: a handler would take precedence over the kernel for every
# i386 program on the machine.
set -euo pipefail
cd "$(dirname "$0")/.."

sudo_cmd=()
((EUID == 0)) || sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
updated=no

missing_of() {
  local p status
  for p in "$@"; do
    status=$(dpkg-query -W -f='${db:Status-Abbrev}' "$p" 2>/dev/null || true)
    [[ "$status" == ii* ]] || echo "$p"
  done
}

try_install() {
  ((${#@} > 0)) || return 0
  echo "setup: installing $*"
  if [[ $updated == no ]]; then
    # A mirror caught mid-sync fails one index now and then; retry, then go on
    # with what was fetched: the install below is what must succeed.
    for attempt in 1 2 3; do
      "${sudo_cmd[@]}" apt-get update -qq && break
      echo "setup: apt-get update failed (attempt $attempt)" >&2
      ((attempt == 3)) || sleep $((attempt * 5))
    done
    updated=yes
  fi
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "$@"
}

install_packages() {
  try_install "$@" && return 0
  echo "setup: could not install $*." >&2
  exit 1
}

# Where apt cannot install the 32-bit JRE, the same Debian package unpacked
# under /opt, on the 32-bit runtimes of the multilib packages (amd64 ones, so
# never out of step with the host's own libraries). apt-get download checks
# the package against the signed index, as an install would.
jre_root=/opt/corvane/jre-i386
unpack_jre_i386() {
  local runtimes work
  mapfile -t runtimes < <(missing_of libc6-i386 lib32gcc-s1 lib32stdc++6 lib32z1)
  install_packages "${runtimes[@]}"
  work=$(mktemp -d)
  (cd "$work" && "${sudo_cmd[@]}" apt-get download -qq openjdk-17-jre-headless:i386) || {
    rm -rf "$work"
    return 1
  }
  "${sudo_cmd[@]}" rm -rf "$jre_root"
  "${sudo_cmd[@]}" mkdir -p "$jre_root"
  "${sudo_cmd[@]}" dpkg-deb -x "$work"/openjdk-17-jre-headless_*_i386.deb "$jre_root"
  rm -rf "$work"
  # The package links its configuration from /etc, where the unpacked copy has it.
  local link target
  while IFS= read -r link; do
    target=$(readlink "$link")
    "${sudo_cmd[@]}" ln -sfn "$jre_root$target" "$link"
  done < <(find "$jre_root/usr/lib/jvm" -type l -lname '/etc/java-17-openjdk/*')
  echo "setup: openjdk-17-jre-headless:i386 unpacked into $jre_root"
}

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  "${sudo_cmd[@]}" dpkg --add-architecture i386
fi

# The probe needs Python first.
mapfile -t missing < <(missing_of python3)
install_packages "${missing[@]}"
kernel=$(python3 cmake/i386-host.py --kernel)
forced=no
[[ "${CORVANE_NO_NATIVE_I386:-}" =~ ^(|0)$ ]] || forced=yes

packages=(
  cmake ninja-build g++ g++-multilib libgtest-dev googletest libbenchmark-dev
  clang libclang-rt-14-dev clang-tidy cppcheck valgrind
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix wine64 python3
  openjdk-17-jdk-headless openjdk-17-jre-headless:i386
  binutils file git
  # Reading what ships: hardening-check for ELF files, pefile for PE files.
  devscripts python3-pefile
  # The virtual machine lane (guest/).
  qemu-system-x86 mmdebstrap e2fsprogs
  # Releases: licence check, signing, reading bundles.
  reuse osslsigncode openssl unzip
)
# Node.js for the CycloneDX validator, unless one is there already.
command -v npm >/dev/null || packages+=(nodejs npm)
if [[ $kernel == native && $forced == no ]]; then
  packages+=(wine wine32:i386)
else
  packages+=(qemu-user-static)
fi

# The i386 packages last and on their own: they are the ones a mirror
# caught mid-sync breaks, and the message then names them.
mapfile -t missing < <(missing_of "${packages[@]}" | grep -v ':i386$' || true)
install_packages "${missing[@]}"
# One at a time: where the mirror's i386 index fails verification, apt can
# install none that must match an amd64 package already updated from it.
for package in $(missing_of "${packages[@]}" | grep ':i386$' || true); do
  case $package in
    openjdk-17-jre-headless:i386)
      [[ -x $jre_root/usr/lib/jvm/java-17-openjdk-i386/bin/java ]] && continue
      try_install "$package" && continue
      echo "setup: apt could not install $package; unpacking Debian's package instead" >&2
      unpack_jre_i386 || {
        echo "setup: could not fetch $package either; if apt reported an index of the" \
          "wrong size or hash, the Debian mirror is mid-sync: run this again later." >&2
        exit 1
      }
      ;;
    wine32:i386)
      try_install "$package" && continue
      echo "setup: could not install $package: the tests that run the win32 image will be" \
        "reported as skipped, and scripts/run.sh shows the win64 one. If apt reported an" \
        "index of the wrong size or hash, the Debian mirror is mid-sync: run this again later." >&2
      ;;
    *) install_packages "$package" ;;
  esac
done

# The CycloneDX project's validator of bills of materials (scripts/validate-sbom.js), from the
# npm registry, at fixed versions.
cyclonedx=/opt/corvane/cyclonedx
cyclonedx_packages=(@cyclonedx/cyclonedx-library@7.1.0 ajv@8.17.1 ajv-formats@3.0.1
  ajv-formats-draft2019@1.6.1)
if [[ "$(cat "$cyclonedx/installed" 2>/dev/null)" != "${cyclonedx_packages[*]}" ]]; then
  echo "setup: installing ${cyclonedx_packages[*]} into $cyclonedx"
  "${sudo_cmd[@]}" rm -rf "$cyclonedx"
  "${sudo_cmd[@]}" mkdir -p "$cyclonedx"
  (cd "$cyclonedx" && "${sudo_cmd[@]}" npm install --silent --no-audit --no-fund --no-save \
    --legacy-peer-deps "${cyclonedx_packages[@]}")
  echo "${cyclonedx_packages[*]}" | "${sudo_cmd[@]}" tee "$cyclonedx/installed" >/dev/null
fi

# i386 programs started by name (the JVM, the loader's own tests) go to
# qemu-i386-static through binfmt_misc. A handler that is there already, ours
# or another's, is left as it is.
if [[ $kernel != native ]]; then
  binfmt=/proc/sys/fs/binfmt_misc
  if [[ ! -e $binfmt/register ]]; then
    "${sudo_cmd[@]}" mount -t binfmt_misc binfmt_misc "$binfmt" || true
  fi
  i386_magic=7f454c4601010100000000000000000002000300
  if ! grep -qsx "magic $i386_magic" "$binfmt"/*; then
    echo "setup: registering qemu-i386-static for i386 programs"
    magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
    mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
    # The project's own runs name qemu-i386-static themselves; without the
    # handler only other i386 programs stay unusable.
    printf '%s' ":qemu-i386:M::$magic:$mask:/usr/bin/qemu-i386-static:F" |
      "${sudo_cmd[@]}" tee "$binfmt/register" >/dev/null ||
      echo "setup: could not register the handler; i386 programs run only when started" \
        "through qemu-i386-static" >&2
  fi
fi

if [[ $updated == no ]]; then
  echo "setup: all build and test tools are present"
fi
