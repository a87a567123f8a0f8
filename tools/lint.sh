#!/bin/bash
# Static analysis of src/: clang-tidy with the checks in .clang-tidy (the portable code through the
# native build, the Windows code through the MinGW-w64 build's compile commands) and cppcheck.
# Exits non-zero on any finding.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh lint
cmake --preset native >/dev/null
cmake --preset windows >/dev/null

# src/cli is portable but for the console program's Windows files.
cli_windows="src/cli/AtomicFile.cpp src/cli/Win32CliHost.cpp src/cli/SystemMessage.cpp src/cli/main.cpp"
portable=$(ls src/registry/*.cpp src/settings/*.cpp src/cli/*.cpp | grep -v Win32Registry |
  grep -v -F "$(tr ' ' '\n' <<<"$cli_windows")")
windows=$(ls src/registry/Win32Registry.cpp src/text/*.cpp $cli_windows src/ui/*.cpp)
gcc_version=$(x86_64-w64-mingw32-g++-win32 -dumpversion)
mingw_cxx=/usr/lib/gcc/x86_64-w64-mingw32/$gcc_version/include/c++  # gcc_version is e.g. "12-win32"

status=0
echo "clang-tidy: portable code"
clang-tidy --quiet -p build/native $portable || status=1
echo "clang-tidy: Windows code"
clang-tidy --quiet -p build/windows --extra-arg=--target=x86_64-w64-mingw32 \
  --extra-arg=-isystem"$mingw_cxx" --extra-arg=-isystem"$mingw_cxx/x86_64-w64-mingw32" \
  --extra-arg=-isystem/usr/x86_64-w64-mingw32/include $windows || status=1

echo "cppcheck"
cppcheck --quiet --error-exitcode=1 --std=c++20 --language=c++ --inline-suppr \
  --enable=warning,style,performance,portability --suppress=missingIncludeSystem \
  --suppress=unusedFunction --suppress=useStlAlgorithm -I src \
  -D_WIN32 -DUNICODE -D_UNICODE src || status=1
exit $status
