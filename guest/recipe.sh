#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The corvane-native authors
# SPDX-License-Identifier: Apache-2.0
#
# recipe.sh DIR FACTS
# The guest's file system, from Debian's packages: an amd64 system with i386
# as a second architecture, 32-bit and 64-bit Wine, an i386 JRE and Python for
# the test drivers, and our own init (init.sh). Writes into DIR the kernel
# (vmlinuz), its initramfs (initrd.img), the root file system as a raw ext4
# image (disk.img) and the installed package versions (packages.txt). FACTS is
# the file of the guest's paths that guest.py writes; init.sh reads it as
# /etc/corvane/guest.env.
# guest.py calls it; the Wine prefixes are made by the image's first boot.
set -euo pipefail
out="$1"
facts="$2"
here="$(cd "$(dirname "$0")" && pwd)"

# The archive the host's apt uses, without its security suite: that suite's i386
# index is the one a mirror caught mid-sync breaks, and leaving it out keeps the
# amd64 and i386 halves of each package at the same version. apt checks the
# packages against the archive's keys as on the host. The guest has no network.
mirror=$(apt-get indextargets --format '$(RELEASE) $(REPO_URI)' 'Created-By: Packages' |
  awk '$1 == "bookworm" { print $2; exit }')
if [[ -z "$mirror" ]]; then
  echo "recipe: the host's apt has no source for bookworm" >&2
  exit 1
fi

packages=(
  linux-image-amd64 initramfs-tools kmod mount procps util-linux iproute2
  wine wine64 wine32:i386 python3
  # What the unpacked JRE runs on.
  libc6:i386 libstdc++6:i386 libgcc-s1:i386 zlib1g:i386
)
root="$out/root"
rm -rf "$root"
mkdir -p "$root"

# Only the modules the guest boots from, so the initramfs is small and quick to make.
initramfs_hook='set -e
mkdir -p "$1/etc/initramfs-tools/conf.d" "$1/usr/share/initramfs-tools/modules.d"
echo MODULES=list > "$1/etc/initramfs-tools/conf.d/corvane"
printf "%s\n" virtio_pci virtio_blk ext4 crc32c_generic > "$1/usr/share/initramfs-tools/modules.d/corvane"'

# The JRE unpacked rather than installed: installing it runs the i386 JVM in its
# scripts, which the host may only emulate. Its files hold everything the tests use;
# apt-get download checks it against the archive's keys, as an install would.
jre_hook='set -e
(cd "$1/tmp" && APT_CONFIG="$MMDEBSTRAP_APT_CONFIG" apt-get download -qq openjdk-17-jre-headless:i386)
dpkg-deb -x "$1"/tmp/openjdk-17-jre-headless_*_i386.deb "$1"
ls "$1"/tmp/openjdk-17-jre-headless_*_i386.deb | sed "s|.*/||" > "$1/etc/corvane-jre"
rm -f "$1"/tmp/*.deb'

mmdebstrap --quiet --variant=essential --architectures=amd64,i386 \
  --include="$(
    IFS=,
    echo "${packages[*]}"
  )" \
  --essential-hook="$initramfs_hook" \
  --customize-hook="$jre_hook" \
  --customize-hook="upload $here/init.sh /sbin/corvane-init" \
  --customize-hook='mkdir -p "$1/etc/corvane"' \
  --customize-hook="upload $facts /etc/corvane/guest.env" \
  --customize-hook='printf "127.0.0.1 localhost\n127.0.1.1 corvane-guest\n" > "$1/etc/hosts"' \
  --customize-hook='chmod 755 "$1/sbin/corvane-init"' \
  --customize-hook='chroot "$1" dpkg-query -W -f "\${Package}:\${Architecture} \${Version}\n" > "$1/etc/corvane-packages"' \
  bookworm "$root" \
  "deb $mirror bookworm main" "deb $mirror bookworm-updates main"

cp "$root"/boot/vmlinuz-* "$out/vmlinuz"
cp "$root"/boot/initrd.img-* "$out/initrd.img"
cp "$root/etc/corvane-packages" "$out/packages.txt"
cat "$root/etc/corvane-jre" >>"$out/packages.txt"

# Room for both Wine prefixes and the tests' temporary files; the file is sparse.
mkfs.ext4 -q -F -L corvane -d "$root" "$out/disk.img" 6G
rm -rf "$root"
