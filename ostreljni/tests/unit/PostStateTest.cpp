// SPDX-FileCopyrightText: 2026 The corvane-native authors
// SPDX-License-Identifier: Apache-2.0
//
// postState: the order of the calls, the bytes that reach the monitor and stdout, the result.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <string>
#include <vector>

#include "BridgeFixture.h"

namespace {

class PostState : public BridgeFixture {};

TEST_F(PostState, GetsPostsAndReleasesInThatOrder) {
    const jstring state = jni_.string("ready");
    post(state);

    ASSERT_EQ(names(),
              (Names{"GetStringUTFChars", "Ostrel_PostAppState", "ReleaseStringUTFChars"}));
    EXPECT_EQ(calls()[0].handle, state);
    EXPECT_TRUE(calls()[0].nullIsCopy);
}

TEST_F(PostState, HandsTheJvmsOwnPointerToTheMonitorAndReleasesThatPointer) {
    const jstring state = jni_.string("ready");
    post(state);

    ASSERT_EQ(calls().size(), 3u);
    const void* chars = calls()[0].text;
    EXPECT_EQ(calls()[1].text, chars);
    EXPECT_EQ(calls()[2].handle, state);
    EXPECT_EQ(calls()[2].text, chars);
    EXPECT_EQ(jni_.badReleases, 0);
    EXPECT_EQ(jni_.outstanding(), 0u);
}

TEST_F(PostState, EchoesAfterThePostAndBeforeTheRelease) {
    post(jni_.string("ready"));

    ASSERT_EQ(calls().size(), 3u);
    EXPECT_EQ(calls()[1].echoed, 0);
    EXPECT_EQ(calls()[2].echoed, static_cast<long>(std::string("\nready\n").size()));
    EXPECT_EQ(echo_, "\nready\n");
}

TEST_F(PostState, ReturnsTheMonitorsResultUntouchedAndEchoesWhateverItIs) {
    for (const std::int32_t expected : {INT32_MIN, -1, 0, 1, 42, INT32_MAX}) {
        SCOPED_TRACE(expected);
        CallLog::instance().clear();
        FakeMonitor::postResult = expected;
        EXPECT_EQ(post(jni_.string("state")), expected);
        EXPECT_EQ(echo_, "\nstate\n");
    }
}

TEST_F(PostState, PassesModifiedUtf8BytesThroughUnchanged) {
    // "a", U+0000, "b", U+1F600 as a surrogate pair, U+00E9.
    const std::string bytes =
        "a\xC0\x80"
        "b\xED\xA0\xBD\xED\xB8\x80\xC3\xA9";
    post(jni_.string(bytes));

    ASSERT_EQ(calls().size(), 3u);
    EXPECT_EQ(calls()[1].bytes, bytes);
    EXPECT_EQ(echo_, "\n" + bytes + "\n");
}

TEST_F(PostState, EchoesPercentSignsLiterally) {
    post(jni_.string("100% %s %n %d %%"));
    EXPECT_EQ(echo_, "\n100% %s %n %d %%\n");
}

TEST_F(PostState, PostsAnEmptyTextAndEchoesTwoLineBreaks) {
    FakeMonitor::postResult = 7;
    EXPECT_EQ(post(jni_.string("")), 7);

    ASSERT_EQ(calls().size(), 3u);
    EXPECT_EQ(calls()[1].bytes, "");
    EXPECT_EQ(echo_, "\n\n");
}

TEST_F(PostState, NullStringThrowsNullPointerExceptionWithoutPostingOrEchoing) {
    FakeMonitor::postResult = 99;
    EXPECT_EQ(post(nullptr), 0);

    ASSERT_EQ(names(), (Names{"FindClass", "ThrowNew"}));
    EXPECT_EQ(calls()[0].bytes, "java/lang/NullPointerException");
    EXPECT_EQ(calls()[1].handle, FakeJni::nullPointerClass());
    EXPECT_EQ(jni_.pending, "java/lang/NullPointerException");
    EXPECT_FALSE(jni_.thrownMessage.empty());
    EXPECT_EQ(echo_, "");
}

TEST_F(PostState, NullStringLeavesTheJvmsErrorWhenTheExceptionClassCannotBeFound) {
    jni_.failFindClass = true;
    EXPECT_EQ(post(nullptr), 0);

    EXPECT_EQ(names(), (Names{"FindClass"}));
    EXPECT_EQ(jni_.pending, "java/lang/NoClassDefFoundError");
    EXPECT_EQ(echo_, "");
}

TEST_F(PostState, ReturnsAtOnceLeavingThePendingErrorWhenTheBytesAreNotGiven) {
    jni_.failUtfChars = true;
    FakeMonitor::postResult = 99;
    EXPECT_EQ(post(jni_.string("large")), 0);

    EXPECT_EQ(names(), (Names{"GetStringUTFChars", "ExceptionCheck"}));
    EXPECT_EQ(jni_.pending, "java/lang/OutOfMemoryError");
    EXPECT_EQ(echo_, "");
}

TEST_F(PostState, ThrowsOutOfMemoryErrorWhenTheJvmGivesNoBytesAndRaisesNothing) {
    jni_.failUtfCharsSilently = true;
    FakeMonitor::postResult = 99;
    EXPECT_EQ(post(jni_.string("large")), 0);

    EXPECT_EQ(names(), (Names{"GetStringUTFChars", "ExceptionCheck", "FindClass", "ThrowNew"}));
    EXPECT_EQ(calls()[2].bytes, "java/lang/OutOfMemoryError");
    EXPECT_EQ(jni_.pending, "java/lang/OutOfMemoryError");
    EXPECT_FALSE(jni_.thrownMessage.empty());
    EXPECT_EQ(jni_.outstanding(), 0u);
    EXPECT_EQ(echo_, "");
}

}  // namespace
