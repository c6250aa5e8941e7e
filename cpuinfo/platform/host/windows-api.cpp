// SPDX-FileCopyrightText: 2026 The corvane-native authors
// SPDX-License-Identifier: Apache-2.0
//
// Host fakes behind the Windows API stand-in: a thread-local last-error value
// and a "kernel32" module whose procedures the tests provide.
#include "windows-api.h"

#include <cstring>
#include <map>

namespace {

thread_local DWORD lastError = 0;

struct FakeModule {
    std::map<std::string, FARPROC> procedures;
    std::vector<std::string> lookups;
};

FakeModule& kernel32() {
    static FakeModule module;
    return module;
}

HMODULE kernel32Handle() {
    return reinterpret_cast<HMODULE>(&kernel32());
}

}  // namespace

DWORD GetLastError() {
    return lastError;
}

void SetLastError(DWORD code) {
    lastError = code;
}

HANDLE GetCurrentProcess() {
    static char process;
    return &process;
}

HMODULE GetModuleHandleA(const char* moduleName) {
    kernel32().lookups.emplace_back(moduleName);
    return std::strcmp(moduleName, "kernel32") == 0 ? kernel32Handle() : nullptr;
}

// cppcheck-suppress constParameter ; the signature is the Windows API's
FARPROC GetProcAddress(HMODULE module, const char* procedureName) {
    kernel32().lookups.emplace_back(procedureName);
    if (module != kernel32Handle()) return nullptr;
    const auto found = kernel32().procedures.find(procedureName);
    return found == kernel32().procedures.end() ? nullptr : found->second;
}

namespace fake_kernel32 {

void reset() {
    kernel32().procedures.clear();
    kernel32().lookups.clear();
}

void provide(const char* name, FARPROC entry) {
    kernel32().procedures[name] = entry;
}

const std::vector<std::string>& lookups() {
    return kernel32().lookups;
}

}  // namespace fake_kernel32
