#!/usr/bin/env python3
# SPDX-FileCopyrightText: 2026 The corvane-native authors
# SPDX-License-Identifier: Apache-2.0

"""Sums a GNU ld link map by where the bytes come from.

    map_summary.py [--top N] [--json OUT] MAP [BASELINE_MAP]

Counts the input sections placed in the loaded output sections (code, data, read-only data,
unwind tables, imports, TLS, resources; not .bss or debug sections) by archive, and by archive
member for the largest members. With a baseline map it also lists what the first map holds
beyond the baseline, member by member."""

import argparse
import collections
import json
import os
import re
import sys

LOADED = {".text", ".data", ".rdata", ".eh_frame", ".idata", ".CRT", ".tls", ".rsrc"}
OUTPUT = re.compile(r"^(\.\S+)(?:\s+0x[0-9a-f]+\s+0x([0-9a-f]+))?")
INPUT = re.compile(r"^ (\S+)(?:\s+0x([0-9a-f]+)\s+0x([0-9a-f]+)\s+(\S.*))?$")
CONTINUED = re.compile(r"^\s+0x([0-9a-f]+)\s+0x([0-9a-f]+)\s+(\S.*)$")
MEMBER = re.compile(r"^(.*?)(?:\((.*)\))?$")


def origin(path):
    """(archive or object, member) with folders dropped: ('libstdc++.a', 'ios_init.o')."""
    match = MEMBER.match(path.strip())
    archive, member = match.group(1), match.group(2)
    return os.path.basename(archive), member or ""


def parse(path):
    """{(archive, member): bytes} and {output section: bytes}."""
    by_origin = collections.Counter()
    by_section = collections.Counter()
    with open(path, encoding="utf-8", errors="replace") as f:
        lines = f.read().split("\n")
    start = next(i for i, line in enumerate(lines)
                 if line.startswith("Linker script and memory map"))
    section = None
    pending = None  # an input section whose address and size are on the next line
    for line in lines[start + 1:]:
        out = OUTPUT.match(line)
        if out:
            section = out.group(1)
            pending = None
            continue
        if section not in LOADED:
            continue
        if pending is not None:
            cont = CONTINUED.match(line)
            pending = None
            if cont:
                size = int(cont.group(2), 16)
                by_origin[origin(cont.group(3))] += size
                by_section[section] += size
            continue
        inp = INPUT.match(line)
        if not inp or inp.group(1).startswith("*("):
            continue
        if inp.group(1) == "*fill*":
            by_section[section] += int(inp.group(3), 16) if inp.group(3) else 0
            continue
        if inp.group(2) is None:
            pending = inp.group(1)
            continue
        size = int(inp.group(3), 16)
        by_origin[origin(inp.group(4))] += size
        by_section[section] += size
    return by_origin, by_section


def by_archive(by_origin):
    archives = collections.Counter()
    for (archive, _), size in by_origin.items():
        archives[archive] += size
    return archives


def kb(size):
    return "%.1f KB" % (size / 1000)


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("map")
    parser.add_argument("baseline", nargs="?")
    parser.add_argument("--top", type=int, default=8)
    parser.add_argument("--json")
    args = parser.parse_args()

    origins, sections = parse(args.map)
    archives = by_archive(origins)
    total = sum(origins.values())
    result = {
        "total": total,
        "sections": dict(sections),
        "archives": archives.most_common(),
        "members": [["%s(%s)" % key if key[1] else key[0], size]
                    for key, size in origins.most_common(args.top)],
    }
    print("%s: %s in loaded sections" % (os.path.basename(args.map), kb(total)))
    print("  by section: " + ", ".join("%s %s" % (s, kb(n)) for s, n in sections.most_common()))
    print("  by archive: " + ", ".join("%s %s" % (a, kb(n))
                                       for a, n in archives.most_common(args.top)))
    print("  largest members: " + ", ".join("%s %s" % (m, kb(n)) for m, n in result["members"]))
    if args.baseline:
        base, _ = parse(args.baseline)
        extra = collections.Counter({k: v - base.get(k, 0) for k, v in origins.items()
                                     if v > base.get(k, 0)})
        missing = sum(v - origins.get(k, 0) for k, v in base.items() if v > origins.get(k, 0))
        result["baseline_total"] = sum(base.values())
        result["beyond_baseline"] = [["%s(%s)" % key if key[1] else key[0], size]
                                     for key, size in extra.most_common(args.top)]
        result["beyond_baseline_total"] = sum(extra.values())
        print("  beyond %s (%s): %s more, %s less; most: %s" % (
            os.path.basename(args.baseline), kb(result["baseline_total"]),
            kb(sum(extra.values())), kb(missing),
            ", ".join("%s %s" % (m, kb(n)) for m, n in result["beyond_baseline"])))
    if args.json:
        with open(args.json, "w") as f:
            json.dump(result, f, indent=1)
    return 0


if __name__ == "__main__":
    sys.exit(main())
