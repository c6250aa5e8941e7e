#!/usr/bin/python3
"""Reads the deliverables under a dist/ folder and prints one table of their exploit mitigations:
each property, what the file shows and whether that passes. Exits 1 on any failure, or when a
deliverable is missing.

    check_hardening.py DIST [--expect RELATIVE-PATH ...]

ELF files are read with Debian's hardening-check (devscripts) and binutils' readelf and objdump,
PE files with pefile (python3-pefile). Properties that Debian's toolchains cannot give at all
are listed as "not possible" and count neither way.
"""

import argparse
import os
import re
import subprocess
import sys

DELIVERABLES = ["win32/cpuinfo.exe", "win64/cpuinfo.exe", "linux-i386/libostreljni.so",
                "linux-x86_64/libostreljni.so"]

PE_SYSTEM_DLLS = {"KERNEL32.dll", "msvcrt.dll"}
# The fail-fast codes of the canary's and the checked copies' failure paths
# (cmake/hardening/windows-stack-guard.cpp).
FAST_FAIL_STACK_COOKIE_CHECK_FAILURE = 2
FAST_FAIL_RANGE_CHECK_FAILURE = 8
SUPPORTED_OS = {
    "Windows 7": "35138b9a-5d96-4fbd-8e2d-a2440225f93a",
    "Windows 8": "4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38",
    "Windows 8.1": "1f676c76-80e1-4239-95bb-83d0f6d0da78",
    "Windows 10 and 11": "8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a",
}
VERSION_STRINGS = {
    "FileVersion": "1.2.0.SNAPSHOT",
    "ProductVersion": "1.2.0.SNAPSHOT",
    "OriginalFilename": "cpuinfo.exe",
    "InternalName": "cpuinfo",
    "ProductName": "Brennix",
}

RT_MANIFEST = 24
SCN_MEM_SHARED = 0x10000000
SCN_MEM_EXECUTE = 0x20000000
SCN_MEM_WRITE = 0x80000000


class Table:
    def __init__(self):
        self.rows = []

    def add(self, file, what, value, verdict):
        self.rows.append((file, what, str(value), verdict))

    def check(self, file, what, value, ok):
        self.add(file, what, value, "pass" if ok else "FAIL")

    def not_possible(self, file, what, why):
        self.add(file, what, why, "not possible")

    def failed(self):
        return sum(1 for row in self.rows if row[3] == "FAIL")

    def print(self):
        header = ("file", "property", "value", "verdict")
        widths = [max(len(row[i]) for row in [header, *self.rows]) for i in range(4)]
        for row in [header, tuple("-" * w for w in widths), *self.rows]:
            print("  ".join(cell.ljust(width) for cell, width in zip(row, widths)).rstrip())
        counts = {verdict: sum(1 for row in self.rows if row[3] == verdict)
                  for verdict in ("pass", "FAIL", "not possible")}
        print("hardening: %d properties pass, %d fail, %d not possible with this toolchain"
              % (counts["pass"], counts["FAIL"], counts["not possible"]))


def run(*command):
    return subprocess.run(command, check=True, capture_output=True, text=True).stdout


def hardening_check(path):
    """hardening-check's verdicts by name, e.g. {'Immediate binding': 'yes'}."""
    done = subprocess.run(["hardening-check", path], capture_output=True, text=True, check=False)
    return dict(re.findall(r"^ (.+?): (.*)$", done.stdout, re.M))


def functions_needing_a_canary(path, machine):
    """(functions that compute a stack address, those of them without a canary check).

    -fstack-protector-strong protects exactly the functions with a local array or a local whose
    address is taken, and both show in the code as an address computed from the stack or frame
    pointer. A protected function reads the guard from the thread block (%gs:0x14 on i386,
    %fs:0x28 on x86-64)."""
    sp, fp = ("esp", "ebp") if machine == "i386" else ("rsp", "rbp")
    guard = "%gs:0x14" if machine == "i386" else "%fs:0x28"
    # An address computed from the stack or frame pointer into another register: lea N(%sp),
    # or a copy of %sp itself. Not the frame set-up (into %fp), the epilogue (into %sp), nor a
    # copy taken just before the stack is realigned (start-up code and an i386 main).
    stack_address = re.compile(r"\b(?:lea\s+-?(?:0x[0-9a-f]+)?\(%%(?:%s|%s)\)|mov\s+%%%s),%%(\w+)$"
                               % (sp, fp, sp))
    realign = re.compile(r"\band\s+\$0xf+0,%%%s$" % sp)
    disassembly = run("objdump", "-d", "--no-show-raw-insn", "-j", ".text", path)
    needing, unprotected = [], []
    for name, body in re.findall(r"^[0-9a-f]+ <([^>]+)>:\n(.*?)(?=\n\n|\Z)", disassembly,
                                 re.M | re.S):
        lines = body.splitlines()
        takes_address = False
        for i, line in enumerate(lines):
            match = stack_address.search(line)
            if not match or match.group(1) in (sp, fp):
                continue
            if i + 1 < len(lines) and realign.search(lines[i + 1]):
                continue
            takes_address = True
        if takes_address:
            needing.append(name)
            if guard not in body:
                unprotected.append(name)
    return needing, unprotected


def check_elf(table, path, name):
    header = run("readelf", "-hW", path)
    machine = "i386" if re.search(r"Machine:\s+Intel 80386", header) else "x86-64"
    verdicts = hardening_check(path)
    segments = run("readelf", "-lW", path)
    dynamic = run("readelf", "-dW", path)

    relro = re.search(r"^\s*GNU_RELRO\s", segments, re.M) is not None
    bind_now = re.search(r"\((?:FLAGS)\)\s+.*\bBIND_NOW\b", dynamic) is not None or \
        re.search(r"\(FLAGS_1\)\s+Flags:.*\bNOW\b", dynamic) is not None
    table.check(name, "RELRO", "full" if relro and bind_now else
                "partial (no BIND_NOW)" if relro else "none", relro and bind_now)
    table.check(name, "hardening-check: read-only relocations / immediate binding",
                "%s / %s" % (verdicts.get("Read-only relocations"),
                             verdicts.get("Immediate binding")),
                verdicts.get("Read-only relocations") == "yes" and
                verdicts.get("Immediate binding") == "yes")

    stack = re.search(r"^\s*GNU_STACK\s+(?:\S+\s+){5}(\S+)", segments, re.M)
    flags = stack.group(1) if stack else "no GNU_STACK (executable)"
    table.check(name, "stack not executable", flags, flags == "RW")

    textrel = "TEXTREL" in dynamic
    table.check(name, "no text relocations", "TEXTREL present" if textrel else "none", not textrel)

    fortify = verdicts.get("Fortify Source functions", "not reported")
    table.check(name, "fortified functions only", fortify, fortify == "yes")

    needing, unprotected = functions_needing_a_canary(path, machine)
    if not needing:
        value = "no function has a stack buffer or address-taken local"
    else:
        value = "%d of %d functions with stack buffers checked" % (
            len(needing) - len(unprotected), len(needing))
        if unprotected:
            value += "; unchecked: " + ", ".join(unprotected)
    table.check(name, "stack canary where a function needs one", value, not unprotected)

    table.add(name, "stack clash protection", verdicts.get("Stack clash protection", "?"),
              "info")
    table.not_possible(name, "control-flow protection (CET)",
                       "glibc's crti.o/crtn.o lack the IBT/SHSTK note")


def pe_fail_fast_callers(path):
    """{fail-fast code: number of call sites of the function that raises it}.

    The failure paths are found in the stripped image by their code: "mov $CODE,%ecx" followed
    by "int $0x29", within a few bytes of a call target."""
    disassembly = run("objdump", "-d", "--no-show-raw-insn", path)
    instructions = re.findall(r"^\s*([0-9a-f]+):\s+(.*?)\s*$", disassembly, re.M)
    sites = {}
    for (_, previous), (address, current) in zip(instructions, instructions[1:]):
        code = re.fullmatch(r"mov\s+\$0x([0-9a-f]+),%ecx", previous)
        if code and re.fullmatch(r"int\s+\$0x29", current):
            sites[int(address, 16)] = int(code.group(1), 16)
    calls = {}
    for _, current in instructions:
        target = re.fullmatch(r"call\s+0x([0-9a-f]+)", current)
        if target:
            calls[int(target.group(1), 16)] = calls.get(int(target.group(1), 16), 0) + 1
    callers = {}
    for target, count in calls.items():
        for site, code in sites.items():
            if 0 <= site - target < 64:
                callers[code] = callers.get(code, 0) + count
    return callers


def pe_imports(pe):
    return {entry.dll.decode(): {imp.name.decode() for imp in entry.imports if imp.name}
            for entry in getattr(pe, "DIRECTORY_ENTRY_IMPORT", [])}


def pe_manifest(pe):
    resources = getattr(pe, "DIRECTORY_ENTRY_RESOURCE", None)
    for kind in resources.entries if resources else []:
        if kind.id == RT_MANIFEST:
            leaf = kind.directory.entries[0].directory.entries[0].data.struct
            return pe.get_data(leaf.OffsetToData, leaf.Size).decode("utf-8")
    return ""


def pe_version_strings(pe):
    strings = {}
    for info in getattr(pe, "FileInfo", []):
        for block in info:
            for table in getattr(block, "StringTable", []):
                strings.update({k.decode(): v.decode() for k, v in table.entries.items()})
    return strings


def check_pe(table, path, name):
    # Imported here: the drivers that only read ELF files run where pefile is not installed.
    import pefile  # pylint: disable=import-outside-toplevel

    pe = pefile.PE(path)
    wide = pe.OPTIONAL_HEADER.Magic == 0x20B
    characteristics = pe.OPTIONAL_HEADER.DllCharacteristics
    flag = pefile.DLL_CHARACTERISTICS

    relocations = pe.OPTIONAL_HEADER.DATA_DIRECTORY[5].Size
    stripped = pe.FILE_HEADER.Characteristics & 0x0001
    table.check(name, "DYNAMIC_BASE with relocations (ASLR)",
                "set, %d bytes of relocations" % relocations
                if characteristics & flag["IMAGE_DLLCHARACTERISTICS_DYNAMIC_BASE"] else "not set",
                bool(characteristics & flag["IMAGE_DLLCHARACTERISTICS_DYNAMIC_BASE"]) and
                relocations > 0 and not stripped)
    for what, bit in (("NX_COMPAT (DEP)", "IMAGE_DLLCHARACTERISTICS_NX_COMPAT"),
                      ("TERMINAL_SERVER_AWARE", "IMAGE_DLLCHARACTERISTICS_TERMINAL_SERVER_AWARE")):
        present = bool(characteristics & flag[bit])
        table.check(name, what, "set" if present else "not set", present)
    high_entropy = bool(characteristics & flag["IMAGE_DLLCHARACTERISTICS_HIGH_ENTROPY_VA"])
    if wide:
        table.check(name, "HIGH_ENTROPY_VA", "set" if high_entropy else "not set", high_entropy)

    imports = pe_imports(pe)
    callers = pe_fail_fast_callers(path)
    canaries = callers.get(FAST_FAIL_STACK_COOKIE_CHECK_FAILURE, 0)
    table.check(name, "stack canary checked", "%d functions fail fast on a changed canary"
                % canaries, canaries > 0)
    # Only calls whose bounds the compiler cannot prove become checked copies, and the image
    # does not show which of its C library calls the compiler could prove: a count, no verdict.
    checked = callers.get(FAST_FAIL_RANGE_CHECK_FAILURE, 0)
    table.add(name, "fortified copies linked", "%d call sites of the failure path" % checked,
              "info")

    sections = [(s.Name.rstrip(b"\0").decode(), s.Characteristics) for s in pe.sections]
    wx = [n for n, c in sections if c & SCN_MEM_WRITE and c & SCN_MEM_EXECUTE]
    table.check(name, "no section both writable and executable", ", ".join(wx) or "none", not wx)
    shared = [n for n, c in sections if c & SCN_MEM_WRITE and c & SCN_MEM_SHARED]
    table.check(name, "no shared writable section", ", ".join(shared) or "none", not shared)

    dlls = set(imports)
    table.check(name, "imports only KERNEL32 and msvcrt", " ".join(sorted(dlls)),
                dlls <= PE_SYSTEM_DLLS)
    services = sorted(f for fs in imports.values() for f in fs
                      if f.startswith("GetLogicalProcessorInformation"))
    table.check(name, "processor services looked up at run time, not imported",
                ", ".join(services) or "not imported", not services)

    strings = pe_version_strings(pe)
    fixed = pe.VS_FIXEDFILEINFO[0] if getattr(pe, "VS_FIXEDFILEINFO", None) else None
    numbers = "%d.%d.%d.%d" % (fixed.FileVersionMS >> 16, fixed.FileVersionMS & 0xFFFF,
                               fixed.FileVersionLS >> 16, fixed.FileVersionLS & 0xFFFF) \
        if fixed else "none"
    wrong = {k: strings.get(k) for k, v in VERSION_STRINGS.items() if strings.get(k) != v}
    value = "none" if not fixed and not strings else "%s, %s%s" % (
        numbers, strings.get("FileVersion"), "; wrong: %s" % wrong if wrong else "")
    table.check(name, "version resource", value,
        numbers == "1.2.0.0" and not wrong and bool(strings.get("FileDescription")))

    manifest = pe_manifest(pe)
    missing = [os for os, guid in SUPPORTED_OS.items() if "{%s}" % guid not in manifest]
    as_invoker = 'level="asInvoker"' in manifest
    table.check(name, "manifest: asInvoker, supportedOS Windows 7 to 11",
                "asInvoker %s; supportedOS missing: %s" % ("yes" if as_invoker else "no",
                                                           ", ".join(missing) or "none"),
                as_invoker and not missing and "activeCodePage" not in manifest)

    table.not_possible(name, "Control Flow Guard", "GCC emits no CFG checks or tables")
    if not wide:
        table.not_possible(name, "SafeSEH", "GNU ld writes no safe exception handler table")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("dist")
    parser.add_argument("--expect", action="append", default=None,
                        help="a deliverable's path under DIST (default: every known one)")
    args = parser.parse_args()

    table = Table()
    for name in args.expect or DELIVERABLES:
        path = os.path.join(args.dist, name)
        if not os.path.isfile(path):
            table.check(name, "present", "missing", False)
        elif name.endswith(".exe"):
            check_pe(table, path, name)
        else:
            check_elf(table, path, name)
    table.print()
    return 1 if table.failed() else 0


if __name__ == "__main__":
    sys.exit(main())
