// SPDX-FileCopyrightText: 2026 The corvane-native authors
// SPDX-License-Identifier: Apache-2.0

package com.corvane.tarn.test;

import com.corvane.tarn.plugin.system.OstrelBridge;

/**
 * Calls both natives often enough for the JIT to compile the bridge's methods, so that the checks
 * after it reach the natives from compiled callers. Each post asks for a result of its own, below
 * zero to stay apart from the other checks' posts, and each status must be that post's.
 *
 * <p>The driver sets the number of posts (ostreljni.warmUpPosts): none where the JVM has no JIT.
 */
final class WarmUp {
    private WarmUp() {}

    static void run(Checks checks, Echo echo, OstrelBridge bridge) {
        int posts = Integer.getInteger("ostreljni.warmUpPosts", 0);
        if (posts == 0) {
            return;
        }
        int wrongResults = 0;
        int wrongStatuses = 0;
        for (int i = 1; i <= posts; i++) {
            String command = "!result=" + -i;
            byte[] bytes = Bytes.ascii(command);
            if (bridge.postState(command) != -i) {
                wrongResults++;
            }
            echo.posted(bytes);
            if (!Bytes.hex(bytes).equals(bridge.getAppStatus())) {
                wrongStatuses++;
            }
        }
        checks.equal("every warm-up post got its own result back", 0, wrongResults);
        checks.equal("every warm-up status was the hex of its post", 0, wrongStatuses);
    }
}
