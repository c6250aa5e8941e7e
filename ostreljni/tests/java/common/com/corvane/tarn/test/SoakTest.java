// SPDX-FileCopyrightText: 2026 The corvane-native authors
// SPDX-License-Identifier: Apache-2.0

package com.corvane.tarn.test;

import com.corvane.tarn.plugin.system.OstrelBridge;
import java.io.IOException;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;

/**
 * A long run of 4 KB posts, with a status read after every tenth, during which this JVM's
 * resident memory must stay flat: anything the bridge fails to give back per call (the UTF-8
 * copy, a reference, a status string) adds up to far more than the bound over the run.
 *
 * <p>The driver discards the echo and sets, as properties, the number of calls
 * (ostreljni.soakCalls), how many of them warm up the JIT, the C heap and the monitor before
 * the first sample (ostreljni.soakWarmUp) and the growth allowed after it in kB
 * (ostreljni.soakGrowthKb). Between samples the resident size is looked at every
 * {@link #PROBE_EVERY} calls, so that a leak ends the run early, not the 32-bit address space.
 */
final class SoakTest {
    private static final int TEXT_BYTES = 4096;
    private static final int STATUS_EVERY = 10;
    private static final int PROBE_EVERY = 50_000;

    private SoakTest() {}

    static void run(Checks checks) throws IOException {
        int calls = Integer.getInteger("ostreljni.soakCalls", 0);
        int warmUp = Integer.getInteger("ostreljni.soakWarmUp", 0);
        long boundKb = Long.getLong("ostreljni.soakGrowthKb", 0);
        boolean given = warmUp > 0 && calls > warmUp && boundKb > 0;
        checks.check("soak settings are given", given,
                calls + " calls, " + warmUp + " to warm up, " + boundKb + " kB");
        if (!given) {
            return;
        }

        // Texts that differ from one post to the next, one more than the posts between status
        // reads, so that successive reads expect different texts and each shows that the monitor
        // got the latest post, not an earlier one.
        String[] texts = new String[STATUS_EVERY + 1];
        String[] hexes = new String[texts.length];
        for (int k = 0; k < texts.length; k++) {
            byte[] bytes = new byte[TEXT_BYTES];
            for (int i = 0; i < bytes.length; i++) {
                bytes[i] = (byte) ('!' + (i * 7 + k) % 94);
            }
            texts[k] = new String(bytes, StandardCharsets.US_ASCII);
            hexes[k] = Bytes.hex(bytes);
        }

        OstrelBridge bridge = new OstrelBridge();
        long warmKb = -1;
        int made = 0;
        int statusReads = 0;
        int wrongResults = 0;
        int wrongStatuses = 0;
        long start = System.nanoTime();
        while (made < calls) {
            int k = made % texts.length;
            if (bridge.postState(texts[k]) != TEXT_BYTES) {
                wrongResults++;
            }
            made++;
            if (made % STATUS_EVERY == 0) {
                statusReads++;
                if (!hexes[k].equals(bridge.getAppStatus())) {
                    wrongStatuses++;
                }
            }
            if (made == warmUp) {
                warmKb = settledRssKb();
            } else if (made > warmUp && made % PROBE_EVERY == 0
                    && residentKb() - warmKb > boundKb) {
                break;
            }
        }
        long endKb = settledRssKb();
        double seconds = (System.nanoTime() - start) / 1e9;

        System.err.printf(
                "soak: %d posts, %d status reads, VmRSS %d kB after %d warm-up calls, %d kB at"
                        + " the end, growth %d kB (bound %d kB), %.1f s%n",
                made, statusReads, warmKb, warmUp, endKb, endKb - warmKb, boundKb, seconds);
        checks.equal("every planned post was made", calls, made);
        checks.equal("every post gave the monitor's byte count", 0, wrongResults);
        checks.equal("every status was the hex of the post before it", 0, wrongStatuses);
        checks.check("VmRSS grew by at most " + boundKb + " kB after the warm-up",
                endKb - warmKb <= boundKb, "grew by " + (endKb - warmKb) + " kB");
    }

    /** The resident size once the collector has run, so that garbage waiting for it is gone. */
    private static long settledRssKb() throws IOException {
        System.gc();
        return residentKb();
    }

    private static long residentKb() throws IOException {
        for (String line : Files.readAllLines(Path.of("/proc/self/status"))) {
            if (line.startsWith("VmRSS:")) {
                return Long.parseLong(line.replaceAll("[^0-9]", ""));
            }
        }
        throw new IOException("no VmRSS line in /proc/self/status");
    }
}
