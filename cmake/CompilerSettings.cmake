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
