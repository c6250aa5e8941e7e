// SPDX-FileCopyrightText: 2026 The corvane-native authors
// SPDX-License-Identifier: Apache-2.0
//
// Windows files: handles opened by wide name, with append access only.
#pragma once

#include <string>

#include "log-target.h"
#include "windows-api.h"

namespace platform {

using NativeFile = HANDLE;
inline constexpr NativeFile noNativeFile = nullptr;
inline constexpr char textLineEnd[] = "\r\n";
// The byte, far past any real end of file, that appenders lock one at a time
// around each append (append-file.cpp).
inline constexpr ULONGLONG writersLockOffset = 0x7FFFFFFFFFFFFFFEull;
// The target a log path names, found at its first open: the current folder
// does not change during a run, and the file is opened for every record.
struct FoundTarget {
    std::string path;
    bool found = false;
    LogTarget target;
};

}  // namespace platform
