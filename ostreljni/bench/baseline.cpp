// SPDX-FileCopyrightText: 2026 The corvane-native authors
// SPDX-License-Identifier: Apache-2.0
//
// Baseline natives for the bridge benchmark, bound to com.corvane.tarn.bench.Baseline: what the
// bridge's two methods cost at the least, to compare libostreljni.so with.
//   minimalPost    the same JNI calls, monitor call and echo as postState, and nothing else
//   emptyPost      a native method with postState's signature that does nothing
//   bareNewString  one NewStringUTF of a text held here (set by holdText)
//   minimalStatus  the monitor's status through NewStringUTF, as getAppStatus, and nothing else
//   emptyStatus    a native method with getAppStatus's signature that does nothing
#include <jni.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "quessa.h"

namespace {

char* heldText = nullptr;

}  // namespace

extern "C" JNIEXPORT jint JNICALL Java_com_corvane_tarn_bench_Baseline_minimalPost(JNIEnv* env,
                                                                                   jclass,
                                                                                   jstring state) {
    const char* chars = env->GetStringUTFChars(state, nullptr);
    const jint result = Ostrel_PostAppState(chars);
    std::printf("\n%s\n", chars);
    env->ReleaseStringUTFChars(state, chars);
    return result;
}

extern "C" JNIEXPORT jint JNICALL Java_com_corvane_tarn_bench_Baseline_emptyPost(JNIEnv*, jclass,
                                                                                 jstring) {
    return 0;
}

extern "C" JNIEXPORT jboolean JNICALL Java_com_corvane_tarn_bench_Baseline_holdText(JNIEnv* env,
                                                                                    jclass,
                                                                                    jstring text) {
    const char* chars = env->GetStringUTFChars(text, nullptr);
    if (chars == nullptr) return JNI_FALSE;
    const std::size_t size = std::strlen(chars) + 1;
    char* copy = static_cast<char*>(std::realloc(heldText, size));
    if (copy != nullptr) {
        std::memcpy(copy, chars, size);
        heldText = copy;
    }
    env->ReleaseStringUTFChars(text, chars);
    return copy != nullptr ? JNI_TRUE : JNI_FALSE;
}

extern "C" JNIEXPORT jstring JNICALL Java_com_corvane_tarn_bench_Baseline_bareNewString(JNIEnv* env,
                                                                                        jclass) {
    return env->NewStringUTF(heldText);
}

extern "C" JNIEXPORT jstring JNICALL Java_com_corvane_tarn_bench_Baseline_minimalStatus(JNIEnv* env,
                                                                                        jclass) {
    return env->NewStringUTF(Ostrel_GetAppStatus());
}

extern "C" JNIEXPORT jstring JNICALL Java_com_corvane_tarn_bench_Baseline_emptyStatus(JNIEnv*,
                                                                                      jclass) {
    return nullptr;
}
