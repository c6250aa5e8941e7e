#!/usr/bin/env python3
# SPDX-FileCopyrightText: 2026 The corvane-native authors
# SPDX-License-Identifier: Apache-2.0

"""Says how this host runs i386 (32-bit x86) Linux programs, as one word:

  native    the kernel runs them itself;
  emulated  they run only under qemu-i386-static;
  none      they do not run at all.

The probe is a tiny i386 program that prints the machine name the kernel gives
it: "x86_64" when it runs natively on a 64-bit kernel, "i686" under qemu-user,
which reports the machine it emulates. Its ELF header carries a non-zero
padding byte, which the kernel ignores but the usual binfmt_misc handler for
i386 does not match, so a registered handler cannot pass for the kernel.

CORVANE_NO_NATIVE_I386=1 in the environment makes a native host answer as one
without native i386 (emulated, or none without qemu-i386-static); --kernel
ignores it. --describe prints a sentence instead of the word, --win32 "yes" when
win32 programs run here under 32-bit Wine, else the reason they do not."""

import os
import shutil
import struct
import subprocess
import sys
import tempfile

# Debian's 32-bit Wine loader, from wine32:i386.
WINE32_LOADER = "/usr/lib/wine/wine"

BASE = 0x08048000
HEADERS = 52 + 2 * 32
# uname(&buf); write(1, buf.machine + "\n"); exit(0); exit(1) if uname failed.
CODE = bytes.fromhex(
    "81ec90010000"    # sub  $400, %esp          room for struct utsname
    "89e3"            # mov  %esp, %ebx
    "b87a000000"      # mov  $122, %eax          newuname
    "cd80"            # int  $0x80
    "85c0"            # test %eax, %eax
    "752c"            # jne  fail
    "8d8c2404010000"  # lea  260(%esp), %ecx     machine, the fifth 65-byte field
    "31d2"            # xor  %edx, %edx
    "803c1100"        # 1: cmpb $0, (%ecx,%edx)
    "7403"            # je   2f
    "42"              # inc  %edx
    "ebf7"            # jmp  1b
    "c604110a"        # 2: movb $10, (%ecx,%edx)
    "42"              # inc  %edx
    "bb01000000"      # mov  $1, %ebx            standard output
    "b804000000"      # mov  $4, %eax            write
    "cd80"            # int  $0x80
    "31db"            # xor  %ebx, %ebx
    "b801000000"      # mov  $1, %eax            exit(0)
    "cd80"            # int  $0x80
    "bb01000000"      # fail: mov $1, %ebx
    "b801000000"      # mov  $1, %eax            exit(1)
    "cd80"            # int  $0x80
)


def probe_program():
    """An i386 ELF executable: one loadable segment and a non-executable stack."""
    size = HEADERS + len(CODE)
    ident = b"\x7fELF" + bytes([1, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 1])
    header = ident + struct.pack("<HHIIIIIHHHHHH", 2, 3, 1, BASE + HEADERS, 52, 0, 0, 52, 32,
                                 2, 40, 0, 0)
    load = struct.pack("<IIIIIIII", 1, 0, BASE, BASE, size, size, 5, 0x1000)
    stack = struct.pack("<IIIIIIII", 0x6474E551, 0, 0, 0, 0, 0, 6, 16)
    return header + load + stack + CODE


def machine(command):
    """The machine name the probe printed, or None when it did not run."""
    try:
        done = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                              stdin=subprocess.DEVNULL, timeout=60, check=False)
    except (OSError, subprocess.TimeoutExpired):
        return None
    if done.returncode != 0:
        return None
    return done.stdout.decode("ascii", "replace").strip()


def verdict(honour_force):
    forced = honour_force and os.environ.get("CORVANE_NO_NATIVE_I386", "") not in ("", "0")
    qemu = shutil.which("qemu-i386-static")
    # Under the build folder, where programs surely may run (a temporary folder may be noexec).
    build = os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "build")
    os.makedirs(build, exist_ok=True)
    with tempfile.TemporaryDirectory(prefix="i386-probe-", dir=build) as directory:
        path = os.path.join(directory, "probe")
        with open(path, "wb") as program:
            program.write(probe_program())
        os.chmod(path, 0o755)
        if not forced and machine([path]) == "x86_64":
            return "native", forced
        emulated = machine([qemu, path]) if qemu else None
        if emulated is not None and emulated.startswith("i") and emulated.endswith("86"):
            return "emulated", forced
    return "none", forced


def win32_blocker(word):
    """Why win32 programs cannot run here under 32-bit Wine, or None when they can."""
    if word != "native":
        return "32-bit Wine needs a host that runs i386 code natively (this one: %s)" % word
    if not os.path.exists(WINE32_LOADER):
        return "32-bit Wine (wine32:i386) is not installed"
    return None


def describe(word, forced):
    why = ("CORVANE_NO_NATIVE_I386 rules out native i386" if forced
           else "the kernel runs no 32-bit code")
    wine32 = ("win32 programs run under 32-bit Wine" if win32_blocker(word) is None
              else "32-bit Wine is not installed, so win32 programs run in the virtual machine")
    return {
        "native": "i386 host: native (the kernel runs 32-bit programs; " + wine32 + ")",
        "emulated": "i386 host: emulated (" + why + "; i386 programs run under "
                    "qemu-i386-static, win32 programs in the virtual machine, win64 programs "
                    "under wine64)",
        "none": "i386 host: none (" + why + " and qemu-i386-static is missing; i386 "
                "programs are not run here, win32 programs run in the virtual machine)",
    }[word]


def main():
    word, forced = verdict(honour_force="--kernel" not in sys.argv[1:])
    if "--describe" in sys.argv[1:]:
        print(describe(word, forced))
    elif "--win32" in sys.argv[1:]:
        print(win32_blocker(word) or "yes")
    else:
        print(word)
    return 0


if __name__ == "__main__":
    sys.exit(main())
