#!/usr/bin/env python3
# SPDX-FileCopyrightText: 2026 The corvane-native authors
# SPDX-License-Identifier: Apache-2.0
"""Writes a release bundle's bill of materials (CycloneDX 1.6, JSON) and its
THIRD-PARTY-NOTICES.txt from the linker's map of the binary: every archive member and object
file the linker took from outside the build tree is named there, `dpkg -S` gives the Debian
package that ships it, `dpkg-query` that package's version and `/usr/share/doc/<package>/copyright`
the notice to quote. Nothing here lists libraries by name: link one more and both files grow.

    bill_of_materials.py --map cpuinfo.exe.map --build-dir build/win64 --binary cpuinfo.exe
        --bundle cpuinfo-1.2.0.SNAPSHOT-win64 --component cpuinfo --version 1.2.0.SNAPSHOT
        --commit <sha> --compiler <path> --linker <path> --sbom out.cdx.json --notices out.txt

The output depends only on its inputs and SOURCE_DATE_EPOCH, so a release is reproducible.
"""

import argparse
import collections
import hashlib
import json
import os
import re
import subprocess
import sys
import textwrap
import time
import uuid

# Debian's short licence names (DEP-5) that have an SPDX identifier. Any other name becomes
# LicenseRef-Debian-<name>, whose text is in the quoted copyright file.
SPDX_OF_DEBIAN = {
    "apache-2.0": "Apache-2.0",
    "bsd-2-clause": "BSD-2-Clause",
    "bsd-3-clause": "BSD-3-Clause",
    "expat": "MIT",
    "mit": "MIT",
    "gpl-2+": "GPL-2.0-or-later",
    "gpl-2": "GPL-2.0-only",
    "gpl-3+": "GPL-3.0-or-later",
    "gpl-3": "GPL-3.0-only",
    "isc": "ISC",
    "lgpl-2+": "LGPL-2.0-or-later",
    "lgpl-2.1+": "LGPL-2.1-or-later",
    "lgpl-2.1": "LGPL-2.1-only",
    "zlib": "Zlib",
    "zpl-2.1": "ZPL-2.1",
}
# Source packages whose copyright files are not machine-readable: their runtime licence as their
# copyright file states it in prose. A package of another source with such a file stops the
# release, so that nothing is listed without a licence.
PROSE_LICENCES = {
    "gcc-12": "GPL-3.0-or-later WITH GCC-exception-3.1",
    "gcc-mingw-w64": "GPL-3.0-or-later WITH GCC-exception-3.1",
    "glibc": "LGPL-2.1-or-later",
}

ARCHIVE_MEMBER = re.compile(r"^(\S.*?\.a)\(([^)]*)\)")


def read_map(path):
    """The archives (with the members taken from each) and object files of a GNU ld map."""
    members = collections.defaultdict(set)
    objects = []
    section = None
    with open(path, encoding="utf-8", errors="replace") as lines:
        for line in lines:
            line = line.rstrip("\n")
            if line.startswith("Archive member included"):
                section = "members"
                continue
            if line and not line[0].isspace() and not ARCHIVE_MEMBER.match(line):
                section = None
            if section == "members":
                found = ARCHIVE_MEMBER.match(line)
                if found:
                    members[found.group(1)].add(found.group(2))
            elif line.startswith("LOAD "):
                loaded = line[5:]
                if re.search(r"\.(o|obj)$", loaded):
                    objects.append(loaded)
    return members, objects


def run(*command):
    return subprocess.run(command, check=True, capture_output=True, text=True).stdout


def package_of(path):
    """The Debian package that ships path (with its architecture where dpkg names one)."""
    candidates = [os.path.normpath(path), os.path.realpath(path)]
    for candidate in list(candidates):
        if candidate.startswith("/usr/"):
            candidates.append(candidate[4:])  # merged /usr: /lib is /usr/lib
        else:
            candidates.append("/usr" + candidate)
    for candidate in candidates:
        result = subprocess.run(["dpkg", "-S", candidate], capture_output=True, text=True)
        if result.returncode == 0:
            owners = result.stdout.splitlines()[0].split(": ", 1)[0]
            return owners.split(", ")[0], candidate
    return None, os.path.normpath(path)


def package_facts(package):
    fields = "${binary:Package}\t${Version}\t${source:Package}\t${Architecture}"
    name, version, source, arch = run("dpkg-query", "-W", "-f", fields, package).split("\t")
    copyright_path = os.path.realpath(f"/usr/share/doc/{package.split(':')[0]}/copyright")
    with open(copyright_path, encoding="utf-8", errors="replace") as text:
        notice = text.read()
    return {"name": name.split(":")[0], "version": version, "source": source, "arch": arch,
            "copyright": copyright_path, "notice": notice}


def licence_of(facts):
    """The licences the package's copyright file declares, as an SPDX expression."""
    notice = facts["notice"]
    if notice.startswith("Format:"):
        names = set()
        for found in re.finditer(r"^License:[ \t]*(\S.*)$", notice, re.MULTILINE):
            for name in re.split(r"\s+(?:and|or)\s+", found.group(1).strip(), flags=re.I):
                names.add(name.strip().rstrip(","))
        ids = set()
        for name in names:
            spdx = SPDX_OF_DEBIAN.get(name.lower())
            ids.add(spdx or "LicenseRef-Debian-" + re.sub(r"[^A-Za-z0-9.-]", "-", name))
        return " AND ".join(sorted(ids))
    if facts["source"] in PROSE_LICENCES:
        return PROSE_LICENCES[facts["source"]]
    sys.exit(f"bill_of_materials: {facts['copyright']} is not machine-readable and the licence "
             f"of source package {facts['source']} is not known here; add it to PROSE_LICENCES")


def tool(path):
    package, _ = package_of(os.path.realpath(path))
    if package is None:
        sys.exit(f"bill_of_materials: no Debian package ships {path}")
    facts = package_facts(package)
    first_line = run(path, "--version").splitlines()[0]
    return facts, first_line


def main():
    parser = argparse.ArgumentParser()
    for name in ("map", "build-dir", "binary", "bundle", "component", "component-type",
                 "version", "commit", "compiler", "linker", "sbom", "notices"):
        parser.add_argument("--" + name, required=name != "component-type")
    args = parser.parse_args()
    epoch = int(os.environ.get("SOURCE_DATE_EPOCH", "0"))
    timestamp = time.strftime("%Y-%m-%dT%H:%M:%SZ", time.gmtime(epoch))

    members, objects = read_map(args.map)
    inputs = collections.defaultdict(dict)  # package -> {file: members}
    for path, taken in list(members.items()) + [(o, None) for o in objects]:
        if not os.path.isabs(path):
            if not os.path.exists(os.path.join(args.build_dir, path)):
                sys.exit(f"bill_of_materials: {path} is neither in the build tree nor absolute")
            continue  # the project's own objects
        package, file = package_of(path)
        if package is None:
            sys.exit(f"bill_of_materials: no Debian package ships {path}, which was linked in")
        inputs[package].setdefault(file, set()).update(taken or ())

    with open(args.binary, "rb") as binary:
        binary_sha256 = hashlib.sha256(binary.read()).hexdigest()
    project_ref = f"{args.component}@{args.version}"
    project = {
        "type": args.component_type or "application",
        "bom-ref": project_ref,
        "name": args.component,
        "version": args.version,
        "supplier": {"name": "The corvane-native authors"},
        "licenses": [{"license": {"id": "Apache-2.0", "acknowledgement": "declared"}}],
        "hashes": [{"alg": "SHA-256", "content": binary_sha256}],
        "properties": [{"name": "corvane:commit", "value": args.commit},
                       {"name": "corvane:file", "value": os.path.basename(args.binary)}],
    }

    components, notices, quoted = [], [], {}
    for package in sorted(inputs):
        facts = package_facts(package)
        files = inputs[package]
        ref = f"pkg:deb/debian/{facts['name']}@{facts['version']}?arch={facts['arch']}"
        licence = licence_of(facts)
        taken = []
        for file in sorted(files):
            count = len(files[file])
            if not count:
                taken.append(f"{file} (object file)")
            elif count <= 12:
                taken.append(f"{file} ({count} member{'s' if count != 1 else ''}: "
                             f"{', '.join(sorted(files[file]))})")
            else:
                taken.append(f"{file} ({count} members)")
        components.append({
            "type": "library",
            "bom-ref": ref,
            "name": facts["name"],
            "version": facts["version"],
            "purl": ref,
            "licenses": [{"expression": licence}],
            "properties": [{"name": "debian:source", "value": facts["source"]},
                           {"name": "debian:copyright", "value": facts["copyright"]}]
                          + [{"name": "corvane:linked", "value": t} for t in taken],
        })
        notices.append((facts, licence, taken))
        quoted.setdefault(facts["copyright"], facts["notice"])

    compiler, compiler_line = tool(args.compiler)
    linker, linker_line = tool(args.linker)
    tools = []
    for facts, line in ((compiler, compiler_line), (linker, linker_line)):
        ref = f"pkg:deb/debian/{facts['name']}@{facts['version']}?arch={facts['arch']}"
        tools.append({"type": "application", "bom-ref": "tool:" + ref, "name": facts["name"],
                      "version": facts["version"], "purl": ref, "description": line})

    serial = uuid.uuid5(uuid.NAMESPACE_URL, f"corvane-native:{args.bundle}:{binary_sha256}")
    bom = {
        "bomFormat": "CycloneDX",
        "specVersion": "1.6",
        "serialNumber": f"urn:uuid:{serial}",
        "version": 1,
        "metadata": {
            "timestamp": timestamp,
            "tools": {"components": tools},
            "component": project,
            "properties": [{"name": "corvane:bundle", "value": args.bundle}],
        },
        "components": components,
        "dependencies": [{"ref": project_ref, "dependsOn": [c["bom-ref"] for c in components]}]
        + [{"ref": c["bom-ref"]} for c in components],
    }
    with open(args.sbom, "w", encoding="utf-8", newline="\n") as out:
        json.dump(bom, out, indent=2, sort_keys=False)
        out.write("\n")

    rule = "=" * 78
    text = [f"Third-party notices for {args.bundle}", "",
            f"{os.path.basename(args.binary)} {args.version} is licensed under the Apache License 2.0",
            "(LICENSE). The linker put the following parts of Debian 12 packages into it. Each",
            "package's line names every licence its Debian copyright file names, for the whole",
            "of its source; that file, quoted below, says which parts each licence covers.", ""]
    if not notices:
        text.append("Nothing from outside the project was linked in.")
    for facts, licence, taken in notices:
        text += [f"- {facts['name']} {facts['version']} (source {facts['source']})"]
        text += textwrap.wrap("licences: " + licence, 94, initial_indent="    ",
                              subsequent_indent="      ", break_on_hyphens=False)
        for t in taken:
            text += textwrap.wrap(t, 94, initial_indent="    ", subsequent_indent="      ",
                                  break_on_hyphens=False)
    for path in sorted(quoted):
        users = ", ".join(f["name"] for f, _, _ in notices if f["copyright"] == path)
        text += ["", rule, f"{path} (for {users})", rule, "", quoted[path].rstrip("\n")]
    with open(args.notices, "w", encoding="utf-8", newline="\n") as out:
        out.write("\n".join(text) + "\n")


if __name__ == "__main__":
    main()
