// SPDX-FileCopyrightText: 2026 The corvane-native authors
// SPDX-License-Identifier: Apache-2.0
//
// One ordered log of every call that the bridge makes into the fake JNI table and the fake
// monitor, with what each call saw, so a test can check order, pointers and bytes at once.
#pragma once

#include <string>
#include <vector>

struct Call {
    std::string name;              // the JNI or monitor function
    const void* handle = nullptr;  // the jstring or jclass it was given, if any
    const void* text = nullptr;    // the byte text it was given or gave out, if any
    std::string bytes;             // that text's bytes, read at the time of the call
    bool nullIsCopy = false;       // GetStringUTFChars: the is-copy pointer was null
    long echoed = -1;              // bytes on the captured stdout when the call was made
};

class CallLog {
  public:
    static CallLog& instance();

    void clear() { calls_.clear(); }
    Call& add(std::string name);
    const std::vector<Call>& calls() const { return calls_; }
    std::vector<std::string> names() const;

  private:
    std::vector<Call> calls_;
};
