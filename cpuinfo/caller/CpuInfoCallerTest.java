// SPDX-FileCopyrightText: 2026 The corvane-native authors
// SPDX-License-Identifier: Apache-2.0
package com.corvane.tarn.cpuinfo;

import java.io.IOException;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.time.Duration;
import java.util.ArrayList;
import java.util.Arrays;
import java.util.List;
import java.util.Map;
import java.util.concurrent.TimeUnit;
import java.util.regex.Pattern;

/**
 * The README's CpuInfoCaller, compiled from the README's own text, against cpuinfo's answers.
 *
 * <pre>
 *   CpuInfoCallerTest shapes STANDIN_WORDS...
 *       every result shape and exit status, from the stand-in program (standin_cpuinfo.py),
 *       and the choice of build
 *   CpuInfoCallerTest real PROGRAM LAUNCHER_WORDS...
 *       the real cpuinfo.exe, started through the launcher (Wine's runner here): the caller's
 *       answer must be the program's own result line, whatever the log target
 * </pre>
 *
 * Prints "ok: ..." or "FAILED: ..." a check and exits 1 when any failed.
 */
public final class CpuInfoCallerTest {
    private static final Duration LIMIT = Duration.ofSeconds(120);
    private static final List<String> failures = new ArrayList<>();

    private CpuInfoCallerTest() {}

    public static void main(String[] args) throws Exception {
        List<String> rest = Arrays.asList(args).subList(1, args.length);
        switch (args[0]) {
            case "shapes":
                buildChoice();
                shapes(rest);
                break;
            case "real":
                real(Path.of(rest.get(0)), rest.subList(1, rest.size()));
                break;
            default:
                throw new IllegalArgumentException("unknown mode " + args[0]);
        }
        System.out.println(failures.isEmpty() ? "all caller checks passed"
                                              : failures.size() + " checks failed");
        System.exit(failures.isEmpty() ? 0 : 1);
    }

    private static void check(String what, boolean ok, Object detail) {
        System.out.println((ok ? "ok: " : "FAILED: ") + what + (ok ? "" : " (" + detail + ")"));
        if (!ok) {
            failures.add(what);
        }
    }

    private static void buildChoice() {
        Object[][] cases = {
            // A 64-bit JVM on 64-bit Windows.
            {Map.of("PROCESSOR_ARCHITECTURE", "AMD64"), "win64"},
            // A 32-bit JVM on 64-bit Windows, under WOW64.
            {Map.of("PROCESSOR_ARCHITECTURE", "x86", "PROCESSOR_ARCHITEW6432", "AMD64"), "win64"},
            {Map.of("PROCESSOR_ARCHITECTURE", "x86"), "win32"},
            // Arm Windows runs x86 programs everywhere, x64 ones only from Windows 11 on.
            {Map.of("PROCESSOR_ARCHITECTURE", "ARM64"), "win32"},
            {Map.of("PROCESSOR_ARCHITECTURE", "x86", "PROCESSOR_ARCHITEW6432", "ARM64"), "win32"},
            {Map.of(), "win32"},
        };
        for (Object[] c : cases) {
            @SuppressWarnings("unchecked")
            Map<String, String> environment = (Map<String, String>) c[0];
            String build = CpuInfoCaller.buildFor(environment);
            check("build for " + environment + " is " + c[1], build.equals(c[1]), build);
        }
    }

    /** The stand-in's output for a shape, through the caller. */
    private static List<Integer> standIn(List<String> standIn, String shape, String logTarget,
                                         Duration limit)
            throws CpuInfoCaller.Failure, InterruptedException {
        List<String> launcher = new ArrayList<>(standIn);
        launcher.add(shape);
        return CpuInfoCaller.coreCounts(launcher, Path.of("cpuinfo.exe"), logTarget, limit);
    }

    private static void expectCounts(List<String> standIn, String shape, List<Integer> expected)
            throws InterruptedException {
        try {
            List<Integer> counts = standIn(standIn, shape, "NUL", LIMIT);
            check(shape + ": " + expected, counts.equals(expected), counts);
        } catch (CpuInfoCaller.Failure e) {
            check(shape + ": " + expected, false, e.getMessage());
        }
    }

    private static void expectFailure(List<String> standIn, String shape, String logTarget,
                                      int status, String message) throws InterruptedException {
        String what = shape + ": fails with status " + status + " and \"" + message + "\"";
        try {
            List<Integer> counts = standIn(standIn, shape, logTarget, LIMIT);
            check(what, false, "returned " + counts);
        } catch (CpuInfoCaller.Failure e) {
            check(what, e.exitStatus() == status && e.getMessage().contains(message),
                  e.exitStatus() + ": " + e.getMessage());
        }
    }

    private static void shapes(List<String> standIn) throws InterruptedException {
        expectCounts(standIn, "empty", List.of());
        expectCounts(standIn, "zero", List.of(0));
        expectCounts(standIn, "one", List.of(1));
        expectCounts(standIn, "two-packages", List.of(8, 8));
        expectCounts(standIn, "line-feed-only", List.of(8, 8));
        // The records' stamps start with "[", and two of them hold bracketed counts.
        expectCounts(standIn, "log-first", List.of(32, 32));

        expectFailure(standIn, "no-result", "NUL", 0, "no result line");
        expectFailure(standIn, "two-results", "NUL", 0, "more than one result line");
        expectFailure(standIn, "not-a-count", "NUL", 0, "no result line");
        expectFailure(standIn, "too-large", "NUL", 0, "out of range");
        // The stand-in refuses any command line but "--logfile NUL", as cpuinfo refuses a wrong one.
        expectFailure(standIn, "one", "console extra", 1,
                      "refused its command line: error: use --logfile to specify a log file");
        expectFailure(standIn, "output-failed", "NUL", 2,
                      "could not write its result: error: cannot write the result to standard"
                              + " output");
        expectFailure(standIn, "out-of-memory", "NUL", 3, "out of memory: error: out of memory");
        expectFailure(standIn, "died", "NUL", 9, "died, exit status 9 (0x00000009)");

        // A program that never ends is ended at the time limit, and the caller returns then.
        long start = System.nanoTime();
        String what = "hang: fails when the time limit of 2 s is up, within 10 s";
        try {
            List<Integer> counts = standIn(standIn, "hang", "NUL", Duration.ofSeconds(2));
            check(what, false, "returned " + counts);
        } catch (CpuInfoCaller.Failure e) {
            long seconds = TimeUnit.NANOSECONDS.toSeconds(System.nanoTime() - start);
            check(what, e.exitStatus() == -1 && e.getMessage().contains("within 2000 ms")
                    && seconds >= 2 && seconds < 10, seconds + " s, " + e.getMessage());
        }
    }

    /** The program's own last line on the console target, read here without the caller. */
    private static String ownResultLine(Path program, List<String> launcher) throws IOException,
            InterruptedException {
        List<String> command = new ArrayList<>(launcher);
        command.addAll(List.of(program.toString(), "--logfile", "console"));
        Process process = new ProcessBuilder(command)
                .redirectError(ProcessBuilder.Redirect.DISCARD).start();
        process.getOutputStream().close();
        byte[] output = process.getInputStream().readAllBytes();
        check("the program's own run exits with 0", process.waitFor() == 0, process.exitValue());
        String text = new String(output, StandardCharsets.ISO_8859_1);
        check("the program's own output ends in CR LF", text.endsWith("\r\n"), text);
        String[] lines = text.split("\r\n");
        // The console log comes first: every line before the result is a record with its stamp.
        boolean records = lines.length > 1;
        for (int i = 0; i < lines.length - 1; i++) {
            records = records && Pattern.matches("\\[[A-Z][a-z]{2} .*\\] .*", lines[i]);
        }
        check("the program's own log records come first, each starting with \"[\"", records, text);
        return lines[lines.length - 1];
    }

    private static void real(Path program, List<String> launcher) throws Exception {
        String own = ownResultLine(program, launcher);
        Path folder = Files.createTempDirectory("cpuinfo-caller");
        Path logFile = folder.resolve("cpuinfo.log");
        // NUL: the result alone; console: the log on standard output ahead of the result;
        // a file path: the log kept there.
        for (String target : List.of("NUL", "console", logFile.toString())) {
            String what = "--logfile " + target + ": the caller's answer is " + own;
            try {
                List<Integer> counts = CpuInfoCaller.coreCounts(launcher, program, target, LIMIT);
                StringBuilder line = new StringBuilder("[");
                for (int i = 0; i < counts.size(); i++) {
                    line.append(i == 0 ? "" : ",").append(counts.get(i));
                }
                line.append(']');
                check(what, line.toString().equals(own) && !counts.isEmpty(), line);
            } catch (CpuInfoCaller.Failure e) {
                check(what, false, e.exitStatus() + ": " + e.getMessage());
            }
        }
        String log = Files.exists(logFile) ? Files.readString(logFile, StandardCharsets.ISO_8859_1)
                                           : "";
        check("the log file holds the run's records", log.contains("] INFO CpuInfo::CpuInfo: cpu "
                + "core counts = " + own + "\r\n"), log);
        Files.deleteIfExists(logFile);
        Files.delete(folder);
    }
}
