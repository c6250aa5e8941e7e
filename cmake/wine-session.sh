#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The corvane-native authors
# SPDX-License-Identifier: Apache-2.0
#
# wine-session.sh start|stop LOADER PREFIX
# start: creates the prefix if needed and leaves a booted wineserver running
# (for two minutes after its last client), detached from our output. Without
# it every program would boot Wine's services anew, and those inherit the
# program's standard output, so a caller reading it waits seconds for EOF.
# stop: shuts the prefix's server down.
# LOADER is Wine's loader for the programs to come (see wine-run.sh).
set -euo pipefail
action="$1"
loader="$2"
export WINEPREFIX="$3"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
# The server of the installed Wine, whichever of its halves is there.
wineserver=/usr/lib/wine/wineserver
[[ -x "$wineserver" ]] || wineserver=wineserver

case "$action" in
  start)
    mkdir -p "$WINEPREFIX"
    "$wineserver" -k >/dev/null 2>&1 || true
    "$wineserver" -p120 </dev/null >/dev/null 2>&1
    setarch -R "$loader" wineboot --init </dev/null >/dev/null 2>&1
    ;;
  stop)
    "$wineserver" -k >/dev/null 2>&1 || true
    ;;
  *)
    echo "usage: $0 start|stop LOADER PREFIX" >&2
    exit 2
    ;;
esac
