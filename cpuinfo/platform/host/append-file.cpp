#include "append-file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace platform {

bool AppendFile::open(const std::string& path) {
    close();
    fd_ = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    return isOpen();
}

bool AppendFile::append(const char* bytes, std::size_t size) {
    while (size > 0) {
        const ssize_t written = ::write(fd_, bytes, size);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        bytes += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

bool AppendFile::close() {
    if (!isOpen()) return false;
    const bool closed = ::close(fd_) == 0;
    fd_ = -1;
    return closed;
}

}  // namespace platform
