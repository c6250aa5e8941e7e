// SPDX-FileCopyrightText: 2026 The corvane-native authors
// SPDX-License-Identifier: Apache-2.0
//
// Test support: scripted stand-ins for the two processor-information
// services. Each call is recorded and answered with the next scripted answer.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "windows-cpuinfo.h"

using Bytes = std::vector<unsigned char>;

struct ServiceAnswer {
    BOOL result;
    DWORD lastError;
    DWORD length;  // stored through the length pointer
    Bytes bytes;   // copied into the caller's buffer, at most its size
};

struct ServiceCall {
    int relationship;  // -1 for the older service, which takes none
    bool withBuffer;
    DWORD lengthOnEntry;
    bool bufferZeroed;
};

struct FakeService {
    std::vector<ServiceAnswer> answers;
    std::vector<ServiceCall> calls;
    // What fakeIsWow64Process answers, and how often it was asked.
    BOOL wow64 = FALSE;
    int wow64Queries = 0;

    // The usual exchange: a sizing query refused with ERROR_INSUFFICIENT_BUFFER,
    // then the data query answered with `records`.
    void serve(const Bytes& records);
};

// The service the two entry points below answer from; tests reset it.
extern FakeService fakeService;

BOOL WINAPI fakeServiceEx(LOGICAL_PROCESSOR_RELATIONSHIP relationship,
                          PSYSTEM_LOGICAL_PROCESSOR_INFORMATION_EX buffer, PDWORD length);
BOOL WINAPI fakeServiceBasic(PSYSTEM_LOGICAL_PROCESSOR_INFORMATION buffer, PDWORD length);
BOOL WINAPI fakeIsWow64Process(HANDLE process, PBOOL wow64);

// Records in the layouts of the build's Windows ABI: a processor record of the
// newer service with its group entries, and a record of the older service.
constexpr std::size_t exRecordBytes(std::size_t groups) {
    return 32 + groups * sizeof(GROUP_AFFINITY);
}
constexpr std::size_t basicRecordBytes = sizeof(SYSTEM_LOGICAL_PROCESSOR_INFORMATION);
constexpr KAFFINITY fullMask = ~KAFFINITY{0};
Bytes exRecord(std::int32_t relationship, std::initializer_list<KAFFINITY> groupMasks);
Bytes basicRecord(std::int32_t relationship, KAFFINITY processorMask);
Bytes concat(std::initializer_list<Bytes> parts);

void putU16(Bytes& bytes, std::size_t offset, std::uint16_t value);
void putU32(Bytes& bytes, std::size_t offset, std::uint32_t value);
