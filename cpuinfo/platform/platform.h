// What the portable code asks of the operating system beyond the Windows API
// types; each platform folder implements it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

// The line end of text files: "\r\n" on Windows, "\n" elsewhere.
extern const char textLineEnd[];

using FileHandle = std::intptr_t;
inline constexpr FileHandle noFile = -1;

// Opens `path` for appending, creating it if missing, with no lock: other
// processes may read, write or remove the file meanwhile. Every append lands
// whole at the end of the file, even while other processes append to it.
// Paths are UTF-8; on Windows they may also carry unpaired surrogates
// (WTF-8), so every name the command line can hold opens. noFile on failure.
FileHandle openForAppend(const std::string& path);
// Appends the bytes with one write; false if they did not all land.
bool appendToFile(FileHandle file, const char* bytes, std::size_t size);
bool closeFile(FileHandle file);

}  // namespace platform
