// SPDX-FileCopyrightText: 2026 The corvane-native authors
// SPDX-License-Identifier: Apache-2.0

package com.corvane.tarn.plugin.system;

/** The Java side of the bridge with both native methods declared as instance methods. */
public final class Ostrel {
    static {
        System.loadLibrary("ostreljni");
    }

    public native int postState(String state);

    public native String getAppStatus();
}
