#!/bin/bash
# Runs a command inside a throwaway Wine prefix with a display.
# The prefix and its wineserver are started here, before the command, with their output sent to
# /dev/null: a wineserver first started by a test would inherit ctest's output pipe and keep ctest
# waiting. Uses the caller's X display when DISPLAY is set and CORVELLE_XVFB is not 1; otherwise
# starts Xvfb on a free display. Everything is removed again on exit.
set -euo pipefail

prefix=$(mktemp -d /tmp/corvelle-wine.XXXXXX)
xvfb_pid=""
cleanup() {
  WINEPREFIX="$prefix" wineserver -k >/dev/null 2>&1 || true
  WINEPREFIX="$prefix" wineserver -w >/dev/null 2>&1 || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$prefix"
}
trap cleanup EXIT

if [ -z "${DISPLAY:-}" ] || [ "${CORVELLE_XVFB:-0}" = 1 ]; then
  for n in $(seq 91 140); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    export DISPLAY=":$n"
    for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
    break
  done
  [ -n "$xvfb_pid" ] || { echo "with-wine: no free X display" >&2; exit 1; }
fi

export WINEPREFIX="$prefix" WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# A persistent server first, so that it outlives each test program; then the prefix itself.
wineserver -p >/dev/null 2>&1 </dev/null
wineboot -i >/dev/null 2>&1 </dev/null
"$@"
