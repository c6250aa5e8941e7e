# SPDX-FileCopyrightText: 2026 The corvane-native authors
# SPDX-License-Identifier: Apache-2.0
#
# 64-bit Windows (x86-64) with mingw-w64; programs run under wine64.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CORVANE_MINGW_TARGET x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
