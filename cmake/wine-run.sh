#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The corvane-native authors
# SPDX-License-Identifier: Apache-2.0
#
# wine-run.sh LOADER PREFIX PROGRAM [ARGS...]
# Runs a Windows program under Wine, through the given loader (/usr/lib/wine/wine
# for 32-bit programs, /usr/lib/wine/wine64 for 64-bit ones), in the given
# prefix, created on first use, so that test runs stay inside the build folder
# and never touch ~/.wine.
set -euo pipefail
loader="$1"
export WINEPREFIX="$2"
shift 2
export WINEDEBUG="${WINEDEBUG:--all}"
# No Mono or Gecko: the prefix is for console programs only.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
# Debian's Wine has no preloader to keep the addresses Windows fixes (such as
# the shared user data page) free of the host's randomly placed mappings: about
# one start in a thousand then fails with "failed to map the shared user data".
# Without address randomisation every start lays out the same way.
exec setarch -R "$loader" "$@"
