# Windows with mingw-w64, in its POSIX threads flavour (the test framework
# needs std::mutex), for the target triple in CORVANE_MINGW_TARGET; programs
# run under Wine for the tests. Included by the toolchain file of each ABI.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${CORVANE_MINGW_TARGET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${CORVANE_MINGW_TARGET}-g++-posix)
set(CMAKE_RC_COMPILER ${CORVANE_MINGW_TARGET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${CORVANE_MINGW_TARGET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
