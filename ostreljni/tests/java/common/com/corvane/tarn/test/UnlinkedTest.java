// SPDX-FileCopyrightText: 2026 The corvane-native authors
// SPDX-License-Identifier: Apache-2.0

package com.corvane.tarn.test;

import com.corvane.tarn.plugin.system.OstrelBridge;

/** Run without libquessa.so on the search path: the bridge must fail to load, and say why. */
final class UnlinkedTest {
    private UnlinkedTest() {}

    static void run(Checks checks) {
        Throwable first = null;
        try {
            new OstrelBridge().postState("never posted");
        } catch (Throwable t) {
            first = t;
        }
        checks.check("loading throws UnsatisfiedLinkError", first instanceof UnsatisfiedLinkError,
                String.valueOf(first));
        checks.check("the error names libquessa.so",
                first != null && String.valueOf(first.getMessage()).contains("libquessa.so"),
                String.valueOf(first));

        Throwable second = null;
        try {
            new OstrelBridge().getAppStatus();
        } catch (Throwable t) {
            second = t;
        }
        checks.check("the native methods stay unavailable", second instanceof LinkageError,
                String.valueOf(second));
    }
}
