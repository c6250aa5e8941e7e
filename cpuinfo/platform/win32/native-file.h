// Windows files: handles opened by wide name, with append access only.
#pragma once

#include "windows-api.h"

namespace platform {

using NativeFile = HANDLE;
inline constexpr NativeFile noNativeFile = nullptr;
inline constexpr char textLineEnd[] = "\r\n";

}  // namespace platform
