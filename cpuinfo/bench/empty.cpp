// SPDX-FileCopyrightText: 2026 The corvane-native authors
// SPDX-License-Identifier: Apache-2.0
//
// The start-up baseline: a console program that does nothing, with the same entry point, runtime
// and link options as cpuinfo.exe.
int wmain() {
    return 0;
}
