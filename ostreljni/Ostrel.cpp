// SPDX-FileCopyrightText: 2026 The corvane-native authors
// SPDX-License-Identifier: Apache-2.0
//
// Native methods of com.corvane.tarn.plugin.system.Ostrel, forwarded to the application monitor
// library libquessa.so. The bridge keeps no state and takes no lock: each call converts its
// text, calls the monitor once and returns, on whatever Java thread made it.
#include <jni.h>

#include <cstdio>

#include "quessa.h"

namespace {

// The modified UTF-8 bytes of a Java string, borrowed from the JVM for one scope.
//
//     const Utf8Chars chars(env, text);
//     if (chars.get() == nullptr) return 0;  // no bytes: an exception is pending for Java
//     use(chars.get());                       // released when chars leaves the scope
//
// A null string raises NullPointerException instead of reaching GetStringUTFChars, which would
// crash on it. When the JVM cannot copy the string, get() is null with OutOfMemoryError
// pending: the JVM's own, as JNI has it, or one raised here, as HotSpot raises nothing and Java
// would take the 0 returned for the monitor's answer. Either way nothing is released. The bytes
// are given back with the very reference and pointer they came from.
// The guard lives inside one native call and is never handed on, so it can be neither copied
// nor moved: a second owner could only release the bytes twice.
class Utf8Chars {
  public:
    Utf8Chars(JNIEnv* env, jstring text) : env_(env), text_(text) {
        if (text == nullptr) {
            raise("java/lang/NullPointerException", "state is null");
            return;
        }
        chars_ = env->GetStringUTFChars(text, nullptr);
        if (chars_ == nullptr && env->ExceptionCheck() == JNI_FALSE) {
            raise("java/lang/OutOfMemoryError", "no memory for the state's modified UTF-8 copy");
        }
    }

    ~Utf8Chars() {
        if (chars_ != nullptr) {
            env_->ReleaseStringUTFChars(text_, chars_);
        }
    }

    Utf8Chars(const Utf8Chars&) = delete;
    Utf8Chars& operator=(const Utf8Chars&) = delete;
    Utf8Chars(Utf8Chars&&) = delete;
    Utf8Chars& operator=(Utf8Chars&&) = delete;

    const char* get() const { return chars_; }

  private:
    void raise(const char* className, const char* message) const {
        // FindClass fails only with an exception of its own pending, which then stands instead.
        auto* const exception = env_->FindClass(className);
        if (exception != nullptr) {
            env_->ThrowNew(exception, message);
        }
    }

    JNIEnv* env_;
    jstring text_;
    const char* chars_ = nullptr;
};

}  // namespace

// The receiver (object or class) is never read, so Java may declare both methods static or not.
extern "C" JNIEXPORT jint JNICALL
Java_com_corvane_tarn_plugin_system_Ostrel_postState(JNIEnv* env, jobject, jstring state) {
    const Utf8Chars chars(env, state);
    if (chars.get() == nullptr) {
        return 0;
    }
    const jint result = Ostrel_PostAppState(chars.get());
    // The text is an argument, never the format; the echo is left to stdio's own buffering.
    std::printf("\n%s\n", chars.get());
    return result;
}

extern "C" JNIEXPORT jstring JNICALL
Java_com_corvane_tarn_plugin_system_Ostrel_getAppStatus(JNIEnv* env, jobject) {
    const char* status = Ostrel_GetAppStatus();
    // NewStringUTF has no defined meaning for a null text; Java gets null and no exception.
    if (status == nullptr) {
        return nullptr;
    }
    return env->NewStringUTF(status);
}
