// SPDX-FileCopyrightText: 2026 The corvane-native authors
// SPDX-License-Identifier: Apache-2.0
//
// Overruns an 8-byte stack buffer on purpose, to show that the mitigations the deliverables are
// built with stop it at run time. Built twice: with the shipped hardening flags, where the
// process must end abnormally, and without, where the same overrun (a few bytes, into the
// frame's padding) returns normally.
//
//   overrun-probe stack COUNT   byte by byte, which only the stack canary sees, when the
//                               function returns: "written" is printed first
//   overrun-probe copy COUNT    through memcpy, which the fortified copy checks before it
//                               writes: nothing is printed
//   overrun-probe index COUNT   reads element COUNT of an 8-element std::array, which the
//                               standard library's checked access (Windows builds) stops
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

const char text[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";

// noinline: each overrun needs a frame of its own, with the canary next to the buffer.
[[gnu::noinline]] int overrunByteByByte(std::size_t count) {
    char buffer[8];
    // Through a volatile pointer the compiler can neither see the overrun nor drop the stores.
    volatile char* out = buffer;
    for (std::size_t i = 0; i < count; ++i) out[i] = text[i];
    std::puts("written");
    std::fflush(stdout);
    return out[0];
}

[[gnu::noinline]] int overrunCopy(std::size_t count) {
    char buffer[8];
    std::memcpy(buffer, text, count);
    std::puts("copied");
    std::fflush(stdout);
    volatile char* out = buffer;
    return out[0];
}

[[gnu::noinline]] int readElement(std::size_t index) {
    std::array<char, 8> elements{'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H'};
    const volatile char element = elements[index];
    static_cast<void>(element);
    std::puts("read");
    std::fflush(stdout);
    return elements[0];
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fputs("usage: overrun-probe stack|copy|index COUNT\n", stderr);
        return 2;
    }
    const std::size_t count = std::strtoul(argv[2], nullptr, 10);
    if (count >= sizeof text) return 2;
    const int first = std::strcmp(argv[1], "stack") == 0   ? overrunByteByByte(count)
                      : std::strcmp(argv[1], "index") == 0 ? readElement(count)
                                                           : overrunCopy(count);
    std::printf("returned %c\n", first);
    return 0;
}
