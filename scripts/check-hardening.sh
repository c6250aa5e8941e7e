#!/usr/bin/env bash
# Reads the deliverables in dist/ (installed by the win32, win64, linux-i386 and linux-x86_64
# presets) and prints the table of their exploit mitigations; fails on any regression.
# Debian's own python3, which has pefile.
set -euo pipefail
cd "$(dirname "$0")/.."
exec /usr/bin/python3 cmake/hardening/check_hardening.py dist "$@"
