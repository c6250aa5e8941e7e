#!/usr/bin/env python3
# SPDX-FileCopyrightText: 2026 The corvane-native authors
# SPDX-License-Identifier: Apache-2.0

"""Runs BridgeBench in the bridge's JVM with standard output in a file, and checks that file.

    run_bridge_bench.py --java JAVA [--emulator QEMU] --classes DIR --bridge-dir DIR
                        --baseline-dir DIR --monitor-dir DIR --work-dir DIR [--rounds N]
                        [--quick] --out RESULTS.json

The echoes of every posted state go to WORK-DIR/echo.stdout, a regular file, as they would for
an application whose standard output is redirected to a file. Afterwards the file must hold
exactly the bytes of the echoes the benchmark made (its "echo-bytes" line); it is then deleted.
The results (ns per call, ratios) are written as JSON. With --emulator the JVM runs under
qemu-user, interpreted, as on a host that runs no i386 code. With --quick every batch is a
hundredth of its size and the warm-up a few rounds: a check that every case runs and checks out,
whose times mean nothing."""

import argparse
import json
import os
import subprocess
import sys


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    for option in ("--java", "--classes", "--bridge-dir", "--baseline-dir", "--monitor-dir",
                   "--work-dir", "--out"):
        parser.add_argument(option, required=True)
    parser.add_argument("--emulator")
    parser.add_argument("--rounds", type=int, default=61)
    parser.add_argument("--quick", action="store_true")
    args = parser.parse_args()

    os.makedirs(args.work_dir, exist_ok=True)
    stdout_path = os.path.join(args.work_dir, "echo.stdout")
    tsv_path = os.path.join(args.work_dir, "bridge.tsv")
    env = dict(os.environ, LD_LIBRARY_PATH=args.monitor_dir)
    for variable in ("JAVA_TOOL_OPTIONS", "_JAVA_OPTIONS", "JDK_JAVA_OPTIONS"):
        env.pop(variable, None)
    # A fixed heap, so that its sizing does not drift during the rounds.
    jvm = [args.emulator, args.java, "-Xint"] if args.emulator else [args.java]
    # No shared performance-data file: a JVM that finds its file locked says so on standard
    # output, among the echoes.
    command = [*jvm, "-XX:-UsePerfData", "-Xms256m", "-Xmx256m",
               "-Djava.library.path=" + args.bridge_dir + os.pathsep + args.baseline_dir,
               "-cp", args.classes, "com.corvane.tarn.bench.BridgeBench", tsv_path,
               str(args.rounds), *(["quick"] if args.quick else [])]
    with open(stdout_path, "wb") as stdout:
        run = subprocess.run(command, stdout=stdout, stderr=subprocess.PIPE, env=env, timeout=600)
    stderr = run.stderr.decode("utf-8", "replace")
    if run.returncode != 0:
        sys.exit("the benchmark JVM failed (status %d): %s\n%s" % (
            run.returncode, " ".join(command), stderr or "(nothing on standard error)"))
    echo_size = os.path.getsize(stdout_path)
    os.remove(stdout_path)

    results = {"cases": {}, "warm_up_rounds": {}, "echo_file_bytes": echo_size}
    with open(tsv_path, encoding="utf-8") as f:
        for line in f:
            fields = line.rstrip("\n").split("\t")
            if fields[0] == "echo-bytes":
                results["echo_expected_bytes"] = int(fields[1])
            elif fields[0] == "#warm-up":
                results["warm_up_rounds"][fields[1]] = int(fields[2].split()[0])
            elif not fields[0].startswith("#"):
                case, side = fields[0], fields[1]
                results["cases"].setdefault(case, {})[side] = {
                    "calls_per_batch": int(fields[2]), "rounds": int(fields[3]),
                    "ns_per_call": float(fields[4]), "ratio": float(fields[5]),
                    "ratio_q1_q3": [float(fields[6]), float(fields[7])],
                    "late_over_early": float(fields[8]),
                    "fastest_ratio_parts": [float(v) for v in fields[9].split(",")],
                    "fastest_ratio": float(fields[10]),
                }
    if results.get("echo_expected_bytes") != echo_size:
        sys.exit("the echo file holds %d bytes, the benchmark echoed %s" %
                 (echo_size, results.get("echo_expected_bytes")))
    with open(args.out, "w") as f:
        json.dump(results, f, indent=1)
    return 0


if __name__ == "__main__":
    sys.exit(main())
