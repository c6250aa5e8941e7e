// SPDX-FileCopyrightText: 2026 The corvane-native authors
// SPDX-License-Identifier: Apache-2.0
//
// getAppStatus: the monitor's text goes to NewStringUTF as it is, and null comes back as null.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "BridgeFixture.h"

namespace {

class AppStatus : public BridgeFixture {};

TEST_F(AppStatus, HandsTheMonitorsOwnTextToNewStringUtfAndReturnsItsString) {
    const char text[] = "up \xC0\x80 \xED\xA0\xBD\xED\xB8\x80";
    FakeMonitor::status = text;
    const jstring result = status();

    ASSERT_EQ(names(), (Names{"Ostrel_GetAppStatus", "NewStringUTF"}));
    EXPECT_EQ(calls()[1].text, static_cast<const void*>(text));
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(jni_.bytesOf(result), std::string(text));
    EXPECT_EQ(echo_, "");
}

TEST_F(AppStatus, LeavesTheMonitorsTextAsItWas) {
    char text[] = "steady";
    FakeMonitor::status = text;
    status();
    EXPECT_STREQ(text, "steady");
}

TEST_F(AppStatus, MakesANewStringOnEveryCall) {
    FakeMonitor::status = "steady";
    const jstring first = status();
    const jstring second = status();

    EXPECT_EQ(names(), (Names{"Ostrel_GetAppStatus", "NewStringUTF", "Ostrel_GetAppStatus",
                              "NewStringUTF"}));
    EXPECT_NE(first, second);
}

TEST_F(AppStatus, NullTextGivesNullWithNoExceptionPending) {
    FakeMonitor::status = nullptr;
    EXPECT_EQ(status(), nullptr);

    EXPECT_EQ(names(), (Names{"Ostrel_GetAppStatus"}));
    EXPECT_EQ(jni_.pending, "");
}

TEST_F(AppStatus, PassesOnTheJvmsFailureToMakeTheString) {
    FakeMonitor::status = "steady";
    jni_.failNewString = true;
    EXPECT_EQ(status(), nullptr);

    EXPECT_EQ(names(), (Names{"Ostrel_GetAppStatus", "NewStringUTF"}));
    EXPECT_EQ(jni_.pending, "java/lang/OutOfMemoryError");
}

}  // namespace
