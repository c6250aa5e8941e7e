// SPDX-FileCopyrightText: 2026 The corvane-native authors
// SPDX-License-Identifier: Apache-2.0
//
// Host log files: POSIX append mode.
#include "platform/append-file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace platform {

bool AppendFile::open(const std::string& path) {
    close();
    file_ = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    return isOpen();
}

bool AppendFile::append(const char* bytes, std::size_t size) {
    while (size > 0) {
        const ssize_t written = ::write(file_, bytes, size);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        bytes += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

bool AppendFile::close() {
    if (!isOpen()) return false;
    const bool closed = ::close(file_) == 0;
    file_ = noNativeFile;
    return closed;
}

}  // namespace platform
