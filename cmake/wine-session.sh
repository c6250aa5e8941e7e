#!/usr/bin/env bash
# wine-session.sh start|stop PREFIX
# start: creates the prefix if needed and leaves a booted wineserver running
# (for two minutes after its last client), detached from our output. Without
# it every program would boot Wine's services anew, and those inherit the
# program's standard output, so a caller reading it waits seconds for EOF.
# stop: shuts the prefix's server down.
set -euo pipefail
action="$1"
export WINEPREFIX="$2"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

case "$action" in
  start)
    mkdir -p "$WINEPREFIX"
    wineserver -k >/dev/null 2>&1 || true
    wineserver -p120 </dev/null >/dev/null 2>&1
    wineboot --init </dev/null >/dev/null 2>&1
    ;;
  stop)
    wineserver -k >/dev/null 2>&1 || true
    ;;
  *)
    echo "usage: $0 start|stop PREFIX" >&2
    exit 2
    ;;
esac
