// getAppStatus: the monitor's text goes to NewStringUTF as it is, and null comes back as null.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Bridge.h"
#include "CallLog.h"
#include "FakeJni.h"
#include "FakeMonitor.h"
#include "StdoutCapture.h"

namespace {

using Names = std::vector<std::string>;

class AppStatus : public ::testing::Test {
  protected:
    void SetUp() override {
        CallLog::instance().clear();
        FakeMonitor::reset();
    }

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
