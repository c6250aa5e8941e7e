// SPDX-FileCopyrightText: 2026 The corvane-native authors
// SPDX-License-Identifier: Apache-2.0
//
// A processor-information service whose whole answer comes from fuzzer
// input, so that records of every shape, lengths that disagree with the
// buffer and results other than TRUE all reach the walkers.
#pragma once

#include <cstddef>
#include <cstdint>

#include "windows-cpuinfo.h"

// Input layout, little-endian:
//   [0]     result of the sizing query (0 FALSE, 1 TRUE, any other value as is)
//   [1]     its error code: 122 (buffer too small) when odd, 87 otherwise
//   [2..5]  the length the sizing query reports, at most 64 KiB
//   [6]     result of the data query
//   [7..10] the length the data query reports, unbounded
//   [11..]  the bytes the data query writes into the buffer, as many as fit
void serveFuzzedAnswer(const std::uint8_t* data, std::size_t size);

BOOL WINAPI fuzzedServiceEx(LOGICAL_PROCESSOR_RELATIONSHIP relationship,
                            PSYSTEM_LOGICAL_PROCESSOR_INFORMATION_EX buffer, PDWORD length);
BOOL WINAPI fuzzedServiceBasic(PSYSTEM_LOGICAL_PROCESSOR_INFORMATION buffer, PDWORD length);

// How many bytes the data query wrote (the rest of the buffer is zeros), and
// the size of the buffer it was given.
std::size_t fuzzedAnswerBytes();
std::size_t fuzzedBufferBytes();
