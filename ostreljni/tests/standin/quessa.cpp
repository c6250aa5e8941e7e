// SPDX-FileCopyrightText: 2026 The corvane-native authors
// SPDX-License-Identifier: Apache-2.0
//
// A stand-in for the application monitor libquessa.so, to link the bridge against and to watch
// it from Java. It keeps a copy of the last posted text and answers with what it saw:
//
//   result of Ostrel_PostAppState   the number of bytes before the NUL, or N for "!result=N"
//   status (default, hex mode)      the posted bytes of the last post in lower-case hex
//   after "!status=TEXT"            the bytes of TEXT, as they were posted
//   after "!status-null"            a null pointer
//   after "!status-hex"             back to hex mode
//
// Commands are posts like any other: they are echoed and become the last posted text.
#include "quessa.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>

namespace {

enum class StatusMode { kHex, kLiteral, kNull };

std::mutex gMutex;
std::string gLastPosted;
std::string gLiteralStatus;
StatusMode gMode = StatusMode::kHex;

bool startsWith(const std::string& text, const char* prefix) {
    return text.compare(0, std::strlen(prefix), prefix) == 0;
}

std::string toHex(const std::string& bytes) {
    static const char kDigits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(bytes.size() * 2);
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        hex.push_back(kDigits[byte >> 4]);
        hex.push_back(kDigits[byte & 0x0f]);
    }
    return hex;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) std::int32_t Ostrel_PostAppState(
    const char* state) {
    const std::string posted(state);
    std::int32_t result = static_cast<std::int32_t>(posted.size());

    const std::lock_guard<std::mutex> lock(gMutex);
    gLastPosted = posted;
    if (startsWith(posted, "!result=")) {
        result = static_cast<std::int32_t>(std::strtol(posted.c_str() + 8, nullptr, 10));
    } else if (startsWith(posted, "!status=")) {
        gLiteralStatus = posted.substr(8);
        gMode = StatusMode::kLiteral;
    } else if (posted == "!status-null") {
        gMode = StatusMode::kNull;
    } else if (posted == "!status-hex") {
        gMode = StatusMode::kHex;
    }
    return result;
}

extern "C" __attribute__((visibility("default"))) const char* Ostrel_GetAppStatus() {
    // One buffer per thread: the text stays valid until this thread asks again, long after the
    // bridge has copied it, however many other threads post meanwhile.
    thread_local std::string status;

    const std::lock_guard<std::mutex> lock(gMutex);
    switch (gMode) {
        case StatusMode::kNull:
            return nullptr;
        case StatusMode::kLiteral:
            status = gLiteralStatus;
            break;
        case StatusMode::kHex:
            status = toHex(gLastPosted);
            break;
    }
    return status.c_str();
}
