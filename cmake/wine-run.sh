#!/bin/sh
# Runs a Windows test program under Wine; used by CTest as the cross-compiling emulator.
# The prefix and display come from tools/wine/with-wine.sh.
if [ -z "${WINEPREFIX:-}" ]; then
  echo "wine-run: no WINEPREFIX; run the Windows tests through tools/wine/with-wine.sh" >&2
  exit 1
fi
exec wine "$@"
