// SPDX-FileCopyrightText: 2026 The corvane-native authors
// SPDX-License-Identifier: Apache-2.0
//
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
// when a call fails. Under WOW64, a full mask earns a warning.
CoreCounts readCoreCountsEx(GetLogicalProcessorInformationExFn entry);
// One entry per package record: the set bits of its mask; without package
// records, one entry with the number of core records. [1] when a call fails.
// Under WOW64, a full mask earns a warning.
CoreCounts readCoreCountsBasic(GetLogicalProcessorInformationFn entry);

// Masks are as wide as the build's processor masks: 32 or 64 bits.
std::int32_t countBits(KAFFINITY mask);
