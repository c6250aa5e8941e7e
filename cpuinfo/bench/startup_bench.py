#!/usr/bin/env python3
# SPDX-FileCopyrightText: 2026 The corvane-native authors
# SPDX-License-Identifier: Apache-2.0

"""Times cpuinfo.exe end to end under Wine against an empty program started the same way.

    startup_bench.py --wine-run RUNNER --loader LOADER --prefix PREFIX --exe CPUINFO
                     --empty EMPTY --streams STREAMS --work-dir DIR [--rounds N]
                     [--json OUT]

Every round starts each program once, in an order that rotates from round to round, through the
same runner and prefix, with standard output sent to a file: the empty program, the program that
only writes a line through the standard streams (the C++ runtime's start-up and the image's
size, without the query and the log), `cpuinfo.exe --logfile console` and
`cpuinfo.exe --logfile FILE`. The ratios to the empty program are taken within each round; the
figures are their medians, and the JSON also holds every round's ratios and times, in order,
for the fastest starts and the spread over parts of the run. The Wine server of the prefix
must be running already (cmake/wine-session.sh start)."""

import argparse
import json
import os
import re
import statistics
import subprocess
import sys
import time

RESULT = re.compile(rb"\[[0-9]+(?:,[0-9]+)*\]\r\n")


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    for option in ("--wine-run", "--loader", "--prefix", "--exe", "--empty", "--streams",
                   "--work-dir"):
        parser.add_argument(option, required=True)
    parser.add_argument("--rounds", type=int, default=40)
    parser.add_argument("--warm-up", type=int, default=3)
    parser.add_argument("--json")
    args = parser.parse_args()

    os.makedirs(args.work_dir, exist_ok=True)
    log_path = os.path.join(args.work_dir, "cpuinfo-bench.log")
    out_path = os.path.join(args.work_dir, "startup.stdout")
    if os.path.exists(log_path):
        os.remove(log_path)
    env = dict(os.environ, LANG="C.UTF-8", LC_ALL="C.UTF-8")

    sides = {
        "empty": [args.empty],
        "streams": [args.streams],
        "console": [args.exe, "--logfile", "console"],
        "file": [args.exe, "--logfile", log_path],
    }
    names = list(sides)

    def start(name):
        with open(out_path, "wb") as out:
            begin = time.perf_counter()
            done = subprocess.run([args.wine_run, args.loader, args.prefix, *sides[name]],
                                  stdout=out, stderr=subprocess.PIPE, env=env, timeout=120,
                                  check=False)
            elapsed = time.perf_counter() - begin
        with open(out_path, "rb") as f:
            output = f.read()
        # Every run must have done its work, or its time means nothing.
        if done.returncode != 0 or done.stderr:
            sys.exit("%s: exit status %d, stderr %r" % (name, done.returncode, done.stderr[:200]))
        if name == "console" and not (RESULT.search(output) and b"] INFO " in output):
            sys.exit(name + ": no log records and result line in %r" % output[-200:])
        if name in ("file", "streams") and not RESULT.fullmatch(output):
            sys.exit(name + ": standard output is not just the result line: %r" % output[:200])
        if name == "empty" and output:
            sys.exit("empty: wrote %r" % output[:200])
        return elapsed

    times = {name: [] for name in names}
    log_size = 0
    for r in range(-args.warm_up, args.rounds):
        first = r % len(names)
        order = names[first:] + names[:first]
        measured = {name: start(name) for name in order}
        if r >= 0:
            for name in names:
                times[name].append(measured[name])
        size = os.path.getsize(log_path)
        if size <= log_size:
            sys.exit("file: the log file did not grow")
        log_size = size
    os.remove(log_path)
    os.remove(out_path)

    result = {"rounds": args.rounds}
    for name in names:
        ratios = [t / e for t, e in zip(times[name], times["empty"])]
        quartiles = statistics.quantiles(ratios, n=4)
        result[name] = {
            "median_s": statistics.median(times[name]),
            "ratio_to_empty": statistics.median(ratios),
            "ratio_q1_q3": [quartiles[0], quartiles[2]],
            "ratios": ratios,
            "times_s": times[name],
        }
    print(json.dumps(result, indent=1))
    if args.json:
        with open(args.json, "w") as f:
            json.dump(result, f, indent=1)
    return 0


if __name__ == "__main__":
    sys.exit(main())
