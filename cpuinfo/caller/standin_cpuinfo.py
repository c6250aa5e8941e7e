# SPDX-FileCopyrightText: 2026 The corvane-native authors
# SPDX-License-Identifier: Apache-2.0
"""Stands in for cpuinfo.exe where Wine cannot give the answer wanted: prints one of the outputs
cpuinfo can print, as its exact bytes, and exits with its status.

    standin_cpuinfo.py SHAPE PROGRAM --logfile NUL

SHAPE names the output; PROGRAM and the rest are the command line a caller gives cpuinfo, which
must be exactly "--logfile NUL" after the program's path: anything else is refused as cpuinfo
refuses it, with status 1."""

import sys
import time

STAMP = b"[Wed Dec 09 10:32:53 2026] "
# A console log as the 32-bit build writes it under WOW64 on two full packages: every record
# starts with "[", and the counts it names (positions [1,2], then the list itself) are text
# inside records, not result lines.
LOG = b"".join(STAMP + record + b"\r\n" for record in (
    b"Begin Brennix version 1.2.0.SNAPSHOT, build date: Dec 9 2026, 10:32:51, HEAD: 3e846359182b",
    b"INFO readCoreCountsEx: Using GetLogicalProcessorInformationEx, width of KAFFINITY = 4",
    b"INFO readCoreCountsEx: relationship = 3, size = 44",
    b"INFO readCoreCountsEx: relationship = 3, size = 44",
    b"WARNING readCoreCountsEx: Running under WOW64, where a processor mask holds at most 32 "
    b"processors: the packages at positions [1,2] of the result have full masks, so their "
    b"counts may be low; the 64-bit build of cpuinfo counts every processor",
    b"INFO CpuInfo::CpuInfo: cpu core counts = [32,32]",
))

# SHAPE: (standard output, standard error, exit status)
SHAPES = {
    # A newer service's answer with no whole package record.
    "empty": (b"[]\r\n", b"", 0),
    # An older service's answer without package records: its core records, here none.
    "zero": (b"[0]\r\n", b"", 0),
    # No service, or a failed query.
    "one": (b"[1]\r\n", b"", 0),
    "two-packages": (b"[8,8]\r\n", b"", 0),
    "line-feed-only": (b"[8,8]\n", b"", 0),
    "log-first": (LOG + b"[32,32]\r\n", b"", 0),
    "no-result": (LOG, b"", 0),
    "two-results": (b"[8,8]\r\n[8]\r\n", b"", 0),
    "not-a-count": (b"[8,x]\r\n", b"", 0),
    "too-large": (b"[2147483648]\r\n", b"", 0),
    "output-failed": (b"", b"error: cannot write the result to standard output\r\n", 2),
    "out-of-memory": (b"", b"error: out of memory\r\n", 3),
    # What Wine reports for a process ended by STATUS_STACK_BUFFER_OVERRUN (0xC0000409).
    "died": (b"", b"", 9),
}


def main():
    shape, arguments = sys.argv[1], sys.argv[3:]
    if arguments != ["--logfile", "NUL"]:
        sys.stderr.buffer.write(b"error: use --logfile to specify a log file\r\n")
        return 1
    if shape == "hang":
        sys.stdout.buffer.write(LOG)
        sys.stdout.flush()
        time.sleep(600)
        return 0
    out, err, status = SHAPES[shape]
    sys.stdout.buffer.write(out)
    sys.stderr.buffer.write(err)
    return status


if __name__ == "__main__":
    sys.exit(main())
