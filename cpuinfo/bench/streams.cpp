// SPDX-FileCopyrightText: 2026 The corvane-native authors
// SPDX-License-Identifier: Apache-2.0
//
// The size baseline: the smallest program that uses the standard streams the way cpuinfo.exe
// does (a line on standard output, a message on standard error when that fails), linked with
// the same runtime and options.
#include <iostream>

int wmain() {
    std::cout << "[1]\n" << std::flush;
    if (!std::cout.good()) std::cerr << "error: cannot write\n" << std::flush;
    return std::cout.good() ? 0 : 2;
}
