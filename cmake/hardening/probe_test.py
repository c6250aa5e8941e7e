#!/usr/bin/env python3
# SPDX-FileCopyrightText: 2026 The corvane-native authors
# SPDX-License-Identifier: Apache-2.0

"""The overrun probe in its real host: built with the shipped hardening flags, both overruns end
the process abnormally (the canary when the function returns, the fortified copy before it
writes); built without them, the same overruns return normally, so the flags are what stops
them. For ELF builds, the canary rule of check_hardening.py must tell the two builds apart.

    probe_test.py --hardened EXE --plain EXE --abnormal-status N [--abnormal-status N...]
                  [--elf i386|x86-64] [--guard EXE] [--checked-access] [-- RUNNER...]

N is a status that a stopped overrun may end the process with, as the runner reports it: -6
(SIGABRT) for glibc's checks, 9 under Wine (the low byte of STATUS_STACK_BUFFER_OVERRUN, with
which our Windows failure path ends the process). RUNNER is the command that starts a program
of the target (Wine's runner, qemu-user), if any. --guard names stack-guard-probe.cpp's program,
for the Windows builds, whose canary is seeded by our own code: each run must see a guard of its
own. --checked-access says that the hardened build checks element access (_GLIBCXX_ASSERTIONS),
as the Windows builds do.
"""

import argparse
import os
import re
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import check_hardening  # noqa: E402  pylint: disable=wrong-import-position

ARGS = None
# Past the 8-byte buffer, yet within the padding of the unprotected frame on every target.
OVERRUN = "12"


def run(exe, *arguments):
    # No debugger for the crash: Wine would start one and print pages of registers.
    env = dict(os.environ, WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d")
    done = subprocess.run([*ARGS.runner, exe, *arguments], capture_output=True, env=env,
                          timeout=120, check=False)
    return done.returncode, done.stdout.replace(b"\r\n", b"\n"), done.stderr


class Hardened(unittest.TestCase):
    def test_within_the_buffer_returns_normally(self):
        for mode in ("stack", "copy"):
            with self.subTest(mode=mode):
                status, out, _ = run(ARGS.hardened, mode, "8")
                self.assertEqual(status, 0)
                self.assertTrue(out.endswith(b"returned A\n"), out)

    def test_canary_ends_the_process_when_the_function_returns(self):
        status, out, err = run(ARGS.hardened, "stack", OVERRUN)
        self.assertIn(status, ARGS.abnormal_status, err[-300:])
        self.assertEqual(out, b"written\n")

    def test_checked_access_ends_the_process_before_it_reads(self):
        if not ARGS.checked_access:
            self.skipTest("element access is checked in the Windows builds only")
        status, out, _ = run(ARGS.hardened, "index", "7")
        self.assertEqual((status, out), (0, b"read\nreturned A\n"))
        status, out, err = run(ARGS.hardened, "index", OVERRUN)
        self.assertIn(status, ARGS.abnormal_status, err[-300:])
        self.assertEqual(out, b"")

    def test_fortified_copy_ends_the_process_before_it_writes(self):
        status, out, err = run(ARGS.hardened, "copy", OVERRUN)
        self.assertIn(status, ARGS.abnormal_status, err[-300:])
        self.assertEqual(out, b"")


class Unhardened(unittest.TestCase):
    """The control: without the flags nothing notices the same overruns."""

    def test_same_overruns_return_normally(self):
        for mode, stage in (("stack", b"written"), ("copy", b"copied"), ("index", b"read")):
            with self.subTest(mode=mode):
                status, out, err = run(ARGS.plain, mode, OVERRUN)
                self.assertEqual(status, 0, err[-300:])
                self.assertEqual(out, stage + b"\nreturned A\n")


# The guard's value before the seed: the constant that windows-stack-guard.cpp starts from, the
# terminator canary that libssp falls back to, and an all-zero guard.
UNSEEDED = {0xff0a0d00, 0}


class GuardSeed(unittest.TestCase):
    """Every run has a guard of its own: seeded, not a constant, with a zero low byte."""

    RUNS = 3

    def test_each_run_sees_another_guard(self):
        if not ARGS.guard:
            self.skipTest("the guard is seeded by our own code on Windows only")
        guards = []
        for _ in range(self.RUNS):
            status, out, err = run(ARGS.guard)
            self.assertEqual(status, 0, err[-300:])
            match = re.fullmatch(rb"guard ([0-9a-f]{16})\n", out)
            self.assertIsNotNone(match, out)
            guards.append(int(match.group(1), 16))
        shown = ", ".join("%#x" % guard for guard in guards)
        for guard in guards:
            self.assertNotIn(guard, UNSEEDED, shown)
            self.assertEqual(guard & 0xff, 0, "the low byte must be zero: " + shown)
        self.assertEqual(len(set(guards)), self.RUNS, "a guard repeated: " + shown)


class CanaryRule(unittest.TestCase):
    def test_tells_a_missing_canary_from_one_not_needed(self):
        if not ARGS.elf:
            self.skipTest("the rule reads ELF files only")
        needing, unprotected = check_hardening.functions_needing_a_canary(ARGS.hardened,
                                                                          ARGS.elf)
        self.assertEqual(len([n for n in needing if "overrun" in n]), 2, needing)
        self.assertEqual(unprotected, [])
        needing, unprotected = check_hardening.functions_needing_a_canary(ARGS.plain, ARGS.elf)
        self.assertEqual(len([n for n in unprotected if "overrun" in n]), 2, unprotected)


def main():
    global ARGS
    parser = argparse.ArgumentParser()
    parser.add_argument("--hardened", required=True)
    parser.add_argument("--plain", required=True)
    parser.add_argument("--abnormal-status", type=int, action="append", required=True)
    parser.add_argument("--elf", choices=("i386", "x86-64"))
    parser.add_argument("--guard")
    parser.add_argument("--checked-access", action="store_true")
    parser.add_argument("runner", nargs="*")
    ARGS = parser.parse_args()
    unittest.main(argv=[sys.argv[0], "-v"])


if __name__ == "__main__":
    main()
