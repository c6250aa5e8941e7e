// SPDX-FileCopyrightText: 2026 The corvane-native authors
// SPDX-License-Identifier: Apache-2.0

#include "fake-service.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

FakeService fakeService;

namespace {

BOOL answerCall(int relationship, void* buffer, PDWORD length) {
    const DWORD lengthOnEntry = *length;
    const auto* bytes = static_cast<const unsigned char*>(buffer);
    const bool zeroed = buffer == nullptr || std::all_of(bytes, bytes + lengthOnEntry,
                                                         [](unsigned char b) { return b == 0; });
    fakeService.calls.push_back({relationship, buffer != nullptr, lengthOnEntry, zeroed});
    if (fakeService.calls.size() > fakeService.answers.size()) {
        ADD_FAILURE() << "the service was called more often than scripted";
        SetLastError(87);
        return FALSE;
    }
    const ServiceAnswer& answer = fakeService.answers[fakeService.calls.size() - 1];
    if (buffer != nullptr && !answer.bytes.empty()) {
        std::memcpy(buffer, answer.bytes.data(),
                    std::min<std::size_t>(answer.bytes.size(), lengthOnEntry));
    }
    *length = answer.length;
    SetLastError(answer.lastError);
    return answer.result;
}

}  // namespace

void FakeService::serve(const Bytes& records) {
    const auto size = static_cast<DWORD>(records.size());
    answers = {{FALSE, ERROR_INSUFFICIENT_BUFFER, size, {}}, {TRUE, 0, size, records}};
    calls.clear();
}

BOOL WINAPI fakeServiceEx(LOGICAL_PROCESSOR_RELATIONSHIP relationship,
                          PSYSTEM_LOGICAL_PROCESSOR_INFORMATION_EX buffer, PDWORD length) {
    return answerCall(static_cast<int>(relationship), buffer, length);
}

BOOL WINAPI fakeServiceBasic(PSYSTEM_LOGICAL_PROCESSOR_INFORMATION buffer, PDWORD length) {
    return answerCall(-1, buffer, length);
}

BOOL WINAPI fakeIsWow64Process(HANDLE process, PBOOL wow64) {
    EXPECT_EQ(process, GetCurrentProcess());
    ++fakeService.wow64Queries;
    *wow64 = fakeService.wow64;
    return TRUE;
}

void putU16(Bytes& bytes, std::size_t offset, std::uint16_t value) {
    std::memcpy(bytes.data() + offset, &value, sizeof value);
}

void putU32(Bytes& bytes, std::size_t offset, std::uint32_t value) {
    std::memcpy(bytes.data() + offset, &value, sizeof value);
}

Bytes exRecord(std::int32_t relationship, std::initializer_list<KAFFINITY> groupMasks) {
    // Relationship, Size, Flags, EfficiencyClass, 20 reserved bytes, GroupCount,
    // then the group entries from offset 32: mask, group number, reserved.
    Bytes record(exRecordBytes(groupMasks.size()), 0);
    putU32(record, 0, static_cast<std::uint32_t>(relationship));
    putU32(record, 4, static_cast<std::uint32_t>(record.size()));
    putU16(record, 30, static_cast<std::uint16_t>(groupMasks.size()));
    std::size_t offset = 32;
    std::uint16_t group = 0;
    for (const KAFFINITY mask : groupMasks) {
        std::memcpy(record.data() + offset, &mask, sizeof mask);
        putU16(record, offset + sizeof mask, group++);
        offset += sizeof(GROUP_AFFINITY);
    }
    return record;
}

Bytes basicRecord(std::int32_t relationship, KAFFINITY processorMask) {
    // ProcessorMask, Relationship, then a 16-byte union from a mask's width
    // times two.
    Bytes record(basicRecordBytes, 0);
    std::memcpy(record.data(), &processorMask, sizeof processorMask);
    putU32(record, sizeof processorMask, static_cast<std::uint32_t>(relationship));
    record[2 * sizeof processorMask] = 0x5A;  // the union's bytes are not the walker's business
    return record;
}

Bytes concat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}
