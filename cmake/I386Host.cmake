# SPDX-FileCopyrightText: 2026 The corvane-native authors
# SPDX-License-Identifier: Apache-2.0
#
# How this host runs i386 code, as cmake/i386-host.py says: CORVANE_I386_HOST is native,
# emulated (under qemu-i386-static, CORVANE_QEMU_I386) or none. Asked at every configure, so
# that CORVANE_NO_NATIVE_I386 in the environment takes effect at once.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
execute_process(
  COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_LIST_DIR}/i386-host.py --describe
  OUTPUT_VARIABLE corvane_i386_description OUTPUT_STRIP_TRAILING_WHITESPACE
  COMMAND_ERROR_IS_FATAL ANY)
string(REGEX REPLACE "^i386 host: ([a-z]+).*" "\\1" CORVANE_I386_HOST "${corvane_i386_description}")
message(STATUS "${corvane_i386_description}")
find_program(CORVANE_QEMU_I386 qemu-i386-static)

# Registers a test that runs nothing on this host and is reported as skipped, with its reason.
function(corvane_add_skipped_test name reason)
  add_test(NAME ${name} COMMAND ${CMAKE_COMMAND} -E echo "skipped: ${reason}")
  set_tests_properties(${name} PROPERTIES SKIP_REGULAR_EXPRESSION "^skipped: ")
endfunction()
