#!/usr/bin/env python3
# SPDX-FileCopyrightText: 2026 The corvane-native authors
# SPDX-License-Identifier: Apache-2.0

"""cpuinfo.exe on a real processor topology: a virtual machine booted with the
given sockets, cores and threads (guest/guest.py) runs the 32-bit program
under WOW64 (Wine's 64-bit prefix) and in a 32-bit-only prefix, and the 64-bit
program. Each must print the counts that follow from the topology and log in
its own record layout; the 32-bit program under WOW64 warns of a full mask.

What the programs should see is worked out from the topology alone. The machine
numbers its processors package by package. Wine 8.0 shows a 64-bit process at
most 64 of them. A 32-bit process it shows one more than its masks hold: the
first 33 ("skipping logical processor 33" onwards, Wine says), the 33rd folded
onto bit 0 of its package's mask. Past 64 Wine miscounts even for a 64-bit
process, so no topology here is larger."""

import argparse
import concurrent.futures
import importlib
import os
import re
import sys
import unittest

ARGS = None
GUEST = None
SESSION = None
CRLF = b"\r\n"
EX_RECORD = re.compile(rb"\] INFO readCoreCountsEx: relationship = (\d+), size = (\d+)\r\n")
WARNING = (b"WARNING readCoreCountsEx: Running under WOW64, where a processor mask holds at most "
           b"32 processors: the packages at positions %s of the result have full masks, so their "
           b"counts may be low; the 64-bit build of cpuinfo counts every processor\r\n")
# A package record of one processor group: its header, then one GROUP_AFFINITY, whose mask is
# as wide as a pointer.
PACKAGE_RECORD_SIZE = {"win32": 32 + 12, "win64": 32 + 16}
WIDTH = {"win32": 4, "win64": 8}
RELATION_PROCESSOR_PACKAGE = 3


def load_guest(path):
    sys.path.insert(0, os.path.dirname(os.path.abspath(path)))
    return importlib.import_module(os.path.splitext(os.path.basename(path))[0])


def smp_arguments():
    total = ARGS.sockets * ARGS.cores * ARGS.threads
    return "%d,sockets=%d,cores=%d,threads=%d" % (total, ARGS.sockets, ARGS.cores, ARGS.threads)


def shown_counts(mask_bits):
    """The set bits of each package's mask, in order, as Wine shows them to a process whose
    masks hold `mask_bits` bits."""
    per_package = ARGS.cores * ARGS.threads
    total = ARGS.sockets * per_package
    shown = min(total, 64 if mask_bits == 64 else mask_bits + 1)
    masks = []
    for processor in range(shown):
        package = processor // per_package
        if package == len(masks):
            masks.append(set())
        masks[package].add(processor % mask_bits)
    return [len(mask) for mask in masks]


def formatted(counts):
    return b"[" + b",".join(b"%d" % c for c in counts) + b"]"


class Topology(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        global SESSION
        SESSION = GUEST.Session("topology-%dx%dx%d" % (ARGS.sockets, ARGS.cores, ARGS.threads))
        SESSION.start(smp_arguments(), [GUEST.CHECKOUT])
        # Both prefixes' servers at once: booting Wine's services is most of the time here.
        session = os.path.join(GUEST.CHECKOUT, "cmake", "wine-session.sh")
        with concurrent.futures.ThreadPoolExecutor() as pool:
            starts = [pool.submit(cls.in_guest, session, "start", GUEST.WINE64_LOADER,
                                  GUEST.WOW64_PREFIX),
                      pool.submit(cls.in_guest, session, "start", GUEST.WINE32_LOADER,
                                  GUEST.WIN32_PREFIX)]
            for start in starts:
                start.result()

    @classmethod
    def tearDownClass(cls):
        SESSION.stop()

    @staticmethod
    def in_guest(*command):
        code, out, err = SESSION.run(list(command), GUEST.CHECKOUT, 600, [])
        if code != 0:
            raise AssertionError("%s exited with %d: %r %r" % (command, code, out, err))
        return out

    def run_program(self, abi, loader, prefix):
        exe = ARGS.win32 if abi == "win32" else ARGS.win64
        command = [os.path.join(GUEST.CHECKOUT, "cmake", "wine-run.sh"), loader, prefix, exe,
                   "--logfile", "console"]
        code, out, err = SESSION.run(command, GUEST.CHECKOUT, 600, [])
        print("%s in %s, -smp %s: exit %d\n%s" % (abi, prefix, smp_arguments(), code,
                                                  out.decode("utf-8", "replace")),
              file=sys.stderr)
        self.assertEqual(code, 0, err)
        self.assertEqual(err, b"")
        self.assertTrue(out.endswith(CRLF), out[-40:])
        return [line + CRLF for line in out[:-2].split(CRLF)]

    def check(self, lines, abi, counts, warned):
        self.assertEqual(lines[-1], formatted(counts) + CRLF)
        records = lines[:-1]
        self.assertIn(b"Begin Brennix version", records[0])
        self.assertTrue(records[1].endswith(
            b"INFO readCoreCountsEx: Using GetLogicalProcessorInformationEx, width of KAFFINITY = "
            b"%d\r\n" % WIDTH[abi]), records[1])
        # One package record per count, each of the program's own layout.
        sizes = [EX_RECORD.search(line).groups() for line in records if EX_RECORD.search(line)]
        self.assertEqual(sizes, [(b"%d" % RELATION_PROCESSOR_PACKAGE,
                                  b"%d" % PACKAGE_RECORD_SIZE[abi])] * len(counts))
        warnings = [line for line in records if b"] WARNING " in line]
        expected = [WARNING % formatted(warned)] if warned else []
        self.assertEqual([w[w.index(b"WARNING"):] for w in warnings], expected)
        self.assertTrue(records[-1].endswith(
            b"INFO CpuInfo::CpuInfo: cpu core counts = " + formatted(counts) + CRLF),
            records[-1])

    def test_64_bit_program_counts_every_package(self):
        counts = shown_counts(64)
        lines = self.run_program("win64", GUEST.WINE64_LOADER, GUEST.WOW64_PREFIX)
        self.check(lines, "win64", counts, warned=[])

    def test_32_bit_program_under_wow64(self):
        counts = shown_counts(32)
        full = [position for position, count in enumerate(counts, 1) if count == 32]
        lines = self.run_program("win32", GUEST.WINE32_LOADER, GUEST.WOW64_PREFIX)
        self.check(lines, "win32", counts, warned=full)

    def test_32_bit_program_in_32_bit_prefix(self):
        # No WOW64 there, so no warning, whatever the masks.
        counts = shown_counts(32)
        lines = self.run_program("win32", GUEST.WINE32_LOADER, GUEST.WIN32_PREFIX)
        self.check(lines, "win32", counts, warned=[])


def main():
    global ARGS, GUEST
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--guest", required=True, help="guest/guest.py")
    parser.add_argument("--win32", required=True, help="the installed 32-bit cpuinfo.exe")
    parser.add_argument("--win64", required=True, help="the installed 64-bit cpuinfo.exe")
    parser.add_argument("--sockets", type=int, required=True)
    parser.add_argument("--cores", type=int, required=True)
    parser.add_argument("--threads", type=int, required=True)
    ARGS, rest = parser.parse_known_args()
    GUEST = load_guest(ARGS.guest)
    if ARGS.sockets * ARGS.cores * ARGS.threads > 64:
        # Past 64 Wine miscounts, and the test would be of Wine rather than of the program.
        parser.error("at most 64 logical processors")
    reason = GUEST.skip_reason()
    if reason:
        print("skipped: " + reason)
        return 0
    for exe in (ARGS.win32, ARGS.win64):
        if not os.path.isfile(exe):
            print("%s is missing: install the win32 and win64 builds first" % exe)
            return 1
    ARGS.win32 = os.path.realpath(ARGS.win32)
    ARGS.win64 = os.path.realpath(ARGS.win64)
    program = unittest.main(argv=[sys.argv[0], "-v", *rest], exit=False)
    return 0 if program.result.wasSuccessful() else 1


if __name__ == "__main__":
    sys.exit(main())
