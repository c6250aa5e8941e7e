// SPDX-FileCopyrightText: 2026 The corvane-native authors
// SPDX-License-Identifier: Apache-2.0
//
// Sends file descriptor 1 to a temporary file for the life of the object, so a test can read
// back the exact bytes that printf wrote, line breaks included.
#pragma once

#include <string>

class StdoutCapture {
  public:
    StdoutCapture();
    ~StdoutCapture();
    StdoutCapture(const StdoutCapture&) = delete;
    StdoutCapture& operator=(const StdoutCapture&) = delete;

    // Everything written so far, after flushing stdio's buffer.
    std::string text();

  private:
    int saved_ = -1;
    int file_ = -1;
};
