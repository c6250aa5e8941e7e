// SPDX-FileCopyrightText: 2026 The corvane-native authors
// SPDX-License-Identifier: Apache-2.0

#include "console-appender.h"

#include <iostream>

std::ostream& ConsoleAppender::open() {
    return std::cout;
}

void ConsoleAppender::close() {
    std::cout.flush();
}
