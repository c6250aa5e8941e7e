// SPDX-FileCopyrightText: 2026 The corvane-native authors
// SPDX-License-Identifier: Apache-2.0

#include "bench-records.h"

#include <cstdint>
#include <cstring>

namespace {

constexpr std::uint32_t packageMask = 0xFF;  // 8 logical processors
const Bytes* served = nullptr;

void putU16(Bytes& bytes, std::size_t offset, std::uint16_t value) {
    std::memcpy(bytes.data() + offset, &value, sizeof value);
}

void putU32(Bytes& bytes, std::size_t offset, std::uint32_t value) {
    std::memcpy(bytes.data() + offset, &value, sizeof value);
}

BOOL answer(void* buffer, PDWORD length) {
    const auto size = static_cast<DWORD>(served->size());
    if (buffer == nullptr || *length < size) {
        *length = size;
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    std::memcpy(buffer, served->data(), served->size());
    *length = size;
    return TRUE;
}

}  // namespace

Bytes exPackages(std::size_t packages) {
    // Relationship, Size, Flags, EfficiencyClass, 20 reserved bytes, GroupCount, then the
    // 12-byte group entries from offset 32.
    constexpr std::size_t recordBytes = 32 + 12;
    Bytes all(packages * recordBytes, 0);
    for (std::size_t i = 0; i < packages; ++i) {
        const std::size_t at = i * recordBytes;
        putU32(all, at, RelationProcessorPackage);
        putU32(all, at + 4, recordBytes);
        putU16(all, at + 30, 1);
        putU32(all, at + 32, packageMask);
    }
    return all;
}

Bytes basicPackages(std::size_t packages) {
    constexpr std::size_t recordBytes = 24;
    Bytes all(packages * recordBytes, 0);
    for (std::size_t i = 0; i < packages; ++i) {
        const std::size_t at = i * recordBytes;
        putU32(all, at, packageMask);
        putU32(all, at + 4, RelationProcessorPackage);
    }
    return all;
}

void serveRecords(const Bytes& records) {
    served = &records;
}

BOOL WINAPI servedEx(LOGICAL_PROCESSOR_RELATIONSHIP,
                     PSYSTEM_LOGICAL_PROCESSOR_INFORMATION_EX buffer, PDWORD length) {
    return answer(buffer, length);
}

BOOL WINAPI servedBasic(PSYSTEM_LOGICAL_PROCESSOR_INFORMATION buffer, PDWORD length) {
    return answer(buffer, length);
}
