#!/bin/bash
# A `wine` that runs a Wine environment's Wine (CORVELLE_ENV_WINE: 8, 10 or 10-wow64; the
# checkout's tools in CORVELLE_TOOLS) on the caller's prefix, folder and display, as if it were the
# user's own: copied into a bin folder first on PATH, beside the environment's libraries laid out
# as its package does.
# Each call is a run of the environment of its own, which waits for its server to save and exit.
set -euo pipefail
# The prefix is handed in once it exists (`wine --version` needs none).
prefix=()
[ ! -d "${WINEPREFIX:-}" ] || prefix=(-C "$WINEPREFIX" -e WINEPREFIX="$WINEPREFIX")
exec env CORVELLE_WINE="$CORVELLE_ENV_WINE" "$CORVELLE_TOOLS/wine/env.sh" ${DISPLAY:+-x} \
  -C "$PWD" "${prefix[@]+"${prefix[@]}"}" -e WINEDEBUG="${WINEDEBUG:--all}" \
  -e WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-}" -e FONTCONFIG_FILE="${FONTCONFIG_FILE:-/etc/fonts/fonts.conf}" -- \
  /bin/bash -c 'wine "$@"; status=$?; timeout 10 wineserver -w; exit $status' wine "$@"
