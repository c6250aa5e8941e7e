// SPDX-FileCopyrightText: 2026 The corvane-native authors
// SPDX-License-Identifier: Apache-2.0
//
// Windows entry point: the wide command line, so that no argument is mangled
// by the ANSI code page.
#include <iostream>
#include <string>
#include <vector>

#include "driver.h"
#include "text-encoding.h"

int wmain(int argc, wchar_t** argv) {
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i) {
        const std::wstring_view wide(argv[i]);
        arguments.push_back(wtf8FromUtf16(std::u16string(wide.begin(), wide.end())));
    }
    return runCpuInfo(arguments, std::cout, std::cerr);
}
