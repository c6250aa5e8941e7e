#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The corvane-native authors
# SPDX-License-Identifier: Apache-2.0
#
# Reads the deliverables in dist/ (installed by the win32, win64, linux-i386 and linux-x86_64
# presets) and prints the table of their exploit mitigations; fails on any regression. The
# Windows programs are stripped: their link maps, which the builds leave beside them, tell the
# check which of their functions are our own.
# Debian's own python3, which has pefile.
set -euo pipefail
cd "$(dirname "$0")/.."
exec /usr/bin/python3 cmake/hardening/check_hardening.py dist \
  --map win32/cpuinfo.exe=build/win32/cpuinfo/cpuinfo.exe.map \
  --map win64/cpuinfo.exe=build/win64/cpuinfo/cpuinfo.exe.map "$@"
