#!/usr/bin/env bash
# Measures what each deliverable costs against its limit, each figure side by side with its
# baseline in the same run, and prints one table, also written to build/bench/results.md:
#   1. cpuinfo.exe end to end under Wine against an empty program started the same way;
#   2. the two topology walkers on the host (Google Benchmark), per record, silent and file log;
#   3. the bridge's native methods in the 32-bit JVM against baseline natives, and its 64-bit
#      build's in the host's 64-bit JVM against baseline natives of its own;
#   4. the sizes of the deliverables, cpuinfo.exe against a program using the same streams.
# Release builds in build/bench-host, build/bench-win32, build/bench-linux-i386 and
# build/bench-linux-x86_64. A few minutes; not part of scripts/test.sh.
# Where 32-bit Wine cannot run (cmake/i386-host.py --win32 says why) the shipped 32-bit program
# is measured in the virtual machine of guest/ (its image is built first if need be), under
# 32-bit Wine as a WOW64 process, against the empty 32-bit program, in GUEST_RUNS runs of
# GUEST_ROUNDS rounds within one boot; the 64-bit build's start-up (build/bench-win64) is also
# measured on the host under wine64. On a host that runs no i386 code (or with
# CORVANE_NO_NATIVE_I386=1) the bridge's rows are measured in that machine's i386 JVM with its
# JIT compilers on, with the goals of native hosts, and also in the host's JVM under qemu-user,
# marked as emulated and without a goal. The 64-bit bridge's rows are native, with the JIT
# compilers on, and carry their goals on every host. Every row says where it ran.
# CORVANE_SKIP_GUEST=1 leaves the virtual machine out.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

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
if [[ ($startup_abi != win32 || $i386_host != native) && "${CORVANE_SKIP_GUEST:-}" =~ ^(|0)$ ]]
then
  in_guest=yes
  "$python" "$guest" image
  eval "$("$python" "$guest" facts)"
fi
guest_runs=${GUEST_RUNS:-3}
guest_rounds=${GUEST_ROUNDS:-60}

out=build/bench
rm -rf "$out"
mkdir -p "$out"
started=$(date -u '+%Y-%m-%d %H:%M UTC')
load_before=$(cut -d' ' -f1-3 /proc/loadavg)

echo "=== bench: configure and build (Release, benchmarks on, tests off)"
common=(-G Ninja -DCMAKE_BUILD_TYPE=Release -DCORVANE_BUILD_BENCHMARKS=ON -DCORVANE_BUILD_TESTS=OFF)
cmake -S . -B build/bench-host "${common[@]}" >/dev/null
cmake -S . -B build/bench-win32 "${common[@]}" \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchains/mingw-i686.cmake" >/dev/null
cmake -S . -B build/bench-linux-i386 "${common[@]}" \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchains/linux-i386.cmake" >/dev/null
cmake -S . -B build/bench-linux-x86_64 "${common[@]}" \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchains/linux-x86_64.cmake" >/dev/null
dirs=(bench-host bench-win32 bench-linux-i386 bench-linux-x86_64)
if [[ $startup_abi == win64 ]]; then
  cmake -S . -B build/bench-win64 "${common[@]}" \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchains/mingw-x86_64.cmake" >/dev/null
  dirs+=(bench-win64)
fi
for dir in "${dirs[@]}"; do
  cmake --build "build/$dir" >"$out/build-$dir.log" 2>&1 || { cat "$out/build-$dir.log"; exit 1; }
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
build/bench-host/cpuinfo/bench/cpuinfo_walkers_bench --log-file "$root/$out/walkers.log" \
  --benchmark_repetitions=12 --benchmark_enable_random_interleaving=true \
  --benchmark_min_time=0.1 --benchmark_report_aggregates_only=true \
  --benchmark_out="$out/walkers.json" --benchmark_out_format=json >"$out/walkers.txt" 2>&1 ||
  { cat "$out/walkers.txt"; exit 1; }

echo "=== bench: the bridge in the 32-bit JVM"
# The JVM the build found: Debian's, or the copy that set-up unpacked.
java32=$(sed -n 's/^OSTRELJNI_JAVA32:FILEPATH=//p' build/bench-linux-i386/CMakeCache.txt)
for monitor in bench tests; do
  if [[ $monitor == bench ]]; then dir=$lin/bench/monitor; else dir=$lin/tests/standin; fi
  "$python" ostreljni/bench/run_bridge_bench.py --java "$java32" "${emulator[@]}" \
    --classes "$lin/bench/classes" \
    --bridge-dir "$lin" --baseline-dir "$lin/bench" --monitor-dir "$root/$dir" \
    --work-dir "$out/bridge-$monitor" --rounds 101 --out "$out/bridge-$monitor.json"
  echo "bench: bridge with the $monitor monitor done"
done

echo "=== bench: the 64-bit bridge in the host's 64-bit JVM"
java64=$(sed -n 's/^OSTRELJNI_JAVA64:FILEPATH=//p' build/bench-linux-x86_64/CMakeCache.txt)
for monitor in bench tests; do
  if [[ $monitor == bench ]]; then dir=$lin64/bench/monitor; else dir=$lin64/tests/standin; fi
  "$python" ostreljni/bench/run_bridge_bench.py --java "$java64" \
    --classes "$lin64/bench/classes" \
    --bridge-dir "$lin64" --baseline-dir "$lin64/bench" --monitor-dir "$root/$dir" \
    --work-dir "$out/bridge64-$monitor" --rounds 101 --out "$out/bridge64-$monitor.json"
  echo "bench: 64-bit bridge with the $monitor monitor done"
done

echo "=== bench: cpuinfo.exe ($startup_abi) under Wine"
prefix=$root/build/bench-$startup_abi/wineprefix
started_win=build/bench-$startup_abi/cpuinfo
cmake/wine-session.sh start "$loader" "$prefix"
status=0
"$python" cpuinfo/bench/startup_bench.py --wine-run cmake/wine-run.sh --loader "$loader" \
  --prefix "$prefix" --exe "$started_win/cpuinfo.exe" --empty "$started_win/bench/bench_empty.exe" \
  --streams "$started_win/bench/bench_streams.exe" --work-dir "$out/startup" \
  --rounds 300 --json "$out/startup.json" >/dev/null || status=$?
cmake/wine-session.sh stop "$loader" "$prefix"
((status == 0)) || exit "$status"

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
  sed -n 's/^linux-image-[^ ]* //p' "$("$python" "$guest" image --path)/packages.txt" | head -n 1)"
export MACHINE="$machine" TOOLS="$tools" STARTED="$started" STARTUP_ABI="$startup_abi"
export I386_HOST="$i386_host" IN_GUEST="$in_guest" GUEST_ACCEL="${machine_accel:-}"
export GUEST_SMP="${CORVANE_GUEST_SMP:-}"
export LOAD="$load_before $(cut -d' ' -f1-3 /proc/loadavg)"
"$python" - "$out" <<'PYTHON' | tee "$out/results.md"
import json, os, statistics, sys

out = sys.argv[1]
load = lambda name: json.load(open(os.path.join(out, name)))
rows = []
emulated = os.environ["I386_HOST"] == "emulated"
in_guest = os.environ["IN_GUEST"] == "yes"
machine = "virtual machine under %s (-smp %s)" % (os.environ["GUEST_ACCEL"].upper(),
                                                   os.environ["GUEST_SMP"])


def row(part, where, what, figure, limit, ratio, goal):
    met = "" if goal is None else ("met" if ratio <= goal else "**missed**")
    rows.append("| %s | %s | %s | %s | %s | %s | %s |" % (
        part, where, what, figure, limit, "%.3f" % ratio if ratio is not None else "—",
        ("≤ %.2f, %s" % (goal, met)) if goal is not None else "—"))


ms = lambda s: "%.1f ms" % (s * 1000)
ns = lambda v: ("%.1f ns" % v) if v < 1000 else ("%.2f µs" % (v / 1000))

# 1. cpuinfo.exe under Wine: the 32-bit build on the host where 32-bit Wine runs, else in the
# virtual machine, and the 64-bit build under wine64 on the host.
s = load("startup.json")
if os.environ["STARTUP_ABI"] == "win32":
    where, build = "host, 32-bit Wine", ""
else:
    where, build = "host, wine64", " (64-bit build)"
for side, what in (("console", "`cpuinfo.exe --logfile console`"),
                   ("file", "`cpuinfo.exe --logfile FILE`")):
    q = s[side]["ratio_q1_q3"]
    row("1", where, what + build + ", start to exit",
        "%s (quartiles of the ratio %.2f–%.2f)" % (ms(s[side]["median_s"]), q[0], q[1]),
        "empty static program, same toolchain and start: %s" % ms(s["empty"]["median_s"]),
        s[side]["ratio_to_empty"], 1.05)
q = s["streams"]["ratio_q1_q3"]
row("1", where, "where the time goes: a static program that only writes a line through the "
    "standard streams%s, started the same way" % build,
    "%s (quartiles of the ratio %.2f–%.2f)" % (ms(s["streams"]["median_s"]), q[0], q[1]),
    "empty static program: %s" % ms(s["empty"]["median_s"]), s["streams"]["ratio_to_empty"], None)
if in_guest:
    runs = sorted(f for f in os.listdir(out) if f.startswith("guest-startup-"))
    g = [load(f) for f in runs]
    where = machine + ", 32-bit Wine, WOW64 process"
    for side, what in (("console", "`cpuinfo.exe --logfile console`"),
                       ("file", "`cpuinfo.exe --logfile FILE`"),
                       ("streams", "the streams-only program")):
        ratios = [r[side]["ratio_to_empty"] for r in g]
        # Both sides of each pair ran in the same emulated machine: the spread over whole runs
        # says how far one run's ratio can be trusted.
        row("1", where, "%s (shipped 32-bit build), start to exit, %d runs of %d rounds" % (
            what, len(g), g[0]["rounds"]),
            "%s; ratio per run %s (spread %.3f)" % (
                ms(statistics.median(r[side]["median_s"] for r in g)),
                " / ".join("%.3f" % x for x in ratios), max(ratios) - min(ratios)),
            "empty static program, same toolchain and start: %s" % ms(
                statistics.median(r["empty"]["median_s"] for r in g)),
            statistics.median(ratios), 1.05 if side != "streams" else None)

# 2. The walkers.
w = {b["run_name"]: b for b in load("walkers.json")["benchmarks"]
     if b.get("aggregate_name") == "median"}
for walker in ("readCoreCountsEx", "readCoreCountsBasic"):
    for mode, label in (("silent", "logger silent"), ("file", "file logger")):
        # CPU time: the walk runs on one thread and its file writes are system time, while the
        # wall clock also counts the time other tenants of a shared machine hold the core.
        t = {n: w["%s/%s/%d" % (walker, mode, n)]["cpu_time"] for n in (1, 64, 1024)}
        per = " / ".join(ns(t[n] / n) for n in (1, 64, 1024))
        early = (t[64] - t[1]) / 63
        late = (t[1024] - t[64]) / 960
        row("2", "host", "`%s`, %s: CPU time per record at 1 / 64 / 1024 packages" % (walker,
                                                                                   label),
            "%s (per call %s / %s / %s)" % (per, ns(t[1]), ns(t[64]), ns(t[1024])),
            "linear growth: added cost per record 1→64 packages, %s" % ns(early),
            late / early, 1.25)

# 3. The bridge. Under qemu-user its times are the emulator's, so they carry no goal; in the
# virtual machine the i386 JVM runs with its JIT compilers, as the 64-bit one does on the host.
jvm32 = "host, qemu-i386-static, interpreter only" if emulated else "host, i386 JVM"
bridges = [("", "bench", jvm32, ""),
           ("", "tests", jvm32, " (test stand-in monitor: lock and copy included)")]
if in_guest:
    bridges += [("-guest", "bench", machine + ", i386 JVM, JIT on", ""),
                ("-guest", "tests", machine + ", i386 JVM, JIT on",
                 " (test stand-in monitor: lock and copy included)")]
bridges += [("64", "bench", "host, amd64 JVM", " (64-bit build)"),
            ("64", "tests", "host, amd64 JVM", " (64-bit build; test stand-in monitor: lock and "
                                               "copy included)")]
for width, monitor, where, note in bridges:
    native = width != "" or not emulated
    b = load("bridge%s-%s.json" % (width, monitor))["cases"]
    for size in ("16 B", "4 KB"):
        c = b["postState " + size]
        row("3", where, "`postState`, %s text, stdout to a file%s" % (size, note),
            "%s per call" % ns(c["postState"]["ns_per_call"]),
            "minimal native, same JNI calls and echo: %s (empty native %s)" % (
                ns(c["minimal native"]["ns_per_call"]), ns(c["empty native"]["ns_per_call"])),
            c["postState"]["ratio"], 1.2 if native else None)
    for size in ("16 B", "4 KB"):
        c = b["getAppStatus " + size]
        row("3", where, "`getAppStatus`, %s text%s" % (size, note),
            "%s per call (minimal native with the monitor call: %s)" % (
                ns(c["getAppStatus"]["ns_per_call"]), ns(c["minimal native"]["ns_per_call"])),
            "bare `NewStringUTF` of the same text: %s (empty native %s)" % (
                ns(c["bare NewStringUTF"]["ns_per_call"]), ns(c["empty native"]["ns_per_call"])),
            # With the stand-in, the time above NewStringUTF is the stand-in's own lock
            # and copy, which the minimal native making the same call pays alike.
            c["getAppStatus"]["ratio"], 1.1 if monitor == "bench" and native else None)

# 4. Sizes.
z = load("sizes.json")
m = load("cpuinfo-map.json")
row("4", "files", "`cpuinfo.exe` size (static, stripped; imports %s)" % z["imports"],
    "%d bytes" % z["cpuinfo"],
    "static program using the same standard streams: %d bytes" % z["streams"],
    z["cpuinfo"] / z["streams"], 1.10)
row("4", "files", "`libostreljni.so` size",
    "%d bytes (.text %d bytes)" % (z["ostreljni"], z["ostreljni_text"]),
    "no limit; the benchmark's baseline natives library: %d bytes" % z["baseline_so"], None, None)
row("4", "files", "`libostreljni.so` size, 64-bit build",
    "%d bytes (.text %d bytes)" % (z["ostreljni64"], z["ostreljni64_text"]),
    "no limit; the benchmark's baseline natives library: %d bytes" % z["baseline64_so"], None,
    None)

print("## Benchmarks\n")
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
echo "bench: table written to $out/results.md"
