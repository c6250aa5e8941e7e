// SPDX-FileCopyrightText: 2026 The corvane-native authors
// SPDX-License-Identifier: Apache-2.0
//
// Choosing the service through the fake kernel32 module, CpuInfo's record of
// the final list, and the whole driver on the fake system.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "driver.h"
#include "fake-service.h"
#include "log-capture.h"
#include "logger.h"
#include "windows-cpuinfo.h"

namespace {

using Records = std::vector<std::string>;

template <typename Function>
FARPROC asProcedure(Function function) {
    return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(function));
}

class FakeSystem : public ::testing::Test {
  protected:
    void SetUp() override {
        fakeService = FakeService{};
        fake_kernel32::reset();
    }
    void TearDown() override { fake_kernel32::reset(); }
};

class ServiceChoice : public FakeSystem {
  protected:
    LogCapture log;
};

TEST_F(ServiceChoice, PrefersTheNewerService) {
    fake_kernel32::provide("GetLogicalProcessorInformationEx", asProcedure(fakeServiceEx));
    fake_kernel32::provide("GetLogicalProcessorInformation", asProcedure(fakeServiceBasic));
    fakeService.serve(concat({exRecord(3, {0xFF}), exRecord(3, {0xFF})}));

    EXPECT_EQ(readCoreCounts(), (CoreCounts{8, 8}));
    EXPECT_EQ(fake_kernel32::lookups(), (Records{"kernel32", "GetLogicalProcessorInformationEx"}));
    EXPECT_EQ(fakeService.calls.at(0).relationship, 0xffff);
}

TEST_F(ServiceChoice, NewerServiceFailureIsFinal) {
    fake_kernel32::provide("GetLogicalProcessorInformationEx", asProcedure(fakeServiceEx));
    fake_kernel32::provide("GetLogicalProcessorInformation", asProcedure(fakeServiceBasic));
    fakeService.answers = {{FALSE, ERROR_INSUFFICIENT_BUFFER, 44, {}}, {FALSE, 31, 0, {}}};

    EXPECT_EQ(readCoreCounts(), (CoreCounts{1}));
    EXPECT_EQ(fake_kernel32::lookups(), (Records{"kernel32", "GetLogicalProcessorInformationEx"}));
    const Records body = log.body();
    ASSERT_EQ(body.size(), 2u);
    EXPECT_EQ(
        body[1],
        "ERROR readCoreCountsEx: Failed call to GetLogicalProcessorInformationEx, error = 31");
}

TEST_F(ServiceChoice, FallsBackToTheOlderService) {
    fake_kernel32::provide("GetLogicalProcessorInformation", asProcedure(fakeServiceBasic));
    fakeService.serve(concat({basicRecord(3, 0x0F), basicRecord(3, 0xF0)}));

    EXPECT_EQ(readCoreCounts(), (CoreCounts{4, 4}));
    EXPECT_EQ(fake_kernel32::lookups(), (Records{"kernel32", "GetLogicalProcessorInformationEx",
                                                 "GetLogicalProcessorInformation"}));
    EXPECT_EQ(fakeService.calls.at(0).relationship, -1);
}

TEST_F(ServiceChoice, WithoutEitherServiceWarnsAndReportsOne) {
    const CpuInfo cpuInfo;
    EXPECT_EQ(cpuInfo.coreCounts(), (CoreCounts{1}));
    EXPECT_EQ(log.body(),
              (Records{"WARNING readCoreCounts: No API available to access logical processor "
                       "information, using [1]",
                       "INFO CpuInfo::CpuInfo: cpu core counts = [1]"}));
}

TEST_F(ServiceChoice, CpuInfoLogsTheListLast) {
    fake_kernel32::provide("GetLogicalProcessorInformationEx", asProcedure(fakeServiceEx));
    fakeService.serve(concat({exRecord(3, {0xFF}), exRecord(3, {0xFF})}));

    const CpuInfo cpuInfo;
    EXPECT_EQ(cpuInfo.coreCounts(), (CoreCounts{8, 8}));
    const Records body = log.body();
    ASSERT_EQ(body.size(), 4u);
    EXPECT_EQ(body.back(), "INFO CpuInfo::CpuInfo: cpu core counts = [8,8]");
}

TEST_F(ServiceChoice, CpuInfoLogsAnEmptyList) {
    fake_kernel32::provide("GetLogicalProcessorInformationEx", asProcedure(fakeServiceEx));
    fakeService.serve({});

    const CpuInfo cpuInfo;
    EXPECT_EQ(cpuInfo.coreCounts(), CoreCounts{});
    EXPECT_EQ(log.body().back(), "INFO CpuInfo::CpuInfo: cpu core counts = []");
}

const std::string foldedMasksWarning =
    ": Running under WOW64, where a processor mask holds at most 32 processors: the packages "
    "at positions [2] of the result have full masks, so their counts may be low; the 64-bit "
    "build of cpuinfo counts every processor";

TEST_F(ServiceChoice, UnderWow64AFullMaskWarnsAfterTheNewerServicesRecords) {
    fake_kernel32::provide("GetLogicalProcessorInformationEx", asProcedure(fakeServiceEx));
    fake_kernel32::provide("IsWow64Process", asProcedure(fakeIsWow64Process));
    fakeService.wow64 = TRUE;
    fakeService.serve(concat({exRecord(3, {0xFF}), exRecord(3, {0xF, fullMask})}));

    const CpuInfo cpuInfo;
    const auto full = static_cast<std::int32_t>(8 * sizeof(KAFFINITY));
    EXPECT_EQ(cpuInfo.coreCounts(), (CoreCounts{8, 4 + full}));
    const Records body = log.body();
    ASSERT_EQ(body.size(), 5u);
    EXPECT_EQ(body[3], "WARNING readCoreCountsEx" + foldedMasksWarning);
    EXPECT_EQ(body[4],
              "INFO CpuInfo::CpuInfo: cpu core counts = [8," + std::to_string(4 + full) + "]");
}

TEST_F(ServiceChoice, UnderWow64AFullMaskInAnEarlierGroupOfAPackageWarns) {
    fake_kernel32::provide("GetLogicalProcessorInformationEx", asProcedure(fakeServiceEx));
    fake_kernel32::provide("IsWow64Process", asProcedure(fakeIsWow64Process));
    fakeService.wow64 = TRUE;
    fakeService.serve(concat({exRecord(3, {0xFF}), exRecord(3, {fullMask, 0xF})}));

    readCoreCounts();
    EXPECT_EQ(log.body().back(), "WARNING readCoreCountsEx" + foldedMasksWarning);
}

TEST_F(ServiceChoice, UnderWow64AFullMaskWarnsAfterTheOlderServicesRecords) {
    fake_kernel32::provide("GetLogicalProcessorInformation", asProcedure(fakeServiceBasic));
    fake_kernel32::provide("IsWow64Process", asProcedure(fakeIsWow64Process));
    fakeService.wow64 = TRUE;
    fakeService.serve(concat({basicRecord(3, 0xFF), basicRecord(3, fullMask), basicRecord(0, 1)}));

    readCoreCounts();
    const Records body = log.body();
    ASSERT_EQ(body.size(), 6u);
    EXPECT_EQ(body[4], "INFO readCoreCountsBasic: Processor info, relation = 0");
    EXPECT_EQ(body[5], "WARNING readCoreCountsBasic" + foldedMasksWarning);
    EXPECT_EQ(fakeService.wow64Queries, 1);
}

TEST_F(ServiceChoice, FullMasksOutsideWow64OrWithoutTheCheckAreNotWarnedOf) {
    fake_kernel32::provide("GetLogicalProcessorInformationEx", asProcedure(fakeServiceEx));
    const Bytes records = concat({exRecord(3, {fullMask}), exRecord(3, {fullMask})});
    // A system too old to have IsWow64Process.
    fakeService.serve(records);
    readCoreCounts();
    // A 64-bit system's answer for a process of its own width.
    fake_kernel32::provide("IsWow64Process", asProcedure(fakeIsWow64Process));
    fakeService.serve(records);
    readCoreCounts();

    EXPECT_EQ(fakeService.wow64Queries, 1);
    for (const std::string& record : log.body()) {
        EXPECT_EQ(record.rfind("WARNING", 0), std::string::npos) << record;
    }
}

TEST_F(ServiceChoice, NoFullMaskMeansNoWow64Check) {
    fake_kernel32::provide("GetLogicalProcessorInformationEx", asProcedure(fakeServiceEx));
    fake_kernel32::provide("IsWow64Process", asProcedure(fakeIsWow64Process));
    fakeService.wow64 = TRUE;
    fakeService.serve(exRecord(3, {fullMask >> 1}));

    readCoreCounts();
    EXPECT_EQ(fakeService.wow64Queries, 0);
    EXPECT_EQ(log.body().size(), 2u);
}

class DriverOnTheFakeSystem : public FakeSystem {};

#if CPUINFO_WINDOWS_ABI == 32
// In a 32-bit address space no buffer can hold the size that the sizing query
// claims; a 64-bit process would try to allocate it.
TEST_F(DriverOnTheFakeSystem, ASizeNoBufferCanHoldEndsTheRunAsOutOfMemory) {
    fake_kernel32::provide("GetLogicalProcessorInformationEx", asProcedure(fakeServiceEx));
    fakeService.answers = {{FALSE, ERROR_INSUFFICIENT_BUFFER, 0xFFFFFFF0, {}}};
    const std::string path = scratchPath();
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(runCpuInfo({"--logfile", path}, out, err), 3);
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(err.str(), "error: out of memory\n");
    EXPECT_EQ(Logger::instance(), nullptr);
    EXPECT_EQ(fakeService.calls.size(), 1u);
    const Records records = recordsIn(readBytes(path));
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].rfind("Begin Brennix version ", 0), 0u) << records[0];
    EXPECT_EQ(records[1],
              "INFO readCoreCountsEx: Using GetLogicalProcessorInformationEx, width of KAFFINITY = "
              "4");
    removePath(path);
}
#endif

TEST_F(DriverOnTheFakeSystem, PrintsTheCountsOfTheFakeSystem) {
    fake_kernel32::provide("GetLogicalProcessorInformationEx", asProcedure(fakeServiceEx));
    fakeService.serve(concat({exRecord(3, {0xFFF}), exRecord(3, {0xFFF})}));
    const std::string path = scratchPath();
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(runCpuInfo({"--logfile", path}, out, err), 0);
    EXPECT_EQ(out.str(), "[12,12]\n");
    EXPECT_EQ(err.str(), "");
    removePath(path);
}

}  // namespace
