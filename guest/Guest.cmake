# SPDX-FileCopyrightText: 2026 The corvane-native authors
# SPDX-License-Identifier: Apache-2.0
#
# Tests that run inside the virtual machine of guest.py, for what this host cannot run itself:
# 32-bit Wine, or the i386 JVM with its JIT compilers. A build folder has one session, booted
# by the test guest-start before the first test that needs it and powered off by guest-stop
# after the last. Without a built image, or with CORVANE_SKIP_GUEST set, all of them are
# reported as skipped, with the reason.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(CORVANE_GUEST ${CMAKE_CURRENT_LIST_DIR}/guest.py)
# The paths inside the guest and its usual processors, as guest.py defines them:
# CORVANE_GUEST_WOW64_PREFIX, CORVANE_GUEST_JAVA, CORVANE_GUEST_SMP and the rest.
execute_process(
  COMMAND ${Python3_EXECUTABLE} ${CORVANE_GUEST} facts
  OUTPUT_VARIABLE corvane_guest_facts OUTPUT_STRIP_TRAILING_WHITESPACE
  COMMAND_ERROR_IS_FATAL ANY)
string(REPLACE "\n" ";" corvane_guest_facts "${corvane_guest_facts}")
foreach(fact IN LISTS corvane_guest_facts)
  string(REGEX MATCH "^(CORVANE_GUEST_[A-Z0-9_]+)=(.*)$" matched "${fact}")
  if(NOT matched)
    message(FATAL_ERROR "guest.py facts printed a line that is not NAME=VALUE: ${fact}")
  endif()
  set(${CMAKE_MATCH_1} "${CMAKE_MATCH_2}")
endforeach()

# Adds guest-start and guest-stop for this build folder's session and sets, in the caller's
# scope, CORVANE_GUEST_RUN: the words that run a command in it.
function(corvane_add_guest_session)
  cmake_path(GET CMAKE_BINARY_DIR FILENAME name)
  # Shared at their own paths: the sources with the test drivers, and the build.
  set(shares --share ${PROJECT_SOURCE_DIR})
  cmake_path(IS_PREFIX PROJECT_SOURCE_DIR "${CMAKE_BINARY_DIR}" build_inside)
  if(NOT build_inside)
    list(APPEND shares --share ${CMAKE_BINARY_DIR})
  endif()
  set(guest ${Python3_EXECUTABLE} ${CORVANE_GUEST})
  add_test(NAME guest-start COMMAND ${guest} start ${name} --smp ${CORVANE_GUEST_SMP} ${shares})
  add_test(NAME guest-stop COMMAND ${guest} stop ${name})
  set_tests_properties(guest-start PROPERTIES FIXTURES_SETUP guest TIMEOUT 900)
  set_tests_properties(guest-stop PROPERTIES FIXTURES_CLEANUP guest TIMEOUT 300)
  set_tests_properties(guest-start guest-stop PROPERTIES SKIP_REGULAR_EXPRESSION "^skipped: ")
  set(CORVANE_GUEST_RUN ${guest} run ${name} -- PARENT_SCOPE)
endfunction()

# Marks tests that run in the session: they need it, and they are skipped when it is.
function(corvane_guest_tests)
  set_property(TEST ${ARGN} APPEND PROPERTY FIXTURES_REQUIRED guest)
  set_tests_properties(${ARGN} PROPERTIES SKIP_REGULAR_EXPRESSION "^skipped: ")
endfunction()
