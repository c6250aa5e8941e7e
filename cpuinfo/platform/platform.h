// What the portable code asks of the operating system beyond the Windows API
// types; each platform folder implements it.
#pragma once

#include <fstream>
#include <string>

namespace platform {

// Opens `path` for appending, as a text file: the stream ends up open and good,
// or in its fail state. Paths are UTF-8; on Windows they may also carry
// unpaired surrogates (WTF-8), so every name the command line can hold opens.
void openForAppend(std::ofstream& stream, const std::string& path);

}  // namespace platform
