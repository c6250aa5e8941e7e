// SPDX-FileCopyrightText: 2026 The corvane-native authors
// SPDX-License-Identifier: Apache-2.0
//
// Prints a program's version resource as Windows itself reads it (GetFileVersionInfoW), one
// "Name=value" line per field, for the end-to-end tests: the fixed numbers and flags first, then
// the U.S. English strings. Exit status 1 when the file has no version resource.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

std::string narrow(const wchar_t* text) {
    std::string out;
    for (; *text != L'\0'; ++text) out += *text < 0x80 ? static_cast<char>(*text) : '?';
    return out;
}

void printVersion(const char* name, DWORD high, DWORD low) {
    std::printf("%s=%u.%u.%u.%u\n", name, static_cast<unsigned>(HIWORD(high)),
                static_cast<unsigned>(LOWORD(high)), static_cast<unsigned>(HIWORD(low)),
                static_cast<unsigned>(LOWORD(low)));
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) {
        std::fputs("usage: version-info FILE\n", stderr);
        return 2;
    }
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(argv[1], &ignored);
    if (size == 0) return 1;
    std::vector<unsigned char> block(size);
    if (GetFileVersionInfoW(argv[1], 0, size, block.data()) == FALSE) return 1;

    void* value = nullptr;
    UINT length = 0;
    if (VerQueryValueW(block.data(), L"\\", &value, &length) == FALSE ||
        length < sizeof(VS_FIXEDFILEINFO)) {
        return 1;
    }
    const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
    printVersion("FixedFileVersion", fixed->dwFileVersionMS, fixed->dwFileVersionLS);
    printVersion("FixedProductVersion", fixed->dwProductVersionMS, fixed->dwProductVersionLS);
    std::printf("FixedFileFlags=0x%x\n",
                static_cast<unsigned>(fixed->dwFileFlags & fixed->dwFileFlagsMask));
    std::printf("FixedFileType=%u\n", static_cast<unsigned>(fixed->dwFileType));

    for (const wchar_t* name : {L"CompanyName", L"FileDescription", L"FileVersion", L"InternalName",
                                L"OriginalFilename", L"ProductName", L"ProductVersion"}) {
        const std::wstring path = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
        if (VerQueryValueW(block.data(), path.c_str(), &value, &length) != FALSE && length > 0) {
            std::printf("%s=%s\n", narrow(name).c_str(),
                        narrow(static_cast<const wchar_t*>(value)).c_str());
        }
    }
    return 0;
}
