#!/usr/bin/python3
# SPDX-FileCopyrightText: 2026 The corvane-native authors
# SPDX-License-Identifier: Apache-2.0
"""The hardening check shown failing: each fixture lacks one property, and check_hardening.py
must fail exactly the rows that read it, pass every other row and exit non-zero; the baseline,
built like the shipped files, passes every row and exits 0. Every row that gives a verdict on
the baseline must be failed by some fixture, so that a new row cannot go untested.

    fixture_test.py pe|elf FIXTURE-DIR

The fixtures are the programs (pe: NAME.exe with its link map NAME.map) or libraries (elf:
NAME.so) that cmake/hardening/CMakeLists.txt builds.
"""

import os
import subprocess
import sys
import unittest

CHECK = os.path.join(os.path.dirname(os.path.abspath(__file__)), "check_hardening.py")

ASLR = "DYNAMIC_BASE with relocations (ASLR)"
HIGH_ENTROPY = "HIGH_ENTROPY_VA with LARGE_ADDRESS_AWARE"
PE_CANARY = "stack canary in every own function that needs one"
IMPORTS = "imports only KERNEL32 and msvcrt"
# {fixture: the rows it must fail}; the 64-bit ones read by 64-bit images only.
PE_FIXTURES = {
    "baseline": set(),
    # Without DYNAMIC_BASE the linker drops HIGH_ENTROPY_VA too.
    "no-dynamicbase": {ASLR, HIGH_ENTROPY},
    "no-nxcompat": {"NX_COMPAT (DEP)"},
    "no-tsaware": {"TERMINAL_SERVER_AWARE"},
    "no-high-entropy-va": {HIGH_ENTROPY},
    "no-large-address-aware": {"LARGE_ADDRESS_AWARE", HIGH_ENTROPY},
    "no-canary": {PE_CANARY},
    "writable-code": {"no section both writable and executable"},
    "shared-section": {"no shared writable section"},
    "foreign-import": {IMPORTS},
    "delay-loaded-import": {IMPORTS},
    "processor-service-import": {"processor services looked up at run time, not imported"},
    "no-version-resource": {"version resource"},
    "no-supported-os": {"manifest: asInvoker, supportedOS Windows 7 to 11"},
    # No C runtime: nothing imported, and so no canary and nothing to relocate either.
    "no-imports": {IMPORTS, PE_CANARY, ASLR},
}
PE_WIDE_ONLY = {"no-high-entropy-va", "no-large-address-aware"}
PE_WIDE_ROWS = {HIGH_ENTROPY, "LARGE_ADDRESS_AWARE"}
ELF_FIXTURES = {
    "baseline": set(),
    "lazy-binding": {"RELRO", "hardening-check: read-only relocations / immediate binding"},
    "executable-stack": {"stack not executable"},
    "text-relocations": {"no text relocations"},
    "unfortified": {"fortified functions only"},
    "no-canary": {"stack canary where a function needs one"},
    # Nothing to tell one function from another: no verdict can be a pass.
    "no-function-symbols": {"stack canary where a function needs one"},
}

FORMAT = None
DIRECTORY = None


def check(name):
    """(exit status, {property: (value, verdict)}) of check_hardening.py on one fixture."""
    path = os.path.join(DIRECTORY, name)
    command = [CHECK, DIRECTORY, "--expect", name]
    if FORMAT == "pe":
        command += ["--map", "%s=%s" % (name, path[:-len(".exe")] + ".map")]
    done = subprocess.run([sys.executable, *command], capture_output=True, text=True,
                          check=False)
    lines = done.stdout.splitlines()
    # The table's columns, from its line of dashes.
    dashes = lines[1]
    starts = [i for i, c in enumerate(dashes) if c == "-" and (i == 0 or dashes[i - 1] == " ")]
    rows = {}
    for line in lines[2:-1]:
        cells = [line[a:b].strip() for a, b in zip(starts, starts[1:] + [len(line)])]
        assert cells[0] == name, line
        rows[cells[1]] = (cells[2], cells[3])
    return done.returncode, rows, done.stdout + done.stderr


class Fixtures(unittest.TestCase):
    def fixtures(self):
        if FORMAT == "elf":
            return {name + ".so": rows for name, rows in ELF_FIXTURES.items()}
        wide = os.path.isfile(os.path.join(DIRECTORY, "no-large-address-aware.exe"))
        return {name + ".exe": rows if wide else rows - PE_WIDE_ROWS
                for name, rows in PE_FIXTURES.items() if wide or name not in PE_WIDE_ONLY}

    def test_each_fixture_fails_exactly_its_rows(self):
        for name, failing in self.fixtures().items():
            with self.subTest(fixture=name):
                status, rows, output = check(name)
                verdicts = {what: verdict for what, (_, verdict) in rows.items()
                            if verdict in ("pass", "FAIL")}
                self.assertTrue(failing <= set(verdicts), output)
                self.assertEqual({what for what, v in verdicts.items() if v == "FAIL"}, failing,
                                 output)
                self.assertEqual(status, 1 if failing else 0, output)

    def test_every_row_with_a_verdict_has_a_fixture(self):
        _, rows, output = check("baseline" + (".so" if FORMAT == "elf" else ".exe"))
        verdict_rows = {what for what, (_, verdict) in rows.items() if verdict == "pass"}
        covered = set().union(*self.fixtures().values())
        self.assertEqual(verdict_rows - covered, set(), output)
        self.assertTrue(verdict_rows, output)


def main():
    global FORMAT, DIRECTORY
    FORMAT, DIRECTORY = sys.argv[1:3]
    if FORMAT not in ("pe", "elf"):
        sys.exit(__doc__)
    unittest.main(argv=[sys.argv[0], "-v"])


if __name__ == "__main__":
    main()
