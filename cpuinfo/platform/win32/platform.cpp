// Windows file access: names go to the wide API, so a path outside the ANSI
// code page (a user profile in Cyrillic or CJK letters) still opens.
#include "platform/platform.h"

#include "text-encoding.h"

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows wide characters are UTF-16 units");

namespace platform {

void openForAppend(std::ofstream& stream, const std::string& path) {
    const std::u16string utf16 = utf16FromWtf8(path);
    const std::wstring wide(utf16.begin(), utf16.end());
    stream.open(wide.c_str(), std::ios::out | std::ios::app);
}

}  // namespace platform
