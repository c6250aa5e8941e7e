// SPDX-FileCopyrightText: 2026 The corvane-native authors
// SPDX-License-Identifier: Apache-2.0
//
// The log file on Windows: the target is found once per run and opened for
// each record (log-target.cpp says how); a disk file's records are appended
// whole, lined up with other writers' through a lock.
#include "platform/append-file.h"

#include <string>

#include "log-target.h"
#include "text-encoding.h"

namespace platform {

namespace {

// How long a writer waits, in short sleeps, for another to finish its append:
// about a second.
constexpr DWORD patienceMs = 1000;
constexpr DWORD retrySleepMs = 1;

// Wine emulates append access as "find the end, then write there", two steps
// another process can come between. Locking one byte far past any real end of
// file lines the writers up without keeping anybody from the file's contents.
// The lock is never waited for unbounded: a writer stopped while it holds the
// byte (suspended, or in a debugger) must not stop every other run. A handle
// without read access, a pipe and a device refuse the lock at once, and are
// written unlined-up: Windows' own appends are whole.
bool lockWriters(HANDLE file, OVERLAPPED& farPastTheEnd) {
    const DWORD start = GetTickCount();
    for (;;) {
        if (LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0,
                       &farPastTheEnd) != FALSE) {
            return true;
        }
        if (GetLastError() != ERROR_LOCK_VIOLATION) return false;
        if (GetTickCount() - start >= patienceMs) return false;
        Sleep(retrySleepMs);
    }
}

}  // namespace

bool AppendFile::open(const std::string& path) {
    close();
    if (!target_.found || target_.path != path) {
        const std::u16string name = utf16FromWtf8(path);
        target_.target =
            findLogTarget(std::wstring(name.begin(), name.end()), kernel32TargetServices());
        target_.path = path;
        target_.found = true;
    }
    HANDLE file = openLogTarget(target_.target, kernel32TargetServices());
    if (file == INVALID_HANDLE_VALUE) return false;
    file_ = file;
    return true;
}

bool AppendFile::append(const char* bytes, std::size_t size) {
    if (size > MAXDWORD) return false;
    OVERLAPPED farPastTheEnd{};
    farPastTheEnd.Offset = static_cast<DWORD>(writersLockOffset);
    farPastTheEnd.OffsetHigh = static_cast<DWORD>(writersLockOffset >> 32);
    const bool locked = lockWriters(file_, farPastTheEnd);
    DWORD written = 0;
    const bool appended =
        WriteFile(file_, bytes, static_cast<DWORD>(size), &written, nullptr) != FALSE &&
        written == size;
    if (locked) UnlockFileEx(file_, 0, 1, 0, &farPastTheEnd);
    return appended;
}

bool AppendFile::close() {
    if (!isOpen()) return false;
    const bool closed = CloseHandle(file_) != FALSE;
    file_ = noNativeFile;
    return closed;
}

}  // namespace platform
