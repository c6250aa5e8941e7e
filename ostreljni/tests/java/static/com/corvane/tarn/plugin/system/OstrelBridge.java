// SPDX-FileCopyrightText: 2026 The corvane-native authors
// SPDX-License-Identifier: Apache-2.0

package com.corvane.tarn.plugin.system;

/** Gives the shared checks one way to reach the static native methods. */
public final class OstrelBridge {
    public OstrelBridge() {
        // Loads the library here, as the instance variant does when it makes its Ostrel.
        Ostrel.getAppStatus();
    }

    public int postState(String state) {
        return Ostrel.postState(state);
    }

    public String getAppStatus() {
        return Ostrel.getAppStatus();
    }
}
