#!/bin/bash
# Runs a command inside a throwaway Wine prefix with a display. The prefix is 64-bit unless
# WINEARCH=win32 is given, which makes a 32-bit one (it runs only 32-bit programs).
# The prefix and its wineserver are started here, before the command, with their output sent to
# /dev/null: a wineserver first started by a test would inherit ctest's output pipe and keep ctest
# waiting. Uses the caller's X display when DISPLAY is set and CORVELLE_XVFB is not 1; otherwise
# starts Xvfb on a free display. Everything is removed again on exit.
# CORVELLE_WINE_VERSION=winxp or win7 (the names winecfg takes) makes the prefix report that Windows
# version (5.1 or 6.1) to the programs, as winecfg's setting does; it fails when the prefix reports
# another. `with-wine.sh --windows NAME`, run by the command, does the same in its prefix.
set -euo pipefail

# report_windows NAME: the prefix reports that Windows version from now on; fails when it does not.
report_windows() {
  local number reported
  case "$1" in
    winxp) number=5.1 ;; win7) number=6.1 ;;
    *) echo "with-wine: Windows version $1: choose winxp or win7" >&2; exit 2 ;;
  esac
  wine reg add 'HKCU\Software\Wine' /v Version /d "$1" /f >/dev/null 2>&1 </dev/null
  reported=$(wine cmd /c ver 2>/dev/null </dev/null | tr -d '\r' | grep -m1 . || true)
  case "$reported" in
    *" $number."*) echo "with-wine: the prefix reports $reported" ;;
    *) echo "with-wine: asked for Windows $number ($1), the prefix reports: $reported" >&2
       exit 1 ;;
  esac
}
# In the prefix a with-wine.sh run has made (WINEPREFIX): only the reported Windows version.
if [ "${1:-}" = --windows ]; then
  report_windows "$2"
  exit 0
fi

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
  . "$(dirname "$0")/xvfb.sh"
  start_xvfb 1024x768
fi

export WINEPREFIX="$prefix" WINEARCH="${WINEARCH:-win64}" WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml,winebus.sys,wineusb.sys="
# Make the prefix and wait until everything wineboot started has finished: a program started while
# the prefix is still settling waits many seconds for its first window. Then a persistent server,
# so that it outlives each test program, and Wine's services started again here: started by a
# test, they would inherit its output pipe and keep ctest waiting. The USB and HID bus drivers are
# left out; with no devices to watch, one of them spins and slows everything else down.
# The new prefix of a Wine and kind is made once and kept (CORVELLE_PREFIX_CACHE, default
# /var/cache/corvelle/prefixes: the host's, or inside a Wine environment its own); each run gets a
# copy of it, which is what `wineboot -i` makes, in a fraction of the time. Its name holds the
# Wine's version and the time of its wine.inf (which a Wine writes into the prefixes it makes).
cache=${CORVELLE_PREFIX_CACHE:-/var/cache/corvelle/prefixes}
inf=$(stat -c %Y /usr/share/wine/wine.inf 2>/dev/null || true)
if [ -n "$inf" ] && mkdir -p "$cache" 2>/dev/null; then
  made="$cache/$(wine --version 2>/dev/null </dev/null | tr -c 'A-Za-z0-9.\n' _)-$inf-$WINEARCH"
  exec 8>>"$made.lock"
  flock 8
  if [ ! -f "$made.complete" ]; then
    rm -rf "$made"
    WINEPREFIX="$made" wineboot -i >/dev/null 2>&1 </dev/null
    WINEPREFIX="$made" wineserver -w >/dev/null 2>&1 </dev/null
    touch "$made.complete"
  fi
  cp -a "$made/." "$prefix/"
  exec 8>&-
else
  wineboot -i >/dev/null 2>&1 </dev/null
  wineserver -w >/dev/null 2>&1 </dev/null
fi
wineserver -p >/dev/null 2>&1 </dev/null
wineboot >/dev/null 2>&1 </dev/null
[ -z "${CORVELLE_WINE_VERSION:-}" ] || report_windows "$CORVELLE_WINE_VERSION"
"$@"
