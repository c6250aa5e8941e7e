// SPDX-FileCopyrightText: 2026 The corvane-native authors
// SPDX-License-Identifier: Apache-2.0
//
// The query against the real kernel32 (under Wine in the test runs): its
// answer must agree with what the system says of its processors.
#include <gtest/gtest.h>

#include <numeric>
#include <string>

#include "log-capture.h"
#include "windows-cpuinfo.h"

namespace {

TEST(Kernel32Query, CountsEveryActiveProcessorOnce) {
    LogCapture log;
    const CoreCounts counts = readCoreCounts();
    ASSERT_FALSE(counts.empty());
    for (const std::int32_t count : counts) EXPECT_GT(count, 0);

    SYSTEM_INFO system{};
    GetSystemInfo(&system);
    EXPECT_EQ(std::accumulate(counts.begin(), counts.end(), 0),
              static_cast<std::int32_t>(system.dwNumberOfProcessors));

    const std::vector<std::string> body = log.body();
    ASSERT_FALSE(body.empty());
    EXPECT_EQ(
        body.front(),
        "INFO readCoreCountsEx: Using GetLogicalProcessorInformationEx, width of KAFFINITY = " +
            std::to_string(sizeof(KAFFINITY)));
}

TEST(Kernel32Query, BothServicesAgree) {
    const HMODULE kernel32 = GetModuleHandleA("kernel32");
    const auto ex = reinterpret_cast<GetLogicalProcessorInformationExFn>(
        reinterpret_cast<void (*)()>(GetProcAddress(kernel32, "GetLogicalProcessorInformationEx")));
    const auto basic = reinterpret_cast<GetLogicalProcessorInformationFn>(
        reinterpret_cast<void (*)()>(GetProcAddress(kernel32, "GetLogicalProcessorInformation")));
    ASSERT_NE(ex, nullptr);
    ASSERT_NE(basic, nullptr);
    EXPECT_EQ(readCoreCountsEx(ex), readCoreCountsBasic(basic));
}

}  // namespace
