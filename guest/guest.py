#!/usr/bin/env python3
# SPDX-FileCopyrightText: 2026 The corvane-native authors
# SPDX-License-Identifier: Apache-2.0

"""Runs commands inside a virtual machine that runs i386 code natively: QEMU's
emulation of an amd64 PC with Debian's kernel, whatever the host's kernel
allows, under KVM where the host offers it and full-system emulation (TCG)
otherwise. There 32-bit Wine runs the win32 programs and the i386
JVM runs with its JIT compilers, and the machine can be given any processor
topology.

  guest.py image            builds the image unless it is built already
  guest.py image --path     prints the image's folder, or says why there is none
  guest.py start NAME --smp CPUS [--share DIR ...]
                            boots a session and waits until it takes commands
  guest.py run NAME [--timeout S] [--cwd DIR] -- COMMAND ...
                            runs one command in the session, passes on its
                            output and exit status
  guest.py stop NAME        powers the session off
  guest.py exec NAME --smp CPUS [--share DIR ...] -- COMMAND ...
                            start, run and stop in one
  guest.py stop-all         powers off every session of this checkout
  guest.py facts            prints the paths inside the guest, NAME=VALUE a line
  guest.py accel            prints the accelerator the next machine gets, and why

CORVANE_GUEST_ACCEL=tcg|kvm forces the accelerator; otherwise KVM is used when
CORVANE_GUEST_KVM_DEVICE (default /dev/kvm) opens for reading and writing and a
machine under it starts the guest's kernel, which is probed once per host boot.

The image (recipe.sh, init.sh) is kept under CORVANE_GUEST_CACHE (default
/var/cache/corvane/guest), in a folder named after a hash of its recipe and of
the versions of its main packages, so that a changed recipe gets a new image
and an unchanged one is never built again. Its first boot makes the Wine
prefixes and is the only boot that keeps what it writes.

Each shared folder appears in the guest at its host path, so that commands and
the paths in them read the same inside. A session lives in
build/guest-sessions/NAME with its console log. With CORVANE_SKIP_GUEST set,
or without a built image, start, run and stop print one line "skipped: REASON"
and succeed, for CTest to count the test as skipped."""

import argparse
import fcntl
import hashlib
import os
import shlex
import shutil
import signal
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
CHECKOUT = os.path.dirname(HERE)
SESSIONS = os.path.join(CHECKOUT, "build", "guest-sessions")
CACHE = os.environ.get("CORVANE_GUEST_CACHE") or "/var/cache/corvane/guest"
RECIPE_FILES = ("recipe.sh", "init.sh")
# Their versions name the image; their dependencies follow from them.
MAIN_PACKAGES = ("linux-image-amd64", "wine", "wine64", "wine32:i386", "python3",
                 "openjdk-17-jre-headless:i386")
SUITES = ("bookworm/", "bookworm-updates/")

# Where things are inside the guest: written here only. The image carries them for its init
# (recipe.sh), and CMake and the scripts read them through "guest.py facts".
FACTS = {
    # Made by the first boot: a 64-bit prefix, where 32-bit programs run under WOW64 as on
    # 64-bit Windows, and a 32-bit-only one.
    "WOW64_PREFIX": "/opt/corvane/wine/wow64",
    "WIN32_PREFIX": "/opt/corvane/wine/win32",
    "WINE32_LOADER": "/usr/lib/wine/wine",
    "WINE64_LOADER": "/usr/lib/wine/wine64",
    "WINESERVER": "/usr/lib/wine/wineserver",
    # Unpacked from Debian's package by recipe.sh.
    "JAVA": "/usr/lib/jvm/java-17-openjdk-i386/bin/java",
    "PYTHON": "/usr/bin/python3",
    # The processors of a session that asks for nothing else: one package of two, like this
    # project's build machines.
    "SMP": "2,sockets=1,cores=2,threads=1",
}
WOW64_PREFIX = FACTS["WOW64_PREFIX"]
WIN32_PREFIX = FACTS["WIN32_PREFIX"]
WINE32_LOADER = FACTS["WINE32_LOADER"]
WINE64_LOADER = FACTS["WINE64_LOADER"]

# Under TCG, Nehalem rather than "max": with SMAP, QEMU 7.2's TCG lets the guest kernel oops in
# every Wine process. Unlike qemu64 it also shows the threads of each core in the guest's
# topology. Under KVM the host's own model, which has no such fault.
CPU = {"tcg": "Nehalem", "kvm": "host"}
ACCEL = {"tcg": "tcg,thread=multi", "kvm": "kvm"}
KVM_DEVICE = "/dev/kvm"
KVM_PROBE = "kvm-probe"
# A working KVM starts the kernel in well under a second.
KVM_PROBE_SECONDS = 20
# The guest is a throw-away test machine without a network. Its kernel's defences against
# speculative execution cost emulated machines dearly (each switch of page tables flushes
# TCG's whole translation cache): without them Wine starts a third faster.
KERNEL_OPTIONS = "mitigations=off"
MEMORY_MB = 3072
# A boot takes 15 s here, 30 s with 64 processors on a busy machine.
BOOT_SECONDS = 180
# A hung boot is rare but not independent of the last: the 64-processor machine once hung twice
# in a row at the same point, and came up in under 40 s three times just after.
BOOT_ATTEMPTS = 3
PREPARE_SECONDS = 1800
# A session that nobody stops (its test run was cut short) ends by itself.
IDLE_SECONDS = 180
LIFETIME_SECONDS = 3600
CONSOLE_FAULTS = ("Oops", "BUG:", "Kernel panic", "general protection fault")
POWER_OFF = "corvane-init: power off"


class GuestError(Exception):
    pass


def skip_reason():
    if os.environ.get("CORVANE_SKIP_GUEST", "") not in ("", "0"):
        return "CORVANE_SKIP_GUEST is set, so the virtual machine lane does not run"
    if image_dir() is None:
        return ("the virtual machine image is not built: 'python3 guest/guest.py image' "
                "builds it (about 4 minutes)")
    return None


# ---------------------------------------------------------------- the image

def recipe_key():
    digest = hashlib.sha256()
    for name in RECIPE_FILES:
        with open(os.path.join(HERE, name), "rb") as source:
            digest.update(name.encode() + b"\0" + source.read() + b"\0")
    digest.update(facts_text().encode() + b"\0")
    # The versions the archive offers now, as the host's apt last saw them.
    madison = subprocess.run(["apt-cache", "madison", *MAIN_PACKAGES], stdout=subprocess.PIPE,
                             stderr=subprocess.DEVNULL, text=True, check=False).stdout
    for line in sorted(madison.splitlines()):
        if any(" " + suite in line for suite in SUITES):
            digest.update(" ".join(line.split()).encode() + b"\n")
    return digest.hexdigest()[:16]


def image_dir():
    path = os.path.join(CACHE, recipe_key())
    return path if os.path.exists(os.path.join(path, "ready")) else None


def build_image():
    if os.environ.get("CORVANE_SKIP_GUEST", "") not in ("", "0"):
        return skipped("CORVANE_SKIP_GUEST is set, so the virtual machine image is not built")
    os.makedirs(CACHE, exist_ok=True)
    key = recipe_key()
    final = os.path.join(CACHE, key)
    # One builder at a time; a second one waits and then finds the image made.
    with open(os.path.join(CACHE, "lock"), "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        if os.path.exists(os.path.join(final, "ready")):
            print("guest image: ready in", final)
            return 0
        start = time.monotonic()
        # A half-built image from an interrupted run is never used: it is built again.
        partial = final + ".partial"
        shutil.rmtree(partial, ignore_errors=True)
        os.makedirs(partial)
        print("guest image: building in", partial, flush=True)
        facts = os.path.join(partial, "guest.env")
        with open(facts, "w") as out:
            out.write(facts_text())
        made = subprocess.run(["bash", os.path.join(HERE, "recipe.sh"), partial, facts],
                              check=False)
        if made.returncode != 0:
            raise GuestError("the recipe failed with status %d" % made.returncode)
        print("guest image: file system made in %.0f s; first boot makes the Wine prefixes"
              % (time.monotonic() - start), flush=True)
        console = os.path.join(partial, "first-boot.log")
        accel, why = choose_accel(kernel=os.path.join(partial, "vmlinuz"))
        print("guest image: first boot under %s (%s)" % (accel, why), flush=True)
        qemu = qemu_command(partial, "2", console, writable=True, shares=[], accel=accel,
                            extra_append="corvane.prepare")
        subprocess.run(["timeout", "-k", "10", str(PREPARE_SECONDS), *qemu],
                       stdin=subprocess.DEVNULL, check=False)
        log = read_console(console)
        if "corvane-init: prefixes ready" not in log:
            raise GuestError("the first boot did not make the Wine prefixes:\n" +
                             console_tail(log))
        with open(os.path.join(partial, "ready"), "w") as ready:
            ready.write(time.strftime("%Y-%m-%d %H:%M:%S\n"))
        # Renamed whole into place: the image is either there, ready, or not at all.
        shutil.rmtree(final, ignore_errors=True)
        os.rename(partial, final)
        # Older recipes' images are of no further use.
        for name in os.listdir(CACHE):
            if name not in (key, "lock", KVM_PROBE):
                shutil.rmtree(os.path.join(CACHE, name), ignore_errors=True)
        print("guest image: ready in %s after %.0f s" % (final, time.monotonic() - start))
    return 0


# ---------------------------------------------------------------- the machine

def facts_text():
    for name, value in FACTS.items():
        # Read by sh, CMake and Python alike, so nothing that any of them would need to unquote.
        if not all(c.isalnum() or c in "/,=._-" for c in value):
            raise GuestError("a guest fact cannot be written plainly: %s=%r" % (name, value))
    return "".join("CORVANE_GUEST_%s=%s\n" % item for item in FACTS.items())


def choose_accel(env=None, device=None, kernel=None, probe=None):
    """The accelerator for the next machine, "tcg" or "kvm", and why."""
    env = os.environ if env is None else env
    device = device or env.get("CORVANE_GUEST_KVM_DEVICE") or KVM_DEVICE
    forced = env.get("CORVANE_GUEST_ACCEL", "")
    if forced in ACCEL:
        return forced, "CORVANE_GUEST_ACCEL=" + forced
    if forced:
        raise GuestError("CORVANE_GUEST_ACCEL is %r: it can be tcg or kvm" % forced)
    try:
        os.close(os.open(device, os.O_RDWR | os.O_CLOEXEC))
    except OSError as error:
        return "tcg", "%s: %s" % (device, error.strerror)
    # A device that opens may still run no guest: a nested hypervisor's KVM may lack what a
    # stock kernel needs, and the machine then hangs silently in its first steps.
    if probe is None:
        probe = lambda: kvm_probe_cached(device, kernel)
    works = probe()
    if works is None:
        return "tcg", "%s opens, but KVM is untried: there is no guest kernel to try it with" % device
    if not works:
        return "tcg", "%s opens, but a machine under KVM does not start the guest's kernel" % device
    return "kvm", "%s opens and a machine under KVM starts the guest's kernel" % device


def kvm_probe_cached(device, kernel):
    """Whether KVM starts the guest's kernel, asked once per boot of this host and device; None
    without a kernel to ask with."""
    try:
        with open("/proc/sys/kernel/random/boot_id") as boot:
            key = "%s %s %d" % (boot.read().strip(), device, os.stat(device).st_rdev)
    except OSError:
        key = None
    # Kept beside the images, as a fact of this machine rather than of one checkout.
    record = os.path.join(CACHE, KVM_PROBE)
    if key:
        try:
            with open(record) as cached:
                seen_key, verdict = cached.read().splitlines()
            if seen_key == key:
                return verdict == "yes"
        except (OSError, ValueError):
            pass
    works = kvm_probe(kernel or os.path.join(image_dir() or "", "vmlinuz"))
    if key and works is not None:
        os.makedirs(CACHE, exist_ok=True)
        with open(record + ".tmp", "w") as out:
            out.write("%s\n%s\n" % (key, "yes" if works else "no"))
        os.replace(record + ".tmp", record)
    return works


def kvm_probe(kernel):
    """Boots the guest's kernel alone under KVM: true once it prints its first line."""
    if not os.path.exists(kernel):
        return None
    os.makedirs(SESSIONS, exist_ok=True)
    console = os.path.join(SESSIONS, "kvm-probe.log")
    # QEMU writes its serial file from the start without truncating it: an old console's
    # lines would stay behind the new one's.
    if os.path.exists(console):
        os.remove(console)
    command = ["qemu-system-x86_64", "-accel", ACCEL["kvm"], "-machine", "pc", "-cpu",
               CPU["kvm"], "-m", "256", "-smp", "1", "-nodefaults", "-display", "none",
               "-no-reboot", "-serial", "file:" + console, "-kernel", kernel,
               "-append", "console=ttyS0 earlyprintk=ttyS0 panic=-1"]
    process = subprocess.Popen(command, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL)
    deadline = time.monotonic() + KVM_PROBE_SECONDS
    try:
        while time.monotonic() < deadline:
            if "Linux version" in read_console(console):
                return True
            if process.poll() is not None:
                return "Linux version" in read_console(console)
            time.sleep(0.1)
        return False
    finally:
        process.kill()
        process.wait()


def qemu_command(image, smp, console, writable, shares, accel, extra_append=""):
    # The kernel echoes its command line into the console log, which so says which
    # accelerator ran.
    append = ("console=ttyS0 root=/dev/vda rootfstype=ext4 rw init=/sbin/corvane-init "
              "panic=-1 loglevel=6 %s corvane.accel=%s %s" % (KERNEL_OPTIONS, accel,
                                                               extra_append))
    command = [
        "qemu-system-x86_64", "-accel", ACCEL[accel], "-machine", "pc", "-cpu", CPU[accel],
        "-m", str(MEMORY_MB), "-smp", smp, "-nodefaults", "-display", "none", "-no-reboot",
        "-serial", "file:" + console, "-kernel", os.path.join(image, "vmlinuz"),
        "-initrd", os.path.join(image, "initrd.img"), "-append", append,
        "-drive", "file=%s,format=raw,if=virtio,snapshot=%s"
        % (os.path.join(image, "disk.img"), "off" if writable else "on"),
    ]
    for tag, path in shares:
        command += ["-virtfs", "local,path=%s,mount_tag=%s,security_model=none" % (path, tag)]
    return command


def read_console(path):
    try:
        with open(path, "rb") as log:
            return log.read().decode("utf-8", "replace")
    except FileNotFoundError:
        return ""


def console_tail(log, lines=30):
    return "\n".join("  | " + line for line in log.rstrip().splitlines()[-lines:])


def console_faults(log):
    # Once the guest powers off its work is done: the kernel's own warnings while it takes its
    # processors down under emulation (seen once: a scheduler warning) concern no test.
    log = log.split(POWER_OFF, 1)[0]
    return [line for line in log.splitlines() if any(f in line for f in CONSOLE_FAULTS)]


class Session:
    def __init__(self, name):
        if not name or "/" in name or name.startswith("."):
            raise GuestError("bad session name %r" % name)
        self.name = name
        self.dir = os.path.join(SESSIONS, name)
        self.control = os.path.join(self.dir, "control")
        self.console = os.path.join(self.dir, "console.log")
        self.pid_file = os.path.join(self.dir, "qemu.pid")
        self.smp_file = os.path.join(self.dir, "smp")
        self.process = None

    def describe(self):
        try:
            with open(self.smp_file) as smp:
                return "guest %s (-smp %s)" % (self.name, smp.read().strip())
        except FileNotFoundError:
            return "guest " + self.name

    def pid(self):
        try:
            with open(self.pid_file) as pid:
                return int(pid.read())
        except (FileNotFoundError, ValueError):
            return None

    def alive(self):
        pid = self.pid()
        if pid is None:
            return False
        try:
            done, _ = os.waitpid(pid, os.WNOHANG)
            if done:
                return False
        except ChildProcessError:
            pass
        # An exited QEMU whose starter has gone may stay a zombie where nobody reaps orphans.
        try:
            with open("/proc/%d/stat" % pid) as stat:
                return stat.read().rsplit(")", 1)[1].split()[0] != "Z"
        except (FileNotFoundError, IndexError):
            return False

    def failure(self, what):
        log = read_console(self.console)
        # The first sign of a dying kernel, which a long trace pushes out of the last lines.
        faults = console_faults(log)
        if faults:
            what += " (the guest kernel reported: %s)" % faults[0].strip()
        return GuestError("%s: %s; last console lines:\n%s" % (self.describe(), what,
                                                                console_tail(log)))

    def check_console(self):
        if console_faults(read_console(self.console)):
            raise self.failure("the guest kernel reported a fault")

    def start(self, smp, shares):
        self.kill()
        shutil.rmtree(self.dir, ignore_errors=True)
        os.makedirs(self.control)
        with open(self.smp_file, "w") as out:
            out.write(smp + "\n")
        tagged = []
        with open(os.path.join(self.control, "shares"), "w") as listing:
            for index, path in enumerate(dict.fromkeys(os.path.realpath(p) for p in shares)):
                if any(c.isspace() for c in path):
                    raise GuestError("cannot share a path with white space: %r" % path)
                tagged.append(("share%d" % index, path))
                listing.write("share%d %s\n" % (index, path))
        with open(os.path.join(self.control, "idle-seconds"), "w") as idle:
            idle.write("%d\n" % IDLE_SECONDS)
        # The console log names it: the kernel echoes its command line.
        accel, _ = choose_accel()
        command = qemu_command(image_dir(), smp, self.console, writable=False,
                               shares=[("control", self.control)] + tagged, accel=accel)
        for attempt in range(1, BOOT_ATTEMPTS + 1):
            if self.boot(command):
                return
            self.kill()
            if attempt == BOOT_ATTEMPTS:
                raise self.failure("not ready after %d s, %d times" % (BOOT_SECONDS, attempt))
            # Seen once in some forty boots: the emulated machine stopped early in its boot,
            # silently. Another boot of the same machine came up as usual.
            hung = "%s.hung-%d" % (self.console, attempt)
            os.replace(self.console, hung)
            print("%s: not ready after %d s (console in %s); booting it again"
                  % (self.describe(), BOOT_SECONDS, hung), file=sys.stderr, flush=True)

    def boot(self, command):
        """Starts QEMU; true once the guest takes jobs, false if it is not ready in time."""
        # timeout ends the machine whatever happens to us; its own group lets stop end both.
        with open(os.path.join(self.dir, "qemu.log"), "wb") as qemu_log:
            process = subprocess.Popen(
                ["timeout", "-k", "10", str(LIFETIME_SECONDS), *command],
                stdin=subprocess.DEVNULL, stdout=qemu_log, stderr=subprocess.STDOUT,
                start_new_session=True)
        self.process = process
        with open(self.pid_file, "w") as out:
            out.write("%d\n" % process.pid)
        deadline = time.monotonic() + BOOT_SECONDS
        while not os.path.exists(os.path.join(self.control, "ready")):
            if process.poll() is not None:
                raise self.failure("the machine stopped before it was ready (QEMU: %s)"
                                   % self.qemu_output())
            self.check_console()
            if time.monotonic() > deadline:
                return False
            time.sleep(0.2)
        return True

    def qemu_output(self):
        try:
            with open(os.path.join(self.dir, "qemu.log"), "rb") as log:
                text = log.read().decode("utf-8", "replace").strip()
        except FileNotFoundError:
            text = ""
        return text or "no message"

    def run(self, command, cwd, timeout, env):
        if not self.alive():
            raise self.failure("the machine is not running")
        job_id = "%d-%d" % (os.getpid(), time.monotonic_ns())
        base = os.path.join(self.control, job_id)
        exports = "".join("export %s\n" % shlex.quote(k + "=" + v) for k, v in env)
        script = "cd %s || exit 125\n%sexec %s\n" % (shlex.quote(cwd), exports,
                                                      shlex.join(command))
        with open(base + ".tmp", "w") as job:
            job.write(script)
        os.rename(base + ".tmp", base + ".sh")
        deadline = time.monotonic() + timeout
        while not os.path.exists(base + ".status"):
            if not self.alive():
                raise self.failure("the machine stopped during the command")
            self.check_console()
            if time.monotonic() > deadline:
                raise self.failure("the command took more than %d s: %s"
                                   % (timeout, shlex.join(command)))
            time.sleep(0.2)
        outputs = []
        for suffix in (".out", ".err"):
            with open(base + suffix, "rb") as output:
                outputs.append(output.read())
        with open(base + ".status") as status:
            code = int(status.read())
        for suffix in (".run", ".out", ".err", ".status"):
            os.remove(base + suffix)
        return code, outputs[0], outputs[1]

    def stop(self):
        if self.alive():
            open(os.path.join(self.control, "stop"), "w").close()
            deadline = time.monotonic() + 60
            while self.alive() and time.monotonic() < deadline:
                time.sleep(0.2)
        self.kill()
        self.check_console()

    def kill(self):
        pid = self.pid()
        if pid is None:
            return
        for sig in (signal.SIGTERM, signal.SIGKILL):
            try:
                os.killpg(pid, sig)
            except ProcessLookupError:
                break
            for _ in range(50):
                if not self.alive():
                    break
                time.sleep(0.1)
        if self.process is not None:
            self.process.wait()
        try:
            os.remove(self.pid_file)
        except FileNotFoundError:
            pass


# ---------------------------------------------------------------- command line

def skipped(reason):
    print("skipped: " + reason, flush=True)
    return 0


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    # Options that several commands share, each declared once.
    named = argparse.ArgumentParser(add_help=False)
    named.add_argument("name")
    machine = argparse.ArgumentParser(add_help=False)
    machine.add_argument("--smp", default=FACTS["SMP"])
    machine.add_argument("--share", action="append", default=[])
    job = argparse.ArgumentParser(add_help=False)
    job.add_argument("--timeout", type=int, default=1200)
    job.add_argument("--cwd", default=os.getcwd())
    job.add_argument("--env", action="append", default=[], metavar="NAME=VALUE")
    commands = parser.add_subparsers(dest="command", required=True)
    image = commands.add_parser("image")
    image.add_argument("--path", action="store_true")
    commands.add_parser("start", parents=[named, machine])
    commands.add_parser("run", parents=[named, job])
    commands.add_parser("stop", parents=[named])
    commands.add_parser("exec", parents=[named, machine, job])
    commands.add_parser("stop-all")
    commands.add_parser("facts")
    commands.add_parser("accel")
    # The command is everything after "--", options of its own included.
    words = sys.argv[1:]
    argv = words[words.index("--") + 1:] if "--" in words else []
    args = parser.parse_args(words[:words.index("--")] if "--" in words else words)

    try:
        if args.command == "image":
            if not args.path:
                return build_image()
            path = image_dir()
            print(path or skip_reason() or "no image")
            return 0 if path else 1
        if args.command == "facts":
            sys.stdout.write(facts_text())
            return 0
        if args.command == "accel":
            print("%s (%s)" % choose_accel())
            return 0
        if args.command == "stop-all":
            # Whatever their consoles say: their tests have reported that already.
            # Sessions are folders; the KVM probe's console lies beside them.
            for name in sorted(os.listdir(SESSIONS)) if os.path.isdir(SESSIONS) else []:
                if os.path.isdir(os.path.join(SESSIONS, name)):
                    Session(name).kill()
            return 0
        session = Session(args.name)
        reason = skip_reason()
        if reason:
            return skipped(reason)
        if args.command == "start":
            session.start(args.smp, args.share)
            print("%s: ready" % session.describe())
            return 0
        if args.command == "stop":
            session.stop()
            return 0
        if not argv:
            parser.error("%s needs a command" % args.command)
        env = [tuple(item.split("=", 1)) for item in args.env]
        if args.command == "exec":
            session.start(args.smp, args.share)
            try:
                code, out, err = session.run(argv, args.cwd, args.timeout, env)
            finally:
                session.stop()
        else:
            code, out, err = session.run(argv, args.cwd, args.timeout, env)
        sys.stdout.buffer.write(out)
        sys.stdout.flush()
        sys.stderr.buffer.write(err)
        sys.stderr.flush()
        return code
    except GuestError as error:
        print("guest: %s" % error, file=sys.stderr)
        return 1


if __name__ == "__main__":
    sys.exit(main())
