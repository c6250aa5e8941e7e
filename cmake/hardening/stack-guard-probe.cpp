// SPDX-FileCopyrightText: 2026 The corvane-native authors
// SPDX-License-Identifier: Apache-2.0
//
// Prints the stack canary's guard value as the program's own code sees it in main, once the
// start-up code and every constructor have run: built with the shipped hardening flags, so that
// the guard and its seed are those of windows-stack-guard.cpp. probe_test.py runs it several
// times and requires a different value per run, with a zero low byte.
#include <cinttypes>
#include <cstdint>
#include <cstdio>

extern "C" std::uintptr_t __stack_chk_guard;

int main() {
    std::printf("guard %016" PRIxMAX "\n", static_cast<std::uintmax_t>(__stack_chk_guard));
    return 0;
}
