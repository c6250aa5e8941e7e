#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The corvane-native authors
# SPDX-License-Identifier: Apache-2.0
#
# scripts/bench.sh [--smoke]
# Measures what each deliverable costs against its limit, each figure side by side with its
# baseline in the same run, and prints one table, also written to build/bench/results.md:
#   1. cpuinfo.exe end to end under Wine against an empty program started the same way;
#   2. the two topology walkers on the host (Google Benchmark), per record, silent and file log;
#   3. the bridge's native methods in the 32-bit JVM against baseline natives, and its 64-bit
#      build's in the host's 64-bit JVM against baseline natives of its own;
#   4. the sizes of the deliverables, cpuinfo.exe against a program using the same streams.
# Release builds in build/bench-host, build/bench-win32, build/bench-linux-i386 and
# build/bench-linux-x86_64, and build/bench-win64 where 32-bit Wine cannot run. A few minutes.
# Start-up ratios are taken within each round (the median of the rounds' ratios); the bridge's
# and the walkers' between the fastest batch or repetition of each side, as other work on the
# machine only ever slows those down. A row with a goal is "met" or "missed" only when every
# part of its measurement (each fifth of the rounds; for the walkers, the figure without each
# fifth of the repetitions; each run in the virtual machine) lies on the same side of the goal;
# otherwise it says "unstable". The table must hold every row its code expects, or the run
# fails.
# --smoke builds everything and measures every row with very few rounds, without verdicts: it
# shows that each step works and each row is there (scripts/test.sh runs it). It leaves the
# virtual machine's rows to the full run and says so.
# Where 32-bit Wine cannot run (cmake/i386-host.py --win32 says why) the shipped 32-bit program
# is measured in the virtual machine of guest/ (its image is built first if need be), under
# 32-bit Wine as a WOW64 process, against the empty 32-bit program, in GUEST_RUNS runs of
# GUEST_ROUNDS rounds within one boot; the 64-bit build's start-up (build/bench-win64) is also
# measured on the host under wine64. On a host that runs no i386 code (or with
# CORVANE_NO_NATIVE_I386=1) the bridge's rows are measured in that machine's i386 JVM with its
# JIT compilers on (GUEST_BRIDGE_ROUNDS rounds), with the goals of native hosts, and also in the
# host's JVM under qemu-user, marked as emulated and without a goal. The 64-bit bridge's rows
# are native, with the JIT compilers on, and carry their goals on every host. Every row says
# where it ran. CORVANE_SKIP_GUEST=1 leaves the virtual machine out. STARTUP_ROUNDS (300) and
# BRIDGE_ROUNDS (101; 31 for the 32-bit JVM under qemu-user) set the rounds on the host.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

smoke=no
case "${1:-}" in
  "") ;;
  --smoke) smoke=yes ;;
  -h | --help) sed -n '2,/^set -euo/p' "$0" | sed '$d; s/^# \{0,1\}//'; exit 0 ;;
  *) echo "bench: unknown argument '$1' (--smoke, --help)" >&2; exit 2 ;;
esac

# Every failure says where it happened and what was run; the steps with output of their own
# also show it.
fail() {
  echo "bench: $*" >&2
  exit 1
}
trap 'echo "bench: failed (status $?) at scripts/bench.sh:$LINENO: $BASH_COMMAND" >&2' ERR
set -E
# run_logged LOG WHAT COMMAND...: runs COMMAND with its output in LOG; on failure shows the
# end of LOG and stops.
run_logged() {
  local log=$1 what=$2 status=0
  shift 2
  "$@" >"$log" 2>&1 || status=$?
  if ((status != 0)); then
    tail -n 40 "$log" >&2
    fail "$what failed (status $status); the whole output is in $log"
  fi
}
# cache_jvm BUILD_DIR: the JVM that the build found, as its CMake cache names it.
cache_jvm() {
  local cache=$1/CMakeCache.txt java
  java=$(sed -n 's/^OSTRELJNI_JAVA:FILEPATH=//p' "$cache")
  [[ -n "$java" && "$java" != *NOTFOUND ]] || fail "$cache names no JVM (OSTRELJNI_JAVA)"
  [[ -x "$java" ]] || fail "the JVM that $cache names, $java, is not an executable file"
  echo "$java"
}

bash scripts/setup.sh
# Google Benchmark, for the walkers.
benchmark_status=$(dpkg-query -W -f='${db:Status-Abbrev}' libbenchmark-dev 2>/dev/null || true)
if [[ "$benchmark_status" != ii* ]]; then
  sudo_cmd=()
  ((EUID == 0)) || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive \
    apt-get install -y -qq --no-install-recommends libbenchmark-dev
fi
python=/usr/bin/python3
i386_host=$("$python" cmake/i386-host.py)
echo "=== $("$python" cmake/i386-host.py --describe)"
if [[ $("$python" cmake/i386-host.py --win32) == yes ]]; then
  startup_abi=win32 loader=/usr/lib/wine/wine
else
  startup_abi=win64 loader=/usr/lib/wine/wine64
fi
emulator=()
[[ $i386_host != emulated ]] || emulator=(--emulator "$(command -v qemu-i386-static)")
guest=guest/guest.py
in_guest=no
if [[ $startup_abi != win32 || $i386_host != native ]]; then
  if [[ $smoke == yes ]]; then
    echo "=== bench: smoke run: the rows measured in the virtual machine (the shipped 32-bit" \
      "cpuinfo.exe's start-up, the bridge in its i386 JVM) are left to the full run"
  elif [[ "${CORVANE_SKIP_GUEST:-}" =~ ^(|0)$ ]]; then
    in_guest=yes
    "$python" "$guest" image || fail "the virtual machine's image could not be built"
    eval "$("$python" "$guest" facts)"
  else
    echo "=== bench: CORVANE_SKIP_GUEST is set: the virtual machine's rows are left out"
  fi
fi
guest_runs=${GUEST_RUNS:-3}
guest_rounds=${GUEST_ROUNDS:-60}
# How much is measured: a smoke run only shows that every row can be measured and checks out.
if [[ $smoke == yes ]]; then
  walker_options=(--benchmark_repetitions=5 --benchmark_min_time=0.002)
  bridge_options=(--rounds 5 --quick)
  bridge32_options=("${bridge_options[@]}")
  startup_options=(--rounds 5 --warm-up 1)
else
  walker_options=(--benchmark_repetitions=15 --benchmark_min_time=0.1)
  bridge_options=(--rounds "${BRIDGE_ROUNDS:-101}")
  # Under qemu-user the 32-bit bridge's rows carry no goal, and each round takes seconds.
  bridge32_options=("${bridge_options[@]}")
  [[ $i386_host != emulated ]] || bridge32_options=(--rounds "${BRIDGE_ROUNDS:-31}")
  startup_options=(--rounds "${STARTUP_ROUNDS:-300}")
fi

out=build/bench
rm -rf "$out"
mkdir -p "$out"
started=$(date -u '+%Y-%m-%d %H:%M UTC')
load_before=$(cut -d' ' -f1-3 /proc/loadavg)

echo "=== bench: configure and build (Release, benchmarks on, tests off)"
common=(-G Ninja -DCMAKE_BUILD_TYPE=Release -DCORVANE_BUILD_BENCHMARKS=ON -DCORVANE_BUILD_TESTS=OFF)
declare -A toolchain=(
  [bench-host]=""
  [bench-win32]=mingw-i686
  [bench-linux-i386]=linux-i386
  [bench-linux-x86_64]=linux-x86_64
  [bench-win64]=mingw-x86_64
)
dirs=(bench-host bench-win32 bench-linux-i386 bench-linux-x86_64)
[[ $startup_abi != win64 ]] || dirs+=(bench-win64)
for dir in "${dirs[@]}"; do
  options=("${common[@]}")
  [[ -z "${toolchain[$dir]}" ]] ||
    options+=(-DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchains/${toolchain[$dir]}.cmake")
  run_logged "$out/configure-$dir.log" "configuring build/$dir" cmake -S . -B "build/$dir" \
    "${options[@]}"
done
for dir in "${dirs[@]}"; do
  run_logged "$out/build-$dir.log" "building build/$dir" cmake --build "build/$dir"
done

win=build/bench-win32/cpuinfo
lin=build/bench-linux-i386/ostreljni
lin64=build/bench-linux-x86_64/ostreljni

echo "=== bench: sizes"
exe_size=$(stat -c %s "$win/cpuinfo.exe")
mapped_size=$(stat -c %s "$win/bench/cpuinfo_mapped.exe")
if ((exe_size != mapped_size)); then
  echo "bench: the mapped copy of cpuinfo.exe has another size ($mapped_size, $exe_size)" >&2
  exit 1
fi
i686-w64-mingw32-objdump -p "$win/cpuinfo.exe" | grep 'DLL Name' >"$out/cpuinfo-imports.txt"
"$python" cpuinfo/bench/map_summary.py --top 6 --json "$out/cpuinfo-map.json" \
  "$win/bench/cpuinfo_mapped.map" "$win/bench/bench_streams.map" >"$out/cpuinfo-map.txt"
cat >"$out/sizes.json" <<EOF
{"cpuinfo": $exe_size, "streams": $(stat -c %s "$win/bench/bench_streams.exe"),
 "empty": $(stat -c %s "$win/bench/bench_empty.exe"),
 "ostreljni": $(stat -c %s "$lin/libostreljni.so"),
 "ostreljni_text": $(size -A "$lin/libostreljni.so" | awk '$1==".text"{print $2}'),
 "baseline_so": $(stat -c %s "$lin/bench/libostreljnibench.so"),
 "ostreljni64": $(stat -c %s "$lin64/libostreljni.so"),
 "ostreljni64_text": $(size -A "$lin64/libostreljni.so" | awk '$1==".text"{print $2}'),
 "baseline64_so": $(stat -c %s "$lin64/bench/libostreljnibench.so"),
 "imports": "$(awk '{print $3}' "$out/cpuinfo-imports.txt" | paste -sd' ')"}
EOF

echo "=== bench: topology walkers (host, Google Benchmark)"
# Every repetition is kept: the table takes the fastest of each size, over all and in parts.
run_logged "$out/walkers.txt" "the walkers' benchmark" \
  build/bench-host/cpuinfo/bench/cpuinfo_walkers_bench --log-file "$root/$out/walkers.log" \
  "${walker_options[@]}" --benchmark_enable_random_interleaving=true \
  --benchmark_out="$out/walkers.json" --benchmark_out_format=json

echo "=== bench: the bridge in the 32-bit JVM"
# The JVM the build found: Debian's, or the copy that set-up unpacked.
java32=$(cache_jvm build/bench-linux-i386)
for monitor in bench tests; do
  if [[ $monitor == bench ]]; then dir=$lin/bench/monitor; else dir=$lin/tests/standin; fi
  "$python" ostreljni/bench/run_bridge_bench.py --java "$java32" "${emulator[@]}" \
    --classes "$lin/bench/classes" \
    --bridge-dir "$lin" --baseline-dir "$lin/bench" --monitor-dir "$root/$dir" \
    --work-dir "$out/bridge-$monitor" "${bridge32_options[@]}" --out "$out/bridge-$monitor.json" ||
    fail "the bridge's benchmark in the 32-bit JVM, $monitor monitor, failed (above)"
  echo "bench: bridge with the $monitor monitor done"
done

echo "=== bench: the 64-bit bridge in the host's 64-bit JVM"
java64=$(cache_jvm build/bench-linux-x86_64)
for monitor in bench tests; do
  if [[ $monitor == bench ]]; then dir=$lin64/bench/monitor; else dir=$lin64/tests/standin; fi
  "$python" ostreljni/bench/run_bridge_bench.py --java "$java64" \
    --classes "$lin64/bench/classes" \
    --bridge-dir "$lin64" --baseline-dir "$lin64/bench" --monitor-dir "$root/$dir" \
    --work-dir "$out/bridge64-$monitor" "${bridge_options[@]}" \
    --out "$out/bridge64-$monitor.json" ||
    fail "the bridge's benchmark in the 64-bit JVM, $monitor monitor, failed (above)"
  echo "bench: 64-bit bridge with the $monitor monitor done"
done

echo "=== bench: cpuinfo.exe ($startup_abi) under Wine"
prefix=$root/build/bench-$startup_abi/wineprefix
started_win=build/bench-$startup_abi/cpuinfo
run_logged "$out/wine-session.log" "starting the Wine session of $prefix" \
  cmake/wine-session.sh start "$loader" "$prefix"
status=0
"$python" cpuinfo/bench/startup_bench.py --wine-run cmake/wine-run.sh --loader "$loader" \
  --prefix "$prefix" --exe "$started_win/cpuinfo.exe" --empty "$started_win/bench/bench_empty.exe" \
  --streams "$started_win/bench/bench_streams.exe" --work-dir "$out/startup" \
  "${startup_options[@]}" --json "$out/startup.json" >/dev/null || status=$?
cmake/wine-session.sh stop "$loader" "$prefix" || true
((status == 0)) || fail "the start-up benchmark under Wine failed (status $status; above)"

if [[ $in_guest == yes ]]; then
  accel=$("$python" "$guest" accel)
  echo "=== bench: in the virtual machine under $accel"
  trap '"$python" "$guest" stop bench >/dev/null 2>&1 || true' EXIT
  "$python" "$guest" start bench --share "$root"
  in_vm() { "$python" "$guest" run bench --cwd "$root" --timeout 3600 -- "$@"; }
  # The programs on the guest's own disk, as they would be on a Windows machine's.
  in_vm sh -c 'mkdir -p /tmp/bench && cp "$@" /tmp/bench/' sh "$win/cpuinfo.exe" \
    "$win/bench/bench_empty.exe" "$win/bench/bench_streams.exe"
  in_vm cmake/wine-session.sh start "$CORVANE_GUEST_WINE32_LOADER" "$CORVANE_GUEST_WOW64_PREFIX"
  for run in $(seq "$guest_runs"); do
    echo "=== bench: dist's cpuinfo.exe (win32) in the virtual machine, run $run of $guest_runs"
    in_vm "$CORVANE_GUEST_PYTHON" cpuinfo/bench/startup_bench.py --wine-run cmake/wine-run.sh \
      --loader "$CORVANE_GUEST_WINE32_LOADER" --prefix "$CORVANE_GUEST_WOW64_PREFIX" \
      --exe /tmp/bench/cpuinfo.exe --empty /tmp/bench/bench_empty.exe \
      --streams /tmp/bench/bench_streams.exe --work-dir /tmp/bench/startup \
      --rounds "$guest_rounds" >"$out/guest-startup-$run.json"
  done
  for monitor in bench tests; do
    if [[ $monitor == bench ]]; then dir=$lin/bench/monitor; else dir=$lin/tests/standin; fi
    echo "=== bench: the bridge in the virtual machine's 32-bit JVM, $monitor monitor"
    in_vm "$CORVANE_GUEST_PYTHON" ostreljni/bench/run_bridge_bench.py \
      --java "$CORVANE_GUEST_JAVA" --classes "$lin/bench/classes" --bridge-dir "$root/$lin" \
      --baseline-dir "$root/$lin/bench" --monitor-dir "$root/$dir" \
      --work-dir "/tmp/bench/bridge-$monitor" --rounds "${GUEST_BRIDGE_ROUNDS:-61}" \
      --out /dev/stdout >"$out/bridge-guest-$monitor.json"
  done
  guest_tools="$(in_vm "$CORVANE_GUEST_WINE32_LOADER" --version),"
  guest_tools+=" OpenJDK $(in_vm "$CORVANE_GUEST_JAVA" -version 2>&1 | awk -F'"' 'NR==1{print $2}') i386"
  "$python" "$guest" stop bench
  trap - EXIT
  # Which machine it was, as the table says it.
  machine_accel=${accel%% *}
fi

echo "=== bench: results"
cpu=$(grep -m1 'model name' /proc/cpuinfo | sed 's/.*: //')
memory=$(awk '/MemTotal/{printf "%.1f GB", $2/1048576}' /proc/meminfo)
machine="$(nproc) cores, $cpu, $memory RAM, Linux $(uname -r)"
jvm=$("$java32" -version 2>&1)
jvm_version=$(awk -F'"' 'NR==1{print $2}' <<<"$jvm")
jvm_name=$(sed -n 3p <<<"$jvm" | sed 's/ (build.*//')
jvm64=$("$java64" -version 2>&1)
jvm64_version=$(awk -F'"' 'NR==1{print $2}' <<<"$jvm64")
jvm64_name=$(sed -n 3p <<<"$jvm64" | sed 's/ (build.*//')
tools="mingw-w64 g++ $(i686-w64-mingw32-g++-posix -dumpversion), $("$loader" --version),"
tools+=" OpenJDK $jvm_version i386 ($jvm_name), OpenJDK $jvm64_version amd64 ($jvm64_name),"
tools+=" g++ $(g++ -dumpversion)"
[[ $in_guest != yes ]] || tools+="; in the virtual machine: $guest_tools, Linux $(
  sed -n 's/^linux-image-[^ ]* //{p;q}' "$("$python" "$guest" image --path)/packages.txt")"
export MACHINE="$machine" TOOLS="$tools" STARTED="$started" STARTUP_ABI="$startup_abi"
export I386_HOST="$i386_host" IN_GUEST="$in_guest" GUEST_ACCEL="${machine_accel:-}"
export GUEST_SMP="${CORVANE_GUEST_SMP:-}"
load_after=$(cut -d' ' -f1-3 /proc/loadavg)
export LOAD="$load_before $load_after" SMOKE="$smoke"
"$python" - "$out" <<'PYTHON' | tee "$out/results.md"
import json, math, os, statistics, sys

out = sys.argv[1]
load = lambda name: json.load(open(os.path.join(out, name)))
rows = []
emulated = os.environ["I386_HOST"] == "emulated"
in_guest = os.environ["IN_GUEST"] == "yes"
smoke = os.environ["SMOKE"] == "yes"
machine = "virtual machine under %s (-smp %s)" % (os.environ["GUEST_ACCEL"].upper(),
                                                   os.environ["GUEST_SMP"])

# Every row the table must have, by its key: a row that goes missing, from the code below or
# from a measurement, fails the run.
START_UP = ["start-up console", "start-up file", "start-up streams"]
GUEST_START_UP = ["guest start-up console", "guest start-up file", "guest start-up streams"]
WALKERS = ["readCoreCountsEx silent", "readCoreCountsEx file",
           "readCoreCountsBasic silent", "readCoreCountsBasic file"]
BRIDGE_CASES = ["postState 16 B", "postState 4 KB", "getAppStatus 16 B", "getAppStatus 4 KB"]
BRIDGE_HOSTS = ["bridge32 bench", "bridge32 tests", "bridge64 bench", "bridge64 tests"]
GUEST_BRIDGE_HOSTS = ["bridge-guest bench", "bridge-guest tests"]
SIZES = ["size cpuinfo.exe", "size libostreljni.so", "size libostreljni.so 64-bit"]
expected = START_UP + (GUEST_START_UP if in_guest else []) + WALKERS + [
    "%s %s" % (host, case) for host in BRIDGE_HOSTS + (GUEST_BRIDGE_HOSTS if in_guest else [])
    for case in BRIDGE_CASES] + SIZES
keys = []


def row(key, part, where, what, figure, limit, ratio, parts, goal):
    """A table row. parts are the figures of independent parts of the measurement (fifths of
    the rounds, groups of repetitions, whole runs): a goal is met or missed only when all of
    them agree; where they straddle the goal the row says "unstable"."""
    keys.append(key)
    if ratio is not None and not math.isfinite(ratio):
        sys.exit("bench: the row %s has no figure (%r)" % (key, ratio))
    shown = "—" if ratio is None else "%.3f" % ratio
    if parts and len(parts) > 1 and not smoke:
        shown += " (parts %.3f–%.3f)" % (min(parts), max(parts))
    if goal is None:
        verdict = "—"
    elif smoke:
        verdict = "≤ %.2f, no verdict in a smoke run" % goal
    elif max(parts) <= goal:
        verdict = "≤ %.2f, met" % goal
    elif min(parts) > goal:
        verdict = "≤ %.2f, **missed**" % goal
    else:
        verdict = "≤ %.2f, unstable" % goal
    rows.append("| %s | %s | %s | %s | %s | %s | %s |" % (part, where, what, figure, limit,
                                                        shown, verdict))


def fifths(values):
    n = len(values)
    return [statistics.median(values[i * n // 5:(i + 1) * n // 5]) for i in range(5)]


ms = lambda s: "%.1f ms" % (s * 1000)
ns = lambda v: ("%.1f ns" % v) if v < 1000 else ("%.2f µs" % (v / 1000))

# 1. cpuinfo.exe under Wine: the 32-bit build on the host where 32-bit Wine runs, else in the
# virtual machine, and the 64-bit build under wine64 on the host.
s = load("startup.json")
if os.environ["STARTUP_ABI"] == "win32":
    where, build = "host, 32-bit Wine", ""
else:
    where, build = "host, wine64", " (64-bit build)"
# Each round starts every program once, in a few hundred milliseconds at most: the load the
# machine carries then weighs on all of them alike, so the ratio is taken within each round,
# and the figure is the median of the rounds' ratios (the fastest starts, by contrast, are
# single lucky draws on a busy machine and swing far more).
for side, what in (("console", "`cpuinfo.exe --logfile console`"),
                   ("file", "`cpuinfo.exe --logfile FILE`"),
                   ("streams", "where the time goes: a static program that only writes a line "
                               "through the standard streams")):
    q = s[side]["ratio_q1_q3"]
    row("start-up " + side, "1", where,
        what + build + ", start to exit, median of %d rounds' ratios" % s["rounds"],
        "%s (quartiles of the ratio %.2f–%.2f; fastest start %s)" % (
            ms(s[side]["median_s"]), q[0], q[1], ms(min(s[side]["times_s"]))),
        "empty static program, same toolchain and start: %s (fastest %s)" % (
            ms(s["empty"]["median_s"]), ms(min(s["empty"]["times_s"]))),
        s[side]["ratio_to_empty"], fifths(s[side]["ratios"]), 1.05 if side != "streams" else None)
if in_guest:
    runs = sorted(f for f in os.listdir(out) if f.startswith("guest-startup-"))
    g = [load(f) for f in runs]
    where = machine + ", 32-bit Wine, WOW64 process"
    for side, what in (("console", "`cpuinfo.exe --logfile console`"),
                       ("file", "`cpuinfo.exe --logfile FILE`"),
                       ("streams", "the streams-only program")):
        ratios = [r[side]["ratio_to_empty"] for r in g]
        # Both sides of each pair ran in the same emulated machine: the runs are the parts.
        row("guest start-up " + side, "1", where,
            "%s (shipped 32-bit build), start to exit, %d runs of %d rounds" % (
                what, len(g), g[0]["rounds"]),
            "%s; ratio per run %s" % (ms(statistics.median(r[side]["median_s"] for r in g)),
                                      " / ".join("%.3f" % x for x in ratios)),
            "empty static program, same toolchain and start: %s" % ms(
                statistics.median(r["empty"]["median_s"] for r in g)),
            statistics.median(ratios), ratios, 1.05 if side != "streams" else None)

# 2. The walkers. CPU time: the walk runs on one thread and its file writes are system time,
# while the wall clock also counts the time other tenants of a shared machine hold the core.
# Other tenants still slow it (a shared core's caches), never speed it up: the fastest of the
# repetitions is the figure. Its parts are the same figure with each fifth of the repetitions
# left out (the fastest of only three, the alternative, is too often three disturbed ones).
walker_runs = [b for b in load("walkers.json")["benchmarks"]
               if b.get("run_type") == "iteration" and not b.get("error_occurred")]
for walker in ("readCoreCountsEx", "readCoreCountsBasic"):
    for mode, label in (("silent", "logger silent"), ("file", "file logger")):
        reps = {n: [b for b in walker_runs if b["run_name"] == "%s/%s/%d" % (walker, mode, n)]
                for n in (1, 64, 1024)}
        if not all(reps.values()):
            sys.exit("bench: no repetitions of %s/%s in walkers.json" % (walker, mode))

        def growth(group):
            t = {n: min(b["cpu_time"] for b in reps[n] if group(b)) for n in reps}
            return t, ((t[1024] - t[64]) / 960) / ((t[64] - t[1]) / 63)

        t, ratio = growth(lambda b: True)
        parts = [growth(lambda b, k=k: b["repetition_index"] % 5 != k)[1] for k in range(5)]
        per = " / ".join(ns(t[n] / n) for n in (1, 64, 1024))
        row("%s %s" % (walker, mode), "2", "host",
            "`%s`, %s: CPU time per record at 1 / 64 / 1024 packages, fastest of %d "
            "repetitions" % (walker, label, len(reps[1])),
            "%s (per call %s / %s / %s)" % (per, ns(t[1]), ns(t[64]), ns(t[1024])),
            "linear growth: added cost per record 1→64 packages, %s" % ns((t[64] - t[1]) / 63),
            ratio, parts, 1.25)

# 3. The bridge. Under qemu-user its times are the emulator's, so they carry no goal; in the
# virtual machine the i386 JVM runs with its JIT compilers, as the 64-bit one does on the host.
jvm32 = "host, qemu-i386-static, interpreter only" if emulated else "host, i386 JVM"
stand_in = "test stand-in monitor: lock and copy included"
bridges = [("bridge32", "bench", jvm32, ""), ("bridge32", "tests", jvm32, " (%s)" % stand_in)]
if in_guest:
    bridges += [("bridge-guest", "bench", machine + ", i386 JVM, JIT on", ""),
                ("bridge-guest", "tests", machine + ", i386 JVM, JIT on", " (%s)" % stand_in)]
bridges += [("bridge64", "bench", "host, amd64 JVM", " (64-bit build)"),
            ("bridge64", "tests", "host, amd64 JVM", " (64-bit build; %s)" % stand_in)]
files = {"bridge32": "bridge-%s.json", "bridge-guest": "bridge-guest-%s.json",
         "bridge64": "bridge64-%s.json"}
for kind, monitor, where, note in bridges:
    native = kind != "bridge32" or not emulated
    b = load(files[kind] % monitor)["cases"]
    rounds = b["postState 16 B"]["postState"]["rounds"]
    for size in ("16 B", "4 KB"):
        c = b["postState " + size]
        row("%s %s postState %s" % (kind, monitor, size), "3", where,
            "`postState`, %s text, stdout to a file%s, fastest batch of %d rounds" % (
                size, note, rounds),
            "%s per call (median), median ratio %.3f" % (ns(c["postState"]["ns_per_call"]),
                                                         c["postState"]["ratio"]),
            "minimal native, same JNI calls and echo: %s (empty native %s)" % (
                ns(c["minimal native"]["ns_per_call"]), ns(c["empty native"]["ns_per_call"])),
            c["postState"]["fastest_ratio"], c["postState"]["fastest_ratio_parts"],
            1.2 if native else None)
    for size in ("16 B", "4 KB"):
        c = b["getAppStatus " + size]
        row("%s %s getAppStatus %s" % (kind, monitor, size), "3", where,
            "`getAppStatus`, %s text%s, fastest batch of %d rounds" % (size, note, rounds),
            "%s per call (median), median ratio %.3f (minimal native with the monitor call: %s)" % (
                ns(c["getAppStatus"]["ns_per_call"]), c["getAppStatus"]["ratio"],
                ns(c["minimal native"]["ns_per_call"])),
            "bare `NewStringUTF` of the same text: %s (empty native %s)" % (
                ns(c["bare NewStringUTF"]["ns_per_call"]), ns(c["empty native"]["ns_per_call"])),
            # With the stand-in, the time above NewStringUTF is the stand-in's own lock
            # and copy, which the minimal native making the same call pays alike.
            c["getAppStatus"]["fastest_ratio"], c["getAppStatus"]["fastest_ratio_parts"],
            1.1 if monitor == "bench" and native else None)

# 4. Sizes: exact, one figure each.
z = load("sizes.json")
m = load("cpuinfo-map.json")
row("size cpuinfo.exe", "4", "files",
    "`cpuinfo.exe` size (static, stripped; imports %s)" % z["imports"], "%d bytes" % z["cpuinfo"],
    "static program using the same standard streams: %d bytes" % z["streams"],
    z["cpuinfo"] / z["streams"], [z["cpuinfo"] / z["streams"]], 1.10)
row("size libostreljni.so", "4", "files", "`libostreljni.so` size",
    "%d bytes (.text %d bytes)" % (z["ostreljni"], z["ostreljni_text"]),
    "no limit; the benchmark's baseline natives library: %d bytes" % z["baseline_so"], None, None,
    None)
row("size libostreljni.so 64-bit", "4", "files", "`libostreljni.so` size, 64-bit build",
    "%d bytes (.text %d bytes)" % (z["ostreljni64"], z["ostreljni64_text"]),
    "no limit; the benchmark's baseline natives library: %d bytes" % z["baseline64_so"], None,
    None, None)

missing = [k for k in expected if k not in keys]
unexpected = [k for k in keys if k not in expected]
if missing or unexpected or len(keys) != len(set(keys)):
    sys.exit("bench: the table's rows are not the expected ones: missing %s, unexpected %s, "
             "%d rows for %d keys" % (missing, unexpected, len(keys), len(set(keys))))
with open(os.path.join(out, "rows-expected"), "w") as f:
    f.write("%d\n" % len(expected))

print("## Benchmarks%s\n" % (" (smoke run: few rounds, no verdicts)" if smoke else ""))
print("Machine: %s. Tools: %s. Run %s; load average before / after: %s.\n" % (
    os.environ["MACHINE"], os.environ["TOOLS"], os.environ["STARTED"], os.environ["LOAD"]))
print("| part | where | measured | figure | limit | ratio | goal |")
print("|---|---|---|---|---|---|---|")
print("\n".join(rows))
kb = lambda v: "%.0f KB" % (v / 1000)
print("\nWhere the bytes of `cpuinfo.exe` go (link map of the same link, loaded sections: %s):"
      % kb(m["total"]))
print("by archive " + ", ".join("%s %s" % (a, kb(v)) for a, v in m["archives"][:5]) +
      "; largest members " + ", ".join("%s %s" % (a, kb(v)) for a, v in m["members"][:4]) +
      "; beyond the streams program %s, most of it %s." % (
          kb(m["beyond_baseline_total"]),
          ", ".join("%s %s" % (a.replace("libcpuinfo_core.a(", "").rstrip(")"), kb(v))
                    for a, v in m["beyond_baseline"][:4])))
PYTHON
# The rows printed, against the rows the table must have.
printed=$(grep -cE '^\| [0-9] \| ' "$out/results.md" || true)
expected_rows=$(cat "$out/rows-expected")
((printed == expected_rows)) ||
  fail "the table shows $printed rows, $expected_rows expected (see $out/results.md)"
echo "bench: table written to $out/results.md"
