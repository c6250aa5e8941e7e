#!/usr/bin/env python3
# SPDX-FileCopyrightText: 2026 The corvane-native authors
# SPDX-License-Identifier: Apache-2.0

"""How run_jvm.py reads -XX:+PrintCompilation and judges the natives' callers, from lines that
Debian's i386 and amd64 OpenJDK 17 printed; the runs it refuses before any JVM starts; and, given
--java, --classes, --library-dir and --monitor-dir of a build whose JVM has its JIT, a run in
that JVM with one caller kept from the compilers, which must fail."""

import argparse
import os
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import run_jvm  # noqa: E402

RUN_JVM = os.path.join(os.path.dirname(os.path.abspath(__file__)), "run_jvm.py")
BRIDGE = "com.corvane.tarn.plugin.system.OstrelBridge"
POST = BRIDGE + "::postState"
STATUS = BRIDGE + "::getAppStatus"

I386_LINES = b"""\
29    1       3       java.lang.Object::<init> (1 bytes)   made not entrant
89  218     n 0       com.corvane.tarn.plugin.system.Ostrel::getAppStatus (native)   (static)
245  286       3       com.corvane.tarn.plugin.system.OstrelBridge::postState (5 bytes)
245  289  s    3       com.corvane.tarn.test.Echo::posted (27 bytes)
246  295       3       com.corvane.tarn.plugin.system.OstrelBridge::getAppStatus (4 bytes)
483  385 %     1       com.corvane.tarn.test.SoakTest::run @ 208 (499 bytes)
6197 4422   !b  3       com.corvane.tarn.test.SequenceTest::nullStatus (88 bytes)
6198 4423   !b  4       com.corvane.tarn.test.SequenceTest::nullStatus (88 bytes)
6200 4422   !   3       com.corvane.tarn.test.SequenceTest::nullStatus (88 bytes)   made not entrant
5465 3489       3       com.corvane.tarn.plugin.system.Ostrel::<clinit> (6 bytes)   made zombie
"""

AMD64_LINES = b"""\
144  202     n 0       com.corvane.tarn.plugin.system.Ostrel::postState (native)   
245  278 %     4       java.util.regex.Pattern$BnM::optimize @ 66 (179 bytes)
257  266       2       com.corvane.tarn.plugin.system.OstrelBridge::postState (9 bytes)
258  275       2       com.corvane.tarn.plugin.system.OstrelBridge::getAppStatus (8 bytes)
3547 3081    b  4       com.corvane.tarn.plugin.system.OstrelBridge::postState (9 bytes)
"""

# What the JVM and the checks print beside the compiles, in the same stream.
OTHER_LINES = b"""\
CompileCommand: exclude com/corvane/tarn/plugin/system/OstrelBridge.getAppStatus bool exclude = true
### Excluding compile: com.corvane.tarn.plugin.system.OstrelBridge::getAppStatus
made not compilable on level 2  com.corvane.tarn.plugin.system.OstrelBridge::getAppStatus (4 bytes)   excluded by CompileCommand
ok: text with % signs: result is the monitor's byte count
30 passed, 0 failed
"""


def compilations(text):
    return run_jvm.Compilations(text.splitlines(keepends=True))


class Parsing(unittest.TestCase):
    def test_tiers_per_method_in_order_with_osr_marked(self):
        found = compilations(I386_LINES)
        self.assertEqual(found.tiers[POST], ["3"])
        self.assertEqual(found.tiers["com.corvane.tarn.test.SequenceTest::nullStatus"], ["3", "4"])
        self.assertEqual(found.tiers["com.corvane.tarn.test.SoakTest::run"], ["1%"])
        self.assertEqual(found.tiers["com.corvane.tarn.test.Echo::posted"], ["3"])

    def test_a_retirement_is_no_compile_of_its_own(self):
        found = compilations(I386_LINES)
        self.assertNotIn("java.lang.Object::<init>", found.tiers)
        self.assertNotIn("com.corvane.tarn.plugin.system.Ostrel::<clinit>", found.tiers)
        self.assertEqual(compilations(I386_LINES + b"6300 4423       4       com.corvane"
                                      b".tarn.test.SequenceTest::nullStatus (88 bytes)   made "
                                      b"zombie\n").tiers["com.corvane.tarn.test.SequenceTest"
                                                         "::nullStatus"], ["3", "4"])

    def test_native_wrappers_static_and_instance_are_not_compiled_methods(self):
        found = compilations(I386_LINES + AMD64_LINES)
        self.assertEqual(found.native_wrappers,
                         {"com.corvane.tarn.plugin.system.Ostrel::getAppStatus",
                          "com.corvane.tarn.plugin.system.Ostrel::postState"})
        self.assertNotIn("com.corvane.tarn.plugin.system.Ostrel::postState", found.tiers)

    def test_blocking_compiles(self):
        found = compilations(I386_LINES + AMD64_LINES)
        self.assertEqual(found.blocking,
                         {POST, "com.corvane.tarn.test.SequenceTest::nullStatus"})
        self.assertEqual(found.tiers[POST], ["3", "2", "4"])

    def test_a_skipped_compile_does_not_count(self):
        found = compilations(
            b"900  512       3       com.corvane.tarn.plugin.system.OstrelBridge::postState"
            b" (5 bytes)\r\n"
            b"901  512       3       com.corvane.tarn.plugin.system.OstrelBridge::postState"
            b" (5 bytes)   COMPILE SKIPPED: out of nodes (not retryable)\n"
            b"950  530       4       com.corvane.tarn.plugin.system.OstrelBridge::postState"
            b" (5 bytes)\n")
        self.assertEqual(found.tiers[POST], ["4"])

    def test_a_compile_after_other_output_on_its_line_is_read(self):
        found = compilations(b"ok: posts go on246  295       3       " + STATUS.encode()
                             + b" (4 bytes)\n")
        self.assertEqual(found.tiers, {STATUS: ["3"]})

    def test_other_output_is_neither_read_nor_hidden(self):
        self.assertEqual(compilations(OTHER_LINES).tiers, {})
        for line in OTHER_LINES.splitlines(keepends=True):
            self.assertFalse(run_jvm.Compilations.is_line(line), line)
        for line in (I386_LINES + AMD64_LINES).splitlines(keepends=True):
            self.assertTrue(run_jvm.Compilations.is_line(line), line)


class Judgement(unittest.TestCase):
    def test_both_callers_compiled_are_listed_with_their_tiers(self):
        [(what, ok, _)] = run_jvm.compiled_callers_checks(compilations(AMD64_LINES), False)
        self.assertTrue(ok)
        self.assertEqual(what, "compiled callers of the natives: OstrelBridge::postState"
                               " (tiers 2,4), OstrelBridge::getAppStatus (tiers 2)")

    def test_a_caller_never_compiled_fails(self):
        lines = b"".join(line for line in I386_LINES.splitlines(keepends=True)
                         if b"OstrelBridge::getAppStatus" not in line)
        [(what, ok, detail)] = run_jvm.compiled_callers_checks(compilations(lines), False)
        self.assertFalse(ok)
        self.assertIn("OstrelBridge::postState (tiers 3)", what)
        self.assertEqual(detail, "never compiled: OstrelBridge::getAppStatus")

    def test_none_compiled_fails(self):
        [(what, ok, _)] = run_jvm.compiled_callers_checks(compilations(OTHER_LINES), False)
        self.assertFalse(ok)
        self.assertTrue(what.endswith(": none"), what)

    def test_under_xcomp_a_background_compile_is_too_late(self):
        checks = run_jvm.compiled_callers_checks(compilations(AMD64_LINES), True)
        self.assertEqual([ok for _, ok, _ in checks], [True, False])
        self.assertEqual(checks[1][2], "compiled in the background: OstrelBridge::getAppStatus")
        blocking = AMD64_LINES + b"4399 3794    b  4       " + STATUS.encode() + b" (8 bytes)\n"
        checks = run_jvm.compiled_callers_checks(compilations(blocking), True)
        self.assertEqual([ok for _, ok, _ in checks], [True, True])


def run_driver(*words):
    with tempfile.TemporaryDirectory() as work:
        return subprocess.run([sys.executable, RUN_JVM, "--work-dir", work, *words],
                              stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True,
                              timeout=300, check=False)


class Refusals(unittest.TestCase):
    """No JVM is named that exists: the refusal comes before one would start."""

    common = ("--java", "/nonexistent/java", "--classes", "/nonexistent", "--variant", "static",
              "--library-dir", "/nonexistent", "--require-compiled")

    def assert_refused(self, reason, *words):
        done = run_driver(*self.common, *words)
        self.assertEqual(done.returncode, 2, done.stdout + done.stderr)
        self.assertEqual(done.stdout, "")
        self.assertTrue(done.stderr.endswith("error: --require-compiled: " + reason + "\n"),
                        done.stderr)

    def test_interpreted_runs(self):
        self.assert_refused("the JVM runs interpreted with -Xint",
                            "--group", "sequence", "--jvm-option=-Xint")
        self.assert_refused("the JVM runs interpreted with -XX:-UseCompiler",
                            "--group", "threads", "--jvm-option=-XX:-UseCompiler")
        self.assert_refused("the JVM runs interpreted under the emulator",
                            "--group", "sequence", "--emulator", "/nonexistent/qemu-i386-static")

    def test_groups_that_call_too_few_times(self):
        for group in ("memory", "unlinked"):
            self.assert_refused("the %s group calls the natives too few times to be compiled"
                                % group, "--group", group)


class RealJvm(unittest.TestCase):
    jvm = None

    def test_a_caller_kept_from_the_compilers_fails_the_run(self):
        if not RealJvm.jvm:
            self.skipTest("no JVM with a JIT given")
        done = run_driver(*RealJvm.jvm, "--variant", "static", "--group", "sequence",
                          "--require-compiled", "--jvm-option=-XX:CompileCommand=exclude," + STATUS)
        self.assertEqual(done.returncode, 1, done.stdout)
        self.assertIn("ok: stdout is exactly the expected echo", done.stdout)
        self.assertRegex(done.stdout, r"\nFAILED: compiled callers of the natives: "
                         r"OstrelBridge::postState \(tiers [0-9,]+\) \(never compiled: "
                         r"OstrelBridge::getAppStatus\)\n")
        self.assertIn("\nsequence: 1 driver checks failed\n", done.stdout)


def main():
    parser = argparse.ArgumentParser()
    for option in ("--java", "--classes", "--library-dir", "--monitor-dir"):
        parser.add_argument(option)
    args, rest = parser.parse_known_args()
    if args.java:
        RealJvm.jvm = ["--java", args.java, "--classes", args.classes,
                       "--library-dir", args.library_dir, "--monitor-dir", args.monitor_dir]
    program = unittest.main(argv=[sys.argv[0], "-v", *rest], exit=False)
    return 0 if program.result.wasSuccessful() else 1


if __name__ == "__main__":
    sys.exit(main())
