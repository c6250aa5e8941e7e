// SPDX-FileCopyrightText: 2026 The corvane-native authors
// SPDX-License-Identifier: Apache-2.0

package com.corvane.tarn.test;

import com.corvane.tarn.plugin.system.OstrelBridge;

/**
 * One thread, one post after another: the exact bytes that reach the monitor (seen through the
 * stand-in's hex status), the results, the status texts and the null cases. Every post that
 * must be echoed is added to the expected echo in order.
 */
final class SequenceTest {
    private SequenceTest() {}

    static void run(Checks checks, Echo echo) {
        OstrelBridge bridge = new OstrelBridge();

        // Where the JIT runs, the exact checks below then reach the natives from compiled code.
        WarmUp.run(checks, echo, bridge);

        posts(checks, echo, bridge, "ASCII text", "ready", Bytes.ascii("ready"));
        posts(checks, echo, bridge, "U+0000 as C0 80", "a\u0000b",
                Bytes.of(0x61, 0xc0, 0x80, 0x62));
        posts(checks, echo, bridge, "U+1F600 as two 3-byte sequences", "\ud83d\ude00",
                Bytes.of(0xed, 0xa0, 0xbd, 0xed, 0xb8, 0x80));
        posts(checks, echo, bridge, "two- and three-byte characters", "\u00e9\u0800\uffff",
                Bytes.of(0xc3, 0xa9, 0xe0, 0xa0, 0x80, 0xef, 0xbf, 0xbf));
        posts(checks, echo, bridge, "text with % signs", "100% %s %n %d %%",
                Bytes.ascii("100% %s %n %d %%"));
        posts(checks, echo, bridge, "the empty text", "", new byte[0]);

        results(checks, echo, bridge);
        statusTexts(checks, echo, bridge);
        nullStatus(checks, echo, bridge);
        nullState(checks, echo, bridge);
    }

    /** Posts a text that the stand-in answers with its byte count and reports back in hex. */
    private static void posts(
            Checks checks, Echo echo, OstrelBridge bridge, String what, String text, byte[] bytes) {
        int result = bridge.postState(text);
        echo.posted(bytes);
        checks.equal(what + ": result is the monitor's byte count", bytes.length, result);
        checks.equal(what + ": the monitor received the exact bytes", Bytes.hex(bytes),
                bridge.getAppStatus());
    }

    private static void results(Checks checks, Echo echo, OstrelBridge bridge) {
        for (int expected : new int[] {-7, -1, Integer.MIN_VALUE, Integer.MAX_VALUE, 0}) {
            String command = "!result=" + expected;
            int result = bridge.postState(command);
            echo.posted(Bytes.ascii(command));
            checks.equal("the monitor's result " + expected + " comes back untouched", expected,
                    result);
        }
    }

    private static void statusTexts(Checks checks, Echo echo, OstrelBridge bridge) {
        String status = "up \u00e9 \u0000 \ud83d\ude00 100%";
        String command = "!status=" + status;
        bridge.postState(command);
        echo.posted(Bytes.concat(Bytes.ascii("!status=up "),
                Bytes.of(0xc3, 0xa9, 0x20, 0xc0, 0x80, 0x20),
                Bytes.of(0xed, 0xa0, 0xbd, 0xed, 0xb8, 0x80), Bytes.ascii(" 100%")));
        checks.equal("the monitor's status text reaches Java decoded", status,
                bridge.getAppStatus());

        String first = bridge.getAppStatus();
        String second = bridge.getAppStatus();
        checks.check("two status calls give two distinct strings", first != second);
        checks.equal("two status calls give equal texts", first, second);
    }

    private static void nullStatus(Checks checks, Echo echo, OstrelBridge bridge) {
        bridge.postState("!status-null");
        echo.posted(Bytes.ascii("!status-null"));
        String status = "not called";
        Throwable thrown = null;
        try {
            status = bridge.getAppStatus();
        } catch (Throwable t) {
            thrown = t;
        }
        checks.equal("a null status text throws nothing", null, thrown);
        checks.equal("a null status text gives null", null, status);

        bridge.postState("!status-hex");
        echo.posted(Bytes.ascii("!status-hex"));
        checks.equal("the status after a null one is read as usual",
                Bytes.hex(Bytes.ascii("!status-hex")), bridge.getAppStatus());
    }

    private static void nullState(Checks checks, Echo echo, OstrelBridge bridge) {
        bridge.postState("before");
        echo.posted(Bytes.ascii("before"));
        Throwable thrown = null;
        try {
            bridge.postState(null);
        } catch (Throwable t) {
            thrown = t;
        }
        checks.check("a null state throws NullPointerException",
                thrown instanceof NullPointerException, String.valueOf(thrown));
        checks.equal("a null state does not reach the monitor", Bytes.hex(Bytes.ascii("before")),
                bridge.getAppStatus());

        int result = bridge.postState("after");
        echo.posted(Bytes.ascii("after"));
        checks.equal("posts go on after a null state", 5, result);
    }
}
