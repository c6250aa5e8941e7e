#!/usr/bin/env python3
# SPDX-FileCopyrightText: 2026 The corvane-native authors
# SPDX-License-Identifier: Apache-2.0

"""cpuinfo.exe end to end, under Wine: exact bytes on standard output and
standard error, exit statuses, log files; and the properties of the image,
which need no Wine (the Image class)."""

import argparse
import itertools
import os
import pty
import re
import selectors
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

ARGS = None
CRLF = b"\r\n"
USAGE = b"error: use --logfile to specify a log file\r\n"
RESULT = re.compile(rb"\[(\d+(?:,\d+)*)\]\r\n")
# msvcrt's ctime: "Wed Dec 09 10:24:23 2026".
STAMP = rb"\[(?:Mon|Tue|Wed|Thu|Fri|Sat|Sun) [A-Z][a-z]{2} [0-3]\d \d\d:\d\d:\d\d \d{4}\] "
BANNER = re.compile(
    STAMP + rb"Begin Brennix version 1\.2\.0\.SNAPSHOT, build date: [A-Z][a-z]{2} [1-9]\d? \d{4}, "
    rb"\d\d:\d\d:\d\d, HEAD: (?:<development build>|[0-9a-f]{7,40}(?:-dirty)?)\r\n")
RECORD = re.compile(STAMP + rb"(?:ERROR|WARNING|INFO|DEBUG) [^\r\n]+\r\n")


def run(*arguments, stdout=subprocess.PIPE, cwd=None):
    env = dict(os.environ, LANG="C.UTF-8", LC_ALL="C.UTF-8")
    command = [ARGS.wine, ARGS.loader, ARGS.prefix, ARGS.exe, *arguments]
    return subprocess.run(command, stdout=stdout, stderr=subprocess.PIPE, cwd=cwd, env=env,
                          timeout=120, check=False)


class Collector:
    """pipe-collector.exe keeping a fresh pipe name listening, in the same prefix. Each
    connection it reports is the bytes it delivered, or None when it hung up unread."""

    names = itertools.count()

    def __init__(self, *options):
        self.name = r"\\.\pipe\cpuinfo-e2e-%d-%d" % (os.getpid(), next(Collector.names))
        self.process = subprocess.Popen(
            [ARGS.wine, ARGS.loader, ARGS.prefix, ARGS.collector, self.name, *options],
            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        with selectors.DefaultSelector() as selector:
            selector.register(self.process.stdout, selectors.EVENT_READ)
            ready = self.process.stdout.readline() if selector.select(timeout=60) else b""
        if ready.strip() != b"ready":
            self.process.kill()
            self.process.wait()
            raise AssertionError("the collector did not start listening: %r" % ready)

    def connections(self):
        """The report, once the collector has fallen idle and exited (or been stopped)."""
        try:
            out, _ = self.process.communicate(timeout=30)
        except subprocess.TimeoutExpired:
            self.process.kill()
            out, _ = self.process.communicate()
        report = []
        for line in out.decode("ascii").splitlines():
            if line.strip() == "hung up":
                report.append(None)
            else:
                kind, _, data = line.strip().partition(" ")
                assert kind == "connection", line
                report.append(bytes.fromhex(data))
        return report


def split_lines(data):
    """Lines with their CRLF; a bare LF or a missing final line end fails."""
    assert data.endswith(CRLF), data[-20:]
    lines = [line + CRLF for line in data[:-2].split(CRLF)]
    for line in lines:
        assert b"\n" not in line[:-2], line
    return lines


class LogChecks(unittest.TestCase):
    def assert_log_section(self, lines, counts):
        """A banner, the query's records, and the counts record last."""
        self.assertRegex(lines[0], BANNER)
        for line in lines[1:]:
            self.assertRegex(line, RECORD)
        width = b"8" if ARGS.abi == "win64" else b"4"
        self.assertIn(b"INFO readCoreCountsEx: Using GetLogicalProcessorInformationEx, "
                      b"width of KAFFINITY = " + width + b"\r\n", lines[1])
        self.assertTrue(lines[-1].endswith(b"] INFO CpuInfo::CpuInfo: cpu core counts = [" +
                                           counts + b"]\r\n"), lines[-1])

    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="cpuinfo-e2e-")

    def tearDown(self):
        shutil.rmtree(self.dir, ignore_errors=True)


class ConsoleTarget(LogChecks):
    def test_banner_records_then_result_on_stdout(self):
        done = run("--logfile", "console")
        self.assertEqual(done.returncode, 0)
        self.assertEqual(done.stderr, b"")
        lines = split_lines(done.stdout)
        result = RESULT.fullmatch(lines[-1])
        self.assertIsNotNone(result, lines[-1])
        self.assert_log_section(lines[:-1], result.group(1))
        per_package = lines[2:-2]
        self.assertEqual(len(per_package), len(result.group(1).split(b",")))
        for line in per_package:
            self.assertIn(b"INFO readCoreCountsEx: relationship = 3, size = ", line)

    def test_result_matches_this_machine(self):
        counts = [int(c) for c in RESULT.fullmatch(run("--logfile", "console").stdout.split(
            CRLF)[-2] + CRLF).group(1).split(b",")]
        self.assertTrue(all(c > 0 for c in counts), counts)
        self.assertEqual(sum(counts), os.cpu_count())


class FileTarget(LogChecks):
    def test_only_the_result_line_on_stdout(self):
        path = os.path.join(self.dir, "cpuinfo.log")
        done = run("--logfile", path)
        self.assertEqual(done.returncode, 0)
        self.assertEqual(done.stderr, b"")
        result = RESULT.fullmatch(done.stdout)
        self.assertIsNotNone(result, done.stdout)
        with open(path, "rb") as log:
            self.assert_log_section(split_lines(log.read()), result.group(1))

    def test_appends_to_an_existing_log(self):
        path = os.path.join(self.dir, "cpuinfo.log")
        old = b"earlier contents\r\nkept as they are\r\n"
        with open(path, "wb") as log:
            log.write(old)
        first = RESULT.fullmatch(run("--logfile", path).stdout).group(1)
        run("--logfile", path)
        with open(path, "rb") as log:
            data = log.read()
        self.assertTrue(data.startswith(old))
        lines = split_lines(data[len(old):])
        banners = [i for i, line in enumerate(lines) if BANNER.fullmatch(line)]
        self.assertEqual(len(banners), 2)
        self.assert_log_section(lines[:banners[1]], first)
        self.assert_log_section(lines[banners[1]:], first)

    def test_unicode_target_is_created_under_its_own_name(self):
        name = "журнал-日志.log"
        done = run("--logfile", name, cwd=self.dir)
        self.assertEqual(done.returncode, 0)
        self.assertEqual(os.listdir(self.dir), [name])
        with open(os.path.join(self.dir, name), "rb") as log:
            self.assert_log_section(split_lines(log.read()),
                                    RESULT.fullmatch(done.stdout).group(1))

    def test_targets_that_only_resemble_console_are_files(self):
        for name in ("Console", "CONSOLE", "my-console", "console.log"):
            with self.subTest(target=name), tempfile.TemporaryDirectory() as directory:
                done = run("--logfile", name, cwd=directory)
                self.assertEqual(done.returncode, 0)
                result = RESULT.fullmatch(done.stdout)
                self.assertIsNotNone(result, done.stdout)
                self.assertEqual(os.listdir(directory), [name])
                with open(os.path.join(directory, name), "rb") as log:
                    self.assert_log_section(split_lines(log.read()), result.group(1))

    def test_targets_longer_than_max_path(self):
        # Wine has no MAX_PATH limit, so this shows that the \\?\ form the program
        # builds for such targets opens the right file; Windows needs that form.
        folders = [c * 60 for c in "abcde"]
        os.makedirs(os.path.join(self.dir, *folders))
        relative = "/".join(folders[:4]) + "/./gone/../" + folders[4] + "/x.log"
        absolute = os.path.join(self.dir, *folders, "y.log")
        for target, name in ((relative, "x.log"), (absolute, "y.log")):
            with self.subTest(target=target):
                self.assertGreater(len(target), 300)
                done = run("--logfile", target, cwd=self.dir)
                self.assertEqual(done.returncode, 0)
                result = RESULT.fullmatch(done.stdout)
                self.assertIsNotNone(result, done.stdout)
                with open(os.path.join(self.dir, *folders, name), "rb") as log:
                    self.assert_log_section(split_lines(log.read()), result.group(1))

    def test_unusable_targets_give_only_the_result(self):
        os.mkdir(os.path.join(self.dir, "a-directory"))
        for target in (os.path.join(self.dir, "missing", "x.log"), "",
                       os.path.join(self.dir, "a-directory")):
            with self.subTest(target=target):
                done = run("--logfile", target, cwd=self.dir)
                self.assertEqual(done.returncode, 0)
                self.assertEqual(done.stderr, b"")
                self.assertRegex(done.stdout, RESULT)
                self.assertEqual(sorted(os.listdir(self.dir)), ["a-directory"])
                self.assertEqual(os.listdir(os.path.join(self.dir, "a-directory")), [])


class PipeTarget(LogChecks):
    """A collector at the other end of a named pipe. The file is opened and closed around
    every record, so each record is one connection: the start-up probe (empty), the banner,
    then the records."""

    def run_into(self, collector):
        done = run("--logfile", collector.name)
        self.assertEqual(done.returncode, 0)
        self.assertEqual(done.stderr, b"")
        result = RESULT.fullmatch(done.stdout)
        self.assertIsNotNone(result, done.stdout)
        return result.group(1), collector.connections()

    def assert_one_record_each(self, counts, connections):
        self.assertEqual(connections[0], b"", "the start-up probe writes nothing")
        records = connections[1:]
        self.assertEqual(len(records), len(counts.split(b",")) + 3, records)
        for record in records:
            self.assertEqual(len(split_lines(record)), 1, record)
        self.assert_log_section(records, counts)

    def test_each_record_is_one_connection_in_order(self):
        # One instance: the collector reads each connection to its end before the next.
        self.assert_one_record_each(*self.run_into(Collector()))

    def test_a_busy_collector_is_waited_for(self):
        # After each connection no instance listens for 0.3 s: the pipe is busy.
        self.assert_one_record_each(*self.run_into(Collector("--pause-ms", "300")))

    def test_many_listening_instances_get_every_record_once(self):
        counts, connections = self.run_into(Collector("--instances", "8"))
        # Served by several threads, the connections may be reported out of order.
        self.assertEqual(connections.count(b""), 1)
        records = [c for c in connections if c]
        banners = [r for r in records if BANNER.fullmatch(r)]
        self.assertEqual(len(banners), 1, records)
        self.assertEqual(len(records), len(counts.split(b",")) + 3, records)
        for record in records:
            self.assertEqual(len(split_lines(record)), 1, record)
        self.assertEqual(sum(r.endswith(b"cpu core counts = [" + counts + b"]\r\n")
                             for r in records), 1, records)

    def test_a_reader_that_hangs_up_changes_nothing(self):
        collector = Collector("--hang-up")
        start = time.monotonic()
        counts, connections = self.run_into(collector)
        # Each open waits about a second at most for a busy pipe.
        self.assertLess(time.monotonic() - start, 30)
        self.assertTrue(connections and all(c is None for c in connections), connections)
        self.assertTrue(counts)

    def test_a_pipe_nobody_serves_leaves_the_log_silent(self):
        done = run("--logfile", r"\\.\pipe\cpuinfo-e2e-nobody-%d" % os.getpid())
        self.assertEqual(done.returncode, 0)
        self.assertEqual(done.stderr, b"")
        self.assertRegex(done.stdout, RESULT)


class DeviceTarget(LogChecks):
    def test_nul_takes_the_log_and_keeps_it_nowhere(self):
        for target in ("NUL", "nul", r"\\.\NUL"):
            with self.subTest(target=target):
                done = run("--logfile", target, cwd=self.dir)
                self.assertEqual(done.returncode, 0)
                self.assertEqual(done.stderr, b"")
                self.assertRegex(done.stdout, RESULT)
                self.assertEqual(os.listdir(self.dir), [])

    def test_console_names_show_the_log_on_wines_terminal(self):
        # Under Wine only: with a terminal, Wine's console draws the log there, among its
        # own escape sequences and line wraps. (Windows opens the console's screen buffer
        # for CON with write access, and CONOUT$; the log then shows in the console.)
        for target in ("CON", "CONOUT$", r"\\.\CONOUT$"):
            with self.subTest(target=target):
                shown = self.on_a_terminal("--logfile", target)
                self.assertRegex(shown, rb"Begin Brennix version 1\.2\.0\.SNAPSHOT")
                counts = re.search(rb"INFO CpuInfo::CpuInfo: cpu core counts = \[([\d,]+)\]",
                                   shown)
                self.assertIsNotNone(counts, shown)
                self.assertIn(b"[" + counts.group(1) + b"]", shown[counts.end():])
                self.assertEqual(os.listdir(self.dir), [])

    def on_a_terminal(self, *arguments):
        """What the program shows on a terminal, escape sequences and line ends removed."""
        controller, terminal = pty.openpty()
        env = dict(os.environ, LANG="C.UTF-8", LC_ALL="C.UTF-8", TERM="dumb")
        process = subprocess.Popen([ARGS.wine, ARGS.loader, ARGS.prefix, ARGS.exe, *arguments],
                                   stdin=terminal, stdout=terminal, stderr=terminal,
                                   cwd=self.dir, env=env)
        os.close(terminal)
        shown = b""
        with selectors.DefaultSelector() as selector:
            selector.register(controller, selectors.EVENT_READ)
            deadline = time.monotonic() + 120
            while time.monotonic() < deadline:
                if not selector.select(timeout=1):
                    if process.poll() is not None:
                        break
                    continue
                try:
                    chunk = os.read(controller, 65536)
                except OSError:  # the terminal's last user has gone
                    break
                if not chunk:
                    break
                shown += chunk
        os.close(controller)
        self.assertEqual(process.wait(timeout=60), 0)
        return re.sub(rb"\x1b\[[0-9;?]*[A-Za-z]|\x1b\][^\x07]*\x07|[\r\n]", b"", shown)


class Failures(unittest.TestCase):
    def test_usage_errors(self):
        for arguments in ([], ["--logfile"], ["--logfile", "console", "x"],
                          ["--LOGFILE", "console"], ["--logfile=console"], ["-logfile", "console"]):
            with self.subTest(arguments=arguments):
                done = run(*arguments)
                self.assertEqual(done.returncode, 1)
                self.assertEqual(done.stdout, b"")
                self.assertEqual(done.stderr, USAGE)

    def test_result_that_cannot_be_written_fails(self):
        with tempfile.TemporaryDirectory() as directory:
            for target in ("console", os.path.join(directory, "x.log")):
                with self.subTest(target=target), open("/dev/full", "wb") as full:
                    done = run("--logfile", target, stdout=full)
                    self.assertEqual(done.returncode, 2)
                    self.assertEqual(done.stderr,
                                     b"error: cannot write the result to standard output\r\n")


class Image(unittest.TestCase):
    def test_console_program_for_its_abi(self):
        header = subprocess.run([ARGS.objdump, "-f", ARGS.exe], capture_output=True, check=True,
                                text=True).stdout
        expected = "pei-x86-64" if ARGS.abi == "win64" else "pei-i386"
        self.assertRegex(header, r"file format %s\n" % expected)
        dump = subprocess.run([ARGS.objdump, "-p", ARGS.exe], capture_output=True, check=True,
                              text=True).stdout
        self.assertRegex(dump, r"Magic\s+%s" % ("020b" if ARGS.abi == "win64" else "010b"))
        self.assertRegex(dump, r"Subsystem\s+00000003")

    def test_imports_only_system_dlls_and_finds_the_services_at_run_time(self):
        dump = subprocess.run([ARGS.objdump, "-p", ARGS.exe], capture_output=True, check=True,
                              text=True).stdout
        dlls = sorted(re.findall(r"DLL Name: (\S+)", dump))
        self.assertEqual(dlls, ["KERNEL32.dll", "msvcrt.dll"])
        self.assertNotIn("GetLogicalProcessorInformation", dump)
        self.assertNotIn("IsWow64Process", dump)
        with open(ARGS.exe, "rb") as exe:
            data = exe.read()
        for name in (b"GetLogicalProcessorInformationEx", b"GetLogicalProcessorInformation\0",
                     b"IsWow64Process\0"):
            self.assertIn(name, data)

    def test_manifest_asks_for_the_invokers_rights_on_windows_7_to_11(self):
        with open(ARGS.exe, "rb") as exe:
            data = exe.read()
        self.assertIn(b'<requestedExecutionLevel level="asInvoker" uiAccess="false"/>', data)
        supported = re.findall(rb'<supportedOS Id="\{([0-9a-f-]+)\}"/>', data)
        self.assertEqual(supported, [b"35138b9a-5d96-4fbd-8e2d-a2440225f93a",   # 7
                                     b"4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38",   # 8
                                     b"1f676c76-80e1-4239-95bb-83d0f6d0da78",   # 8.1
                                     b"8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a"])  # 10 and 11
        # The program converts its paths itself: no code page of the manifest's choosing.
        self.assertNotIn(b"activeCodePage", data)


class Identity(unittest.TestCase):
    def test_version_resource_as_windows_reads_it(self):
        done = subprocess.run([ARGS.wine, ARGS.loader, ARGS.prefix, ARGS.version_info, ARGS.exe],
                              capture_output=True, timeout=120, check=False)
        self.assertEqual(done.returncode, 0, done.stderr)
        fields = dict(line.split("=", 1) for line in done.stdout.decode().splitlines())
        self.assertEqual(fields, {
            "FixedFileVersion": "1.2.0.0",
            "FixedProductVersion": "1.2.0.0",
            "FixedFileFlags": "0x2",  # a pre-release, as SNAPSHOT says
            "FixedFileType": "1",  # an application
            "CompanyName": "Corvane",
            "FileDescription":
                "Brennix processor topology report: logical processors per package",
            "FileVersion": "1.2.0.SNAPSHOT",
            "InternalName": "cpuinfo",
            "OriginalFilename": "cpuinfo.exe",
            "ProductName": "Brennix",
            "ProductVersion": "1.2.0.SNAPSHOT",
        })


def main():
    global ARGS
    parser = argparse.ArgumentParser()
    for option in ("--exe", "--objdump"):
        parser.add_argument(option, required=True)
    parser.add_argument("--abi", choices=("win32", "win64"), required=True)
    # Needed by the classes that run the program.
    for option in ("--wine", "--loader", "--prefix", "--version-info", "--collector"):
        parser.add_argument(option)
    ARGS, rest = parser.parse_known_args()
    unittest.main(argv=[sys.argv[0], "-v", *rest])


if __name__ == "__main__":
    main()
