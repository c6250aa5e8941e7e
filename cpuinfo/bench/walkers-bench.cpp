// SPDX-FileCopyrightText: 2026 The corvane-native authors
// SPDX-License-Identifier: Apache-2.0
//
// Time per call of the two topology walkers on answers of 1, 64 and 1024 package records, with
// the logger silent (a target that cannot be opened) and with a file logger. The per_record
// counter is the time per call divided by the number of records: with a walk that grows
// linearly it settles to a constant as the answers grow. Rates, per_record among them, are
// taken over CPU time.
//
//     cpuinfo_walkers_bench [--log-file PATH] [Google Benchmark options]
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bench-records.h"
#include "logger.h"
#include "windows-cpuinfo.h"

namespace {

std::string logFile = "cpuinfo-walkers-bench.log";
// A file in a folder that does not exist: the logger is created without a sink.
const char* const silentTarget = "/nonexistent-cpuinfo-bench/none.log";

enum class LogMode { Silent, File };

void startLogger(LogMode mode) {
    if (mode == LogMode::File) {
        // Each run starts from an empty file so that it stays small.
        if (std::FILE* file = std::fopen(logFile.c_str(), "w")) std::fclose(file);
        Logger::init(logFile, LogLevel::Debug);
    } else {
        Logger::init(silentTarget, LogLevel::Debug);
    }
}

bool expected(const CoreCounts& counts, std::size_t packages) {
    if (counts.size() != packages) return false;
    for (const std::int32_t count : counts) {
        if (count != 8) return false;
    }
    return true;
}

template <typename Walker, typename Entry>
void runWalker(benchmark::State& state, Walker walker, Entry entry, Bytes (*records)(std::size_t),
               LogMode mode) {
    const auto packages = static_cast<std::size_t>(state.range(0));
    const Bytes answer = records(packages);
    serveRecords(answer);
    startLogger(mode);
    // The fakes and the walker must agree before anything is timed.
    if (!expected(walker(entry), packages)) {
        Logger::shutdown();
        state.SkipWithError("the walker's result does not match the served records");
        return;
    }
    for (auto _ : state) {
        CoreCounts counts = walker(entry);
        benchmark::DoNotOptimize(counts.data());
        benchmark::ClobberMemory();
    }
    Logger::shutdown();
    state.SetItemsProcessed(state.iterations() * state.range(0));
    state.counters["records"] = static_cast<double>(packages);
    state.counters["per_record"] = benchmark::Counter(
        static_cast<double>(packages),
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void exSilent(benchmark::State& state) {
    runWalker(state, readCoreCountsEx, &servedEx, exPackages, LogMode::Silent);
}
void exFile(benchmark::State& state) {
    runWalker(state, readCoreCountsEx, &servedEx, exPackages, LogMode::File);
}
void basicSilent(benchmark::State& state) {
    runWalker(state, readCoreCountsBasic, &servedBasic, basicPackages, LogMode::Silent);
}
void basicFile(benchmark::State& state) {
    runWalker(state, readCoreCountsBasic, &servedBasic, basicPackages, LogMode::File);
}

}  // namespace

BENCHMARK(exSilent)->Name("readCoreCountsEx/silent")->Arg(1)->Arg(64)->Arg(1024);
BENCHMARK(exFile)->Name("readCoreCountsEx/file")->Arg(1)->Arg(64)->Arg(1024);
BENCHMARK(basicSilent)->Name("readCoreCountsBasic/silent")->Arg(1)->Arg(64)->Arg(1024);
BENCHMARK(basicFile)->Name("readCoreCountsBasic/file")->Arg(1)->Arg(64)->Arg(1024);

int main(int argc, char** argv) {
    std::vector<char*> arguments;
    for (int i = 0; i < argc; ++i) {
        if (std::strcmp(argv[i], "--log-file") == 0 && i + 1 < argc) {
            logFile = argv[++i];
        } else {
            arguments.push_back(argv[i]);
        }
    }
    int count = static_cast<int>(arguments.size());
    benchmark::Initialize(&count, arguments.data());
    if (benchmark::ReportUnrecognizedArguments(count, arguments.data())) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::remove(logFile.c_str());
    return 0;
}
