#!/usr/bin/env python3
# SPDX-FileCopyrightText: 2026 The corvane-native authors
# SPDX-License-Identifier: Apache-2.0
"""Checks what a dist/release folder holds against the tree it was made from: the four bundles'
names (from the version of CMakeLists.txt), each bundle's exact list of files, the licence, README,
header and Java declaration as the tree has them, and each bill of materials against its bundle:
the version, the commit, the binary's hash, a Debian package with its dpkg-query version for every
component, the compiler and the binutils, and the same packages in THIRD-PARTY-NOTICES.txt with
their copyright files quoted.

    check_bundles.py DIST SOURCE-TREE COMMIT [--final]
"""

import hashlib
import io
import json
import os
import re
import subprocess
import sys
import tarfile
import zipfile

failures = []


def check(ok, what):
    if not ok:
        failures.append(what)
        print(f"FAIL {what}", file=sys.stderr)
    return ok


def version_of(tree, final):
    text = open(os.path.join(tree, "CMakeLists.txt"), encoding="utf-8").read()
    number = re.search(r"^project\(\S+ VERSION ([0-9.]+)", text, re.M).group(1)
    label = re.search(r"^set\(CORVANE_PRERELEASE_LABEL ?([^)]*)\)", text, re.M).group(1).strip()
    return number if final or not label else f"{number}.{label}"


def members(path):
    """{name: bytes} of every file in a bundle, and the modes of the archive's entries."""
    files, modes = {}, {}
    if path.endswith(".zip"):
        with zipfile.ZipFile(path) as archive:
            for info in archive.infolist():
                modes[info.filename] = info.external_attr >> 16
                check(info.extra == b"", f"{path}: {info.filename} has extra zip fields")
                if not info.is_dir():
                    files[info.filename] = archive.read(info)
    else:
        with tarfile.open(path) as archive:
            for info in archive.getmembers():
                modes[info.name] = info.mode
                check(info.uid == 0 and info.gid == 0 and not info.uname and not info.gname,
                      f"{path}: {info.name} is not owned by 0:0 without names")
                if info.isfile():
                    files[info.name] = archive.extractfile(info).read()
    return files, modes


def dpkg_version(package):
    return subprocess.run(["dpkg-query", "-W", "-f", "${Version}", package], check=True,
                          capture_output=True, text=True).stdout


def main():
    dist, tree, commit = sys.argv[1:4]
    final = "--final" in sys.argv[4:]
    version = version_of(tree, final)
    read = lambda *p: open(os.path.join(tree, *p), "rb").read()
    java = ("java", "com", "corvane", "tarn", "plugin", "system", "Ostrel.java")
    bundles = {
        f"cpuinfo-{version}-win32.zip": ("cpuinfo.exe", ["gcc-mingw-w64-i686-posix",
                                                          "mingw-w64-i686-dev"]),
        f"cpuinfo-{version}-win64.zip": ("cpuinfo.exe", ["gcc-mingw-w64-x86-64-posix",
                                                          "mingw-w64-x86-64-dev"]),
        f"ostreljni-{version}-linux-i386.tar.gz": ("libostreljni.so", ["lib32gcc-12-dev",
                                                                       "libc6-dev-i386"]),
        f"ostreljni-{version}-linux-x86_64.tar.gz": ("libostreljni.so", ["libgcc-12-dev",
                                                                         "libc6-dev"]),
    }
    expected = sorted(list(bundles) + [b + ".cdx.json" for b in bundles] + ["SHA256SUMS"])
    check(sorted(os.listdir(dist)) == expected, f"{dist} holds {sorted(os.listdir(dist))}")

    for bundle, (binary_name, packages) in bundles.items():
        path = os.path.join(dist, bundle)
        if not check(os.path.isfile(path), f"{bundle} is missing"):
            continue
        top = bundle.rsplit(".zip", 1)[0].rsplit(".tar.gz", 1)[0] + "/"
        files, modes = members(path)
        names = {n[len(top):] for n in files if n.startswith(top)}
        want = {binary_name, "LICENSE", "README.txt", "THIRD-PARTY-NOTICES.txt"}
        if binary_name.endswith(".so"):
            want |= {"include/quessa.h", "/".join(java)}
        check(names == want and len(files) == len(want),
              f"{bundle} holds {sorted(files)}, not {sorted(want)} under {top}")
        check(modes.get(top + binary_name, 0) & 0o777 == 0o755, f"{bundle}: binary not 755")
        get = lambda name: files.get(top + name, b"")
        check(get("LICENSE") == read("LICENSE"), f"{bundle}: LICENSE is not the tree's")
        readme = get("README.txt").decode()
        how = "Exit status" if binary_name.endswith(".exe") else "java.library.path"
        check(how in readme, f"{bundle}: README.txt does not say how to call the binary")
        check(f" {version} (" in readme, f"{bundle}: README.txt does not name version {version}")
        if binary_name.endswith(".so"):
            check(get("include/quessa.h") == read("ostreljni", "include", "quessa.h"),
                  f"{bundle}: include/quessa.h is not the tree's")
            check(get("/".join(java)) == read("ostreljni", "tests", "java", "static", *java[1:]),
                  f"{bundle}: Ostrel.java is not the tree's static declaration")

        with open(path + ".cdx.json", encoding="utf-8") as sbom_file:
            sbom = json.load(sbom_file)
        notices = get("THIRD-PARTY-NOTICES.txt").decode()
        project = sbom["metadata"]["component"]
        check(sbom["specVersion"] == "1.6", f"{bundle}: specVersion {sbom['specVersion']}")
        check(project["version"] == version, f"{bundle}: SBOM version {project['version']}")
        check({"name": "corvane:commit", "value": commit} in project["properties"],
              f"{bundle}: SBOM does not name commit {commit}")
        check(project["licenses"][0]["license"]["id"] == "Apache-2.0", f"{bundle}: licence")
        digest = hashlib.sha256(get(binary_name)).hexdigest()
        check(project["hashes"] == [{"alg": "SHA-256", "content": digest}],
              f"{bundle}: SBOM hash is not the bundled binary's {digest}")
        listed = {c["name"]: c for c in sbom["components"]}
        for package in packages:
            check(package in listed, f"{bundle}: SBOM lacks {package}")
        for name, component in listed.items():
            check(component["version"] == dpkg_version(name),
                  f"{bundle}: {name} {component['version']} is not the installed version")
            check(bool(component["licenses"][0].get("expression")), f"{bundle}: {name} licence")
            check(f"- {name} {component['version']} " in notices,
                  f"{bundle}: THIRD-PARTY-NOTICES.txt does not list {name}")
            copyright_path = next(p["value"] for p in component["properties"]
                                  if p["name"] == "debian:copyright")
            quoted = open(copyright_path, encoding="utf-8", errors="replace").read().rstrip("\n")
            check(quoted in notices, f"{bundle}: {copyright_path} is not quoted in the notices")
            linked = [p["value"] for p in component["properties"] if p["name"] == "corvane:linked"]
            check(bool(linked), f"{bundle}: {name} names no file the linker took")
        if binary_name == "cpuinfo.exe":
            # The POSIX thread model links winpthreads, whose licence asks for its notice.
            taken = [p["value"] for c in sbom["components"] for p in c["properties"]
                     if p["name"] == "corvane:linked"]
            if any("libpthread.a" in t or "libwinpthread.a" in t for t in taken):
                check("mingw-w64-libraries/winpthreads/" in notices and "Lockless Inc." in notices,
                      f"{bundle}: winpthreads is linked in but its notice is missing")
        tools = {t["name"]: t for t in sbom["metadata"]["tools"]["components"]}
        check(any(n.startswith("binutils") for n in tools), f"{bundle}: no binutils in SBOM")
        check(any(n.startswith(("g++", "gcc")) for n in tools), f"{bundle}: no compiler in SBOM")
        for name, tool in tools.items():
            check(tool["version"] == dpkg_version(name), f"{bundle}: tool {name} version")
        print(f"bundle: {bundle}: {len(files)} files, {len(listed)} Debian packages linked in "
              f"({', '.join(sorted(listed))})")

    if failures:
        print(f"check_bundles: {len(failures)} failures", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
