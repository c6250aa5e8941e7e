#!/usr/bin/env python3
# SPDX-FileCopyrightText: 2026 The corvane-native authors
# SPDX-License-Identifier: Apache-2.0

"""Checks the built bridge with readelf: a position-independent shared object of the given
architecture (32-bit i386 or 64-bit x86-64) with no SONAME or search path, needing libquessa.so
then libc.so.6, exporting the two native-method entry points only and importing only the two
monitor functions and the C library's fortified printf.

    check_elf.py --arch i386|x86_64 READELF LIBRARY"""

import argparse
import re
import subprocess
import sys

ENTRY_POINTS = {
    "Java_com_corvane_tarn_plugin_system_Ostrel_postState",
    "Java_com_corvane_tarn_plugin_system_Ostrel_getAppStatus",
}
MONITOR = {"Ostrel_PostAppState", "Ostrel_GetAppStatus"}
ECHO = "__printf_chk"
# Start-up and shut-down code that the toolchain adds (crti.o, crtbeginS.o); the undefined ones
# are weak references that stay null where nothing defines them.
TOOLCHAIN_DEFINED = {"_init", "_fini"}
TOOLCHAIN_WEAK_UNDEFINED = {"__cxa_finalize", "__gmon_start__", "_ITM_deregisterTMCloneTable",
                            "_ITM_registerTMCloneTable"}

# Per architecture: the ELF class byte and readelf's name for it, e_machine and readelf's name.
ARCHITECTURES = {
    "i386": {"class": (1, "ELF32"), "machine": (3, "Intel 80386")},
    "x86_64": {"class": (2, "ELF64"), "machine": (62, "Advanced Micro Devices X86-64")},
}

failures = []


def check(what, ok, detail=""):
    print(("ok: " if ok else "FAILED: ") + what + ("" if ok else " (" + str(detail) + ")"))
    if not ok:
        failures.append(what)


def readelf(tool, *options):
    return subprocess.run([tool, "-W", *options], check=True, capture_output=True,
                          text=True).stdout


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--arch", required=True, choices=sorted(ARCHITECTURES))
    parser.add_argument("tool")
    parser.add_argument("library")
    args = parser.parse_args()
    tool, library = args.tool, args.library
    elf_class, class_name = ARCHITECTURES[args.arch]["class"]
    machine, machine_name = ARCHITECTURES[args.arch]["machine"]

    # e_type and e_machine sit at the same offsets in both classes.
    with open(library, "rb") as f:
        ident = f.read(20)
    check("ELF magic", ident[:4] == b"\x7fELF", ident[:4])
    check("ELF class %d (%s)" % (elf_class, class_name), ident[4] == elf_class, ident[4])
    check("little-endian", ident[5] == 1, ident[5])
    check("type ET_DYN", int.from_bytes(ident[16:18], "little") == 3, ident[16:18])
    check("machine %d (%s)" % (machine, machine_name),
          int.from_bytes(ident[18:20], "little") == machine, ident[18:20])

    header = readelf(tool, "-h", library)
    for field, value in (("Class", class_name), ("Type", "DYN (Shared object file)"),
                         ("Machine", machine_name)):
        match = re.search(r"^\s*" + field + r":\s*(.*?)\s*$", header, re.M)
        check("readelf %s: %s" % (field, value), match and match.group(1) == value,
              match and match.group(1))

    dynamic = readelf(tool, "-d", library)
    tags = re.findall(r"^\s*0x[0-9a-f]+\s+\((\w+)\)\s+(.*)$", dynamic, re.M)
    needed = [re.search(r"\[(.*)\]", value).group(1) for tag, value in tags if tag == "NEEDED"]
    check("NEEDED is exactly libquessa.so, libc.so.6", needed == ["libquessa.so", "libc.so.6"],
          needed)
    for tag in ("SONAME", "RPATH", "RUNPATH", "TEXTREL"):
        check("no %s" % tag, all(t != tag for t, _ in tags), dynamic)
    check("no TEXTREL flag (position-independent code)",
          not any(t in ("FLAGS", "FLAGS_1") and "TEXTREL" in v for t, v in tags), dynamic)

    symbols = readelf(tool, "--dyn-syms", library)
    rows = []
    for line in symbols.splitlines():
        fields = line.split()
        if len(fields) >= 8 and fields[0].endswith(":") and fields[0][:-1].isdigit():
            name = fields[7]
            version = name.split("@", 1)[1] if "@" in name else ""
            rows.append({"type": fields[3], "bind": fields[4], "vis": fields[5],
                         "ndx": fields[6], "name": name.split("@", 1)[0], "version": version})
    named = [r for r in rows if r["name"]]

    exported = {r["name"] for r in named if r["ndx"] != "UND" and r["bind"] in ("GLOBAL", "WEAK")}
    check("exports the two entry points", ENTRY_POINTS <= exported, exported)
    check("exports nothing else but toolchain stubs",
          exported - ENTRY_POINTS <= TOOLCHAIN_DEFINED, exported - ENTRY_POINTS)
    check("entry points are functions", all(r["type"] == "FUNC" for r in named
                                            if r["name"] in ENTRY_POINTS), named)
    check("no JNI_OnLoad or JNI_OnUnload",
          not any(r["name"] in ("JNI_OnLoad", "JNI_OnUnload") for r in named))

    undefined = {r["name"]: r for r in named if r["ndx"] == "UND"}
    check("imports both monitor functions", MONITOR <= undefined.keys(), sorted(undefined))
    # The echo goes through the C library's printf, in its fortified form.
    check("imports __printf_chk, not the unchecked printf",
          ECHO in undefined and "printf" not in undefined, sorted(undefined))
    check("__printf_chk is bound to the C library's version",
          ECHO in undefined and undefined[ECHO]["version"].startswith("GLIBC_"),
          undefined.get(ECHO))
    # The canary's failure handler, where a function needs a canary at all.
    others = {n: r for n, r in undefined.items() if n not in MONITOR | {ECHO, "__stack_chk_fail"}}
    check("imports nothing else but weak toolchain references",
          all(n in TOOLCHAIN_WEAK_UNDEFINED and r["bind"] == "WEAK" for n, r in others.items()),
          sorted(others))

    print("%d checks failed" % len(failures) if failures else "all ELF checks passed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
