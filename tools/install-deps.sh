#!/bin/sh
# Installs the Debian packages a task needs, and only those that are missing.
#   tools/install-deps.sh build    native compilers, CMake, GoogleTest sources (test-native, sanitize, fuzz)
#   tools/install-deps.sh windows  build + the MinGW-w64 cross compilers (the Windows builds alone)
#   tools/install-deps.sh wine     windows + Wine, Xvfb, ImageMagick and mmdebstrap for the Wine
#                                  environments (run, test-windows, bench)
#   tools/install-deps.sh release  windows + git and the signing and manifest tools (dist, verify)
#   tools/install-deps.sh lint     windows + clang-tidy and cppcheck
set -eu
want="g++ cmake make googletest python3"
windows="g++-mingw-w64-x86-64-win32 g++-mingw-w64-i686-win32"
case "${1:-wine}" in
  build) ;;
  windows) want="$want $windows" ;;
  wine) want="$want $windows wine wine64 fonts-wine xvfb xauth python3-xlib imagemagick procps mmdebstrap" ;;
  release) want="$want $windows git osslsigncode openssl python3-yaml python3-jsonschema" ;;
  lint) want="$want $windows clang-tidy cppcheck" ;;
  *) echo "usage: $0 build|windows|wine|release|lint" >&2; exit 2 ;;
esac

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "ok installed"; }
missing=""
for p in $want; do
  installed "$p" || missing="$missing $p"
done
# The host's Wine stays 64-bit only: the x86 build runs in an environment of its own
# (tools/wine/), never through a 32-bit Wine added here. Installed on a host whose Linux
# refuses 32-bit programs, wine32:i386 becomes the loader that `wine` starts first, and then no
# Windows program starts at all, 64-bit ones included.
[ -z "$missing" ] && exit 0
echo "Installing:$missing"
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
# shellcheck disable=SC2086
$SUDO apt-get install -y -qq $missing >/dev/null
