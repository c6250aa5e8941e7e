// SPDX-FileCopyrightText: 2026 The corvane-native authors
// SPDX-License-Identifier: Apache-2.0
//
// A benchmark-only application monitor, loaded as libquessa.so in place of the test stand-in so
// that the bridge's figures hold as little monitor work as possible: a post answers with the
// number of bytes it received, and "!status=TEXT" sets the status text that Ostrel_GetAppStatus
// returns from then on. No lock: the benchmark calls it from one thread.
#include "quessa.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

char empty[] = "";
char* status = empty;

}  // namespace

extern "C" __attribute__((visibility("default"))) std::int32_t Ostrel_PostAppState(
    const char* state) {
    const std::size_t size = std::strlen(state);
    static const char command[] = "!status=";
    if (std::strncmp(state, command, sizeof command - 1) == 0) {
        const std::size_t textSize = size - (sizeof command - 1) + 1;
        if (char* copy = static_cast<char*>(std::malloc(textSize))) {
            std::memcpy(copy, state + sizeof command - 1, textSize);
            // One thread: the bridge has copied the previous text before anything posts again.
            if (status != empty) std::free(status);
            status = copy;
        }
    }
    return static_cast<std::int32_t>(size);
}

extern "C" __attribute__((visibility("default"))) const char* Ostrel_GetAppStatus() {
    return status;
}
