// Host file access: POSIX append mode, in which every write() goes to the end
// of the file atomically.
#include "platform/platform.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace platform {

const char textLineEnd[] = "\n";

FileHandle openForAppend(const std::string& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    return fd < 0 ? noFile : fd;
}

bool appendToFile(FileHandle file, const char* bytes, std::size_t size) {
    while (size > 0) {
        const ssize_t written = ::write(static_cast<int>(file), bytes, size);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        bytes += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

bool closeFile(FileHandle file) {
    return ::close(static_cast<int>(file)) == 0;
}

}  // namespace platform
