#!/bin/sh
# Installs the Debian packages a task needs, and only those that are missing.
#   tools/install-deps.sh build   compilers, CMake, GoogleTest sources
#   tools/install-deps.sh wine    build + MinGW-w64 for x64 and x86, Wine, Xvfb, ImageMagick and
#                                 mmdebstrap for the Wine environments (run, test, bench)
#   tools/install-deps.sh release wine + the signing tools and a YAML reader (dist, verify)
set -eu
want="g++ cmake make googletest python3"
wine="g++-mingw-w64-x86-64-win32 g++-mingw-w64-i686-win32 wine wine64 fonts-wine xvfb xauth
      imagemagick procps mmdebstrap"
case "${1:-wine}" in
  build) ;;
  wine) want="$want $wine" ;;
  release) want="$want $wine git osslsigncode openssl python3-yaml" ;;
  *) echo "usage: $0 build|wine|release" >&2; exit 2 ;;
esac

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "ok installed"; }
missing=""
for p in $want; do
  installed "$p" || missing="$missing $p"
done
# The host's Wine stays 64-bit only: the x86 build runs in an environment of its own
# (tools/wine/env.sh), never through a 32-bit Wine added here. Installed on a host whose Linux
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
