#!/bin/sh
# Installs the Debian packages a task needs, and only those that are missing.
#   tools/install-deps.sh build   compilers, CMake, GoogleTest sources
#   tools/install-deps.sh wine    build + MinGW-w64 for x64 and x86, Wine, Xvfb, ImageMagick (run,
#                                 test, bench, dist); Wine for 32-bit programs where Linux runs them
set -eu
want="g++ cmake make googletest python3"
case "${1:-wine}" in
  build) ;;
  wine) want="$want g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix wine wine64 xvfb xauth
              imagemagick procps" ;;
  *) echo "usage: $0 build|wine" >&2; exit 2 ;;
esac
. "$(dirname "$0")/arch.sh"

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "ok installed"; }
missing=""
for p in $want; do
  installed "$p" || missing="$missing $p"
done
# Wine runs 32-bit Windows programs through its 32-bit Linux loader (wine32:i386). Where Linux
# cannot run 32-bit programs it is left out: installed there, it would become the loader that
# `wine` starts first, and every program, 64-bit ones too, would fail to start.
add_i386=""
if [ "${1:-wine}" = wine ] && runs_32bit_programs && ! installed wine32:i386; then
  missing="$missing wine32:i386"
  dpkg --print-foreign-architectures | grep -qx i386 || add_i386=yes
fi
[ -z "$missing" ] && exit 0
echo "Installing:$missing"
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
[ -n "$add_i386" ] && $SUDO dpkg --add-architecture i386
$SUDO apt-get update -qq
# shellcheck disable=SC2086
$SUDO apt-get install -y -qq $missing >/dev/null
