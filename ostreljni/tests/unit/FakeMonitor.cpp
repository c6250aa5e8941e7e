// SPDX-FileCopyrightText: 2026 The corvane-native authors
// SPDX-License-Identifier: Apache-2.0
//
// The monitor functions, defined with the C linkage that the bridge calls them by.
#include "FakeMonitor.h"

#include "CallLog.h"
#include "quessa.h"

std::int32_t FakeMonitor::postResult = 0;
const char* FakeMonitor::status = nullptr;

void FakeMonitor::reset() {
    postResult = 0;
    status = nullptr;
}

extern "C" std::int32_t Ostrel_PostAppState(const char* state) {
    Call& call = CallLog::instance().add("Ostrel_PostAppState");
    call.text = state;
    call.bytes = state;
    return FakeMonitor::postResult;
}

extern "C" const char* Ostrel_GetAppStatus() {
    Call& call = CallLog::instance().add("Ostrel_GetAppStatus");
    call.text = FakeMonitor::status;
    return FakeMonitor::status;
}
