// SPDX-FileCopyrightText: 2026 The corvane-native authors
// SPDX-License-Identifier: Apache-2.0

package com.corvane.tarn.plugin.system;

/** Gives the shared checks one way to reach the instance native methods. */
public final class OstrelBridge {
    private final Ostrel ostrel = new Ostrel();

    public int postState(String state) {
        return ostrel.postState(state);
    }

    public String getAppStatus() {
        return ostrel.getAppStatus();
    }
}
