#!/bin/bash
# The x86 build on a new-WoW64 Wine, whose 64-bit loader runs 32-bit programs itself: Debian
# unstable's Wine 10 (the 10-wow64 Wine environment). There, first, make run's check of a Wine
# (wine_x86_way) takes it for one that runs the x86 build in a 64-bit prefix; then the whole x86
# suite runs in a 64-bit prefix. New WoW64 executes 32-bit code inside its 64-bit process, which
# qemu-i386 cannot take over: where Linux runs no 32-bit programs, one line says why not, and the
# environment is not built.
set -euo pipefail
cd "$(dirname "$0")/../../.."
. tools/wine/arch.sh
if ! runs_32bit_programs; then
  echo "x86 tests on new WoW64 (Debian unstable's Wine 10) not run: this Linux runs no 32-bit programs, and new WoW64 runs them inside its 64-bit process, where qemu-i386 cannot emulate them."
  exit 0
fi
preset=windows-x86
tools/install-deps.sh wine
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset"
# The host's virtual screen, as the other suites have it (see tools/wine/test-windows.sh).
. tools/wine/xvfb.sh
start_xvfb 1024x768
trap 'kill "$xvfb_pid" 2>/dev/null || true' EXIT
CORVELLE_WINE=10-wow64 tools/wine/env.sh -x -C "$PWD" -e PRESET="$preset" -- bash -c '
  set -e
  . tools/wine/arch.sh
  way=$(wine_x86_way win64) && [ "${way#new WoW64}" != "$way" ] ||
    { echo "FAILED: make run takes $(cat /.wine-version) for a Wine that runs no x86 build (${way:-none found})" >&2; exit 1; }
  echo "x86 tests in a 64-bit prefix on $(cat /.wine-version) ($(wine --version)):"
  tools/wine/with-wine.sh ctest --preset "$PRESET" --no-tests=error'
