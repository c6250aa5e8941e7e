#!/bin/sh
# SPDX-FileCopyrightText: 2026 The corvane-native authors
# SPDX-License-Identifier: Apache-2.0
#
# The guest's init (the kernel starts it as /sbin/corvane-init; there is no
# other). It sets up the few file systems the tests need, then, as the kernel
# command line says:
#   corvane.prepare  makes the two Wine prefixes that every later boot uses
#                    (the image's first boot, the only one that keeps what it
#                    writes);
#   otherwise        mounts the host's folders that guest.py shares, each at its
#                    host path, and runs the jobs guest.py leaves in the control
#                    folder until it is told to stop or has had none for a while.
# Then it syncs and powers the machine off.
PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin
export PATH HOME=/root LANG=C.UTF-8
# The prefixes' and loaders' paths, as guest.py gave them when it built the image.
. /etc/corvane/guest.env

# The initramfs hands over /sys and /dev mounted already.
mounted() { grep -q " $1 " /proc/mounts; }
mount -t proc proc /proc
mounted /sys || mount -t sysfs sysfs /sys
mounted /dev || mount -t devtmpfs devtmpfs /dev
mkdir -p /dev/pts /dev/shm
mount -t devpts devpts /dev/pts
mount -t tmpfs tmpfs /dev/shm
mount -t tmpfs tmpfs /tmp
mount -t tmpfs tmpfs /run
# Wine's services look their host up and talk over loopback; without either
# each start of a prefix waits seconds longer.
hostname corvane-guest
ip link set lo up

say() { echo "corvane-init: $*" >/dev/console; }

power_off() {
    sync
    say "power off"
    echo o >/proc/sysrq-trigger
    sleep 60
}

# Both prefixes at once: each boots Wine's services on its own processor.
make_prefixes() {
    export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    wow64=$CORVANE_GUEST_WOW64_PREFIX win32=$CORVANE_GUEST_WIN32_PREFIX
    server=$CORVANE_GUEST_WINESERVER
    mkdir -p "$(dirname "$wow64")" "$(dirname "$win32")"
    (WINEPREFIX=$wow64 setarch -R "$CORVANE_GUEST_WINE64_LOADER" wineboot --init
     WINEPREFIX=$wow64 "$server" -w) >/dev/null 2>&1 &
    (WINEARCH=win32 WINEPREFIX=$win32 setarch -R "$CORVANE_GUEST_WINE32_LOADER" wineboot --init
     WINEPREFIX=$win32 "$server" -w) >/dev/null 2>&1 &
    wait
    # wineboot's own status is no guide: it gives up waiting long before a slow
    # machine has finished. The prefixes themselves are.
    if [ -f "$wow64/drive_c/windows/syswow64/kernel32.dll" ] &&
        [ -f "$wow64/drive_c/windows/system32/kernel32.dll" ] &&
        grep -q '^#arch=win64' "$wow64/system.reg" &&
        [ -f "$win32/drive_c/windows/system32/kernel32.dll" ] &&
        [ ! -e "$win32/drive_c/windows/syswow64" ] &&
        grep -q '^#arch=win32' "$win32/system.reg"; then
        say "prefixes ready"
    else
        say "prefixes incomplete"
    fi
}

# One job: a shell script NAME.sh in the control folder, run with its output in
# NAME.out and NAME.err and its exit status last, in NAME.status.
run_job() {
    job="$1"
    base="${job%.run}"
    sh "$job" >"$base.out" 2>"$base.err" </dev/null
    echo $? >"$base.status.tmp"
    mv "$base.status.tmp" "$base.status"
}

# Whether a job is still running: its .run file has no .status yet. (dash runs
# "$(jobs -p)" in a subshell, which has no jobs, so the control folder says it.)
jobs_running() {
    for running in "$control"/*.run; do
        [ -e "$running" ] || continue
        [ -e "${running%.run}.status" ] || return 0
    done
    return 1
}

serve_jobs() {
    control=/run/corvane
    mkdir -p "$control"
    modprobe 9pnet_virtio && modprobe 9p || return
    options=trans=virtio,version=9p2000.L,msize=262144
    # Uncached, so that each new job shows at once.
    mount -t 9p -o "$options,cache=none" control "$control" || return
    # Each further share, "TAG PATH" on a line of its own, with a cache: Wine reads
    # an image's sections in single reads, which 9p without a cache answers in
    # parts of at most msize; Wine took the rest for zeros. The host leaves these
    # folders alone while the machine runs.
    while read -r tag path; do
        mkdir -p "$path" && mount -t 9p -o "$options,cache=loose" "$tag" "$path" ||
            say "cannot mount $tag at $path"
    done <"$control/shares"
    idle_limit=$(cat "$control/idle-seconds")
    accel=$(sed -n 's/.*corvane\.accel=\([a-z]*\).*/\1/p' /proc/cmdline)
    say "ready under ${accel:-an unnamed accelerator}"
    : >"$control/ready"
    idle=0
    while [ ! -e "$control/stop" ]; do
        found=no
        for job in "$control"/*.sh; do
            [ -e "$job" ] || continue
            mv "$job" "${job%.sh}.run"
            run_job "${job%.sh}.run" &
            found=yes
        done
        if [ $found = yes ] || jobs_running; then
            idle=0
        else
            idle=$((idle + 1))
            # Nobody is left to stop us (the test run was cut short): end by ourselves.
            if [ $((idle / 5)) -ge "$idle_limit" ]; then
                say "no job for $idle_limit s"
                break
            fi
        fi
        sleep 0.2
    done
    wait
}

if grep -qw corvane.prepare /proc/cmdline; then
    make_prefixes
else
    serve_jobs
fi
power_off
