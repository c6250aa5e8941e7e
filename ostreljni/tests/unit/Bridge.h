// SPDX-FileCopyrightText: 2026 The corvane-native authors
// SPDX-License-Identifier: Apache-2.0
//
// The bridge's two exported entry points, as the JVM calls them.
#pragma once

#include <jni.h>

extern "C" {
JNIEXPORT jint JNICALL Java_com_corvane_tarn_plugin_system_Ostrel_postState(JNIEnv* env,
                                                                            jobject receiver,
                                                                            jstring state);
JNIEXPORT jstring JNICALL Java_com_corvane_tarn_plugin_system_Ostrel_getAppStatus(JNIEnv* env,
                                                                                  jobject receiver);
}

// A receiver that crashes the test if the bridge ever reads it.
inline jobject unreadableReceiver() {
    return reinterpret_cast<jobject>(alignof(void*));
}
