# Warnings and sanitizers shared by every target of the repository.
add_library(corvane_warnings INTERFACE)
target_compile_options(corvane_warnings INTERFACE -Wall -Wextra -Wpedantic -Wshadow -Wconversion
                                                  -Wsign-conversion -Wcast-qual -Wformat=2)
if(CORVANE_WARNINGS_AS_ERRORS)
  target_compile_options(corvane_warnings INTERFACE -Werror)
endif()

add_library(corvane_sanitizers INTERFACE)
if(CORVANE_SANITIZE)
  set(_sanitize -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  target_compile_options(corvane_sanitizers INTERFACE ${_sanitize})
  target_link_options(corvane_sanitizers INTERFACE ${_sanitize})
endif()
