// SPDX-FileCopyrightText: 2026 The corvane-native authors
// SPDX-License-Identifier: Apache-2.0
//
// The two record walkers against scripted services: calls made, records
// logged in order, counts returned, and malformed answers.
#include <gtest/gtest.h>

#include "fake-service.h"
#include "log-capture.h"
#include "windows-cpuinfo.h"

namespace {

using Records = std::vector<std::string>;

// Sizes in the layouts of the build's Windows ABI.
const std::string maskWidth = std::to_string(sizeof(KAFFINITY));
const auto exPackageBytes = static_cast<DWORD>(exRecordBytes(1));
const auto basicBytes = static_cast<DWORD>(basicRecordBytes);

const std::string exUsing =
    "INFO readCoreCountsEx: Using GetLogicalProcessorInformationEx, width of KAFFINITY = " +
    maskWidth;
const std::string basicUsing =
    "INFO readCoreCountsBasic: Using GetLogicalProcessorInformation, width of ProcessorMask = " +
    maskWidth;

std::string exRecordLine(int relationship, std::size_t size) {
    return "INFO readCoreCountsEx: relationship = " + std::to_string(relationship) +
           ", size = " + std::to_string(size);
}

std::string basicRecordLine(int relation) {
    return "INFO readCoreCountsBasic: Processor info, relation = " + std::to_string(relation);
}

class Walkers : public ::testing::Test {
  protected:
    void SetUp() override { fakeService = FakeService{}; }

    CoreCounts walkEx(const Bytes& records) {
        fakeService.serve(records);
        return readCoreCountsEx(fakeServiceEx);
    }
    CoreCounts walkBasic(const Bytes& records) {
        fakeService.serve(records);
        return readCoreCountsBasic(fakeServiceBasic);
    }

    LogCapture log;
};

// --- the newer service -----------------------------------------------------

TEST_F(Walkers, ExCountsEachPackageAndLogsEveryRecord) {
    const Bytes records = concat({exRecord(3, {0xFF}), exRecord(3, {0xFF})});
    EXPECT_EQ(walkEx(records), (CoreCounts{8, 8}));
    EXPECT_EQ(log.body(),
              (Records{exUsing, exRecordLine(3, exPackageBytes), exRecordLine(3, exPackageBytes)}));
}

TEST_F(Walkers, ExSizesForAllRelationshipsThenAsksForPackages) {
    walkEx(concat({exRecord(3, {0xFF}), exRecord(3, {0xFF})}));
    ASSERT_EQ(fakeService.calls.size(), 2u);
    EXPECT_EQ(fakeService.calls[0].relationship, 0xffff);
    EXPECT_FALSE(fakeService.calls[0].withBuffer);
    EXPECT_EQ(fakeService.calls[0].lengthOnEntry, 0u);
    EXPECT_EQ(fakeService.calls[1].relationship, 3);
    EXPECT_TRUE(fakeService.calls[1].withBuffer);
    EXPECT_EQ(fakeService.calls[1].lengthOnEntry, 2 * exPackageBytes);
    EXPECT_TRUE(fakeService.calls[1].bufferZeroed);
}

TEST_F(Walkers, ExAddsUpAllGroupsOfARecord) {
    EXPECT_EQ(walkEx(exRecord(3, {0xFFFFFFFF, 0xF})), (CoreCounts{36}));
    // Every bit of the build's mask width counts.
    EXPECT_EQ(walkEx(exRecord(3, {fullMask, 0xF})),
              (CoreCounts{static_cast<std::int32_t>(8 * sizeof(KAFFINITY) + 4)}));
}

TEST_F(Walkers, ExRecordWithoutGroupsCountsZero) {
    EXPECT_EQ(walkEx(concat({exRecord(3, {}), exRecord(3, {0x3})})), (CoreCounts{0, 2}));
    EXPECT_EQ(log.body(), (Records{exUsing, exRecordLine(3, exRecordBytes(0)),
                                   exRecordLine(3, exPackageBytes)}));
}

TEST_F(Walkers, ExCountsRecordsWhateverTheirRelationship) {
    EXPECT_EQ(walkEx(concat({exRecord(2, {0x1}), exRecord(3, {0x7})})), (CoreCounts{1, 3}));
    EXPECT_EQ(log.body(),
              (Records{exUsing, exRecordLine(2, exPackageBytes), exRecordLine(3, exPackageBytes)}));
}

TEST_F(Walkers, ExEmptyAnswerGivesEmptyList) {
    EXPECT_EQ(walkEx({}), CoreCounts{});
    EXPECT_EQ(log.body(), Records{exUsing});
}

TEST_F(Walkers, ExSizingQueryAnsweredTrueGoesOn) {
    const Bytes records = exRecord(3, {0xF});
    fakeService.answers = {{TRUE, 0, exPackageBytes, {}}, {TRUE, 0, exPackageBytes, records}};
    EXPECT_EQ(readCoreCountsEx(fakeServiceEx), (CoreCounts{4}));
    EXPECT_EQ(fakeService.calls.size(), 2u);
}

TEST_F(Walkers, ExSizingQueryFailureIsLoggedWithItsCode) {
    fakeService.answers = {{FALSE, 87, 0, {}}};
    EXPECT_EQ(readCoreCountsEx(fakeServiceEx), (CoreCounts{1}));
    EXPECT_EQ(fakeService.calls.size(), 1u);
    EXPECT_EQ(log.body(),
              (Records{exUsing,
                       "ERROR readCoreCountsEx: Failed call to GetLogicalProcessorInformationEx, "
                       "error = 87"}));
}

TEST_F(Walkers, ExDataQueryFailureFallsBackToOne) {
    // The buffer turned too small between the two queries: no retry.
    fakeService.answers = {{FALSE, ERROR_INSUFFICIENT_BUFFER, exPackageBytes, {}},
                           {FALSE, ERROR_INSUFFICIENT_BUFFER, 2 * exPackageBytes, {}}};
    EXPECT_EQ(readCoreCountsEx(fakeServiceEx), (CoreCounts{1}));
    EXPECT_EQ(fakeService.calls.size(), 2u);
    EXPECT_EQ(log.body(),
              (Records{exUsing,
                       "ERROR readCoreCountsEx: Failed call to GetLogicalProcessorInformationEx, "
                       "error = 122"}));
}

TEST_F(Walkers, ExResultOtherThanTrueIsFailure) {
    fakeService.answers = {{2, ERROR_INSUFFICIENT_BUFFER, exPackageBytes, {}},
                           {2, 5, exPackageBytes, exRecord(3, {0xF})}};
    EXPECT_EQ(readCoreCountsEx(fakeServiceEx), (CoreCounts{1}));
    EXPECT_EQ(log.body().back(),
              "ERROR readCoreCountsEx: Failed call to GetLogicalProcessorInformationEx, error = 5");
}

// Malformed answers end the walk at the last whole record.

TEST_F(Walkers, ExStopsAtZeroSizedRecord) {
    Bytes stuck = exRecord(3, {0xF});
    putU32(stuck, 4, 0);
    EXPECT_EQ(walkEx(concat({exRecord(3, {0x3}), stuck, exRecord(3, {0xFF})})), (CoreCounts{2}));
    EXPECT_EQ(log.body(), (Records{exUsing, exRecordLine(3, exPackageBytes)}));
}

TEST_F(Walkers, ExStopsAtRecordReachingPastTheAnswer) {
    Bytes tooLong = exRecord(3, {0xF});
    putU32(tooLong, 4, exPackageBytes + 1);
    EXPECT_EQ(walkEx(concat({exRecord(3, {0x1}), tooLong})), (CoreCounts{1}));
}

TEST_F(Walkers, ExStopsAtRecordTooShortForItsGroupCount) {
    Bytes truncated = exRecord(3, {0xF});
    putU32(truncated, 4, 24);
    EXPECT_EQ(walkEx(concat({exRecord(3, {0x1}), truncated, exRecord(3, {0x3})})), (CoreCounts{1}));
}

TEST_F(Walkers, ExStopsAtGroupsThatDoNotFitTheirRecord) {
    Bytes overfull = exRecord(3, {0xF, 0xF});
    putU16(overfull, 30, 3);
    EXPECT_EQ(walkEx(concat({overfull, exRecord(3, {0x1})})), CoreCounts{});
    EXPECT_EQ(log.body(), Records{exUsing});
}

TEST_F(Walkers, ExIgnoresATrailingPartialRecord) {
    const Bytes whole = exRecord(3, {0x3});
    Bytes answer = concat({whole, whole});
    answer.resize(whole.size() + 20);
    EXPECT_EQ(walkEx(answer), (CoreCounts{2}));
}

TEST_F(Walkers, ExIgnoresATrailingFragmentShorterThanARecordHeader) {
    // Four bytes: the answer ends before the last record's Size field.
    const Bytes whole = exRecord(3, {0x3});
    Bytes answer = concat({whole, whole});
    answer.resize(whole.size() + 4);
    EXPECT_EQ(walkEx(answer), (CoreCounts{2}));
}

TEST_F(Walkers, ExNeverReadsPastItsBuffer) {
    // The data query claims more bytes than the buffer it was given holds.
    const Bytes record = exRecord(3, {0xF});
    fakeService.answers = {{FALSE, ERROR_INSUFFICIENT_BUFFER, exPackageBytes, {}},
                           {TRUE, 0, 4096, record}};
    EXPECT_EQ(readCoreCountsEx(fakeServiceEx), (CoreCounts{4}));
}

// --- the older service -----------------------------------------------------

TEST_F(Walkers, BasicCountsPackagesAndIgnoresCoresBesideThem) {
    const Bytes records = concat({basicRecord(0, 0x1), basicRecord(0, 0x2), basicRecord(3, 0x3)});
    EXPECT_EQ(walkBasic(records), (CoreCounts{2}));
    const Records body = log.body();
    ASSERT_EQ(body.size(), 5u);
    EXPECT_EQ(body[0], basicUsing);
    EXPECT_EQ(body[2], basicRecordLine(0));
    EXPECT_EQ(body[3], basicRecordLine(0));
    EXPECT_EQ(body[4], basicRecordLine(3));
}

TEST_F(Walkers, BasicLogsTheAnswerSizeUnderTheSourceFile) {
    walkBasic(concat({basicRecord(3, 0x3), basicRecord(2, 0)}));
    const Records body = log.body();
    ASSERT_GE(body.size(), 2u);
    const std::string& debug = body[1];
    const std::string suffix =
        "windows-cpuinfo.cpp:101: size of SYSTEM_LOGICAL_PROCESSOR_INFORMATION array is " +
        std::to_string(2 * basicBytes);
    EXPECT_EQ(debug.rfind("DEBUG ", 0), 0u) << debug;
    ASSERT_GE(debug.size(), suffix.size());
    EXPECT_EQ(debug.substr(debug.size() - suffix.size()), suffix);
}

TEST_F(Walkers, BasicMakesTheTwoExpectedCalls) {
    walkBasic(concat({basicRecord(3, 0x3), basicRecord(3, 0x3)}));
    ASSERT_EQ(fakeService.calls.size(), 2u);
    EXPECT_FALSE(fakeService.calls[0].withBuffer);
    EXPECT_EQ(fakeService.calls[0].lengthOnEntry, 0u);
    EXPECT_TRUE(fakeService.calls[1].withBuffer);
    EXPECT_EQ(fakeService.calls[1].lengthOnEntry, 2 * basicBytes);
    EXPECT_TRUE(fakeService.calls[1].bufferZeroed);
}

TEST_F(Walkers, BasicWithoutPackagesCountsCores) {
    const Bytes records = concat({basicRecord(0, 0x1), basicRecord(2, 0x3), basicRecord(0, 0x2),
                                  basicRecord(0, 0x4), basicRecord(2, 0xF), basicRecord(0, 0x8)});
    EXPECT_EQ(walkBasic(records), (CoreCounts{4}));
}

TEST_F(Walkers, BasicKeepsPackagesInRecordOrder) {
    EXPECT_EQ(walkBasic(concat({basicRecord(3, 0x0F), basicRecord(3, 0xF0)})), (CoreCounts{4, 4}));
    EXPECT_EQ(walkBasic(concat({basicRecord(3, 0x1), basicRecord(3, 0xFFFFFFFF)})),
              (CoreCounts{1, 32}));
}

TEST_F(Walkers, BasicEmptyAnswerGivesZero) {
    EXPECT_EQ(walkBasic({}), (CoreCounts{0}));
    const Records body = log.body();
    ASSERT_EQ(body.size(), 2u);
    EXPECT_NE(body[1].find("array is 0"), std::string::npos);
}

TEST_F(Walkers, BasicSizingQueryFailureIsLoggedWithItsCode) {
    fakeService.answers = {{FALSE, 87, 0, {}}};
    EXPECT_EQ(readCoreCountsBasic(fakeServiceBasic), (CoreCounts{1}));
    EXPECT_EQ(fakeService.calls.size(), 1u);
    EXPECT_EQ(log.body(),
              (Records{basicUsing,
                       "ERROR readCoreCountsBasic: Failed call to GetLogicalProcessorInformation, "
                       "error = 87"}));
}

TEST_F(Walkers, BasicDataQueryFailureFallsBackToOne) {
    fakeService.answers = {{FALSE, ERROR_INSUFFICIENT_BUFFER, basicBytes, {}},
                           {FALSE, 998, basicBytes, {}}};
    EXPECT_EQ(readCoreCountsBasic(fakeServiceBasic), (CoreCounts{1}));
    EXPECT_EQ(
        log.body().back(),
        "ERROR readCoreCountsBasic: Failed call to GetLogicalProcessorInformation, error = 998");
}

TEST_F(Walkers, BasicReadsOnlyWholeRecords) {
    Bytes answer = concat({basicRecord(3, 0x3), basicRecord(3, 0x7), basicRecord(3, 0xF)});
    answer.resize(2 * basicBytes + 10);
    EXPECT_EQ(walkBasic(answer), (CoreCounts{2, 3}));
}

TEST_F(Walkers, BasicNeverReadsPastItsBuffer) {
    fakeService.answers = {{FALSE, ERROR_INSUFFICIENT_BUFFER, basicBytes, {}},
                           {TRUE, 0, basicBytes * 100, basicRecord(3, 0x3)}};
    EXPECT_EQ(readCoreCountsBasic(fakeServiceBasic), (CoreCounts{2}));
}

TEST(CountBits, CountsSetBitsOfAllWidths) {
    EXPECT_EQ(countBits(0), 0);
    EXPECT_EQ(countBits(0x80000000u), 1);
    EXPECT_EQ(countBits(0xFFFFFFFFu), 32);
    EXPECT_EQ(countBits(0x00F0000Fu), 8);
    EXPECT_EQ(countBits(fullMask), static_cast<std::int32_t>(8 * sizeof(KAFFINITY)));
}

}  // namespace
