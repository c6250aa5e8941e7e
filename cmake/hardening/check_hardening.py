#!/usr/bin/python3
# SPDX-FileCopyrightText: 2026 The corvane-native authors
# SPDX-License-Identifier: Apache-2.0

"""Reads the deliverables under a dist/ folder and prints one table of their exploit mitigations:
each property, what the file shows and whether that passes. Exits 1 on any failure, or when a
deliverable is missing.

    check_hardening.py DIST [--expect RELATIVE-PATH ...] [--map RELATIVE-PATH=LINK-MAP ...]

A PE file's canary row needs the link map of its link (-Wl,-Map): the image is stripped, and the
map tells the program's own functions, compiled with the canary, from the toolchain's libraries,
which were not.

ELF files are read with Debian's hardening-check (devscripts) and binutils' readelf and objdump,
PE files with pefile (python3-pefile). Properties that Debian's toolchains cannot give at all
are listed as "not possible" and count neither way.
"""

import argparse
import bisect
import os
import re
import subprocess
import sys

DELIVERABLES = ["win32/cpuinfo.exe", "win64/cpuinfo.exe", "linux-i386/libostreljni.so",
                "linux-x86_64/libostreljni.so"]

PE_SYSTEM_DLLS = {"kernel32.dll", "msvcrt.dll"}
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
# FileVersion and ProductVersion carry the version text, checked against the numbers below.
VERSION_STRINGS = {
    "OriginalFilename": "cpuinfo.exe",
    "InternalName": "cpuinfo",
    "ProductName": "Brennix",
}

RT_MANIFEST = 24
VS_FF_PRERELEASE = 0x2
IMAGE_FILE_LARGE_ADDRESS_AWARE = 0x0020
# The one object compiled without the canary, on purpose: it seeds the guard and holds the
# failure paths (cmake/hardening/windows-stack-guard.cpp).
UNPROTECTED_OBJECTS = ("windows-stack-guard",)
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
    # Functions by their symbols; not a section's name or a stretch after a symbol (name-0x10),
    # which objdump shows where it has no symbol for the code.
    functions = [(name, body) for name, body in
                 re.findall(r"^[0-9a-f]+ <([^>]+)>:\n(.*?)(?=\n\n|\Z)", disassembly, re.M | re.S)
                 if not name.startswith(".") and not re.search(r"[-+]0x[0-9a-f]+$", name)]
    if not functions:
        return None
    needing, unprotected = [], []
    for name, body in functions:
        if takes_stack_address(body.splitlines(), stack_address, realign, sp, fp):
            needing.append(name)
            if guard not in body:
                unprotected.append(name)
    return needing, unprotected


def takes_stack_address(lines, stack_address, realign, sp, fp):
    """Whether a function computes the address of a local of its own into a register.

    From the frame pointer only where the function sets one up, as elsewhere the optimiser uses
    it as any other register; not past the function's own frame (the incoming arguments, whose
    address a function with variable arguments takes), nor at the frame pointer's positive
    offsets where it points at the saved frame pointer."""
    width = 8 if sp == "rsp" else 4
    frame = re.compile(r"\b(?:mov\s+%%%s|lea\s+-?(?:0x[0-9a-f]+)?\(%%%s\)),%%%s$" % (sp, sp, fp))
    frames = [frame.search(line) for line in lines]
    has_frame = any(frames)
    plain_frame = any(f and f.group(0).startswith("mov") for f in frames)
    own_frame = prologue_frame_size(lines, sp, width)
    for i, line in enumerate(lines):
        match = stack_address.search(line)
        if not match or match.group(1) in (sp, fp):
            continue
        offset = re.search(r"(-?)(?:0x([0-9a-f]+))?\(%(\w+)\)", line)
        displacement = int(offset.group(2) or "0", 16) * (-1 if offset.group(1) else 1) \
            if offset else 0
        if offset and offset.group(3) == fp:
            if not has_frame or (plain_frame and displacement > 0):
                continue
        elif offset and own_frame is not None and displacement >= own_frame + width:
            continue
        if i + 1 < len(lines) and realign.search(lines[i + 1]):
            continue
        return True
    return False


def prologue_frame_size(lines, sp, width):
    """The bytes that the prologue reserves below the return address (pushes and one sub), or
    None where it does not say (a frame probed by a helper, or none of either)."""
    size = 0
    for line in lines[:16]:
        if re.match(r"push\s+%", line):
            size += width
            continue
        reserve = re.match(r"sub\s+\$0x([0-9a-f]+),%%%s$" % sp, line)
        if reserve:
            return size + int(reserve.group(1), 16)
        if re.match(r"(?:call|j|ret)", line):
            break
    return size or None


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

    found = functions_needing_a_canary(path, machine)
    needing, unprotected = found or ([], [])
    if found is None:
        # Without function symbols there is nothing to judge, which is no pass.
        value = "no function found in .text"
        unprotected = ["?"]
    elif not needing:
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


def pe_functions(pe, wide):
    """Sorted [(start, end)] virtual addresses of the image's functions, from the unwinding
    tables that a stripped image keeps: .pdata on x86-64, .eh_frame's FDEs on i386."""
    base = pe.OPTIONAL_HEADER.ImageBase
    if wide:
        return sorted((base + e.struct.BeginAddress, base + e.struct.EndAddress)
                      for e in getattr(pe, "DIRECTORY_ENTRY_EXCEPTION", []))
    functions = []
    for section in pe.sections:
        # Stripped, the image keeps only the first eight characters of the name.
        if section.Name.rstrip(b"\0").decode() in (".eh_frame", ".eh_fram"):
            functions += eh_frame_functions(section.get_data()[:section.Misc_VirtualSize],
                                            base + section.VirtualAddress)
    return sorted(functions)


def eh_frame_functions(data, address):
    """[(start, end)] of every FDE in an .eh_frame section (32-bit pointers)."""
    def uleb(at):
        value, shift = 0, 0
        while True:
            byte = data[at]
            at += 1
            value |= (byte & 0x7F) << shift
            shift += 7
            if byte < 0x80:
                return value, at

    def pointer(encoding, at):
        size = {0x00: 4, 0x02: 2, 0x03: 4, 0x04: 8, 0x0A: 2, 0x0B: 4, 0x0C: 8}[encoding & 0x0F]
        value = int.from_bytes(data[at:at + size], "little", signed=bool(encoding & 0x08))
        if encoding & 0x70 == 0x10:  # relative to the field itself
            value += address + at
        return value & 0xFFFFFFFF, at + size

    encodings, functions, at = {}, [], 0
    while at + 4 <= len(data):
        length = int.from_bytes(data[at:at + 4], "little")
        if length == 0:
            break
        body, end = at + 4, at + 4 + length
        cie = int.from_bytes(data[body:body + 4], "little")
        if cie == 0:
            augmentation = data[body + 5:data.index(b"\0", body + 5)].decode()
            field = body + 5 + len(augmentation) + 1
            _, field = uleb(field)  # code alignment
            _, field = uleb(field)  # data alignment (its sign does not matter here)
            field += 1  # return address register
            encoding = 0x00
            if augmentation.startswith("z"):
                _, field = uleb(field)
                for letter in augmentation[1:]:
                    if letter == "R":
                        encoding = data[field]
                        field += 1
                    elif letter == "P":
                        _, field = pointer(data[field] & 0x7F, field + 1)
                    elif letter == "L":
                        field += 1
            encodings[at] = encoding
        else:
            encoding = encodings.get(body - cie, 0x00)
            start, field = pointer(encoding, body + 4)
            size, _ = pointer(encoding & 0x0F, field)
            functions.append((start, start + size))
        at = end
    return functions


def link_map_sections(map_path):
    """The link map's code: [(start, end, input file)], and {output section: (address, size)}."""
    with open(map_path, encoding="utf-8", errors="replace") as file:
        text = file.read()
    text = text[text.index("Linker script and memory map"):]
    inputs = [(int(a, 16), int(a, 16) + int(n, 16), f.strip()) for a, n, f in re.findall(
        r"^ \.text\S*\s+0x([0-9a-f]+)\s+0x([0-9a-f]+) (.+)$", text, re.M)]
    outputs = {name: (int(a, 16), int(n, 16)) for name, a, n in re.findall(
        r"^(\.\w+)\s+0x([0-9a-f]+)\s+0x([0-9a-f]+)", text, re.M)}
    return inputs, outputs


def own_code(inputs):
    """The ranges of the program's own objects, which the build names relative to its folder;
    the toolchain's start files and libraries are named by absolute paths."""
    return [(start, end, name) for start, end, name in inputs
            if not name.startswith("/") and end > start]


class PeCode:
    """The image's code by function: the failure paths, found by their fail-fast code, and who
    calls them."""

    def __init__(self, path, pe, wide):
        self.functions = pe_functions(pe, wide)
        self.starts = [start for start, _ in self.functions]
        disassembly = run("objdump", "-d", "--no-show-raw-insn", "-j", ".text", path)
        self.instructions = [(int(a, 16), text) for a, text in
                             re.findall(r"^\s*([0-9a-f]+):\s+(.*?)\s*$", disassembly, re.M)]
        self.by_function = {}
        for address, text in self.instructions:
            function = self.function_at(address)
            if function is not None:
                self.by_function.setdefault(function, []).append(text)
        # {fail-fast code: starts of the functions that raise it}
        self.failure_paths = {}
        for (_, previous), (address, current) in zip(self.instructions, self.instructions[1:]):
            code = re.fullmatch(r"mov\s+\$0x([0-9a-f]+),%ecx", previous)
            function = self.function_at(address)
            if code and re.fullmatch(r"int\s+\$0x29", current) and function is not None:
                self.failure_paths.setdefault(int(code.group(1), 16), set()).add(function[0])

    def function_at(self, address):
        i = bisect.bisect_right(self.starts, address) - 1
        if i >= 0 and address < self.functions[i][1]:
            return self.functions[i]
        return None

    def calls(self, function, targets):
        """Whether the function's own code calls one of targets: no neighbour's call counts."""
        for text in self.by_function.get(function, []):
            call = re.match(r"call\s+(?:0x)?([0-9a-f]+)\b", text)
            if call and int(call.group(1), 16) in targets:
                return True
        return False

    def jumps_out(self, function):
        """The functions that this one's jumps lead into, apart from itself."""
        targets = set()
        for text in self.by_function.get(function, []):
            jump = re.match(r"j[a-z]*\s+(?:0x)?([0-9a-f]+)\b", text)
            if jump:
                target = self.function_at(int(jump.group(1), 16))
                if target != function:
                    targets.add(target)
        return targets

    def returns(self, function):
        return any(re.match(r"ret", text) for text in self.by_function.get(function, []))

    def callers(self, code):
        targets = self.failure_paths.get(code, set())
        return [f for f in self.functions if self.calls(f, targets)]


def pe_canary(code, wide, map_path, pe):
    """(value, ok) of the row "a canary in every function that needs one"."""
    if not map_path:
        return "no link map given: the program's own functions are unknown", False
    inputs, outputs = link_map_sections(map_path)
    text = next(s for s in pe.sections if s.Name.rstrip(b"\0") == b".text")
    if outputs.get(".text") not in ((pe.OPTIONAL_HEADER.ImageBase + text.VirtualAddress, size)
                                    for size in (text.Misc_VirtualSize, text.SizeOfRawData)):
        return "the link map describes another image", False
    if not code.functions:
        return "no function found in the unwinding tables", False
    failure = code.failure_paths.get(FAST_FAIL_STACK_COOKIE_CHECK_FAILURE)
    if failure is None:
        return "no canary failure path", False
    sp, fp = ("rsp", "rbp") if wide else ("esp", "ebp")
    stack_address = re.compile(r"\b(?:lea\s+-?(?:0x[0-9a-f]+)?\(%%(?:%s|%s)\)|mov\s+%%%s),%%(\w+)$"
                               % (sp, fp, sp))
    realign = re.compile(r"\band\s+\$0xf+0,%%%s$" % sp)
    own = own_code(inputs)
    needing, unchecked = 0, []
    for function in code.functions:
        owner = next((name for start, end, name in own if start <= function[0] < end), None)
        if owner is None or any(o in owner for o in UNPROTECTED_OBJECTS):
            continue
        if not takes_stack_address(code.by_function.get(function, []), stack_address, realign,
                                   sp, fp):
            continue
        # A part split off a function (its cold code, its landing pads) ends in an unwind or a
        # throw, or goes back into the function, whose return checks the canary; the canary
        # guards a return, so a part that never returns or leaves needs none of its own.
        leaves = code.jumps_out(function)
        returns = code.returns(function)
        if not returns and not leaves:
            continue
        needing += 1
        checked = code.calls(function, failure) or (
            not returns and all(t is not None and code.calls(t, failure) for t in leaves))
        if not checked:
            unchecked.append("%#x (%s)" % (function[0], os.path.basename(owner)))
    if not needing:
        return "no function of the program's own has a stack buffer", False
    value = "%d of %d functions with stack buffers checked" % (needing - len(unchecked), needing)
    if unchecked:
        value += "; unchecked: " + ", ".join(unchecked)
    return value, not unchecked


def pe_imports(pe):
    """{DLL, lower case: names imported}, delay-loaded imports included."""
    imports = {}
    for entry in (getattr(pe, "DIRECTORY_ENTRY_IMPORT", []) +
                  getattr(pe, "DIRECTORY_ENTRY_DELAY_IMPORT", [])):
        imports.setdefault(entry.dll.decode().lower(), set()).update(
            imp.name.decode() for imp in entry.imports if imp.name)
    return imports


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


def check_pe(table, path, name, map_path=None, expected_version=None):
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
    large_addresses = bool(pe.FILE_HEADER.Characteristics & IMAGE_FILE_LARGE_ADDRESS_AWARE)
    if wide:
        table.check(name, "LARGE_ADDRESS_AWARE", "set" if large_addresses else "not set",
                    large_addresses)
        # Windows gives the high-entropy layout only to an image that takes addresses past 2 GB.
        table.check(name, "HIGH_ENTROPY_VA with LARGE_ADDRESS_AWARE",
                    "%s, LARGE_ADDRESS_AWARE %s" % ("set" if high_entropy else "not set",
                                                    "set" if large_addresses else "not set"),
                    high_entropy and large_addresses)

    imports = pe_imports(pe)
    code = PeCode(path, pe, wide)
    value, ok = pe_canary(code, wide, map_path, pe)
    table.check(name, "stack canary in every own function that needs one", value, ok)
    # Only calls and accesses whose bounds the compiler cannot prove are checked, and the image
    # does not show which ones the compiler could prove: a count, no verdict.
    checked = len(code.callers(FAST_FAIL_RANGE_CHECK_FAILURE))
    table.add(name, "range checks linked (fortified copies, checked element access)",
              "%d of the image's functions call their failure paths" % checked, "info")

    sections = [(s.Name.rstrip(b"\0").decode(), s.Characteristics) for s in pe.sections]
    wx = [n for n, c in sections if c & SCN_MEM_WRITE and c & SCN_MEM_EXECUTE]
    table.check(name, "no section both writable and executable", ", ".join(wx) or "none", not wx)
    shared = [n for n, c in sections if c & SCN_MEM_WRITE and c & SCN_MEM_SHARED]
    table.check(name, "no shared writable section", ", ".join(shared) or "none", not shared)

    dlls = set(imports)
    # A program with no import table at all is not this one: it would show an unread table.
    table.check(name, "imports only KERNEL32 and msvcrt", " ".join(sorted(dlls)) or
                "no import table", "kernel32.dll" in dlls and dlls <= PE_SYSTEM_DLLS)
    services = sorted(f for fs in imports.values() for f in fs
                      if f.startswith("GetLogicalProcessorInformation"))
    table.check(name, "processor services looked up at run time, not imported",
                ", ".join(services) or "not imported", not services)

    strings = pe_version_strings(pe)
    fixed = pe.VS_FIXEDFILEINFO[0] if getattr(pe, "VS_FIXEDFILEINFO", None) else None
    numbers = "%d.%d.%d.%d" % (fixed.FileVersionMS >> 16, fixed.FileVersionMS & 0xFFFF,
                               fixed.FileVersionLS >> 16, fixed.FileVersionLS & 0xFFFF) \
        if fixed else "none"
    text = strings.get("FileVersion") or ""
    wrong = {k: strings.get(k) for k, v in VERSION_STRINGS.items() if strings.get(k) != v}
    if strings.get("ProductVersion") != text:
        wrong["ProductVersion"] = strings.get("ProductVersion")
    # "X.Y.Z" or "X.Y.Z.LABEL": the numbers are X.Y.Z.0, and only a labelled version is a
    # pre-release.
    parts = text.split(".")
    release, label = ".".join(parts[:3]), ".".join(parts[3:])
    prerelease = bool(fixed and fixed.FileFlags & fixed.FileFlagsMask & VS_FF_PRERELEASE)
    if expected_version is not None and text != expected_version:
        wrong["FileVersion"] = "%s, not %s" % (text, expected_version)
    if prerelease != bool(label):
        wrong["PRERELEASE flag"] = "set" if prerelease else "not set"
    value = "none" if not fixed and not strings else "%s, %s%s" % (
        numbers, text, "; wrong: %s" % wrong if wrong else "")
    table.check(name, "version resource", value,
        len(parts) >= 3 and numbers == release + ".0" and not wrong and
        bool(strings.get("FileDescription")))

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
    parser.add_argument("--map", action="append", default=[],
                        help="RELATIVE-PATH=LINK-MAP: the link map of a PE file under DIST")
    parser.add_argument("--version", default=None,
                        help="the version text the PE files must carry (default: any consistent one)")
    args = parser.parse_args()
    maps = dict(item.split("=", 1) for item in args.map)

    table = Table()
    for name in args.expect or DELIVERABLES:
        path = os.path.join(args.dist, name)
        if not os.path.isfile(path):
            table.check(name, "present", "missing", False)
        elif name.endswith(".exe"):
            check_pe(table, path, name, maps.get(name), args.version)
        else:
            check_elf(table, path, name)
    table.print()
    return 1 if table.failed() else 0


if __name__ == "__main__":
    sys.exit(main())
