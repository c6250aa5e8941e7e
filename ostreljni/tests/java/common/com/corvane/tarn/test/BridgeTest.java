// SPDX-FileCopyrightText: 2026 The corvane-native authors
// SPDX-License-Identifier: Apache-2.0

package com.corvane.tarn.test;

import com.corvane.tarn.plugin.system.Ostrel;
import java.lang.reflect.Method;
import java.lang.reflect.Modifier;
import java.nio.file.Path;

/**
 * Runs one group of checks against the bridge inside this JVM.
 *
 * <p>Arguments: the group (sequence, threads, unlinked, memory or soak), how this class tree
 * declares the native methods (static or instance) and the file to write the expected echo to.
 */
public final class BridgeTest {
    private BridgeTest() {}

    public static void main(String[] args) throws Exception {
        if (args.length != 3) {
            System.err.println("usage: BridgeTest GROUP static|instance EXPECTED-ECHO-FILE");
            System.exit(2);
        }
        Checks checks = new Checks();
        Echo echo = new Echo();
        checkDeclarations(checks, args[1].equals("static"));
        switch (args[0]) {
            case "sequence":
                SequenceTest.run(checks, echo);
                break;
            case "threads":
                ThreadsTest.run(checks, echo);
                break;
            case "unlinked":
                UnlinkedTest.run(checks);
                break;
            case "memory":
                MemoryTest.run(checks, echo);
                break;
            case "soak":
                SoakTest.run(checks);
                break;
            default:
                checks.check("known group " + args[0], false);
        }
        echo.writeTo(Path.of(args[2]));
        if (!checks.finish()) {
            System.exit(1);
        }
    }

    private static void checkDeclarations(Checks checks, boolean expectStatic) throws Exception {
        for (Method method :
                new Method[] {
                    Ostrel.class.getDeclaredMethod("postState", String.class),
                    Ostrel.class.getDeclaredMethod("getAppStatus")
                }) {
            int modifiers = method.getModifiers();
            String declared = expectStatic ? "static" : "instance";
            checks.check(method.getName() + " is declared native and " + declared,
                    Modifier.isNative(modifiers) && Modifier.isStatic(modifiers) == expectStatic,
                    Modifier.toString(modifiers));
        }
    }
}
