// SPDX-FileCopyrightText: 2026 The corvane-native authors
// SPDX-License-Identifier: Apache-2.0
//
// Call log shared by the fakes; stdout is flushed at each call so the log knows where the echo
// stood at that moment.
#include "CallLog.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <utility>

CallLog& CallLog::instance() {
    static CallLog log;
    return log;
}

Call& CallLog::add(std::string name) {
    std::fflush(stdout);
    struct stat info {};
    Call call;
    call.name = std::move(name);
    call.echoed = fstat(STDOUT_FILENO, &info) == 0 ? static_cast<long>(info.st_size) : -1;
    calls_.push_back(std::move(call));
    return calls_.back();
}

std::vector<std::string> CallLog::names() const {
    std::vector<std::string> names;
    for (const Call& call : calls_) {
        names.push_back(call.name);
    }
    return names;
}
