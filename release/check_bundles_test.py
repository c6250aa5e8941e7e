#!/usr/bin/env python3
# SPDX-FileCopyrightText: 2026 The corvane-native authors
# SPDX-License-Identifier: Apache-2.0
"""Shows that check_bundles.py fails where a release is wrong: each case copies a good
dist/release folder, breaks one thing in it (a bill of materials, a bundle's files, an archive
entry's owner, mode or extra fields) and requires the check to exit 1 naming that fault.

    check_bundles_test.py DIST SOURCE-TREE COMMIT [--final]
"""

import io
import json
import os
import shutil
import subprocess
import sys
import tarfile
import tempfile
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))


def edit_sbom(dist, bundle, change):
    path = os.path.join(dist, bundle + ".cdx.json")
    with open(path, encoding="utf-8") as f:
        sbom = json.load(f)
    change(sbom)
    with open(path, "w", encoding="utf-8") as f:
        json.dump(sbom, f)


def rewrite_zip(dist, bundle, change):
    """change(infos_and_data) edits a list of [ZipInfo, bytes] in place."""
    path = os.path.join(dist, bundle)
    with zipfile.ZipFile(path) as archive:
        entries = [[info, archive.read(info)] for info in archive.infolist()]
    change(entries)
    with zipfile.ZipFile(path, "w") as archive:
        for info, data in entries:
            archive.writestr(info, data)


def rewrite_tar(dist, bundle, change):
    """change(info) edits each TarInfo in place."""
    path = os.path.join(dist, bundle)
    with tarfile.open(path) as archive:
        entries = [(info, archive.extractfile(info).read() if info.isfile() else None)
                   for info in archive.getmembers()]
    with tarfile.open(path, "w:gz", format=tarfile.PAX_FORMAT) as archive:
        for info, data in entries:
            change(info)
            archive.addfile(info, io.BytesIO(data) if data is not None else None)


def replace_member(suffix, old, new):
    def change(entries):
        for entry in entries:
            if entry[0].filename.endswith(suffix):
                assert old in entry[1], f"{suffix} does not hold {old!r}"
                entry[1] = entry[1].replace(old, new)
    return change


def drop_linked(sbom):
    for component in sbom["components"]:
        component["properties"] = [p for p in component["properties"]
                                   if p["name"] != "corvane:linked"]


def alter_hash(sbom):
    content = sbom["metadata"]["component"]["hashes"][0]["content"]
    sbom["metadata"]["component"]["hashes"][0]["content"] = "0" * len(content)


def alter_version(sbom):
    sbom["components"][0]["version"] += "+changed"


def add_file(entries):
    top = entries[0][0].filename.split("/")[0]
    entries.append([zipfile.ZipInfo(top + "/stray.txt", (1980, 1, 1, 0, 0, 0)), b"stray\n"])


def add_extra_field(entries):
    # An "extended timestamp" field, as zip tools add by default.
    entries[0][0].extra = b"UT\x05\x00\x01\x00\x00\x00\x00"


def owned_by_user(info):
    info.uid, info.gid, info.uname = 1000, 1000, "builder"


def binary_not_executable(info):
    if info.name.endswith(".so"):
        info.mode = 0o644


def main():
    dist, tree, commit = sys.argv[1:4]
    passed_on = sys.argv[4:]
    with os.scandir(dist) as entries:
        names = sorted(e.name for e in entries)
    win32 = next(n for n in names if n.endswith("-win32.zip"))
    win64 = next(n for n in names if n.endswith("-win64.zip"))
    i386 = next(n for n in names if n.endswith("-linux-i386.tar.gz"))

    cases = [
        ("a bill of materials names no file the linker took",
         lambda d: edit_sbom(d, win32, drop_linked), "names no file the linker took"),
        ("the binary's hash in a bill of materials altered",
         lambda d: edit_sbom(d, i386, alter_hash), "SBOM hash is not the bundled binary's"),
        ("a package's version altered",
         lambda d: edit_sbom(d, win64, alter_version), "is not the installed version"),
        ("winpthreads' notice removed",
         lambda d: rewrite_zip(d, win32, replace_member("THIRD-PARTY-NOTICES.txt",
                                                       b"Lockless Inc.", b"Someone")),
         "winpthreads is linked in but its notice is missing"),
        ("the licence changed",
         lambda d: rewrite_zip(d, win64, replace_member("LICENSE", b"Apache", b"Apace")),
         "LICENSE is not the tree's"),
        ("a stray file in a bundle", lambda d: rewrite_zip(d, win64, add_file), "holds"),
        ("a zip entry with extra fields",
         lambda d: rewrite_zip(d, win32, add_extra_field), "has extra zip fields"),
        ("a tar entry owned by a user", lambda d: rewrite_tar(d, i386, owned_by_user),
         "is not owned by 0:0 without names"),
        ("the library not executable", lambda d: rewrite_tar(d, i386, binary_not_executable),
         "binary not 755"),
        ("SHA256SUMS missing", lambda d: os.remove(os.path.join(d, "SHA256SUMS")), "holds ["),
    ]
    check = lambda folder: subprocess.run(
        [sys.executable, os.path.join(HERE, "check_bundles.py"), folder, tree, commit, *passed_on],
        capture_output=True, text=True)
    # Without a good release to start from, every seeded fault would seem caught.
    control = check(dist)
    if control.returncode != 0:
        print(f"check_bundles_test: the unbroken release fails already:\n{control.stderr}",
              file=sys.stderr)
        return 1
    failures = 0
    with tempfile.TemporaryDirectory() as scratch:
        for what, seed, expected in cases:
            broken = os.path.join(scratch, "dist")
            shutil.rmtree(broken, ignore_errors=True)
            shutil.copytree(dist, broken)
            seed(broken)
            run = check(broken)
            if run.returncode == 1 and expected in run.stderr:
                print(f"seeded: {what}: caught")
            else:
                failures += 1
                print(f"NOT CAUGHT: {what}: exit {run.returncode}, no '{expected}' in:\n"
                      f"{run.stderr}", file=sys.stderr)
    if failures:
        print(f"check_bundles_test: {failures} of {len(cases)} seeded faults not caught",
              file=sys.stderr)
        return 1
    print(f"check_bundles_test: all {len(cases)} seeded faults caught")
    return 0


if __name__ == "__main__":
    sys.exit(main())
