package com.corvane.tarn.plugin.system;

/** The Java side of the bridge with both native methods declared static. */
public final class Ostrel {
    static {
        System.loadLibrary("ostreljni");
    }

    private Ostrel() {}

    public static native int postState(String state);

    public static native String getAppStatus();
}
