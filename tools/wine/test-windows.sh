#!/bin/bash
# Builds one Windows build with its tests and runs them under Wine:
#   tools/wine/test-windows.sh x64   the x64 build, in a 64-bit prefix
#   tools/wine/test-windows.sh x86   the x86 build, in a 32-bit prefix (WINEARCH=win32, 32-bit Windows),
#                               natively where Linux runs 32-bit programs and under qemu-i386
#                               where it does not
# on the Wine CORVELLE_WINE names: 8 (the default) is Debian 12's, the host's own for x64 and the
# Wine environment's (tools/wine/env.sh) for x86; 10 is Debian 13's, in its environment for both.
# Before the tests, tools/release/check-imports.py checks that both programs import only what the build's
# oldest Windows has (XP SP3 for x86, 7 for x64). After the whole suite, a part of it runs again in
# a prefix that reports that Windows version: start-up, a command of each kind, the command line.
set -euo pipefail
cd "$(dirname "$0")/../.."
. tools/wine/arch.sh
wine=${CORVELLE_WINE:-8}
case "${1:-}" in
  x64) preset=windows oldest=win7 prefix_args=() ;;
  x86) preset=windows-x86 oldest=winxp prefix_args=(-e WINEARCH=win32 -e WINELOADER=/usr/lib/wine/wine) ;;
  *) echo "usage: $0 x64|x86" >&2; exit 2 ;;
esac
in_env=yes
[ "$preset" = windows ] && [ "$wine" = 8 ] && in_env=""
[ -z "$in_env" ] || x86_route >/dev/null || exit 1
tools/install-deps.sh wine
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset"
# The import check first shows that it fails on programs built to break it.
tests/tools/release/test-check-imports.sh
python3 tools/release/check-imports.py tools/release/system-imports.txt "build/$preset/src/ui/corvelle.exe" \
  "build/$preset/src/cli/corvelle-cli.exe"
# The part of the suite run again on the oldest Windows: the window's start-up (layout, state,
# colours, the system DPI, the button class of the manifest), Enable and Disable, the ad buttons,
# the check box, the banner, the planted DLL and the command line. Per test program, PROGRAM=FILTER:
# a GoogleTest filter (GTEST_FILTER) of its tests, each pattern of which must select a test
# (tests/TestMain.cpp), as `--no-tests=error` asks of the program's name.
oldest_part='ui_form1_tests=Form1Test.WindowIsFixed*:Form1Test.FreshRegistry*:Form1Test.PatchedRegistry*'
oldest_part+=':Form1Test.ColoursAsPainted*:Form1Test.SystemAt144*:Form1Test.EnterOnNoButton*'
oldest_part+=':Form1Test.AdButtons*:Form1Test.TabReaches*:Form1Test.Image1Click*:PlantedDll.*'
oldest_part+=' ui_button_program_tests=CommandButtonInTheProgram.* cli_program_tests=CliProgramTest.*'
# part "PROGRAM=FILTER ...": each program's tests that its filter selects, in one Wine process.
part='part() {
    local entries entry
    read -ra entries <<<"$1"
    for entry in "${entries[@]}"; do
      GTEST_FILTER=${entry#*=} ctest --preset "$PRESET" --no-tests=error -R "^${entry%%=*}\$"
    done
  }'
# The whole suite with the same time limits everywhere, one Wine process per test program. Then,
# in the same prefix (whose making is a good part of the time under emulation), the part again as
# the oldest Windows.
whole="$part"'
  set -e
  echo "$ARCH tests on $(wine --version 2>/dev/null)${CORVELLE_X86_ROUTE:+, 32-bit programs ${CORVELLE_X86_ROUTE/native/run natively}}:"
  ctest --preset "$PRESET" --no-tests=error
  echo "$ARCH tests again, on Windows $OLDEST as Wine reports it:"
  tools/wine/with-wine.sh --windows "$OLDEST"
  part "$OLDEST_PART"'
# One virtual screen of the host's for the whole suite, with the part of a window manager that
# Wine waits for after hiding a window (tools/wine/wm-state.py), shown inside the environment too.
. tools/wine/xvfb.sh
start_xvfb 1024x768
trap 'kill "$xvfb_pid" 2>/dev/null || true' EXIT
export CORVELLE_XVFB=0
if [ -z "$in_env" ]; then
  ARCH=$1 PRESET=$preset OLDEST=$oldest OLDEST_PART=$oldest_part tools/wine/with-wine.sh bash -c "$whole"
  exit 0
fi
in_env() { tools/wine/env.sh -x -C "$PWD" "${prefix_args[@]+"${prefix_args[@]}"}" "$@"; }
in_env -e ARCH="$1" -e PRESET="$preset" -e OLDEST="$oldest" -e OLDEST_PART="$oldest_part" -- \
  tools/wine/with-wine.sh bash -c "$whole"
# Where 32-bit programs run natively, a part of the x86 suite runs on the emulated route too,
# where this Linux can have it, so that a break there shows on every run: start-up, a command,
# and the command line.
if [ "$preset" = windows-x86 ] && [ "$(x86_route)" = native ]; then
  if why=$(can_emulate_x86); then
    echo "x86 tests on the emulated route (qemu-i386), a part:"
    emulated_part='ui_form1_tests=Form1Test.FreshRegistry*:Form1Test.AdButtons*'
    emulated_part+=' cli_program_tests=CliProgramTest.ExitCodes*'
    CORVELLE_X86_ROUTE=emulated in_env -e PRESET="$preset" -e PART="$emulated_part" -- \
      tools/wine/with-wine.sh bash -c "$part"'
      set -e; part "$PART"'
  else
    echo "x86 tests on the emulated route not run: $why."
  fi
fi
