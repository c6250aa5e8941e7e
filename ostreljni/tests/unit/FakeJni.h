// SPDX-FileCopyrightText: 2026 The corvane-native authors
// SPDX-License-Identifier: Apache-2.0
//
// A JNI environment whose function table holds only the functions the bridge may call. Every
// other entry is null, so a stray call crashes the test instead of passing unnoticed. Each call
// is written to the CallLog.
#pragma once

#include <jni.h>

#include <cstddef>
#include <map>
#include <memory>
#include <string>
#include <vector>

class FakeJni {
  public:
    FakeJni();
    ~FakeJni();
    FakeJni(const FakeJni&) = delete;
    FakeJni& operator=(const FakeJni&) = delete;

    JNIEnv* env() { return &env_; }

    // A Java string whose modified UTF-8 form is the given bytes.
    jstring string(const std::string& modifiedUtf8);
    // The modified UTF-8 bytes of a string, made here or by NewStringUTF.
    const std::string& bytesOf(jstring string) const;

    // What the next calls do instead of succeeding.
    bool failUtfChars = false;          // GetStringUTFChars: null, OutOfMemoryError pending
    bool failUtfCharsSilently = false;  // GetStringUTFChars: null, nothing pending (HotSpot)
    bool failFindClass = false;         // FindClass: null, NoClassDefFoundError pending
    bool failNewString = false;         // NewStringUTF: null, OutOfMemoryError pending

    // The class name of the pending Java exception, empty when none is.
    std::string pending;
    // The message that ThrowNew was given.
    std::string thrownMessage;
    // Number of byte texts from GetStringUTFChars not released yet.
    std::size_t outstanding() const { return handedOut_.size(); }
    // Releases of a pointer that was not handed out, or not for that string.
    int badReleases = 0;

    // The class handle that FindClass gives for java/lang/NullPointerException. It finds
    // java/lang/OutOfMemoryError too, and no other class.
    static jclass nullPointerClass();

  private:
    static const char* JNICALL getStringUtfChars(JNIEnv* env, jstring str, jboolean* isCopy);
    static void JNICALL releaseStringUtfChars(JNIEnv* env, jstring str, const char* chars);
    static jstring JNICALL newStringUtf(JNIEnv* env, const char* utf);
    static jclass JNICALL findClass(JNIEnv* env, const char* name);
    static jint JNICALL throwNew(JNIEnv* env, jclass cls, const char* message);
    static jboolean JNICALL exceptionCheck(JNIEnv* env);
    static FakeJni& of(JNIEnv* env);

    JNINativeInterface_ table_{};
    JNIEnv env_{};
    std::vector<std::unique_ptr<std::string>> strings_;
    // Each handed-out copy, with the string it was taken from.
    std::map<const char*, std::pair<jstring, std::unique_ptr<char[]>>> handedOut_;
};
