// SPDX-FileCopyrightText: 2026 The corvane-native authors
// SPDX-License-Identifier: Apache-2.0

// A disk file is written only through a handle with append access and no
// write-data access: Windows puts every WriteFile at the end of the file in one
// piece, where the C runtime's append mode seeks and writes in two steps and
// loses records when processes share the file. A named pipe or a device has no
// end to append at and refuses to be written through append access (on a pipe
// that bit means "create an instance"), so those are opened for writing.
#include "log-target.h"

#include <string_view>
#include <utility>

#include "extended-length-path.h"

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows wide characters are UTF-16 units");

namespace platform {

namespace {

// How long a writer waits, in short sleeps, for a busy pipe to offer an
// instance: about a second.
constexpr DWORD patienceMs = 1000;
constexpr DWORD retrySleepMs = 1;
constexpr DWORD shareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
constexpr DWORD shareNone = 0;

std::u16string utf16Of(std::wstring_view wide) {
    return std::u16string(wide.begin(), wide.end());
}

std::wstring wideOf(std::u16string_view utf16) {
    return std::wstring(utf16.begin(), utf16.end());
}

bool isSeparator(wchar_t unit) {
    return unit == L'\\' || unit == L'/';
}

wchar_t asciiLower(wchar_t unit) {
    return unit >= L'A' && unit <= L'Z' ? static_cast<wchar_t>(unit - L'A' + L'a') : unit;
}

// Only \\?\ written with backslashes is passed on as written; //?/ and the
// other mixes are normalised like any other name.
bool isVerbatim(std::wstring_view name) {
    return name.substr(0, 4) == L"\\\\?\\";
}

// Asks a call that follows the size contract of GetFullPathNameW and
// GetCurrentDirectoryW for its answer, growing the buffer to the size it
// names. The answer may grow again in between (the current folder changed),
// so the size is asked for more than once; false when the call fails.
template <typename Call>
bool askSized(Call call, std::wstring& answer) {
    std::wstring buffer(MAX_PATH, L'\0');
    for (int attempt = 0; attempt < 4; ++attempt) {
        const DWORD length = call(static_cast<DWORD>(buffer.size()), buffer.data());
        if (length == 0) return false;
        if (length < buffer.size()) {
            buffer.resize(length);
            answer = std::move(buffer);
            return true;
        }
        // The size it needs with the NUL; the string keeps a NUL past its size.
        buffer.resize(length);
    }
    return false;
}

// The full path by our own resolver, for when GetFullPathNameW refuses a name
// (it limits names without \\?\ to MAX_PATH, and a relative name cannot take
// that prefix). A drive-relative name for another drive than the current
// folder's (D:logs) is left to the system: Windows resolves it from the folder
// the command shell last set on that drive, which only the shell keeps.
bool resolveOurselves(const std::wstring& name, TargetServices& services, std::wstring& full) {
    std::wstring current;
    if (!isFullyQualified(utf16Of(name)) &&
        !askSized(
            [&](DWORD units, wchar_t* buffer) { return services.currentDirectory(units, buffer); },
            current)) {
        return false;
    }
    const bool driveRelative =
        name.size() >= 2 && name[1] == L':' && (name.size() == 2 || !isSeparator(name[2]));
    if (driveRelative && (current.size() < 2 || current[1] != L':' ||
                          asciiLower(name[0]) != asciiLower(current[0]))) {
        return false;
    }
    full = wideOf(fullPathName(utf16Of(name), utf16Of(current)));
    return !full.empty();
}

bool fullPathOf(const std::wstring& name, TargetServices& services, std::wstring& full) {
    if (askSized(
            [&](DWORD units, wchar_t* buffer) {
                return services.fullPathName(name.c_str(), units, buffer);
            },
            full)) {
        return true;
    }
    return resolveOurselves(name, services, full);
}

// `name` resolved: the name to open it by, and its full path where there is
// one (else `name` again).
struct Resolution {
    std::wstring openable;
    std::wstring full;
};

Resolution resolve(const std::wstring& name, TargetServices& services) {
    std::wstring full;
    if (isVerbatim(name) || !fullPathOf(name, services, full)) return {name, name};
    // A long name whose full path is short ("logs\" and many "x\..\") is
    // refused as it stands too: Windows limits a relative name to MAX_PATH in
    // all. A path in the device namespace (\\.\CON, to which older Windows
    // resolve con.txt in any folder) stays as it is.
    if (full.size() >= maxPathUnits || name.size() >= maxPathUnits) {
        return {wideOf(verbatimPath(utf16Of(full))), full};
    }
    return {name, full};
}

// GetFileType's FILE_TYPE_UNKNOWN means "unknown, or the function failed":
// only a character device and a pipe are known to have no end of file that a
// write-data handle would write over.
bool takesWriteData(HANDLE file, TargetServices& services) {
    const DWORD type = services.fileType(file);
    return type == FILE_TYPE_CHAR || type == FILE_TYPE_PIPE;
}

// Read-data access beside append access makes the handle one that LockFileEx
// accepts; without write-data access every write is still an append. Where
// read access is denied (by the file's rights, or by another handle that
// shares no reading), the file is appended to without the writers' lock.
HANDLE openForAppending(const std::wstring& name, TargetServices& services) {
    HANDLE file =
        services.createFile(name.c_str(), FILE_READ_DATA | FILE_APPEND_DATA, shareAll, OPEN_ALWAYS);
    if (file == INVALID_HANDLE_VALUE && (services.lastError() == ERROR_ACCESS_DENIED ||
                                         services.lastError() == ERROR_SHARING_VIOLATION)) {
        file = services.createFile(name.c_str(), FILE_APPEND_DATA, shareAll, OPEN_ALWAYS);
    }
    return file;
}

// Write access only: an inbound pipe admits no other, and "CON" opens the
// console's output for write access and its input for read access. Never
// creates a file.
HANDLE openForWriting(const std::wstring& name, DWORD share, TargetServices& services) {
    return services.createFile(name.c_str(), GENERIC_WRITE, share, OPEN_EXISTING);
}

// A pipe whose instances are all busy (the reader is still on the previous
// record) is waited for about a second. Another client may take the instance
// that frees up, so each wake-up only leads to another try.
HANDLE openPipe(const std::wstring& name, TargetServices& services) {
    const DWORD start = services.tickCount();
    for (;;) {
        HANDLE pipe = openForWriting(name, shareAll, services);
        if (pipe != INVALID_HANDLE_VALUE || services.lastError() != ERROR_PIPE_BUSY) return pipe;
        // Unsigned differences stay right across the tick count's wrap.
        const DWORD waited = services.tickCount() - start;
        if (waited >= patienceMs) return INVALID_HANDLE_VALUE;
        if (!services.waitNamedPipe(name.c_str(), patienceMs - waited)) {
            services.sleep(retrySleepMs);
        }
    }
}

// A write-data handle is kept only on a device or a pipe: on a disk file it
// would write at offset zero, over the log.
HANDLE keptForWriting(HANDLE opened, TargetServices& services) {
    if (opened == INVALID_HANDLE_VALUE || takesWriteData(opened, services)) return opened;
    services.closeHandle(opened);
    return INVALID_HANDLE_VALUE;
}

// A name the open tells apart: a file takes the append handle; a device by
// another name (NUL, or on older Windows con.txt) is reopened for writing, and
// so is a name the append open is refused for. A communications port takes
// only exclusive access, so a port by a name not told apart before (one of
// older Windows' forms, or a device named through the device namespace) is
// reached by the last, unshared try.
HANDLE openByName(const std::wstring& name, TargetServices& services) {
    HANDLE file = openForAppending(name, services);
    if (file != INVALID_HANDLE_VALUE) {
        if (!takesWriteData(file, services)) return file;
        services.closeHandle(file);
        return keptForWriting(openForWriting(name, shareAll, services), services);
    }
    file = openForWriting(name, shareAll, services);
    if (file == INVALID_HANDLE_VALUE && (services.lastError() == ERROR_ACCESS_DENIED ||
                                         services.lastError() == ERROR_SHARING_VIOLATION)) {
        file = openForWriting(name, shareNone, services);
    }
    return keptForWriting(file, services);
}

class Kernel32TargetServices final : public TargetServices {
  public:
    DWORD fullPathName(const wchar_t* name, DWORD units, wchar_t* buffer) override {
        return GetFullPathNameW(name, units, buffer, nullptr);
    }
    DWORD currentDirectory(DWORD units, wchar_t* buffer) override {
        return GetCurrentDirectoryW(units, buffer);
    }
    HANDLE createFile(const wchar_t* name, DWORD access, DWORD share, DWORD disposition) override {
        return CreateFileW(name, access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
    }
    DWORD fileType(HANDLE file) override { return GetFileType(file); }
    DWORD lastError() override { return GetLastError(); }
    void closeHandle(HANDLE file) override { CloseHandle(file); }
    bool waitNamedPipe(const wchar_t* name, DWORD timeoutMs) override {
        return WaitNamedPipeW(name, timeoutMs) != FALSE;
    }
    DWORD tickCount() override { return GetTickCount(); }
    void sleep(DWORD ms) override { Sleep(ms); }
};

}  // namespace

TargetServices& kernel32TargetServices() {
    static Kernel32TargetServices services;
    return services;
}

std::wstring openableName(const std::wstring& name, TargetServices& services) {
    return resolve(name, services).openable;
}

LogTarget findLogTarget(const std::wstring& name, TargetServices& services) {
    // CreateFileW recognises the console's and the ports' names as they are
    // written, so they are opened before any resolution against the current
    // folder.
    const LogTargetKind asWritten = logTargetKind(utf16Of(name));
    if (asWritten == LogTargetKind::Console || asWritten == LogTargetKind::Port) {
        return {name, asWritten};
    }
    // The full path shows what the running system reads the name as: Windows
    // 10 and earlier (and Wine) resolve con.txt to \\.\CON and com1.log to
    // \\.\COM1, Windows 11 to a file in the current folder.
    Resolution resolution = resolve(name, services);
    return {std::move(resolution.openable), logTargetKind(utf16Of(resolution.full))};
}

HANDLE openLogTarget(const LogTarget& target, TargetServices& services) {
    switch (target.kind) {
        case LogTargetKind::Console:
            return keptForWriting(openForWriting(target.name, shareAll, services), services);
        case LogTargetKind::NamedPipe:
            return keptForWriting(openPipe(target.name, services), services);
        case LogTargetKind::Port:
            // "Communications Resource Handles": share mode 0 and OPEN_EXISTING.
            return keptForWriting(openForWriting(target.name, shareNone, services), services);
        case LogTargetKind::File:
            break;
    }
    return openByName(target.name, services);
}

}  // namespace platform
