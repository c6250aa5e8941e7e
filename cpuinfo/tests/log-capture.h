// SPDX-FileCopyrightText: 2026 The corvane-native authors
// SPDX-License-Identifier: Apache-2.0
//
// Test support: a logger writing to a fresh temporary file, and the records
// read back from it with their time stamps checked and removed.
#pragma once

#include <string>
#include <vector>

#include "log-level.h"

// The line end the program writes in text mode on this platform.
inline constexpr const char* lineEnd = CPUINFO_TEST_LINE_END;

// A path in the temporary folder named after the running test; nothing exists
// there when it returns.
std::string scratchPath(const std::string& suffix = ".log");
std::string readBytes(const std::string& path);
void writeBytes(const std::string& path, const std::string& bytes);
void removePath(const std::string& path);

// Splits log text into lines at the platform's line end and removes each
// line's "[<ctime stamp>] " prefix, failing the test on a malformed stamp or
// line end: "INFO readCoreCountsEx: ...", "Begin Brennix version ...".
std::vector<std::string> recordsIn(const std::string& logText, const std::string& end = lineEnd);

class LogCapture {
  public:
    explicit LogCapture(LogLevel level = LogLevel::Debug);
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    // Records written so far, the banner first.
    std::vector<std::string> records() const;
    // Records after the banner.
    std::vector<std::string> body() const;

  private:
    std::string path_;
};
