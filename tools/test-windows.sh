#!/bin/bash
# Builds one Windows build with its tests and runs them under Wine:
#   tools/test-windows.sh x64   the x64 build, in a 64-bit prefix
#   tools/test-windows.sh x86   the x86 build, in a 32-bit prefix (WINEARCH=win32)
# Where Linux cannot run 32-bit programs, Wine cannot run the x86 build: its tests are built, and
# their run is skipped with a notice (CORVELLE_REQUIRE_X86=1 makes that a failure).
set -euo pipefail
cd "$(dirname "$0")/.."
. tools/arch.sh
case "${1:-}" in
  x64) preset=windows winearch=win64 ;;
  x86) preset=windows-x86 winearch=win32 ;;
  *) echo "usage: $0 x64|x86" >&2; exit 2 ;;
esac
tools/install-deps.sh wine
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset"
if [ "$winearch" = win32 ] && ! runs_32bit_programs; then
  echo "*** x86 tests NOT RUN: this Linux system does not run 32-bit programs, so Wine cannot run" \
       "32-bit Windows programs here. The x86 build and its tests were built." >&2
  [ "${CORVELLE_REQUIRE_X86:-0}" = 1 ] && exit 1
  exit 0
fi
WINEARCH="$winearch" tools/with-wine.sh ctest --preset "$preset"
