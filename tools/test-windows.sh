#!/bin/bash
# Builds one Windows build with its tests and runs them under Wine:
#   tools/test-windows.sh x64   the x64 build, in a 64-bit prefix of the host's Wine
#   tools/test-windows.sh x86   the x86 build, in a 32-bit prefix (WINEARCH=win32, 32-bit Windows)
#                               inside the x86 environment (tools/x86-env.sh), natively where Linux
#                               runs 32-bit programs and under qemu-i386 where it does not
set -euo pipefail
cd "$(dirname "$0")/.."
. tools/arch.sh
case "${1:-}" in
  x64) preset=windows ;;
  x86) preset=windows-x86
       x86_route >/dev/null || exit 1 ;;
  *) echo "usage: $0 x64|x86" >&2; exit 2 ;;
esac
tools/install-deps.sh wine
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset"
if [ "$preset" = windows ]; then
  exec tools/with-wine.sh ctest --preset windows
fi
# The same suite with the same time limits as on x64: no test needed more time under emulation.
exec tools/x86-env.sh -e WINEARCH=win32 -e WINELOADER=/usr/lib/wine/wine -- /bin/bash -c '
  if [ "$CORVELLE_X86_ROUTE" = emulated ]; then
    echo "x86 tests: Linux runs no 32-bit programs here; they are emulated by qemu-i386."
  else
    echo "x86 tests: 32-bit programs run natively."
  fi
  exec tools/with-wine.sh ctest --preset windows-x86'
