# SPDX-FileCopyrightText: 2026 The corvane-native authors
# SPDX-License-Identifier: Apache-2.0
#
# Windows with mingw-w64, in its POSIX threads flavour, for the target triple in
# CORVANE_MINGW_TARGET; programs run under Wine for the tests. Included by the
# toolchain file of each ABI.
#
# The tests need std::thread, std::async and std::mutex, which GCC 12's win32
# flavour does not have (GCC 13 is the first to give them). The program itself
# starts no thread, but its C++ runtime then takes winpthreads along (seven
# members of libpthread.a); its licence asks for its notice in every copy, which
# the release's THIRD-PARTY-NOTICES.txt carries within mingw-w64's copyright
# file, needed for the runtime in either flavour. The win32 flavour would make
# cpuinfo.exe 12 KiB (64-bit) and 20 KiB (32-bit) smaller, with no measurable
# difference in start-up, and would build the tests apart from the program.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${CORVANE_MINGW_TARGET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${CORVANE_MINGW_TARGET}-g++-posix)
set(CMAKE_RC_COMPILER ${CORVANE_MINGW_TARGET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${CORVANE_MINGW_TARGET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
