// A recording stand-in for the monitor's two functions, linked into the unit test in place of
// libquessa.so. Each call goes to the CallLog; the answers are set by the test.
#pragma once

#include <cstdint>

struct FakeMonitor {
    static void reset();

    static std::int32_t postResult;  // what Ostrel_PostAppState returns
    static const char* status;       // what Ostrel_GetAppStatus returns
};
