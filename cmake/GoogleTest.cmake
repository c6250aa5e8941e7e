# SPDX-FileCopyrightText: 2026 The corvane-native authors
# SPDX-License-Identifier: Apache-2.0
#
# GoogleTest: the host uses the installed library; cross builds compile it from
# the sources Debian ships, so the tests run on the target system too.
if(NOT CMAKE_CROSSCOMPILING)
  find_package(GTest REQUIRED)
elseif(EXISTS /usr/src/googletest/CMakeLists.txt)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
else()
  message(FATAL_ERROR "GoogleTest sources not found in /usr/src/googletest (Debian package googletest)")
endif()
include(GoogleTest)

# Registers a GoogleTest executable: case by case, or in the memcheck build as
# one test under valgrind, which fails on any memory error or leak.
function(corvane_add_gtest target)
  cmake_parse_arguments(arg "" "TEST_PREFIX" "" ${ARGN})
  if(CORVANE_MEMCHECK)
    find_program(VALGRIND valgrind REQUIRED)
    add_test(NAME ${arg_TEST_PREFIX}${target}.memcheck
      COMMAND ${VALGRIND} --error-exitcode=99 --leak-check=full --show-leak-kinds=definite,indirect,possible
              --errors-for-leak-kinds=definite,indirect,possible --track-origins=yes
              $<TARGET_FILE:${target}>)
    set_tests_properties(${arg_TEST_PREFIX}${target}.memcheck PROPERTIES TIMEOUT 600)
  else()
    gtest_discover_tests(${target} TEST_PREFIX "${arg_TEST_PREFIX}")
  endif()
endfunction()
