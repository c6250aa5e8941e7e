// A file opened for appending, on the host: POSIX append mode, in which every
// write() lands whole at the end of the file.
#pragma once

#include <cstddef>
#include <string>

namespace platform {

inline constexpr char textLineEnd[] = "\n";

// Opened with no lock: other processes may read, write or remove the file
// meanwhile, and their appends never overwrite or split ours.
class AppendFile {
  public:
    AppendFile() = default;
    AppendFile(const AppendFile&) = delete;
    AppendFile& operator=(const AppendFile&) = delete;
    ~AppendFile() { close(); }

    // Opens `path` (a byte string), creating the file if it is missing.
    bool open(const std::string& path);
    // Appends the bytes in one piece; false if they did not all land.
    bool append(const char* bytes, std::size_t size);
    // False if the close failed or nothing was open.
    bool close();
    bool isOpen() const { return fd_ >= 0; }

  private:
    int fd_ = -1;
};

}  // namespace platform
