// A file opened for appending, on Windows, by its wide name and with append
// access only.
#pragma once

#include <cstddef>
#include <string>

#include "windows-api.h"

namespace platform {

inline constexpr char textLineEnd[] = "\r\n";

// Opened with no lock on its contents: other processes may read, write or
// remove the file meanwhile, and their appends never overwrite or split ours.
class AppendFile {
  public:
    AppendFile() = default;
    AppendFile(const AppendFile&) = delete;
    AppendFile& operator=(const AppendFile&) = delete;
    ~AppendFile() { close(); }

    // Opens `path`, creating the file if it is missing. The path is UTF-8,
    // or WTF-8 where the command line held an unpaired surrogate, so every
    // name Windows allows opens, whatever the ANSI code page.
    bool open(const std::string& path);
    // Appends the bytes in one piece; false if they did not all land.
    bool append(const char* bytes, std::size_t size);
    // False if the close failed or nothing was open.
    bool close();
    bool isOpen() const { return handle_ != nullptr; }

  private:
    HANDLE handle_ = nullptr;
};

}  // namespace platform
