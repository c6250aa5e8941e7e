# SPDX-FileCopyrightText: 2026 The corvane-native authors
# SPDX-License-Identifier: Apache-2.0
#
# What a release bundle holds beside its binary: the licence, a short README that names the
# version, and for the bridge its Java declaration and the monitor interface's header. Installed
# only on request (cmake --install <build> --component release), by scripts/release.sh, which adds
# the binary and makes THIRD-PARTY-NOTICES.txt and the bill of materials from the linker's map.
set(release_dir ${CMAKE_CURRENT_LIST_DIR})
set(release_out ${CMAKE_BINARY_DIR}/release)

if(WIN32 AND TARGET cpuinfo)
  set(CORVANE_BUNDLE cpuinfo-${CORVANE_VERSION_TEXT}-${CORVANE_WINDOWS_DIST})
  if(CORVANE_WINDOWS_DIST STREQUAL "win64")
    set(CORVANE_BUNDLE_ARCH "64-bit, x86-64")
  else()
    set(CORVANE_BUNDLE_ARCH "32-bit, x86")
  endif()
  configure_file(${release_dir}/cpuinfo-README.txt.in ${release_out}/README.txt @ONLY)
  install(FILES ${PROJECT_SOURCE_DIR}/LICENSE ${release_out}/README.txt
    DESTINATION . COMPONENT release EXCLUDE_FROM_ALL)
elseif(TARGET ostreljni)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(OSTRELJNI_ARCH x86_64)
  else()
    set(OSTRELJNI_ARCH i386)
  endif()
  set(CORVANE_BUNDLE ostreljni-${CORVANE_VERSION_TEXT}-linux-${OSTRELJNI_ARCH})
  math(EXPR OSTRELJNI_BITS "${CMAKE_SIZEOF_VOID_P} * 8")
  configure_file(${release_dir}/ostreljni-README.txt.in ${release_out}/README.txt @ONLY)
  install(FILES ${PROJECT_SOURCE_DIR}/LICENSE ${release_out}/README.txt
    DESTINATION . COMPONENT release EXCLUDE_FROM_ALL)
  install(FILES ${PROJECT_SOURCE_DIR}/ostreljni/include/quessa.h
    DESTINATION include COMPONENT release EXCLUDE_FROM_ALL)
  # The static form, as the README declares it: a caller needs no instance to post a state.
  install(FILES
    ${PROJECT_SOURCE_DIR}/ostreljni/tests/java/static/com/corvane/tarn/plugin/system/Ostrel.java
    DESTINATION java/com/corvane/tarn/plugin/system COMPONENT release EXCLUDE_FROM_ALL)
else()
  return()
endif()

# What scripts/release.sh reads back: the bundle's name, the map and the tools that made it.
if(WIN32)
  set(release_binary $<TARGET_FILE:cpuinfo>)
  set(release_map ${CMAKE_BINARY_DIR}/cpuinfo/cpuinfo.exe.map)
  set(release_component cpuinfo)
  set(release_type application)
else()
  set(release_binary $<TARGET_FILE:ostreljni>)
  set(release_map ${CMAKE_BINARY_DIR}/ostreljni/libostreljni.so.map)
  set(release_component ostreljni)
  set(release_type library)
endif()
file(GENERATE OUTPUT ${release_out}/bundle.env CONTENT "\
bundle=${CORVANE_BUNDLE}
version=${CORVANE_VERSION_TEXT}
component=${release_component}
component_type=${release_type}
binary=${release_binary}
map=${release_map}
compiler=${CMAKE_CXX_COMPILER}
linker=${CMAKE_LINKER}
")
