#!/usr/bin/env python3
# SPDX-FileCopyrightText: 2026 The corvane-native authors
# SPDX-License-Identifier: Apache-2.0

"""Many cpuinfo processes appending to one log file at once: afterwards the
file must hold every record of every run, each on a line of its own."""

import argparse
import collections
import os
import re
import subprocess
import sys
import tempfile
import threading
import unittest

ARGS = None
STAMP = rb"\[[A-Z][a-z]{2} [A-Z][a-z]{2} [ 0-3]\d \d\d:\d\d:\d\d \d{4}\] "
LINE = re.compile(STAMP + rb"(Begin Brennix version [^\r\n]+|(?:ERROR|WARNING|INFO|DEBUG) [^\r\n]+)")


def command(log):
    prefix = [ARGS.wine, ARGS.loader, ARGS.prefix] if ARGS.wine else []
    return [*prefix, ARGS.exe, "--logfile", log]


def messages(data, line_end):
    """The lines without their stamps; fails on any malformed line."""
    assert data.endswith(line_end), data[-40:]
    lines = data[:-len(line_end)].split(line_end)
    result = []
    for line in lines:
        match = LINE.fullmatch(line)
        assert match, f"malformed line: {line[:120]!r}"
        result.append(match.group(1))
    return result


class ConcurrentWriters(unittest.TestCase):
    def test_no_record_is_lost_or_torn(self):
        line_end = b"\r\n" if ARGS.line_end == "crlf" else b"\n"
        with tempfile.TemporaryDirectory() as directory:
            reference_log = os.path.join(directory, "reference.log")
            subprocess.run(command(reference_log), stdout=subprocess.DEVNULL, check=True)
            with open(reference_log, "rb") as log:
                one_run = collections.Counter(messages(log.read(), line_end))

            shared_log = os.path.join(directory, "shared.log")
            start = threading.Barrier(ARGS.processes)
            failures = []

            def writer():
                start.wait()
                for _ in range(ARGS.runs):
                    done = subprocess.run(command(shared_log), stdout=subprocess.DEVNULL,
                                          stderr=subprocess.PIPE, check=False)
                    if done.returncode != 0:
                        failures.append((done.returncode, done.stderr))

            threads = [threading.Thread(target=writer) for _ in range(ARGS.processes)]
            for thread in threads:
                thread.start()
            for thread in threads:
                thread.join()
            self.assertEqual(failures, [])

            with open(shared_log, "rb") as log:
                written = messages(log.read(), line_end)
            runs = ARGS.processes * ARGS.runs
            expected = collections.Counter({m: n * runs for m, n in one_run.items()})
            self.assertEqual(len(written), sum(expected.values()))
            self.assertEqual(collections.Counter(written), expected)
            print(f"{runs} runs by {ARGS.processes} processes wrote {len(written)} lines",
                  file=sys.stderr)


def main():
    global ARGS
    parser = argparse.ArgumentParser()
    parser.add_argument("--exe", required=True)
    parser.add_argument("--wine")
    parser.add_argument("--loader")
    parser.add_argument("--prefix")
    parser.add_argument("--line-end", choices=("crlf", "lf"), required=True)
    parser.add_argument("--processes", type=int, default=8)
    parser.add_argument("--runs", type=int, default=40)
    ARGS, rest = parser.parse_known_args()
    unittest.main(argv=[sys.argv[0], "-v", *rest])


if __name__ == "__main__":
    main()
