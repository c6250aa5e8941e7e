// SPDX-FileCopyrightText: 2026 The corvane-native authors
// SPDX-License-Identifier: Apache-2.0
//
// Host entry point: arguments arrive as bytes already.
#include <iostream>

#include "driver.h"

int main(int argc, char** argv) {
    return runCpuInfo({argv + 1, argv + argc}, std::cout, std::cerr);
}
