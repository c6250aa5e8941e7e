// SPDX-FileCopyrightText: 2026 The corvane-native authors
// SPDX-License-Identifier: Apache-2.0
//
// Severity of a log record, and the logger's threshold.
#pragma once

#include <cstdint>

// A record of level L is written when the threshold is at least L; any other
// value (a negative threshold, say) is a valid threshold too.
enum class LogLevel : std::int32_t {
    Error = 0,
    Warning = 1,
    Info = 2,
    Debug = 3,
};
