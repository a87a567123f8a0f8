#!/bin/sh
# Installs the Debian packages a task needs, and only those that are missing.
#   tools/install-deps.sh build   compilers, CMake, GoogleTest sources
#   tools/install-deps.sh wine    build + MinGW-w64, Wine, Xvfb, ImageMagick (run, test, bench)
set -eu
want="g++ cmake make googletest python3"
case "${1:-wine}" in
  build) ;;
  wine) want="$want g++-mingw-w64-x86-64-posix wine wine64 xvfb xauth imagemagick procps" ;;
  *) echo "usage: $0 build|wine" >&2; exit 2 ;;
esac
missing=""
for p in $want; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0
echo "Installing:$missing"
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
# shellcheck disable=SC2086
$SUDO apt-get install -y -qq $missing >/dev/null
