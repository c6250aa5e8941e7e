// SPDX-FileCopyrightText: 2026 The corvane-native authors
// SPDX-License-Identifier: Apache-2.0
//
// Each bridge test starts from an empty call log and a fresh fake JVM and
// monitor, calls one entry point and keeps what it echoed.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Bridge.h"
#include "CallLog.h"
#include "FakeJni.h"
#include "FakeMonitor.h"
#include "StdoutCapture.h"

class BridgeFixture : public ::testing::Test {
  protected:
    using Names = std::vector<std::string>;

    void SetUp() override {
        CallLog::instance().clear();
        FakeMonitor::reset();
    }

    // Posts the string; the echo lands in echo_.
    jint post(jstring state) {
        StdoutCapture capture;
        const jint result = Java_com_corvane_tarn_plugin_system_Ostrel_postState(
            jni_.env(), unreadableReceiver(), state);
        echo_ = capture.text();
        return result;
    }

    // Reads the status; anything written to stdout lands in echo_.
    jstring status() {
        StdoutCapture capture;
        const jstring result = Java_com_corvane_tarn_plugin_system_Ostrel_getAppStatus(
            jni_.env(), unreadableReceiver());
        echo_ = capture.text();
        return result;
    }

    const std::vector<Call>& calls() const { return CallLog::instance().calls(); }
    Names names() const { return CallLog::instance().names(); }

    FakeJni jni_;
    std::string echo_;
};
