// SPDX-FileCopyrightText: 2026 The corvane-native authors
// SPDX-License-Identifier: Apache-2.0
//
// The fake JNI table: strings are plain byte buffers behind opaque handles, and every copy that
// GetStringUTFChars hands out is a fresh allocation, so ASan sees a release of the wrong pointer.
#include "FakeJni.h"

#include <cstring>
#include <stdexcept>

#include "CallLog.h"

namespace {

FakeJni* gCurrent = nullptr;

// The classes FindClass finds; a class's handle is the address of its entry.
struct KnownClass {
    const char* name;
};
KnownClass knownClasses[] = {{"java/lang/NullPointerException"}, {"java/lang/OutOfMemoryError"}};

jclass handleOf(KnownClass& known) {
    return reinterpret_cast<jclass>(&known);
}

}  // namespace

FakeJni::FakeJni() {
    table_.GetStringUTFChars = &FakeJni::getStringUtfChars;
    table_.ReleaseStringUTFChars = &FakeJni::releaseStringUtfChars;
    table_.NewStringUTF = &FakeJni::newStringUtf;
    table_.FindClass = &FakeJni::findClass;
    table_.ThrowNew = &FakeJni::throwNew;
    table_.ExceptionCheck = &FakeJni::exceptionCheck;
    env_.functions = &table_;
    gCurrent = this;
}

FakeJni::~FakeJni() {
    gCurrent = nullptr;
}

FakeJni& FakeJni::of(JNIEnv* env) {
    if (gCurrent == nullptr || env != &gCurrent->env_) {
        throw std::logic_error("JNI call with an environment that is not the fake's");
    }
    return *gCurrent;
}

jstring FakeJni::string(const std::string& modifiedUtf8) {
    strings_.push_back(std::make_unique<std::string>(modifiedUtf8));
    return reinterpret_cast<jstring>(strings_.back().get());
}

const std::string& FakeJni::bytesOf(jstring string) const {
    for (const auto& held : strings_) {
        if (reinterpret_cast<jstring>(held.get()) == string) {
            return *held;
        }
    }
    throw std::logic_error("not a string of this fake");
}

jclass FakeJni::nullPointerClass() {
    return handleOf(knownClasses[0]);
}

const char* JNICALL FakeJni::getStringUtfChars(JNIEnv* env, jstring str, jboolean* isCopy) {
    FakeJni& fake = of(env);
    Call& call = CallLog::instance().add("GetStringUTFChars");
    call.handle = str;
    call.nullIsCopy = isCopy == nullptr;
    if (fake.failUtfChars) {
        fake.pending = "java/lang/OutOfMemoryError";
        return nullptr;
    }
    if (fake.failUtfCharsSilently) {
        return nullptr;
    }
    const std::string& bytes = fake.bytesOf(str);
    auto copy = std::make_unique<char[]>(bytes.size() + 1);
    std::memcpy(copy.get(), bytes.c_str(), bytes.size() + 1);
    const char* chars = copy.get();
    fake.handedOut_.emplace(chars, std::make_pair(str, std::move(copy)));
    call.text = chars;
    call.bytes = bytes;
    return chars;
}

void JNICALL FakeJni::releaseStringUtfChars(JNIEnv* env, jstring str, const char* chars) {
    FakeJni& fake = of(env);
    Call& call = CallLog::instance().add("ReleaseStringUTFChars");
    call.handle = str;
    call.text = chars;
    const auto found = fake.handedOut_.find(chars);
    if (found == fake.handedOut_.end() || found->second.first != str) {
        ++fake.badReleases;
        return;
    }
    call.bytes = chars;
    fake.handedOut_.erase(found);
}

jstring JNICALL FakeJni::newStringUtf(JNIEnv* env, const char* utf) {
    FakeJni& fake = of(env);
    Call& call = CallLog::instance().add("NewStringUTF");
    call.text = utf;
    if (utf != nullptr) {
        call.bytes = utf;
    }
    if (fake.failNewString) {
        fake.pending = "java/lang/OutOfMemoryError";
        return nullptr;
    }
    return fake.string(utf);
}

jclass JNICALL FakeJni::findClass(JNIEnv* env, const char* name) {
    FakeJni& fake = of(env);
    Call& call = CallLog::instance().add("FindClass");
    call.bytes = name;
    if (fake.failFindClass) {
        fake.pending = "java/lang/NoClassDefFoundError";
        return nullptr;
    }
    for (KnownClass& known : knownClasses) {
        if (std::strcmp(name, known.name) == 0) {
            return handleOf(known);
        }
    }
    return nullptr;
}

jint JNICALL FakeJni::throwNew(JNIEnv* env, jclass cls, const char* message) {
    FakeJni& fake = of(env);
    Call& call = CallLog::instance().add("ThrowNew");
    call.handle = cls;
    call.bytes = message;
    for (KnownClass& known : knownClasses) {
        if (cls == handleOf(known)) {
            fake.pending = known.name;
            fake.thrownMessage = message;
        }
    }
    return 0;
}

jboolean JNICALL FakeJni::exceptionCheck(JNIEnv* env) {
    FakeJni& fake = of(env);
    CallLog::instance().add("ExceptionCheck");
    return fake.pending.empty() ? JNI_FALSE : JNI_TRUE;
}
