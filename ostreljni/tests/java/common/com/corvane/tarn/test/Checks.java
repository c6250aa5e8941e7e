// SPDX-FileCopyrightText: 2026 The corvane-native authors
// SPDX-License-Identifier: Apache-2.0

package com.corvane.tarn.test;

import java.util.Objects;

/**
 * A tiny test harness: one line per check and a closing "N passed, M failed" line, all on
 * standard error, since standard output belongs to the bridge's echo.
 */
public final class Checks {
    private int passed;
    private int failed;

    public synchronized void check(String what, boolean ok, String detail) {
        if (ok) {
            passed++;
            System.err.println("ok: " + what);
        } else {
            failed++;
            System.err.println("FAILED: " + what + " (" + detail + ")");
        }
    }

    public void check(String what, boolean ok) {
        check(what, ok, "condition false");
    }

    public void equal(String what, Object expected, Object actual) {
        check(what, Objects.equals(expected, actual),
                "expected <" + show(expected) + "> but was <" + show(actual) + ">");
    }

    /** Prints the closing line and tells whether every check passed. */
    public synchronized boolean finish() {
        System.err.println(passed + " passed, " + failed + " failed");
        return failed == 0 && passed > 0;
    }

    private static String show(Object value) {
        if (!(value instanceof String)) {
            return String.valueOf(value);
        }
        StringBuilder shown = new StringBuilder();
        for (char c : ((String) value).toCharArray()) {
            if (c < 0x20 || c > 0x7e) {
                shown.append(String.format("\\u%04x", (int) c));
            } else {
                shown.append(c);
            }
        }
        return shown.toString();
    }
}
