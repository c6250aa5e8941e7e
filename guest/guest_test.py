#!/usr/bin/env python3
# SPDX-FileCopyrightText: 2026 The corvane-native authors
# SPDX-License-Identifier: Apache-2.0

"""guest.py as its callers meet it: a command's output and exit status pass through, and a
machine that cannot start, a command past its time limit and a guest kernel that dies each
fail with the guest's name, its -smp and the last console lines, leaving no QEMU behind.
Those need the built image; with CORVANE_SKIP_GUEST set every call is a skip.

The choice of accelerator, the guest's facts and the command line need no machine
("guest_test.py Choices" runs only them)."""

import os
import subprocess
import sys
import tempfile
import unittest

GUEST = os.path.join(os.path.dirname(os.path.abspath(__file__)), "guest.py")
CHECKOUT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
ONE_CPU = "1,sockets=1,cores=1,threads=1"


def guest(*words, env=None):
    return subprocess.run([sys.executable, GUEST, *words], stdout=subprocess.PIPE,
                          stderr=subprocess.PIPE, env=env, timeout=900, check=False)


def qemu_running(name):
    """Whether any QEMU still runs with this session's console log."""
    marker = os.path.join(CHECKOUT, "build", "guest-sessions", name, "console.log")
    ps = subprocess.run(["ps", "-eo", "args"], stdout=subprocess.PIPE, text=True, check=True)
    return any("qemu-system" in line and marker in line for line in ps.stdout.splitlines())


class Session(unittest.TestCase):
    name = "runner-test"

    @classmethod
    def setUpClass(cls):
        started = guest("start", cls.name, "--smp", ONE_CPU, "--share", CHECKOUT)
        assert started.returncode == 0, started.stderr

    @classmethod
    def tearDownClass(cls):
        guest("stop", cls.name)

    def test_output_and_exit_status_pass_through(self):
        done = guest("run", self.name, "--cwd", CHECKOUT, "--env", "GREETING=a b", "--",
                     "sh", "-c", 'printf "%s\\n" "$GREETING" "$(pwd)"; echo err >&2; exit 7')
        self.assertEqual(done.returncode, 7)
        self.assertEqual(done.stdout, b"a b\n" + CHECKOUT.encode() + b"\n")
        self.assertEqual(done.stderr, b"err\n")

    def test_a_command_past_its_time_limit_fails_with_the_console(self):
        done = guest("run", self.name, "--timeout", "3", "--", "sleep", "30")
        self.assertEqual(done.returncode, 1)
        self.assertIn(b"guest runner-test (-smp %s): the command took more than 3 s: sleep 30"
                      % ONE_CPU.encode(), done.stderr)
        self.assertIn(b"last console lines:\n  | ", done.stderr)
        self.assertIn(b"corvane-init: ready", done.stderr)


class Failures(unittest.TestCase):
    def test_a_machine_that_cannot_start_is_named_with_its_topology(self):
        done = guest("start", "runner-bad", "--smp", "3,sockets=2,cores=1,threads=1")
        self.assertEqual(done.returncode, 1)
        self.assertIn(b"guest runner-bad (-smp 3,sockets=2,cores=1,threads=1): the machine "
                      b"stopped before it was ready (QEMU: ", done.stderr)
        self.assertFalse(qemu_running("runner-bad"))

    def test_a_dying_guest_kernel_fails_the_command_and_leaves_no_qemu(self):
        self.assertEqual(guest("start", "runner-crash", "--smp", ONE_CPU).returncode, 0)
        self.assertTrue(qemu_running("runner-crash"))
        done = guest("run", "runner-crash", "--cwd", "/", "--", "sh", "-c",
                     "echo c > /proc/sysrq-trigger")
        stopped = guest("stop", "runner-crash")
        self.assertEqual(done.returncode, 1)
        self.assertIn(b"guest runner-crash (-smp %s): " % ONE_CPU.encode(), done.stderr)
        self.assertIn(b"Kernel panic", done.stderr)
        self.assertEqual(stopped.returncode, 1, "stop reports the fault in the console too")
        self.assertFalse(qemu_running("runner-crash"))

    def test_every_call_is_a_skip_when_the_lane_is_skipped(self):
        env = dict(os.environ, CORVANE_SKIP_GUEST="1")
        reason = b"skipped: CORVANE_SKIP_GUEST is set, so the virtual machine lane does not run\n"
        for words in (["start", "runner-skip", "--smp", ONE_CPU],
                      ["run", "runner-skip", "--", "false"], ["stop", "runner-skip"]):
            done = guest(*words, env=env)
            self.assertEqual((done.returncode, done.stdout), (0, reason), words)
        self.assertFalse(qemu_running("runner-skip"))


sys.path.insert(0, os.path.dirname(GUEST))
import guest as module  # noqa: E402


class Choices(unittest.TestCase):
    """No machine: a stand-in device path and probe take the place of KVM."""

    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()
        self.device = os.path.join(self.dir.name, "kvm")
        open(self.device, "w").close()

    def tearDown(self):
        self.dir.cleanup()

    def choose(self, env=None, device=None, probe=lambda: True):
        return module.choose_accel(env=env or {}, device=device or self.device, probe=probe)

    def test_kvm_only_where_the_device_opens_and_runs_a_guest(self):
        self.assertEqual(self.choose()[0], "kvm")
        accel, why = self.choose(probe=lambda: False)
        self.assertEqual((accel, why), ("tcg", "%s opens, but a machine under KVM does not "
                                               "start the guest's kernel" % self.device))
        accel, why = self.choose(probe=lambda: None)
        self.assertEqual(accel, "tcg")
        self.assertIn("KVM is untried", why)

    def test_a_device_that_does_not_open_for_writing_means_tcg_without_a_probe(self):
        def probe():
            raise AssertionError("probed a device that does not open")
        missing = os.path.join(self.dir.name, "none")
        self.assertEqual(self.choose(device=missing, probe=probe),
                         ("tcg", missing + ": No such file or directory"))
        self.assertEqual(self.choose(device=self.dir.name, probe=probe),
                         ("tcg", self.dir.name + ": Is a directory"))
        # The stand-in is taken from the environment when no path is given.
        self.assertEqual(module.choose_accel(env={"CORVANE_GUEST_KVM_DEVICE": missing},
                                             probe=probe)[0], "tcg")

    def test_the_environment_forces_either_and_refuses_anything_else(self):
        missing = os.path.join(self.dir.name, "none")
        self.assertEqual(self.choose(env={"CORVANE_GUEST_ACCEL": "kvm"}, device=missing),
                         ("kvm", "CORVANE_GUEST_ACCEL=kvm"))
        self.assertEqual(self.choose(env={"CORVANE_GUEST_ACCEL": "tcg"})[0], "tcg")
        with self.assertRaisesRegex(module.GuestError, "CORVANE_GUEST_ACCEL is 'KVM'"):
            self.choose(env={"CORVANE_GUEST_ACCEL": "KVM"})

    def test_the_probe_runs_once_per_host_boot_and_not_at_all_without_a_kernel(self):
        calls = []
        real_probe, real_cache = module.kvm_probe, module.CACHE
        module.CACHE = self.dir.name
        try:
            module.kvm_probe = lambda kernel: calls.append(kernel)  # None: no kernel
            self.assertIsNone(module.kvm_probe_cached(self.device, "k"))
            module.kvm_probe = lambda kernel: calls.append(kernel) or True
            self.assertTrue(module.kvm_probe_cached(self.device, "k"))
            self.assertTrue(module.kvm_probe_cached(self.device, "k"))
            self.assertEqual(calls, ["k", "k"])
            with open(os.path.join(self.dir.name, "kvm-probe")) as record:
                key = record.readline()
            with open(os.path.join(self.dir.name, "kvm-probe"), "w") as record:
                record.write("another boot " + key + "no\n")
            self.assertTrue(module.kvm_probe_cached(self.device, "k"))
            self.assertEqual(len(calls), 3)
        finally:
            module.kvm_probe, module.CACHE = real_probe, real_cache

    def test_the_probe_reads_only_its_own_console(self):
        # A machine that cannot start its kernel (here: no kernel at all) after a probe that
        # did: the earlier console must not answer for it.
        saved = module.SESSIONS, module.ACCEL["kvm"], module.CPU["kvm"]
        module.SESSIONS = self.dir.name
        module.ACCEL["kvm"], module.CPU["kvm"] = "tcg", "Nehalem"
        try:
            with open(os.path.join(self.dir.name, "kvm-probe.log"), "w") as old:
                old.write("Probing EDD\n[    0.000000] Linux version 6.1.0\n")
            self.assertFalse(module.kvm_probe(self.device))
        finally:
            module.SESSIONS, module.ACCEL["kvm"], module.CPU["kvm"] = saved

    def test_stop_all_passes_over_what_is_not_a_session(self):
        saved_sessions, saved_argv = module.SESSIONS, sys.argv
        module.SESSIONS = self.dir.name
        open(os.path.join(self.dir.name, "kvm-probe.log"), "w").close()
        os.makedirs(os.path.join(self.dir.name, "ended"))
        try:
            sys.argv = ["guest.py", "stop-all"]
            self.assertEqual(module.main(), 0)
        finally:
            module.SESSIONS, sys.argv = saved_sessions, saved_argv

    def test_each_accelerator_gets_its_processor_model_and_the_console_names_it(self):
        for accel, words in (("tcg", ["-accel", "tcg,thread=multi", "-machine", "pc", "-cpu",
                                      "Nehalem"]),
                             ("kvm", ["-accel", "kvm", "-machine", "pc", "-cpu", "host"])):
            command = module.qemu_command("/img", "2", "/c", False, [], accel=accel)
            self.assertEqual(command[1:7], words)
            append = command[command.index("-append") + 1].split()
            self.assertIn("corvane.accel=" + accel, append)
            self.assertIn("mitigations=off", append)

    def test_the_facts_read_back_the_same_in_a_shell(self):
        text = module.facts_text()
        shell = subprocess.run(["sh", "-c", 'eval "$1"; printf "%s\\n" "$CORVANE_GUEST_JAVA" '
                                '"$CORVANE_GUEST_WOW64_PREFIX" "$CORVANE_GUEST_SMP"', "sh", text],
                               stdout=subprocess.PIPE, text=True, check=True)
        self.assertEqual(shell.stdout.split(), [module.FACTS["JAVA"],
                                                module.FACTS["WOW64_PREFIX"],
                                                module.FACTS["SMP"]])
        self.assertEqual(guest("facts").stdout.decode(), text)
        saved = dict(module.FACTS)
        try:
            module.FACTS["JAVA"] = "/opt/a jre/java"
            with self.assertRaisesRegex(module.GuestError, "cannot be written plainly"):
                module.facts_text()
        finally:
            module.FACTS.clear()
            module.FACTS.update(saved)

    def test_exec_and_run_share_their_options_and_start_takes_no_job_options(self):
        env = dict(os.environ, CORVANE_SKIP_GUEST="1")
        done = guest("exec", "runner-opts", "--smp", ONE_CPU, "--share", CHECKOUT, "--timeout",
                     "5", "--cwd", "/", "--env", "A=b", "--", "true", env=env)
        self.assertEqual((done.returncode, done.stdout[:9]), (0, b"skipped: "), done.stderr)
        done = guest("run", "runner-opts", "--timeout", "5", "--env", "A=b", "--", "true",
                     env=env)
        self.assertEqual(done.returncode, 0, done.stderr)
        for words in (["run", "runner-opts", "--smp", ONE_CPU, "--", "true"],
                      ["start", "runner-opts", "--timeout", "5"]):
            self.assertEqual(guest(*words, env=env).returncode, 2, words)


def main():
    names = sys.argv[1:]
    reason = module.skip_reason()
    if reason and names != ["Choices"]:
        print("skipped: " + reason)
        return 0
    program = unittest.main(argv=[sys.argv[0], "-v", *names], exit=False)
    return 0 if program.result.wasSuccessful() else 1


if __name__ == "__main__":
    sys.exit(main())
