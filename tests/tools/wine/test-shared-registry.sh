#!/bin/bash
# The x86 and x64 programs share one registry: in one 64-bit Wine prefix (a 32-bit program on
# 64-bit Windows, what most users have), what one build's corvelle-cli writes the other's reads,
# both ways, and both export the very same file, so a user can switch builds without losing state
# (32-bit programs are not redirected to another view of HKEY_CURRENT_USER\Software). Runs in the
# Wine environment (tools/wine/env.sh), where one Wine runs both kinds of program.
#   tests/tools/wine/test-shared-registry.sh [X86_CLI X64_CLI]   (default: the two builds' corvelle-cli.exe)
set -euo pipefail
cd "$(dirname "$0")/../../.."
x86=$(realpath "${1:-build/windows-x86/src/cli/corvelle-cli.exe}")
x64=$(realpath "${2:-build/windows/src/cli/corvelle-cli.exe}")

if [ -z "${CORVELLE_SHARED_INSIDE:-}" ]; then
  . tools/wine/arch.sh
  x86_route >/dev/null || exit 1
  exec tools/wine/env.sh -C "$PWD" -C "$(dirname "$x86")" -C "$(dirname "$x64")" \
    -e CORVELLE_SHARED_INSIDE=1 -- tools/wine/with-wine.sh "$0" "$x86" "$x64"
fi

failures=0
# expect NAME PROGRAM ARGS... : runs the program and compares its standard output with $want.
expect() {
  local name=$1; shift
  local got
  got=$(wine "$@" 2>&1 | tr -d '\r')
  if [ "$got" != "$want" ]; then
    echo "FAILED: $name" >&2
    echo "  expected: $want" >&2
    echo "  got:      $got" >&2
    failures=$((failures + 1))
  fi
}
status() { want=$1; expect "$2" "$3" status --json; }
off='{"multiInstance":false,"adsRemoved":0,"adValues":6,"bottomAdRemoved":false}'
on='{"multiInstance":true,"adsRemoved":0,"adValues":6,"bottomAdRemoved":false}'
all='{"multiInstance":true,"adsRemoved":6,"adValues":6,"bottomAdRemoved":true}'

status "$off" "x86 reads the empty registry" "$x86"
wine "$x64" enable >/dev/null
status "$on" "x86 reads what x64 enabled" "$x86"
wine "$x86" remove-ads >/dev/null
wine "$x86" bottom-ad on >/dev/null
status "$all" "x64 reads what x86 removed" "$x64"
dir=$(winepath -u 'C:\')
wine "$x64" export 'C:\x64.reg' >/dev/null
wine "$x86" export 'C:\x86.reg' >/dev/null
if ! cmp -s "$dir/x64.reg" "$dir/x86.reg"; then
  echo "FAILED: the two builds export different files" >&2
  failures=$((failures + 1))
fi
wine "$x86" disable >/dev/null
wine "$x86" reinstate-ads >/dev/null
wine "$x86" bottom-ad off >/dev/null
status "$off" "x64 reads what x86 undid" "$x64"

[ "$failures" -eq 0 ] || exit 1
echo "shared-registry: the x86 and x64 programs read and write the same values." >&2
