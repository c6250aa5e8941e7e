# SPDX-FileCopyrightText: 2026 The corvane-native authors
# SPDX-License-Identifier: Apache-2.0
#
# Compiler settings shared by every target of the repository.

# Reproducible output: the compiler sees sources and generated files under
# repository-relative names, so neither the checkout's nor the build folder's
# location ends up in a binary (as in __FILE__), and Windows images carry no
# link time stamp.
add_compile_options(-ffile-prefix-map=${PROJECT_SOURCE_DIR}/= -ffile-prefix-map=${PROJECT_BINARY_DIR}/=)
if(WIN32)
  add_link_options(-Wl,--no-insert-timestamp)
endif()

# Warnings.
add_library(corvane_warnings INTERFACE)
target_compile_options(corvane_warnings INTERFACE -Wall -Wextra -Wpedantic -Wshadow -Wconversion
                                                  -Wsign-conversion -Wcast-qual -Wformat=2)
if(CORVANE_WARNINGS_AS_ERRORS)
  target_compile_options(corvane_warnings INTERFACE -Werror)
endif()

# AddressSanitizer and UndefinedBehaviorSanitizer, for the host build.
add_library(corvane_sanitizers INTERFACE)
if(CORVANE_SANITIZE)
  set(_sanitize -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  target_compile_options(corvane_sanitizers INTERFACE ${_sanitize})
  target_link_options(corvane_sanitizers INTERFACE ${_sanitize})
endif()
if(CORVANE_FUZZ)
  # Coverage feedback for libFuzzer in everything the fuzz targets link.
  target_compile_options(corvane_sanitizers INTERFACE -fsanitize=fuzzer-no-link)
endif()

# Exploit mitigations, carried by every program and library that ships and by the test programs
# that run in the same hosts, so that the tests exercise what ships. The sanitizer builds (host,
# fuzz) keep their own instrumentation instead: AddressSanitizer replaces the canary's job and
# intercepts the very functions that fortification would swap for checked ones.
add_library(corvane_hardening INTERFACE)
if(NOT CORVANE_SANITIZE)
  # Fortified calls need the optimiser's object sizes; a Debug build gets the rest.
  if(WIN32)
    set(_fortify 2)  # the highest level mingw-w64's own checked functions know
  else()
    set(_fortify 3)
  endif()
  # Compiler options only: the resource compiler of the Windows builds takes none of them.
  set(_compiling $<COMPILE_LANGUAGE:C,CXX>)
  target_compile_options(corvane_hardening INTERFACE
    $<${_compiling}:-fstack-protector-strong>
    $<$<AND:${_compiling},$<NOT:$<CONFIG:Debug>>>:-D_FORTIFY_SOURCE=${_fortify}>)
  if(WIN32)
    # The standard library's checked element access; its failure path is ours as well.
    target_compile_options(corvane_hardening INTERFACE $<${_compiling}:-D_GLIBCXX_ASSERTIONS>)
    # GCC's libssp supplies the checked copies; the canary, its seed and both failure paths are
    # our own, linked into every program as an object so that libssp's are never needed.
    add_library(corvane_stack_guard OBJECT ${PROJECT_SOURCE_DIR}/cmake/hardening/windows-stack-guard.cpp)
    target_compile_options(corvane_stack_guard PRIVATE -fno-stack-protector)
    target_link_libraries(corvane_stack_guard PRIVATE corvane_warnings)
    target_link_libraries(corvane_hardening INTERFACE $<TARGET_OBJECTS:corvane_stack_guard>)
    target_link_options(corvane_hardening INTERFACE
      -fstack-protector-strong
      -Wl,--dynamicbase -Wl,--nxcompat -Wl,--tsaware
      $<$<EQUAL:${CMAKE_SIZEOF_VOID_P},8>:-Wl,--high-entropy-va>)
  else()
    target_compile_options(corvane_hardening INTERFACE $<${_compiling}:-fstack-clash-protection>)
    target_link_options(corvane_hardening INTERFACE
      -Wl,-z,relro -Wl,-z,now -Wl,-z,noexecstack)
  endif()
endif()
