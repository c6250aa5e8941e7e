// A disk file is written only through a handle with append access and no
// write-data access: Windows puts every WriteFile at the end of the file in one
// piece, where the C runtime's append mode seeks and writes in two steps and
// loses records when processes share the file. A named pipe or a device has no
// end to append at and refuses to be written through append access (on a pipe
// that bit means "create an instance"), so those are opened for writing.
#include "platform/append-file.h"

#include <string>

#include "extended-length-path.h"
#include "log-target-kind.h"
#include "text-encoding.h"

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows wide characters are UTF-16 units");

namespace platform {

namespace {

// How long a writer waits, in short sleeps, for another to finish its append,
// and for a busy pipe to offer an instance: about a second either way.
constexpr DWORD patienceMs = 1000;
constexpr DWORD retrySleepMs = 1;
constexpr DWORD shareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

std::wstring wideFromUtf16(const std::u16string& utf16) {
    return std::wstring(utf16.begin(), utf16.end());
}

std::wstring fullPathOf(const std::wstring& name) {
    // Returns the length without the NUL when the buffer was large enough,
    // else the size it needs with the NUL; the current folder may change in
    // between, so the answer is checked again.
    std::wstring full(MAX_PATH, L'\0');
    for (int attempt = 0; attempt < 3; ++attempt) {
        const DWORD length =
            GetFullPathNameW(name.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
        if (length == 0) return name;
        if (length < full.size()) {
            full.resize(length);
            return full;
        }
        full.resize(length);
    }
    return name;
}

// The name to open `name` by: in \\?\ form when its full path exceeds
// MAX_PATH, which Windows refuses otherwise unless its long-path policy is on.
std::wstring openableName(const std::wstring& name) {
    const std::wstring full = fullPathOf(name);
    const std::u16string utf16(full.begin(), full.end());
    const std::u16string extended = extendedLengthPath(utf16);
    return extended == utf16 ? name : wideFromUtf16(extended);
}

bool isDiskFile(HANDLE file) {
    return GetFileType(file) == FILE_TYPE_DISK;
}

// Read-data access beside append access makes the handle one that LockFileEx
// accepts; without write-data access every write is still an append. Where
// read access is denied (by the file's rights, or by another handle that
// shares no reading), the file is appended to without the writers' lock.
HANDLE openForAppending(const std::wstring& name) {
    HANDLE file = CreateFileW(name.c_str(), FILE_READ_DATA | FILE_APPEND_DATA, shareAll, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE &&
        (GetLastError() == ERROR_ACCESS_DENIED || GetLastError() == ERROR_SHARING_VIOLATION)) {
        file = CreateFileW(name.c_str(), FILE_APPEND_DATA, shareAll, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    }
    return file;
}

// Write access only: an inbound pipe admits no other, and "CON" opens the
// console's output for write access and its input for read access.
HANDLE openForWriting(const std::wstring& name) {
    return CreateFileW(name.c_str(), GENERIC_WRITE, shareAll, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

// A pipe whose instances are all busy (the reader is still on the previous
// record) is waited for about a second. Another client may take the instance
// that frees up, so each wake-up only leads to another try.
HANDLE openPipe(const std::wstring& name) {
    const DWORD start = GetTickCount();
    for (;;) {
        HANDLE pipe = openForWriting(name);
        if (pipe != INVALID_HANDLE_VALUE || GetLastError() != ERROR_PIPE_BUSY) return pipe;
        // Unsigned differences stay right across the tick count's wrap.
        const DWORD waited = GetTickCount() - start;
        if (waited >= patienceMs) return INVALID_HANDLE_VALUE;
        if (WaitNamedPipeW(name.c_str(), patienceMs - waited) == FALSE) Sleep(retrySleepMs);
    }
}

HANDLE closeAndFail(HANDLE file) {
    CloseHandle(file);
    return INVALID_HANDLE_VALUE;
}

// A write-data handle is never kept on a disk file: it would write at offset
// zero, over the log.
HANDLE openNonDisk(HANDLE opened) {
    if (opened == INVALID_HANDLE_VALUE || !isDiskFile(opened)) return opened;
    return closeAndFail(opened);
}

LogTargetKind kindOf(const std::wstring& name) {
    return logTargetKind(std::u16string(name.begin(), name.end()));
}

HANDLE openTarget(const std::wstring& name) {
    // CreateFileW recognises the console's names as they are written, so
    // they are opened before any resolution against the current folder.
    if (kindOf(name) == LogTargetKind::Console) return openNonDisk(openForWriting(name));
    const std::wstring openable = openableName(name);
    switch (kindOf(openable)) {
        case LogTargetKind::Console:
            return openNonDisk(openForWriting(openable));
        case LogTargetKind::NamedPipe:
            return openNonDisk(openPipe(openable));
        case LogTargetKind::File:
            break;
    }
    HANDLE file = openForAppending(openable);
    if (file == INVALID_HANDLE_VALUE || isDiskFile(file)) return file;
    // A device by another name, such as NUL.
    CloseHandle(file);
    return openNonDisk(openForWriting(openable));
}

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
    HANDLE file = openTarget(wideFromUtf16(utf16FromWtf8(path)));
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
