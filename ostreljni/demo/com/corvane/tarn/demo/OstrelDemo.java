// SPDX-FileCopyrightText: 2026 The corvane-native authors
// SPDX-License-Identifier: Apache-2.0

package com.corvane.tarn.demo;

import com.corvane.tarn.plugin.system.Ostrel;

/**
 * Loads the bridge, posts a state and reads the status back, telling what happens. The stand-in
 * monitor answers a post with the number of bytes it received, and reports as status the hex of
 * those bytes, or the text set by posting "!status=TEXT".
 */
public final class OstrelDemo {
    private OstrelDemo() {}

    public static void main(String[] args) {
        System.out.println("java.library.path = " + System.getProperty("java.library.path"));
        String state = args.length > 0 ? args[0] : "engine=running; load=42%; caf\u00e9";
        post(state);
        System.out.println("getAppStatus() = \"" + Ostrel.getAppStatus() + "\""
                + "  (the stand-in: hex of the bytes it received)");
        post("!status=all systems nominal");
        System.out.println("getAppStatus() = \"" + Ostrel.getAppStatus() + "\"");
        System.out.println("The bridge echoes each posted state through printf as a blank line and"
                + " the state; stdio writes it when its buffer goes out, at the latest at exit.");
    }

    private static void post(String state) {
        int result = Ostrel.postState(state);
        System.out.println("postState(\"" + state + "\") = " + result);
    }
}
