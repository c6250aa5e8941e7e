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
