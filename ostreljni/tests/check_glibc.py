# SPDX-FileCopyrightText: 2026 The corvane-native authors
# SPDX-License-Identifier: Apache-2.0
"""Reads the oldest C library the built bridge can run on, the newest GLIBC_x.y version among the
symbol versions it needs, and checks that the README's "Tested on" table states exactly that for
this architecture, so that the table cannot say otherwise than the library.

    check_glibc.py --arch i386|x86_64 --readme README.md READELF LIBRARY

The table's row starts with "| glibc" and names each architecture as "ARCH: glibc X.Y"."""

import argparse
import re
import subprocess
import sys

NEEDED = re.compile(r"\bName: GLIBC_([0-9]+(?:\.[0-9]+)+)\b")


def newest_needed(readelf, library):
    """The newest GLIBC_ version in the library's version needs, and all of them."""
    listing = subprocess.run([readelf, "-W", "--version-info", library], check=True,
                             capture_output=True, text=True).stdout
    versions = sorted({m for m in NEEDED.findall(listing)},
                      key=lambda v: tuple(int(p) for p in v.split(".")))
    return (versions[-1] if versions else None), versions


def stated(readme, arch):
    """What the README's glibc row says for the architecture, or None."""
    with open(readme, encoding="utf-8") as f:
        rows = [line for line in f if line.startswith("| glibc")]
    if len(rows) != 1:
        return None
    match = re.search(r"\b" + re.escape(arch) + r": glibc ([0-9]+(?:\.[0-9]+)+)\b", rows[0])
    return match.group(1) if match else None


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--arch", required=True, choices=("i386", "x86_64"))
    parser.add_argument("--readme", required=True)
    parser.add_argument("readelf")
    parser.add_argument("library")
    args = parser.parse_args()

    newest, versions = newest_needed(args.readelf, args.library)
    if newest is None:
        print("FAILED: %s needs no GLIBC_ version at all" % args.library)
        return 1
    print("the library needs %s" % ", ".join("GLIBC_" + v for v in versions))
    readme = stated(args.readme, args.arch)
    if readme != newest:
        print("FAILED: the README's glibc row says %s for %s, the library needs glibc %s"
              % (readme or "nothing (one row \"| glibc ...\" with \"%s: glibc X.Y\")" % args.arch,
                 args.arch, newest))
        return 1
    print("ok: the README's glibc row says %s: glibc %s, as the library needs" % (args.arch, newest))
    return 0


if __name__ == "__main__":
    sys.exit(main())
