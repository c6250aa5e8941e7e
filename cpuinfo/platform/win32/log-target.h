// SPDX-FileCopyrightText: 2026 The corvane-native authors
// SPDX-License-Identifier: Apache-2.0

// Finding a log target once per run and opening it for each record, over the
// kernel32 calls that both make. The calls stand behind TargetServices so that
// tests can answer them as the documented contracts allow (a buffer too small,
// a current folder that changes between two calls, a failure, a file type that
// is unknown) where Wine never would.
#pragma once

#include <string>

#include "log-target-kind.h"
#include "windows-api.h"

namespace platform {

class TargetServices {
  public:
    TargetServices() = default;
    TargetServices(const TargetServices&) = delete;
    TargetServices& operator=(const TargetServices&) = delete;
    virtual ~TargetServices() = default;

    // GetFullPathNameW and GetCurrentDirectoryW: the length without the NUL
    // when the buffer of `units` held the answer, else the units it needs with
    // the NUL; 0 on failure.
    virtual DWORD fullPathName(const wchar_t* name, DWORD units, wchar_t* buffer) = 0;
    virtual DWORD currentDirectory(DWORD units, wchar_t* buffer) = 0;
    // CreateFileW with no security attributes, FILE_ATTRIBUTE_NORMAL and no template.
    virtual HANDLE createFile(const wchar_t* name, DWORD access, DWORD share,
                              DWORD disposition) = 0;
    virtual DWORD fileType(HANDLE file) = 0;
    virtual DWORD lastError() = 0;
    virtual void closeHandle(HANDLE file) = 0;
    virtual bool waitNamedPipe(const wchar_t* name, DWORD timeoutMs) = 0;
    virtual DWORD tickCount() = 0;
    virtual void sleep(DWORD ms) = 0;
};

// The real kernel32.
TargetServices& kernel32TargetServices();

// A log target as found: the name to open it by and what that name names.
struct LogTarget {
    std::wstring name;
    LogTargetKind kind = LogTargetKind::File;
};

// The name to open `name` by: in \\?\ form when the name itself or its full
// path reaches MAX_PATH, which Windows refuses otherwise unless its long-path
// policy is on; else `name` as it stands. Where GetFullPathNameW fails, the
// full path is the current folder joined with `name` by our own resolver.
std::wstring openableName(const std::wstring& name, TargetServices& services);

// Finds what `name` names, resolving it against the current folder. The
// current folder does not change during a run, so this is done once.
LogTarget findLogTarget(const std::wstring& name, TargetServices& services);

// Opens the target for one record: a file for appending, anything else for
// writing. INVALID_HANDLE_VALUE when it cannot be opened.
HANDLE openLogTarget(const LogTarget& target, TargetServices& services);

}  // namespace platform
