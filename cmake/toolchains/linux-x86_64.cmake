# SPDX-FileCopyrightText: 2026 The corvane-native authors
# SPDX-License-Identifier: Apache-2.0
#
# 64-bit Linux (x86-64) with the host's GCC, as a target of its own: the build of the shipped
# library, apart from the host preset's sanitized unit tests.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(CMAKE_C_COMPILER gcc)
set(CMAKE_CXX_COMPILER g++)
set(CMAKE_C_FLAGS_INIT -m64)
set(CMAKE_CXX_FLAGS_INIT -m64)
set(CMAKE_EXE_LINKER_FLAGS_INIT -m64)
set(CMAKE_SHARED_LINKER_FLAGS_INIT -m64)
set(CMAKE_MODULE_LINKER_FLAGS_INIT -m64)

set(CMAKE_LIBRARY_ARCHITECTURE x86_64-linux-gnu)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
