// SPDX-FileCopyrightText: 2026 The corvane-native authors
// SPDX-License-Identifier: Apache-2.0
//
// A log file opened for appending. Each platform folder implements it over its
// own file handle (native-file.h) and says what a line end is in text files.
#pragma once

#include <cstddef>
#include <string>

#include "native-file.h"

namespace platform {

// Opened with no lock on its contents: other processes may read, write or
// remove the file meanwhile, and their appends never overwrite or split ours.
class AppendFile {
  public:
    AppendFile() = default;
    AppendFile(const AppendFile&) = delete;
    AppendFile& operator=(const AppendFile&) = delete;
    ~AppendFile() { close(); }

    // Opens `path`, creating the file if it is missing. The path is UTF-8;
    // on Windows it may also hold unpaired surrogates (WTF-8), so that every
    // name the command line can carry opens, whatever the ANSI code page.
    bool open(const std::string& path);
    // Appends the bytes in one piece; false if they did not all land.
    bool append(const char* bytes, std::size_t size);
    // False if the close failed or nothing was open.
    bool close();
    bool isOpen() const { return file_ != noNativeFile; }

  private:
    NativeFile file_ = noNativeFile;
    [[maybe_unused]] FoundTarget target_;
};

}  // namespace platform
