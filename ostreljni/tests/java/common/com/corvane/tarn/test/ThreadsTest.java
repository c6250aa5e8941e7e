// SPDX-FileCopyrightText: 2026 The corvane-native authors
// SPDX-License-Identifier: Apache-2.0

package com.corvane.tarn.test;

import com.corvane.tarn.plugin.system.OstrelBridge;
import java.nio.charset.StandardCharsets;
import java.util.concurrent.CyclicBarrier;
import java.util.concurrent.atomic.AtomicInteger;

/**
 * Many threads post and read the status at once, after a warm-up on one. Each post asks the
 * stand-in for a result of its own, so a result that strays to another call shows; each status
 * must be one whole posted text. The echoes may interleave in any order, so the driver compares
 * them as a set.
 */
final class ThreadsTest {
    private static final int THREADS = 8;
    private static final int POSTS = 500;

    private ThreadsTest() {}

    static void run(Checks checks, Echo echo) throws InterruptedException {
        OstrelBridge bridge = new OstrelBridge();
        WarmUp.run(checks, echo, bridge);
        CyclicBarrier start = new CyclicBarrier(THREADS);
        AtomicInteger wrongResults = new AtomicInteger();
        AtomicInteger wrongStatuses = new AtomicInteger();
        AtomicInteger errors = new AtomicInteger();

        Thread[] threads = new Thread[THREADS];
        for (int t = 0; t < THREADS; t++) {
            int base = t * 100_000;
            threads[t] = new Thread(() -> {
                try {
                    start.await();
                    for (int i = 0; i < POSTS; i++) {
                        String command = "!result=" + (base + i);
                        if (bridge.postState(command) != base + i) {
                            wrongResults.incrementAndGet();
                        }
                        echo.posted(command.getBytes(StandardCharsets.US_ASCII));
                        if (!isWholeResultCommand(bridge.getAppStatus())) {
                            wrongStatuses.incrementAndGet();
                        }
                    }
                } catch (Throwable e) {
                    errors.incrementAndGet();
                    e.printStackTrace();
                }
            });
            threads[t].start();
        }
        boolean finished = true;
        for (Thread thread : threads) {
            thread.join(120_000);
            finished &= !thread.isAlive();
        }

        checks.check(THREADS + " threads finished " + POSTS + " posts each", finished);
        checks.equal("no thread met an exception", 0, errors.get());
        checks.equal("every post got its own result back", 0, wrongResults.get());
        checks.equal("every status was a whole posted text", 0, wrongStatuses.get());
    }

    private static boolean isWholeResultCommand(String status) {
        if (status == null) {
            return false;
        }
        byte[] bytes = Bytes.unhex(status);
        return bytes != null
                && new String(bytes, StandardCharsets.US_ASCII).matches("!result=[0-9]+");
    }
}
