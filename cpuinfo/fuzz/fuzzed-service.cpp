// SPDX-FileCopyrightText: 2026 The corvane-native authors
// SPDX-License-Identifier: Apache-2.0

#include "fuzzed-service.h"

#include <algorithm>
#include <cstring>

namespace {

struct Answer {
    BOOL sizingResult = FALSE;
    DWORD sizingError = 0;
    DWORD sizingLength = 0;
    BOOL dataResult = FALSE;
    DWORD dataLength = 0;
    const std::uint8_t* records = nullptr;
    std::size_t recordBytes = 0;
    int calls = 0;
    std::size_t written = 0;
    std::size_t buffer = 0;
};

Answer answer;

constexpr std::size_t headerBytes = 11;
constexpr DWORD maxSizingLength = 64 * 1024;

DWORD readU32(const std::uint8_t* bytes) {
    std::uint32_t value = 0;
    std::memcpy(&value, bytes, sizeof value);
    return value;
}

BOOL respond(void* buffer, PDWORD length) {
    if (answer.calls++ == 0) {
        *length = answer.sizingLength;
        SetLastError(answer.sizingError);
        return answer.sizingResult;
    }
    if (buffer != nullptr) {
        answer.buffer = *length;
        answer.written = std::min<std::size_t>(answer.recordBytes, *length);
        if (answer.written != 0) std::memcpy(buffer, answer.records, answer.written);
    }
    *length = answer.dataLength;
    SetLastError(answer.dataResult == TRUE ? 0 : 122);
    return answer.dataResult;
}

}  // namespace

void serveFuzzedAnswer(const std::uint8_t* data, std::size_t size) {
    answer = Answer{};
    std::uint8_t header[headerBytes] = {};
    std::memcpy(header, data, std::min(size, headerBytes));
    answer.sizingResult = header[0];
    answer.sizingError = (header[1] & 1) != 0 ? ERROR_INSUFFICIENT_BUFFER : 87;
    answer.sizingLength = std::min(readU32(header + 2), maxSizingLength);
    answer.dataResult = header[6];
    answer.dataLength = readU32(header + 7);
    if (size > headerBytes) {
        answer.records = data + headerBytes;
        answer.recordBytes = size - headerBytes;
    }
}

BOOL WINAPI fuzzedServiceEx(LOGICAL_PROCESSOR_RELATIONSHIP,
                            PSYSTEM_LOGICAL_PROCESSOR_INFORMATION_EX buffer, PDWORD length) {
    return respond(buffer, length);
}

BOOL WINAPI fuzzedServiceBasic(PSYSTEM_LOGICAL_PROCESSOR_INFORMATION buffer, PDWORD length) {
    return respond(buffer, length);
}

std::size_t fuzzedAnswerBytes() {
    return answer.written;
}

std::size_t fuzzedBufferBytes() {
    return answer.buffer;
}
