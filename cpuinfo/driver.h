// SPDX-FileCopyrightText: 2026 The corvane-native authors
// SPDX-License-Identifier: Apache-2.0
//
// The cpuinfo program: checks the command line, runs the processor query and
// prints its result line.
#pragma once

#include <ostream>
#include <string>
#include <vector>

// Exit statuses of the program.
enum ExitStatus : int {
    exitSuccess = 0,
    exitUsage = 1,
    // The result line could not be written, so the caller has no answer.
    exitOutputFailed = 2,
    exitOutOfMemory = 3,
};

// `arguments` are those after the program's name, as UTF-8. The result line
// goes to `out`, which must be the stream the console log target writes to
// (standard output); messages go to `err`.
int runCpuInfo(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);
