// SPDX-FileCopyrightText: 2026 The corvane-native authors
// SPDX-License-Identifier: Apache-2.0

package com.corvane.tarn.bench;

import com.corvane.tarn.plugin.system.Ostrel;
import java.io.FileOutputStream;
import java.io.IOException;
import java.io.OutputStreamWriter;
import java.io.PrintWriter;
import java.nio.charset.StandardCharsets;
import java.util.Arrays;
import java.util.Locale;

/**
 * Times the bridge's native methods in this JVM against the baseline natives, side by side: each
 * round runs one batch of calls of every side, in an order that rotates from round to round, and
 * the ratio of each side to the baseline is taken within the round. The figures are medians over
 * the rounds, after a warm-up that leaves every loop compiled.
 *
 * <p>Usage: BridgeBench RESULTS [ROUNDS [quick]]. Standard output receives the echoes only (the
 * caller sends it to a file and checks its size against the "echo-bytes" line of RESULTS);
 * progress goes to standard error. With "quick", every batch is a hundredth of its size and the
 * warm-ups are a few rounds: every case runs and is checked, but its times mean nothing.
 *
 * <p>Besides the median of the rounds' ratios, each side gets the ratio of its fastest batch to
 * the baseline's fastest, over all rounds and over each fifth of the rounds, in order. Other
 * work on the machine only ever lengthens a batch, so the fastest batches are the ones it
 * disturbed least; how far apart the fifths lie says how far the whole figure can be trusted.
 */
public final class BridgeBench {
    /** One batch of n calls; returns a check value. */
    private interface Batch {
        long run(int n);
    }

    private static final int minWarmRounds = 20;
    private static final int maxWarmRounds = 150;

    /** Parts of the rounds that get a median ratio of their own. */
    private static final int parts = 5;

    private static long echoBytes;
    private static boolean quick;

    private BridgeBench() {}

    // One loop per method, so that each call site stays monomorphic once compiled.
    private static long postLoop(String s, int n) {
        long sum = 0;
        for (int i = 0; i < n; i++) {
            sum += Ostrel.postState(s);
        }
        return sum;
    }

    private static long minimalPostLoop(String s, int n) {
        long sum = 0;
        for (int i = 0; i < n; i++) {
            sum += Baseline.minimalPost(s);
        }
        return sum;
    }

    private static long emptyPostLoop(String s, int n) {
        long sum = 0;
        for (int i = 0; i < n; i++) {
            sum += Baseline.emptyPost(s);
        }
        return sum;
    }

    private static long statusLoop(int n) {
        long sum = 0;
        for (int i = 0; i < n; i++) {
            sum += Ostrel.getAppStatus().length();
        }
        return sum;
    }

    private static long bareLoop(int n) {
        long sum = 0;
        for (int i = 0; i < n; i++) {
            sum += Baseline.bareNewString().length();
        }
        return sum;
    }

    private static long minimalStatusLoop(int n) {
        long sum = 0;
        for (int i = 0; i < n; i++) {
            sum += Baseline.minimalStatus().length();
        }
        return sum;
    }

    private static long emptyStatusLoop(int n) {
        long sum = 0;
        for (int i = 0; i < n; i++) {
            sum += Baseline.emptyStatus() == null ? 1 : 0;
        }
        return sum;
    }

    private static String text(int length) {
        StringBuilder b = new StringBuilder(length);
        for (int i = 0; i < length; i++) {
            b.append((char) ('a' + i % 26));
        }
        return b.toString();
    }

    private static double median(double[] values) {
        double[] v = values.clone();
        Arrays.sort(v);
        int m = v.length / 2;
        return v.length % 2 == 1 ? v[m] : (v[m - 1] + v[m]) / 2;
    }

    /** The shortest of the batch times from index `from` up to `to`. */
    private static double fastest(double[] times, int from, int to) {
        double min = Double.POSITIVE_INFINITY;
        for (int r = from; r < to; r++) {
            min = Math.min(min, times[r]);
        }
        return min;
    }

    private static double quantile(double[] values, double q) {
        double[] v = values.clone();
        Arrays.sort(v);
        return v[(int) Math.round(q * (v.length - 1))];
    }

    private static void check(String what, long actual, long expected) {
        if (actual != expected) {
            throw new IllegalStateException(
                    what + ": check value " + actual + ", expected " + expected);
        }
    }

    /** One round: a batch of every side, starting with side `rotation mod k`; the total time. */
    private static double round(String name, int n, String[] sides, Batch[] batches,
            long[] perCallCheck, boolean[] echoes, int echoLength, int rotation, double[][] times,
            int slot) {
        int k = sides.length;
        double total = 0;
        for (int j = 0; j < k; j++) {
            int i = (rotation + j) % k;
            long start = System.nanoTime();
            long sum = batches[i].run(n);
            long elapsed = System.nanoTime() - start;
            check(name + " " + sides[i], sum, perCallCheck[i] * n);
            if (echoes[i]) {
                echoBytes += (long) n * (echoLength + 2);
            }
            if (times != null) {
                times[i][slot] = elapsed;
            }
            total += elapsed;
        }
        return total;
    }

    /**
     * Runs the sides of one comparison; side 1 is the baseline of the ratios. Expected check values
     * per call are given (the monitor answers a post with its byte count; a status loop sums
     * lengths); echoes counts the sides that write the echo.
     */
    private static void compare(PrintWriter out, String name, int n, int rounds, String[] sides,
            Batch[] batches, long[] perCallCheck, boolean[] echoes, int echoLength) {
        int k = sides.length;
        double[][] times = new double[k][rounds];
        // Warm-up: rounds as measured, until the round time of the last ten rounds stays within
        // 3% of the ten before (the JIT and the collector's sizing settled), at least minWarm.
        double[] warm = new double[maxWarmRounds];
        int warmRounds = 0;
        int warmLimit = quick ? 2 : maxWarmRounds;
        while (warmRounds < warmLimit) {
            warm[warmRounds] = round(name, n, sides, batches, perCallCheck, echoes, echoLength,
                    warmRounds, null, 0);
            warmRounds++;
            if (warmRounds >= minWarmRounds) {
                double last = median(Arrays.copyOfRange(warm, warmRounds - 10, warmRounds));
                double before = median(Arrays.copyOfRange(warm, warmRounds - 20, warmRounds - 10));
                if (Math.abs(last / before - 1) <= 0.03) {
                    break;
                }
            }
        }
        for (int r = 0; r < rounds; r++) {
            round(name, n, sides, batches, perCallCheck, echoes, echoLength, r, times, r);
        }
        int third = rounds / 3;
        out.printf("#warm-up\t%s\t%d rounds%n", name, warmRounds);
        for (int i = 0; i < k; i++) {
            double[] ratio = new double[rounds];
            for (int r = 0; r < rounds; r++) {
                ratio[r] = times[i][r] / times[1][r];
            }
            double early = median(Arrays.copyOfRange(times[i], 0, third));
            double late = median(Arrays.copyOfRange(times[i], rounds - third, rounds));
            StringBuilder partRatios = new StringBuilder();
            for (int p = 0; p < parts; p++) {
                int from = p * rounds / parts;
                int to = (p + 1) * rounds / parts;
                partRatios.append(p == 0 ? "" : ",").append(String.format(Locale.ROOT, "%.4f",
                        fastest(times[i], from, to) / fastest(times[1], from, to)));
            }
            out.printf("%s\t%s\t%d\t%d\t%.2f\t%.4f\t%.4f\t%.4f\t%.4f\t%s\t%.4f%n", name, sides[i],
                    n, rounds, median(times[i]) / n, median(ratio), quantile(ratio, 0.25),
                    quantile(ratio, 0.75), late / early, partRatios,
                    fastest(times[i], 0, rounds) / fastest(times[1], 0, rounds));
        }
        out.flush();
        System.err.println("bench: " + name + " done");
    }

    public static void main(String[] args) throws IOException {
        String resultsPath = args[0];
        int rounds = args.length > 1 ? Integer.parseInt(args[1]) : 61;
        quick = args.length > 2 && args[2].equals("quick");
        if (rounds < parts) {
            throw new IllegalArgumentException("at least " + parts + " rounds are needed");
        }
        int scale = quick ? 100 : 1;
        String short16 = text(16);
        String long4k = text(4096);

        // Warm-up: every loop well past the compile thresholds, with the short text.
        Batch[] all = {
            n -> postLoop(short16, n), n -> minimalPostLoop(short16, n),
            n -> emptyPostLoop(short16, n), BridgeBench::statusLoop, BridgeBench::bareLoop,
            BridgeBench::minimalStatusLoop, BridgeBench::emptyStatusLoop,
        };
        check("holdText", Baseline.holdText(short16) ? 1 : 0, 1);
        for (int round = 0; round < (quick ? 1 : 40); round++) {
            for (int i = 0; i < all.length; i++) {
                all[i].run(2000 / scale);
                if (i < 2) {
                    echoBytes += 2000L / scale * (short16.length() + 2);
                }
            }
        }
        System.err.println("bench: warm-up done");

        try (PrintWriter out = new PrintWriter(new OutputStreamWriter(
                new FileOutputStream(resultsPath), StandardCharsets.UTF_8))) {
            out.println("# case\tside\tcalls per batch\trounds\tns per call\tratio to side 2 "
                    + "(median)\tp25\tp75\tlate/early\tfastest-batch ratio of each fifth of the "
                    + "rounds\tfastest-batch ratio");
            String[] postSides = {"postState", "minimal native", "empty native"};
            boolean[] postEchoes = {true, true, false};
            for (String text : new String[] {short16, long4k}) {
                final String s = text;
                int n = Math.max(1, (s.length() <= 16 ? 20000 : 200) / scale);
                long len = s.length();
                compare(out, "postState " + (len <= 16 ? "16 B" : "4 KB"), n, rounds, postSides,
                        new Batch[] {m -> postLoop(s, m), m -> minimalPostLoop(s, m),
                            m -> emptyPostLoop(s, m)},
                        new long[] {len, len, 0}, postEchoes, s.length());
            }

            String[] statusSides = {"getAppStatus", "bare NewStringUTF", "minimal native",
                "empty native"};
            boolean[] noEchoes = {false, false, false, false};
            for (String text : new String[] {short16, long4k}) {
                // The stand-in monitor reports the text given after "!status=" from now on.
                String command = "!status=" + text;
                Ostrel.postState(command);
                echoBytes += command.length() + 2;
                check("holdText", Baseline.holdText(text) ? 1 : 0, 1);
                if (!Ostrel.getAppStatus().equals(text) || !Baseline.bareNewString().equals(text)) {
                    throw new IllegalStateException("the status texts differ");
                }
                long len = text.length();
                int n = Math.max(1, (len <= 16 ? 40000 : 2000) / scale);
                compare(out, "getAppStatus " + (len <= 16 ? "16 B" : "4 KB"), n, rounds,
                        statusSides,
                        new Batch[] {BridgeBench::statusLoop, BridgeBench::bareLoop,
                            BridgeBench::minimalStatusLoop, BridgeBench::emptyStatusLoop},
                        new long[] {len, len, len, 1}, noEchoes, 0);
            }
            out.println("echo-bytes\t" + echoBytes);
        }
    }
}
