// SPDX-FileCopyrightText: 2026 The corvane-native authors
// SPDX-License-Identifier: Apache-2.0

package com.corvane.tarn.test;

import com.corvane.tarn.plugin.system.OstrelBridge;

/**
 * A string whose modified UTF-8 copy the JVM cannot allocate: GetStringUTFChars yields null, and
 * the call must end in OutOfMemoryError (the JVM's, or the bridge's where the JVM raises
 * nothing) without posting or echoing. The driver runs this JVM with a heap that holds the string and too little address
 * space left for the copy; the string's length comes from the property ostreljni.hugeChars.
 */
final class MemoryTest {
    private MemoryTest() {}

    static void run(Checks checks, Echo echo) {
        OstrelBridge bridge = new OstrelBridge();
        bridge.postState("before");
        echo.posted(Bytes.ascii("before"));

        // Three bytes each in modified UTF-8, two in the string itself.
        int chars = Integer.getInteger("ostreljni.hugeChars", 0);
        String huge = null;
        try {
            huge = "\u0800".repeat(chars);
        } catch (OutOfMemoryError e) {
            // Reported below: this error comes from the heap, not from the bridge.
        }
        checks.check("a string of " + chars + " characters fits the heap",
                chars > 0 && huge != null);

        int result = -1;
        Throwable thrown = null;
        if (huge != null) {
            try {
                result = bridge.postState(huge);
            } catch (Throwable t) {
                thrown = t;
            }
        }
        huge = null;
        checks.check("the failed copy raises OutOfMemoryError", thrown instanceof OutOfMemoryError,
                "result " + result + ", thrown " + thrown);
        checks.equal("the failed copy does not reach the monitor", Bytes.hex(Bytes.ascii("before")),
                bridge.getAppStatus());

        result = bridge.postState("after");
        echo.posted(Bytes.ascii("after"));
        checks.equal("posts go on after the failed copy", 5, result);
    }
}
