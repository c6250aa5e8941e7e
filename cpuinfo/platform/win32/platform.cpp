// Windows file access. Names go to the wide API, so a path outside the ANSI
// code page (a user profile in Cyrillic or CJK letters) still opens. The file
// is opened with append access only: Windows then puts every WriteFile at the
// end of the file in one piece, where the C runtime's append mode seeks and
// writes in two steps and loses records when processes share the file.
#include "platform/platform.h"

#include "text-encoding.h"
#include "windows-api.h"

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows wide characters are UTF-16 units");
static_assert(sizeof(HANDLE) <= sizeof(platform::FileHandle));

namespace platform {

const char textLineEnd[] = "\r\n";

FileHandle openForAppend(const std::string& path) {
    const std::u16string utf16 = utf16FromWtf8(path);
    const std::wstring wide(utf16.begin(), utf16.end());
    const HANDLE file = CreateFileW(wide.c_str(), FILE_APPEND_DATA,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    return file == INVALID_HANDLE_VALUE ? noFile : reinterpret_cast<FileHandle>(file);
}

bool appendToFile(FileHandle file, const char* bytes, std::size_t size) {
    if (size > MAXDWORD) return false;
    const auto handle = reinterpret_cast<HANDLE>(file);
    // Wine emulates append access as "find the end, then write there", two
    // steps another process can come between. Locking one byte far past any
    // real end of file lines the writers up without keeping anybody from the
    // file's contents. Windows may refuse the lock on an append-only handle;
    // it needs none, as its own appends are whole.
    OVERLAPPED farPastTheEnd{};
    farPastTheEnd.Offset = 0xFFFFFFFE;
    farPastTheEnd.OffsetHigh = 0x7FFFFFFF;
    const bool locked =
        LockFileEx(handle, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &farPastTheEnd) != FALSE;
    DWORD written = 0;
    const bool appended =
        WriteFile(handle, bytes, static_cast<DWORD>(size), &written, nullptr) != FALSE &&
        written == size;
    if (locked) UnlockFileEx(handle, 0, 1, 0, &farPastTheEnd);
    return appended;
}

bool closeFile(FileHandle file) {
    return CloseHandle(reinterpret_cast<HANDLE>(file)) != FALSE;
}

}  // namespace platform
