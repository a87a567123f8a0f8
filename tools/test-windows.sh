#!/bin/bash
# Builds one Windows build with its tests and runs them under Wine:
#   tools/test-windows.sh x64   the x64 build, in a 64-bit prefix of the host's Wine
#   tools/test-windows.sh x86   the x86 build, in a 32-bit prefix (WINEARCH=win32, 32-bit Windows)
#                               inside the x86 environment (tools/x86-env.sh), natively where Linux
#                               runs 32-bit programs and under qemu-i386 where it does not
# Before the tests, tools/check-imports.py checks that both programs import only what the build's
# oldest Windows has (XP SP3 for x86, 7 for x64). After the whole suite, a part of it runs again in
# a prefix that reports that Windows version: start-up, a command of each kind, the command line.
set -euo pipefail
cd "$(dirname "$0")/.."
. tools/arch.sh
case "${1:-}" in
  x64) preset=windows oldest=win7 ;;
  x86) preset=windows-x86 oldest=winxp
       x86_route >/dev/null || exit 1 ;;
  *) echo "usage: $0 x64|x86" >&2; exit 2 ;;
esac
tools/install-deps.sh wine
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset"
python3 tools/check-imports.py tools/system-imports.txt "build/$preset/src/ui/corvelle.exe" \
  "build/$preset/src/cli/corvelle-cli.exe"
# The part of the suite run again on the oldest Windows: the window's start-up (layout, state,
# colours, the system DPI, the button class of the manifest), Enable and Disable, the ad buttons,
# the check box, the banner, the planted DLL and the command line.
oldest_tests='^(Form1Test[.](WindowIsFixed|FreshRegistry|PatchedRegistry|ColoursAsPainted|SystemAt144'
oldest_tests+='|EnterOnNoButton|AdButtons|TabReaches|Image1Click)|program[.]CommandButtonInTheProgram'
oldest_tests+='|PlantedDll[.]|CliProgramTest[.])'
if [ "$preset" = windows ]; then
  tools/with-wine.sh ctest --preset windows
  echo "x64 tests again, on Windows 7 as Wine reports it:"
  exec env CORVELLE_WINE_VERSION=$oldest tools/with-wine.sh ctest --preset windows -R "$oldest_tests"
fi
# The same suite with the same time limits as on x64: no test needed more time under emulation.
exec tools/x86-env.sh -e WINEARCH=win32 -e WINELOADER=/usr/lib/wine/wine \
  -e OLDEST_TESTS="$oldest_tests" -e OLDEST="$oldest" -- /bin/bash -c '
  set -e
  if [ "$CORVELLE_X86_ROUTE" = emulated ]; then
    echo "x86 tests: Linux runs no 32-bit programs here; they are emulated by qemu-i386."
  else
    echo "x86 tests: 32-bit programs run natively."
  fi
  tools/with-wine.sh ctest --preset windows-x86
  echo "x86 tests again, on Windows XP as Wine reports it:"
  CORVELLE_WINE_VERSION=$OLDEST exec tools/with-wine.sh ctest --preset windows-x86 -R "$OLDEST_TESTS"'
