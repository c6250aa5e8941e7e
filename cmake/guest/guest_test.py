#!/usr/bin/env python3
"""guest.py as its callers meet it: a command's output and exit status pass through, and a
machine that cannot start, a command past its time limit and a guest kernel that dies each
fail with the guest's name, its -smp and the last console lines, leaving no QEMU behind.
Needs the built image; with CORVANE_SKIP_GUEST set every call is a skip."""

import os
import subprocess
import sys
import unittest

GUEST = os.path.join(os.path.dirname(os.path.abspath(__file__)), "guest.py")
CHECKOUT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
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


def main():
    sys.path.insert(0, os.path.dirname(GUEST))
    import guest as module
    reason = module.skip_reason()
    if reason:
        print("skipped: " + reason)
        return 0
    program = unittest.main(argv=[sys.argv[0], "-v"], exit=False)
    return 0 if program.result.wasSuccessful() else 1


if __name__ == "__main__":
    sys.exit(main())
