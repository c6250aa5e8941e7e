// Windows files: handles opened by wide name, with append access only.
#pragma once

#include "windows-api.h"

namespace platform {

using NativeFile = HANDLE;
inline constexpr NativeFile noNativeFile = nullptr;
inline constexpr char textLineEnd[] = "\r\n";
// The byte, far past any real end of file, that appenders lock one at a time
// around each append (append-file.cpp).
inline constexpr ULONGLONG writersLockOffset = 0x7FFFFFFFFFFFFFFEull;

}  // namespace platform
