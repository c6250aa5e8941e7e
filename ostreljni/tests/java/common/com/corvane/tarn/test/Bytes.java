// SPDX-FileCopyrightText: 2026 The corvane-native authors
// SPDX-License-Identifier: Apache-2.0

package com.corvane.tarn.test;

import java.io.ByteArrayOutputStream;
import java.nio.charset.StandardCharsets;

/** Byte texts written out literally, and the lower-case hex the stand-in monitor reports. */
public final class Bytes {
    private Bytes() {}

    /** The given byte values, each 0 to 255. */
    public static byte[] of(int... values) {
        byte[] bytes = new byte[values.length];
        for (int i = 0; i < values.length; i++) {
            bytes[i] = (byte) values[i];
        }
        return bytes;
    }

    /** The given pieces, one after another. */
    public static byte[] concat(byte[]... pieces) {
        ByteArrayOutputStream bytes = new ByteArrayOutputStream();
        for (byte[] piece : pieces) {
            bytes.writeBytes(piece);
        }
        return bytes.toByteArray();
    }

    /** The bytes of an ASCII text. */
    public static byte[] ascii(String text) {
        return text.getBytes(StandardCharsets.US_ASCII);
    }

    public static String hex(byte[] bytes) {
        StringBuilder hex = new StringBuilder();
        for (byte b : bytes) {
            hex.append(String.format("%02x", b & 0xff));
        }
        return hex.toString();
    }

    /** The bytes behind a hex text, or null when it is not whole hex. */
    public static byte[] unhex(String hex) {
        if (hex.length() % 2 != 0) {
            return null;
        }
        ByteArrayOutputStream bytes = new ByteArrayOutputStream();
        for (int i = 0; i < hex.length(); i += 2) {
            int high = Character.digit(hex.charAt(i), 16);
            int low = Character.digit(hex.charAt(i + 1), 16);
            if (high < 0 || low < 0) {
                return null;
            }
            bytes.write(high << 4 | low);
        }
        return bytes.toByteArray();
    }
}
