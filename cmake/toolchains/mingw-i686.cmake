# SPDX-FileCopyrightText: 2026 The corvane-native authors
# SPDX-License-Identifier: Apache-2.0
#
# 32-bit Windows (i686) with mingw-w64; programs run under 32-bit Wine.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CORVANE_MINGW_TARGET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
