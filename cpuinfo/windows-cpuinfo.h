// The processor topology query: logical processors per physical package, from
// the kernel32 processor-information services.
#pragma once

#include <cstdint>

#include "core-counts.h"
#include "windows-api.h"

using GetLogicalProcessorInformationExFn = BOOL(WINAPI*)(LOGICAL_PROCESSOR_RELATIONSHIP,
                                                         PSYSTEM_LOGICAL_PROCESSOR_INFORMATION_EX,
                                                         PDWORD);
using GetLogicalProcessorInformationFn = BOOL(WINAPI*)(PSYSTEM_LOGICAL_PROCESSOR_INFORMATION,
                                                       PDWORD);

// Runs the query once, on construction, and keeps its result.
class CpuInfo {
  public:
    CpuInfo();
    CoreCounts coreCounts() const { return coreCounts_; }

  private:
    CoreCounts coreCounts_;
};

// Uses the newer service if kernel32 has it, else the older one; [1] when
// neither exists.
CoreCounts readCoreCounts();
// One entry per package record: the set bits over all its group masks. [1]
// when a call fails.
CoreCounts readCoreCountsEx(GetLogicalProcessorInformationExFn entry);
// One entry per package record: the set bits of its mask; without package
// records, one entry with the number of core records. [1] when a call fails.
CoreCounts readCoreCountsBasic(GetLogicalProcessorInformationFn entry);

std::int32_t countBits(std::uint32_t mask);
