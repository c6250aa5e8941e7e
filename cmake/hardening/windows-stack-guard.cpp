// SPDX-FileCopyrightText: 2026 The corvane-native authors
// SPDX-License-Identifier: Apache-2.0
//
// GCC's stack protector and fortified functions on Windows, without the start-up cost of GCC's
// libssp. libssp seeds its canary through CryptAcquireContextA and CryptGenRandom, which load
// ADVAPI32 and a cryptographic service provider into every process before main: under Wine that
// doubled the start-up time of cpuinfo.exe. This file defines the three symbols that the
// compiler's checks use, so libssp's own definitions are never linked; its checked copies
// (__memcpy_chk and the like) still are, and end here when they fail. It also defines the failure
// path of libstdc++'s checked element access (_GLIBCXX_ASSERTIONS), which would otherwise print
// and call abort(): the C runtime's abort ends the process with status 3, which cpuinfo.exe
// gives for running out of memory.
//
// Compiled without the stack protector: the seeding function changes the guard that a protected
// frame of its own would check on return.
#include <windows.h>

#include <cstdint>

extern "C" {
// Replaced before main by seedStackGuard; a constant until then, as in libssp.
std::uintptr_t __stack_chk_guard = static_cast<std::uintptr_t>(0xff0a0d00u);
[[noreturn]] void __stack_chk_fail();
[[noreturn]] void __chk_fail();
}

namespace std {
// As libstdc++ declares it when _GLIBCXX_ASSERTIONS is defined; linked instead of its own, which
// would bring the debug mode's message formatter with it.
[[noreturn]] void __glibcxx_assert_fail(const char* file, int line, const char* function,
                                        const char* condition) noexcept;
}  // namespace std

namespace {

std::uint64_t mix(std::uint64_t value) {
    value ^= value >> 30;
    value *= 0xbf58476d1ce4e5b9ull;
    value ^= value >> 27;
    value *= 0x94d049bb133111ebull;
    return value ^ (value >> 31);
}

// The sources of the Visual C++ runtime's security cookie (time, process and thread, tick count,
// performance counter), and the addresses that address space layout randomisation moves: this
// image's and the stack's. Kernel32 only, so no library is loaded for it. Before any user
// constructor (priority 101), while no protected function is running.
[[gnu::constructor(101)]] void seedStackGuard() {
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    LARGE_INTEGER counter{};
    QueryPerformanceCounter(&counter);
    std::uint64_t seed = (static_cast<std::uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    seed = mix(seed ^ (static_cast<std::uint64_t>(GetCurrentProcessId()) << 32) ^
               GetCurrentThreadId());
    seed = mix(seed ^ GetTickCount64() ^ static_cast<std::uint64_t>(counter.QuadPart));
    seed = mix(
        seed ^ reinterpret_cast<std::uintptr_t>(&__stack_chk_guard) ^
        (static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(__builtin_frame_address(0)))
         << 16));
    // A zero low byte, as glibc's canary has: a runaway string copy cannot write it back.
    __stack_chk_guard = static_cast<std::uintptr_t>(seed) & ~static_cast<std::uintptr_t>(0xff);
}

// Ends the process at once, with no handler, destructor or output of its own running in a
// process whose stack is known to be corrupt: the fail-fast interrupt where Windows has it
// (8 and later), else TerminateProcess. Either way the status is STATUS_STACK_BUFFER_OVERRUN.
[[noreturn, gnu::always_inline]] inline void failFast(unsigned code) {
    if (IsProcessorFeaturePresent(PF_FASTFAIL_AVAILABLE) != FALSE) {
        __asm__ volatile("int $0x29" : : "c"(code) : "memory");
    }
    TerminateProcess(GetCurrentProcess(), STATUS_STACK_BUFFER_OVERRUN);
    __builtin_trap();
}

}  // namespace

// A canary found changed when a protected function returns.
void __stack_chk_fail() {
    failFast(FAST_FAIL_STACK_COOKIE_CHECK_FAILURE);
}

// A fortified call about to write or read past its buffer.
void __chk_fail() {
    failFast(FAST_FAIL_RANGE_CHECK_FAILURE);
}

// An element access out of its container's bounds.
void std::__glibcxx_assert_fail(const char*, int, const char*, const char*) noexcept {
    failFast(FAST_FAIL_RANGE_CHECK_FAILURE);
}
