// With append access only, Windows puts every WriteFile at the end of the file
// in one piece, where the C runtime's append mode seeks and writes in two
// steps and loses records when processes share the file.
#include "platform/append-file.h"

#include "text-encoding.h"

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows wide characters are UTF-16 units");

namespace platform {

bool AppendFile::open(const std::string& path) {
    close();
    const std::u16string utf16 = utf16FromWtf8(path);
    const std::wstring wide(utf16.begin(), utf16.end());
    HANDLE file = CreateFileW(wide.c_str(), FILE_APPEND_DATA,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    file_ = file;
    return true;
}

namespace {

// How long a writer waits for another to finish its append before it appends
// unlined-up: about a second, in short sleeps.
constexpr DWORD lockPatienceMs = 1000;
constexpr DWORD lockRetrySleepMs = 1;

// Wine emulates append access as "find the end, then write there", two steps
// another process can come between. Locking one byte far past any real end of
// file lines the writers up without keeping anybody from the file's contents.
// The lock is never waited for unbounded: a writer stopped while it holds the
// byte (suspended, or in a debugger) must not stop every other run. Windows may
// refuse the lock on an append-only handle; it needs none, as its own appends
// are whole.
bool lockWriters(HANDLE file, OVERLAPPED& farPastTheEnd) {
    const DWORD start = GetTickCount();
    for (;;) {
        if (LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0,
                       &farPastTheEnd) != FALSE) {
            return true;
        }
        if (GetLastError() != ERROR_LOCK_VIOLATION) return false;
        // Unsigned differences stay right across the tick count's wrap.
        if (GetTickCount() - start >= lockPatienceMs) return false;
        Sleep(lockRetrySleepMs);
    }
}

}  // namespace

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
