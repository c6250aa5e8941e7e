#!/usr/bin/env python3
# SPDX-FileCopyrightText: 2026 The corvane-native authors
# SPDX-License-Identifier: Apache-2.0

"""Runs one group of the Java checks in the bridge's JVM with its standard output captured to a
file, then compares that output, which holds nothing but the bridge's echoes, with the echo
that the checks expected: byte for byte, or as a set of echoes when threads posted at once.
The soak group's echo is gigabytes long and goes to /dev/null; its checks are the JVM's own,
and -Xcheck:jni's warnings come on standard error.
With --emulator the JVM runs under qemu-user, interpreted: its JIT compilers abort now and then
there. Where the JIT is on, --require-compiled shows that it compiled the natives' callers."""

import argparse
import collections
import os
import re
import resource
import subprocess
import sys

TEST_CLASS = "com.corvane.tarn.test.BridgeTest"


def echo_records(data):
    """The texts of an output made of "\\n" + text + "\\n" records, or None if it is not."""
    tokens = data.split(b"\n")
    if len(tokens) % 2 == 0 or any(tokens[0::2]):
        return None
    return tokens[1::2]


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--java", required=True)
    parser.add_argument("--emulator", help="qemu-i386-static, on a host without native i386")
    parser.add_argument("--classes", required=True)
    parser.add_argument("--variant", required=True, choices=["static", "instance"])
    parser.add_argument("--library-dir", required=True)
    parser.add_argument("--monitor-dir", help="where libquessa.so is; none: not findable")
    parser.add_argument("--work-dir", required=True)
    parser.add_argument("--group", required=True)
    parser.add_argument("--check-jni", action="store_true")
    parser.add_argument("--jvm-option", action="append", default=[],
                        help="one more JVM option (such as -Xcomp); may be repeated")
    parser.add_argument("--require-compiled", action="store_true",
                        help="fail unless the JIT compiled the methods that call the natives")
    parser.add_argument("--warm-up-posts", type=int, default=WARM_UP_POSTS,
                        help="posts before the sequence and threads checks where the JIT runs")
    args = parser.parse_args()
    if args.warm_up_posts < 0:
        parser.error("--warm-up-posts: a count of posts, not %d" % args.warm_up_posts)
    xcomp = "-Xcomp" in args.jvm_option
    if args.require_compiled:
        refusal = compiled_callers_refusal(args.group, args.emulator, args.jvm_option)
        if refusal:
            parser.error("--require-compiled: " + refusal)

    os.makedirs(args.work_dir, exist_ok=True)
    name = args.group + (".checkjni" if args.check_jni else "")
    stdout_path = os.path.join(args.work_dir, name + ".stdout")
    expected_path = os.path.join(args.work_dir, name + ".expected")
    stderr_path = os.path.join(args.work_dir, name + ".stderr")
    for path in (stdout_path, expected_path, stderr_path):
        if os.path.exists(path):
            os.remove(path)

    env = dict(os.environ)
    # Options picked up from the environment would print a note of their own.
    for variable in ("LD_LIBRARY_PATH", "JAVA_TOOL_OPTIONS", "_JAVA_OPTIONS", "JDK_JAVA_OPTIONS"):
        env.pop(variable, None)
    if args.monitor_dir:
        env["LD_LIBRARY_PATH"] = args.monitor_dir

    command = [args.emulator, args.java, "-Xint"] if args.emulator else [args.java]
    # No shared performance-data file in /tmp: a JVM that finds its file locked says so on
    # standard output, in the middle of the echo (seen in the virtual machine).
    command += ["-XX:-UsePerfData"]
    command += args.jvm_option
    if args.check_jni:
        # The checks print their warnings on the JVM's own output, standard output unless
        # told otherwise, which the soak sends to /dev/null: on standard error they are seen.
        command += ["-Xcheck:jni"]
    if args.require_compiled:
        command += ["-XX:+PrintCompilation"]
        if xcomp:
            # Compiled callers under -Xcomp inline the bridge's methods, which then never show
            # as compiled themselves; kept apart, they are what calls the natives.
            command += ["-XX:CompileCommand=dontinline," + BRIDGE_CLASS + "::*"]
    if args.check_jni or args.require_compiled:
        # Warnings and compiles alike: standard output holds the echo and nothing else.
        command += ["-XX:+DisplayVMOutputToStderr"]
    memory = MemoryLimits(args.java) if args.group == "memory" else None
    if memory:
        command += memory.jvm_options
        env.update(memory.environment)
    if args.group in ("sequence", "threads"):
        interpreted = why_interpreted(args.emulator, args.jvm_option)
        command.append("-Dostreljni.warmUpPosts=%d" % (0 if interpreted else args.warm_up_posts))
    soak = args.group == "soak"
    if soak:
        command += Soak.jvm_options
        command.append("-Dostreljni.soakCalls=%d" % (Soak.emulated_calls if args.emulator
                                                     else Soak.calls))
    command += ["-Djava.library.path=" + args.library_dir, "-cp", args.classes, TEST_CLASS,
                args.group, args.variant, expected_path]
    print("running:", " ".join(command), flush=True)
    limits = None
    if memory:
        if args.emulator:
            # The emulator's own mappings are not the JVM's; limit the emulated address space.
            env["QEMU_RESERVED_VA"] = str(memory.address_space)
        else:
            limits = memory.apply
    # Standard error goes to a file: a check that warns on every call of the soak writes
    # hundreds of megabytes there. Its ends are shown, the whole is searched.
    with open(os.devnull if soak else stdout_path, "wb") as stdout, \
            open(stderr_path, "w+b") as stderr_file:
        run = subprocess.run(command, stdout=stdout, stderr=stderr_file, env=env,
                             timeout=300, preexec_fn=limits)
        stderr_markers = markers_in(stderr_file)
        compilations = None
        if args.require_compiled:
            compilations = Compilations(lines_of(stderr_file))
        # The compilations are summed up below, not listed.
        stderr = ends_of(stderr_file,
                         hidden=Compilations.is_line if args.require_compiled else None)
    sys.stdout.write(stderr.decode("utf-8", "replace"))

    failures = []

    def check(what, ok, detail=""):
        print(("ok: " if ok else "FAILED: ") + what + ("" if ok else " (" + detail + ")"))
        if not ok:
            failures.append(what)

    check("the JVM exits with status 0", run.returncode == 0, "status %d" % run.returncode)
    actual = b""
    expected = None
    if not soak:
        with open(stdout_path, "rb") as f:
            actual = f.read()
        if os.path.exists(expected_path):
            with open(expected_path, "rb") as f:
                expected = f.read()
        check("the checks wrote the expected echo", expected is not None, expected_path)
    if expected is not None:
        if args.group == "threads":
            records = echo_records(actual)
            check("stdout is made of whole echoes", records is not None, repr(actual[:200]))
            check("stdout holds every posted text once, in some order",
                  records is not None and sorted(records) == sorted(echo_records(expected)),
                  "%d echoes, %d expected" % (len(records or []), expected.count(b"\n") // 2))
        else:
            at = first_difference(actual, expected)
            check("stdout is exactly the expected echo (%d bytes)" % len(expected),
                  actual == expected, "from byte %d: got %r, expected %r"
                  % (at, actual[at:at + 300], expected[at:at + 300]))
    if compilations is not None:
        for what, ok, detail in compiled_callers_checks(compilations, xcomp):
            check(what, ok, detail)
        wrappers = [short_name(m) for m in NATIVES if m in compilations.native_wrappers]
        print("note: compiled wrappers of the natives: " + (", ".join(wrappers) or "none"))
    if args.check_jni:
        for marker in JNI_CHECK_MARKERS:
            check("no %s from -Xcheck:jni" % marker,
                  marker not in stderr_markers and marker.encode() not in actual,
                  "see the output above")

    if failures:
        print("%s: %d driver checks failed" % (name, len(failures)))
    else:
        print(name + ": driver checks passed")
    return 1 if failures else 0


JNI_CHECK_MARKERS = ("WARNING", "FATAL ERROR")

BRIDGE_CLASS = "com.corvane.tarn.plugin.system.OstrelBridge"
NATIVES = ("com.corvane.tarn.plugin.system.Ostrel::postState",
           "com.corvane.tarn.plugin.system.Ostrel::getAppStatus")
# The methods that call the natives, the same in both class trees. The static tree's constructor
# also calls getAppStatus, once, to load the library: never enough to be compiled.
NATIVE_CALLERS = (BRIDGE_CLASS + "::postState", BRIDGE_CLASS + "::getAppStatus")
# Calls of each native before the sequence and threads checks, where the JIT runs: well past its
# thresholds, which rise while the start-up's compiles queue up, and long enough for the compiler
# threads to reach the bridge's methods on a loaded machine. Under emulation, where the JVM only
# interprets, they would add 80 s to each run.
WARM_UP_POSTS = 20000
# The groups that call each native thousands of times. The memory group posts three times and
# reads the status once, and the unlinked group's calls only fail to link: the JIT compiles
# their callers under -Xcomp only.
GROUPS_THAT_COMPILE = ("sequence", "threads", "soak")


def why_interpreted(emulator, jvm_options):
    """Why the JVM runs without its JIT, or None if it has it."""
    if emulator:
        return "the JVM runs interpreted under the emulator"
    interpreted = [o for o in jvm_options if o in ("-Xint", "-XX:-UseCompiler")]
    if interpreted:
        return "the JVM runs interpreted with " + interpreted[0]
    return None


def compiled_callers_refusal(group, emulator, jvm_options):
    """Why a run cannot show compiled callers of the natives, or None if it can."""
    interpreted = why_interpreted(emulator, jvm_options)
    if interpreted:
        return interpreted
    if group not in GROUPS_THAT_COMPILE and "-Xcomp" not in jvm_options:
        return "the %s group calls the natives too few times to be compiled" % group
    return None


def compiled_callers_checks(compilations, before_first_call):
    """(what, ok, detail) for the natives' callers: compiled by the JIT, and under -Xcomp
    compiled before their first call, which makes the compile block the calling thread."""
    compiled = [m for m in NATIVE_CALLERS if m in compilations.tiers]
    missing = [short_name(m) for m in NATIVE_CALLERS if m not in compilations.tiers]
    shown = ", ".join("%s (tiers %s)" % (short_name(m), ",".join(compilations.tiers[m]))
                      for m in compiled) or "none"
    checks = [("compiled callers of the natives: " + shown, not missing,
               "never compiled: " + ", ".join(missing))]
    if before_first_call:
        late = [short_name(m) for m in compiled if m not in compilations.blocking]
        checks.append(("each was compiled before its first call", not late,
                       "compiled in the background: " + ", ".join(late)))
    return checks


def short_name(method):
    """Class::method without the package."""
    return method.rsplit(".", 1)[-1]


class Compilations:
    """What -XX:+PrintCompilation printed in JDK 17's tiered format, one line per compile:

        <ms> <id> <%s!bn> <tier> <class>::<method>[ @ <bci>] (<n> bytes|native)[   <event>]

    with the flags OSR, synchronized, exception handler, blocking (-Xcomp, -Xbatch) and native
    wrapper. The same id again ends in "made not entrant" or "made zombie" once the code is
    retired, which it was compiled before, or in "COMPILE SKIPPED: <why>" when the compile
    failed, which it then was not. A native wrapper's event is its "(static)"."""

    LINE = re.compile(rb"(?P<id>\d+) (?P<flags>[ %s!bn]{5}) (?P<tier>[0-4]) +"
                      rb"(?P<method>[^ ]+::[^ ]+)(?: @ \d+)? \((?:\d+ bytes|native)\)"
                      rb"(?: +(?P<event>.*?))? *$")

    def __init__(self, lines):
        started = collections.OrderedDict()
        for line in lines:
            # Anything the Java side wrote to standard error at the same time may come first.
            found = Compilations.LINE.search(line.rstrip(b"\r\n"))
            if not found:
                continue
            event = found.group("event") or b""
            if event.startswith(b"COMPILE SKIPPED"):
                started.pop(found.group("id"), None)
            elif event in (b"", b"(static)"):
                started[found.group("id")] = found
        self.tiers = {}
        self.blocking = set()
        self.native_wrappers = set()
        for found in started.values():
            method = found.group("method").decode("utf-8", "replace")
            flags = found.group("flags")
            if b"n" in flags:
                self.native_wrappers.add(method)
                continue
            tier = found.group("tier").decode() + ("%" if b"%" in flags else "")
            tiers = self.tiers.setdefault(method, [])
            if tier not in tiers:
                tiers.append(tier)
            if b"b" in flags:
                self.blocking.add(method)

    @staticmethod
    def is_line(line):
        return Compilations.LINE.search(line.rstrip(b"\r\n")) is not None


def markers_in(f, chunk=1 << 20):
    """Which of JNI_CHECK_MARKERS the file holds, read a chunk at a time."""
    found = set()
    longest = max(len(m) for m in JNI_CHECK_MARKERS)
    f.seek(0)
    tail = b""
    while True:
        data = f.read(chunk)
        if not data:
            return found
        window = tail + data
        found.update(m for m in JNI_CHECK_MARKERS if m.encode() in window)
        tail = window[-longest:]


def first_difference(a, b):
    """Where a and b first differ, or where the shorter one ends."""
    return next((i for i, (x, y) in enumerate(zip(a, b)) if x != y), min(len(a), len(b)))


def lines_of(f):
    f.seek(0)
    return iter(f.readline, b"")


def ends_of(f, shown=20000, hidden=None):
    """The whole file, or its first and last `shown` bytes around a note of what is left out;
    without the lines for which `hidden` holds, if given."""
    if hidden:
        return ends_of_lines((line for line in lines_of(f) if not hidden(line)), shown)
    size = f.seek(0, os.SEEK_END)
    f.seek(0)
    if size <= 2 * shown:
        return f.read()
    head = f.read(shown)
    f.seek(size - shown)
    return head + b"\n[... %d bytes ...]\n" % (size - 2 * shown) + f.read()


def ends_of_lines(lines, shown):
    head = []
    head_size = 0
    tail = collections.deque()
    tail_size = 0
    left_out = 0
    for line in lines:
        if head_size < shown:
            head.append(line)
            head_size += len(line)
            continue
        tail.append(line)
        tail_size += len(line)
        while tail_size > shown:
            dropped = tail.popleft()
            tail_size -= len(dropped)
            left_out += len(dropped)
    note = [b"\n[... %d bytes ...]\n" % left_out] if left_out else []
    return b"".join(head + note + list(tail))


class MemoryLimits:
    """Room for a heap that holds a string of 300 million three-byte characters (600 MB), but
    not for its 900 MB modified UTF-8 copy.

    The 32-bit JVM itself needs about 0.9 GB of address space with this heap, and the copy fits
    from about 1.7 GB on. The 64-bit JVM reserves more, and by defaults that grow with the
    machine: a 1 GB class space, and the C library's 64 MB malloc arenas, up to eight per
    processor. Pinned here to a 64 MB class space, two arenas and the ergonomics of two
    processors, it starts from about 1.15 GB and the copy fits from about 1.9 GB on, whatever
    the machine. Each limit leaves some 0.35 GB on either side. The width is the launcher's."""

    jvm_options = ["-Xmx700m", "-Xmn8m", "-XX:+UseSerialGC", "-XX:ReservedCodeCacheSize=32m",
                   "-Dostreljni.hugeChars=300000000"]
    wide_jvm_options = ["-XX:CompressedClassSpaceSize=64m", "-XX:ActiveProcessorCount=2"]

    def __init__(self, java):
        with open(java, "rb") as f:
            ident = f.read(5)
        if ident[:4] != b"\x7fELF" or ident[4] not in (1, 2):
            raise SystemExit("%s is not a 32-bit or 64-bit ELF program" % java)
        wide = ident[4] == 2
        self.jvm_options = MemoryLimits.jvm_options + (MemoryLimits.wide_jvm_options
                                                       if wide else [])
        self.environment = {"MALLOC_ARENA_MAX": "2"} if wide else {}
        self.address_space = (1536 if wide else 1280) * 1024 * 1024

    def apply(self):
        resource.setrlimit(resource.RLIMIT_AS, (self.address_space,) * 2)


class Soak:
    """A million posts of 4 KB. The heap is fixed and touched in full at start-up, so that heap
    growth and first touches of heap pages cannot pass for a leak, and the serial collector has
    no helper threads or side tables that grow with the run. Only the first JIT tier compiles:
    the optimising one gives its arenas back to the system seconds later, which drops the
    resident size by up to 15 MB mid-run and would hide a leak of that size. So set, the
    resident size moves by well under 1 MB after the warm-up. The bound, 4 MB, is still above
    that, and below what the 900,000 posts after the warm-up leave behind if each keeps as much
    as a global reference (about 6 bytes, 5 MB in all) or a 16-byte malloc (about 20 MB); a
    UTF-8 copy kept per post would be 3.6 GB, and ends the run at the first probe.

    Under emulation, where the interpreter alone makes a million posts in about two minutes,
    the run is cut to 400,000 posts: a UTF-8 copy kept per post still ends it at the first
    probe, and a 16-byte malloc per post still leaves about 7 MB behind; a global reference
    per post (about 2 MB by then) no longer shows.
    """

    jvm_options = ["-Xms64m", "-Xmx64m", "-XX:+AlwaysPreTouch", "-XX:+UseSerialGC",
                   "-XX:TieredStopAtLevel=1", "-Dostreljni.soakWarmUp=100000",
                   "-Dostreljni.soakGrowthKb=4096"]
    calls = 1000000
    emulated_calls = 400000


if __name__ == "__main__":
    sys.exit(main())
