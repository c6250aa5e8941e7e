// SPDX-FileCopyrightText: 2026 The corvane-native authors
// SPDX-License-Identifier: Apache-2.0
//
// A recording stand-in for the monitor's two functions, linked into the unit test in place of
// libquessa.so. Each call goes to the CallLog; the answers are set by the test.
#pragma once

#include <cstdint>

struct FakeMonitor {
    static void reset();

    static std::int32_t postResult;  // what Ostrel_PostAppState returns
    static const char* status;       // what Ostrel_GetAppStatus returns
};
