// SPDX-FileCopyrightText: 2026 The corvane-native authors
// SPDX-License-Identifier: Apache-2.0
//
// Fuzzes the walk over the older service's fixed-size records.
#include <cstdlib>

#include "fuzzed-service.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    serveFuzzedAnswer(data, size);
    const CoreCounts counts = readCoreCountsBasic(fuzzedServiceBasic);
    // Never empty, and never more packages than whole 24-byte records.
    if (counts.empty() || (counts.size() > 1 && counts.size() > fuzzedBufferBytes() / 24)) {
        std::abort();
    }
    for (const std::int32_t count : counts) {
        if (count < 0 || (counts.size() > 1 && count > 32)) std::abort();
    }
    return 0;
}
