#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The corvane-native authors
# SPDX-License-Identifier: Apache-2.0
#
# Static analysis of both deliverables' sources: clang-tidy (.clang-tidy) and
# cppcheck, each file with the compile command of the build that compiles it,
# and clang-format (.clang-format) over all C++ sources, tests included; then
# the relative links and anchors of the README and docs/; and that every
# file names its licence (`reuse lint`).
# Needs the host, win32, win64 and linux-i386 builds configured. Fails on any
# finding.
set -euo pipefail
cd "$(dirname "$0")/.."

portable=(cpuinfo/*.cpp)
host=(cpuinfo/platform/host/*.cpp)
win32=(cpuinfo/platform/win32/*.cpp)
bridge=(ostreljni/Ostrel.cpp)

# clang knows no mingw-w64 C++ library of its own: hand it the one the cross
# compiler uses, and the target. GCC's own intrinsics headers stay out: they
# call GCC builtins that clang lacks, and clang brings its own.
mingw_args() {
  local target="$1"
  echo "--extra-arg-before=--target=$target"
  "$target-g++-posix" -xc++ -E -v - </dev/null 2>&1 |
    sed -n '/#include <...> search starts here/,/End of search list/p' | grep '^ /' |
    grep -vE '/gcc/[^ ]+/include(-fixed)?$' |
    while read -r dir; do echo "--extra-arg=-isystem$(readlink -f "$dir")"; done
}
mapfile -t win32_args < <(mingw_args i686-w64-mingw32)
mapfile -t win64_args < <(mingw_args x86_64-w64-mingw32)

# One compile command per file: the host compiles the logic twice, once per
# Windows record layout, and clang-tidy would analyse such a file twice in one
# process (see below). The first command, the default layout's, stays.
for build in host win32 win64 linux-i386; do
  mkdir -p "build/lint/$build"
  python3 - "build/$build/compile_commands.json" "build/lint/$build/compile_commands.json" \
    <<'PYTHON'
import json, sys
seen, kept = set(), []
for command in json.load(open(sys.argv[1])):
    if command["file"] not in seen:
        seen.add(command["file"])
        kept.append(command)
json.dump(kept, open(sys.argv[2], "w"), indent=1)
PYTHON
done

status=0
# One file per clang-tidy process: a single process analysing several files
# carries state between them and reports va_list uses it did not see.
tidy() {
  local build="$1"; shift
  printf '%s\0' "$@" | xargs -0 -n 1 -P "$(nproc)" clang-tidy --quiet -p "build/lint/$build" \
    "${extra[@]}" 2>/dev/null || status=1
}
extra=(); tidy host "${portable[@]}" "${host[@]}" "${bridge[@]}"
extra=("${win32_args[@]}"); tidy win32 "${portable[@]}" "${win32[@]}"
extra=("${win64_args[@]}"); tidy win64 "${portable[@]}" "${win32[@]}"
extra=(); tidy linux-i386 "${bridge[@]}"

# Not the tests, nor the probe that overruns a buffer on purpose (cmake/hardening).
for build in host win32 win64 linux-i386; do
  cppcheck --quiet --error-exitcode=1 --inline-suppr --std=c++17 \
    --enable=warning,style,performance,portability --suppress=missingIncludeSystem \
    --project="build/lint/$build/compile_commands.json" \
    -i build -i cpuinfo/tests -i cpuinfo/fuzz -i ostreljni/tests -i /usr \
    -i cmake/hardening || status=1
done

git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror || status=1

python3 scripts/check-links.py || status=1

# Every file says its licence (REUSE): a header, or the REUSE data in .reuse/dep5.
reuse lint --quiet || { reuse lint | sed -n '/^# /,$p' | head -n 40; status=1; }

if ((status == 0)); then
  echo "lint: clang-tidy, cppcheck, clang-format, the link check and reuse found nothing"
fi
exit "$status"
