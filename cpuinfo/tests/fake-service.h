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

    // The usual exchange: a sizing query refused with ERROR_INSUFFICIENT_BUFFER,
    // then the data query answered with `records`.
    void serve(const Bytes& records);
};

// The service the two entry points below answer from; tests reset it.
extern FakeService fakeService;

BOOL WINAPI fakeServiceEx(LOGICAL_PROCESSOR_RELATIONSHIP relationship,
                          PSYSTEM_LOGICAL_PROCESSOR_INFORMATION_EX buffer, PDWORD length);
BOOL WINAPI fakeServiceBasic(PSYSTEM_LOGICAL_PROCESSOR_INFORMATION buffer, PDWORD length);

// Records in the services' 32-bit layouts.
Bytes exRecord(std::int32_t relationship, std::initializer_list<std::uint32_t> groupMasks);
Bytes basicRecord(std::int32_t relationship, std::uint32_t processorMask);
Bytes concat(std::initializer_list<Bytes> parts);

void putU16(Bytes& bytes, std::size_t offset, std::uint16_t value);
void putU32(Bytes& bytes, std::size_t offset, std::uint32_t value);
