#!/bin/bash
# Builds one Windows build with its tests and runs them under Wine:
#   tools/test-windows.sh x64   the x64 build, in a 64-bit prefix of the host's Wine
#   tools/test-windows.sh x86   the x86 build, in a 32-bit prefix (WINEARCH=win32, 32-bit Windows)
#                               inside the x86 environment (tools/x86-env.sh), natively where Linux
#                               runs 32-bit programs and under qemu-i386 where it does not
# Before the tests, tools/check-imports.py checks that both programs import only what the build's
# oldest Windows has (XP SP3 for x86, 7 for x64). After the whole suite, a part of it runs again in
# a prefix that reports that Windows version: start-up, a command of each kind, the command line.
# With x64, also `make run` as a user starts it without a display, in a Wine prefix of its own:
# it saves its screenshot where it was asked to (a name with a space) or by default where the
# tree does not change, and with TMPDIR on a noexec folder it says that it cannot probe for 32-bit
# programs rather than that Linux runs none.
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
# The import check first shows that it fails on programs built to break it.
tools/test-check-imports.sh
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
  CORVELLE_WINE_VERSION=$oldest tools/with-wine.sh ctest --preset windows -R "$oldest_tests"
  run_dir=$(mktemp -d /tmp/corvelle-run.XXXXXX)
  trap 'WINEPREFIX="$run_dir/prefix" wineserver -k >/dev/null 2>&1 || true; rm -rf "$run_dir"' EXIT
  fail() { echo "test-windows: FAILED: $*" >&2; exit 1; }
  run() { env -u DISPLAY WINEPREFIX="$run_dir/prefix" ARCH=x64 make -s run "$@" >/dev/null; }
  tree_before=$(git status --porcelain)
  run
  run SCREENSHOT="$run_dir/a b.png"
  [ -s "$run_dir/a b.png" ] || fail "make run saved no '$run_dir/a b.png'"
  [ "$(git status --porcelain)" = "$tree_before" ] ||
    fail "make run changed the tree: $(git status --porcelain)"
  if unshare -rm true 2>/dev/null; then
    mkdir "$run_dir/noexec"
    noexec_run='mount -t tmpfs -o noexec none "$1" && TMPDIR="$1" ARCH=x86 tools/run.sh'
    said=$(unshare -rm bash -c "$noexec_run" - "$run_dir/noexec" 2>&1 >/dev/null) &&
      fail "make run went on with a noexec TMPDIR"
    grep -q "cannot run the 32-bit probe" <<<"$said" ||
      fail "with a noexec TMPDIR, make run said: $said"
  else
    echo "test-windows: the noexec TMPDIR case NOT RUN: no user namespaces to mount one in." >&2
  fi
  echo "test-windows: make run leaves the tree as it was and saves the screenshot asked for." >&2
  exit 0
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
