// SPDX-FileCopyrightText: 2026 The corvane-native authors
// SPDX-License-Identifier: Apache-2.0

#include "driver.h"

#include <new>

#include "logger.h"
#include "windows-cpuinfo.h"

namespace {

int runQuery(const std::string& logTarget, std::ostream& out, std::ostream& err) {
    Logger::init(logTarget, LogLevel::Debug);
    const CpuInfo cpuInfo;
    const CoreCounts counts = cpuInfo.coreCounts();
    out << formatCounts(counts) << '\n' << std::flush;
    const bool written = out.good();
    Logger::shutdown();
    if (!written) {
        err << "error: cannot write the result to standard output\n" << std::flush;
        return exitOutputFailed;
    }
    return exitSuccess;
}

int outOfMemory(std::ostream& err) {
    Logger::shutdown();
    err << "error: out of memory\n" << std::flush;
    return exitOutOfMemory;
}

}  // namespace

int runCpuInfo(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
    if (arguments.size() != 2 || arguments[0] != "--logfile") {
        err << "error: use --logfile to specify a log file\n" << std::flush;
        return exitUsage;
    }
    try {
        return runQuery(arguments[1], out, err);
    } catch (const std::bad_alloc&) {
        return outOfMemory(err);
    }
}
