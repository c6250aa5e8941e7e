// SPDX-FileCopyrightText: 2026 The corvane-native authors
// SPDX-License-Identifier: Apache-2.0
//
// Fuzzes the walk over the newer service's variable-length records.
#include <cstdlib>
#include <numeric>

#include "fuzzed-service.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    serveFuzzedAnswer(data, size);
    const CoreCounts counts = readCoreCountsEx(fuzzedServiceEx);
    // Every counted bit lies in a mask that came with the answer, and each
    // record takes at least 32 bytes of the buffer.
    const long long bits = std::accumulate(counts.begin(), counts.end(), 0LL);
    if (counts != CoreCounts{1} && (bits > static_cast<long long>(8 * fuzzedAnswerBytes()) ||
                                    counts.size() > fuzzedBufferBytes() / 32)) {
        std::abort();
    }
    return 0;
}
