// Choosing the service through the fake kernel32 module, CpuInfo's record of
// the final list, and the whole driver on the fake system.
#include <gtest/gtest.h>

#include <new>
#include <sstream>

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

class ServiceChoice : public ::testing::Test {
  protected:
    void SetUp() override {
        fakeService = FakeService{};
        fake_kernel32::reset();
    }
    void TearDown() override { fake_kernel32::reset(); }

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

BOOL WINAPI exhaustedService(LOGICAL_PROCESSOR_RELATIONSHIP,
                             PSYSTEM_LOGICAL_PROCESSOR_INFORMATION_EX, PDWORD) {
    throw std::bad_alloc();
}

TEST(DriverOnTheFakeSystem, ExhaustedMemoryEndsInAnOrderlyWay) {
    fake_kernel32::reset();
    fake_kernel32::provide("GetLogicalProcessorInformationEx", asProcedure(exhaustedService));
    const std::string path = scratchPath();
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(runCpuInfo({"--logfile", path}, out, err), 3);
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(err.str(), "error: out of memory\n");
    EXPECT_EQ(Logger::instance(), nullptr);
    fake_kernel32::reset();
    removePath(path);
}

TEST(DriverOnTheFakeSystem, PrintsTheCountsOfTheFakeSystem) {
    fake_kernel32::reset();
    fake_kernel32::provide("GetLogicalProcessorInformationEx", asProcedure(fakeServiceEx));
    fakeService = FakeService{};
    fakeService.serve(concat({exRecord(3, {0xFFF}), exRecord(3, {0xFFF})}));
    const std::string path = scratchPath();
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(runCpuInfo({"--logfile", path}, out, err), 0);
    EXPECT_EQ(out.str(), "[12,12]\n");
    EXPECT_EQ(err.str(), "");
    fake_kernel32::reset();
    removePath(path);
}

}  // namespace
