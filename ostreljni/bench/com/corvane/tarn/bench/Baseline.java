// SPDX-FileCopyrightText: 2026 The corvane-native authors
// SPDX-License-Identifier: Apache-2.0

package com.corvane.tarn.bench;

/** The baseline natives of the bridge benchmark (libostreljnibench.so). */
final class Baseline {
    static {
        System.loadLibrary("ostreljnibench");
    }

    private Baseline() {}

    /** GetStringUTFChars, the monitor's post, the echo, ReleaseStringUTFChars. */
    static native int minimalPost(String state);

    /** Does nothing. */
    static native int emptyPost(String state);

    /** Keeps a copy of the text's bytes for bareNewString. */
    static native boolean holdText(String text);

    /** One NewStringUTF of the held text. */
    static native String bareNewString();

    /** NewStringUTF of the monitor's status text. */
    static native String minimalStatus();

    /** Does nothing; returns null. */
    static native String emptyStatus();
}
