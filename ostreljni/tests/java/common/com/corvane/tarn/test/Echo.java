// SPDX-FileCopyrightText: 2026 The corvane-native authors
// SPDX-License-Identifier: Apache-2.0

package com.corvane.tarn.test;

import java.io.ByteArrayOutputStream;
import java.io.IOException;
import java.nio.file.Files;
import java.nio.file.Path;

/**
 * The bytes the bridge should have written to standard output: for each post, a line break,
 * the posted bytes and a line break. Written to a file for the driver to compare with.
 */
public final class Echo {
    private final ByteArrayOutputStream expected = new ByteArrayOutputStream();

    public synchronized void posted(byte[] bytes) {
        expected.write('\n');
        expected.writeBytes(bytes);
        expected.write('\n');
    }

    public synchronized void writeTo(Path file) throws IOException {
        Files.write(file, expected.toByteArray());
    }
}
