#!/usr/bin/env bash
# wine-run.sh PREFIX PROGRAM [ARGS...]
# Runs a Windows program under Wine in the given prefix, created on first use,
# so that test runs stay inside the build folder and never touch ~/.wine.
set -euo pipefail
export WINEPREFIX="$1"
shift
export WINEDEBUG="${WINEDEBUG:--all}"
# No Mono or Gecko: the prefix is for console programs only.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
exec wine "$@"
