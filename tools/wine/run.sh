#!/bin/bash
# Builds corvelle.exe and starts it under Wine in the user's Wine prefix (WINEPREFIX, default
# ~/.wine), where the messenger's settings live, as a user starting `wine corvelle.exe` would.
#   ARCH=x86 (the default): the 32-bit build, which runs in 32- and 64-bit prefixes. It runs with
#   the user's own Wine where that runs 32-bit programs: Linux runs them, and the Wine has a 32-bit
#   loader, or is a new-WoW64 Wine and the prefix is a 64-bit one (see wine_x86_way in arch.sh);
#   otherwise in the Wine environment (tools/wine/env.sh: Debian 12's Wine with its 32-bit
#   loader, emulated where Linux runs no 32-bit programs), but never on a prefix that another
#   Wine made or last updated, nor on one that a Wine server holds; where neither can, the x64
#   build is started instead.
#   ARCH=x64: the 64-bit build, for 64-bit prefixes, with the user's own Wine.
#   WINE=8 or WINE=10 (CORVELLE_WINE here): either build on Debian 12's Wine 8 or Debian 13's
#   Wine 10, in its environment, whatever Wine the user has.
#   With a display (DISPLAY set, and XAUTHORITY where it needs a cookie): opens the window there
#   and waits until it is closed.
#   Without one: runs on a virtual screen of its own (Xvfb with a Wine desktop), saves a screenshot
#   of the window after start-up to the file named by the first argument (default
#   build/corvelle-screenshot.png, where it does not change the tree), prints its path and exits,
#   ending only what it started.
set -euo pipefail
shot=$(realpath -m "${1:-$(dirname "$0")/../../build/corvelle-screenshot.png}")
user_fonts=$(realpath -m "${FONTCONFIG_FILE:-/etc/fonts/fonts.conf}")
cd -P "$(dirname "$0")/../.."
. tools/wine/arch.sh
prefix=${WINEPREFIX:-$HOME/.wine}
# Every path handed to Wine is resolved here, once: the environment's Wine sees the host's folders
# at their real paths, where a link's name would be a new, empty folder of its own. A link that
# leads nowhere is refused before anything is made.
p=$prefix
while [ ! -e "$p" ]; do
  if [ -L "$p" ]; then
    echo "run: $p is a link to $(readlink "$p"), which does not exist; point it at your Wine prefix, or set WINEPREFIX to a Wine prefix or a new folder." >&2
    exit 1
  fi
  p=$(dirname "$p")
done
prefix=$(realpath -m -- "$prefix")

# host_wine_runs_x86: true where the `wine` on PATH runs the x86 build in this prefix (see
# wine_x86_way: a 32-bit loader, or new WoW64 in a 64-bit prefix).
host_wine_runs_x86() {
  local k
  k=$(prefix_arch "$prefix")
  wine_runs_x86 "${k:-${WINEARCH:-}}"
}

arch=${ARCH:-}
route=host
case "${CORVELLE_WINE:-}" in
  "") ;;
  8|10) route=env; x86_route >/dev/null || exit 1 ;;
  *) echo "run: unknown WINE '$CORVELLE_WINE'; choose WINE=8 (Debian 12's) or WINE=10 (Debian 13's), or none for your own Wine." >&2
     exit 2 ;;
esac
[ "$route" = env ] && [ -z "$arch" ] && arch=x86
case "$arch" in
  "") arch=x86
      if ! host_wine_runs_x86; then
        route=env
        if ! x86_route >/dev/null; then
          echo "run: starting the x64 build instead (ARCH=x64)." >&2
          arch=x64 route=host
        fi
      fi ;;
  x86) [ "$route" = env ] || host_wine_runs_x86 || { route=env; x86_route >/dev/null || exit 1; } ;;
  x64) ;;
  *) echo "run: unknown ARCH '$arch'; choose ARCH=x86 (every prefix) or ARCH=x64 (64-bit prefixes)." >&2
     exit 2 ;;
esac

# The prefix's kind is recorded in its system.reg. A missing or empty folder becomes a new prefix;
# a prefix whose server has not yet saved its registry for the first time has drive mappings only.
kind=$(prefix_arch "$prefix")
new_prefix=""
if [ -z "$kind" ]; then
  if [ -e "$prefix/system.reg" ] ||
     { [ ! -d "$prefix/dosdevices" ] && [ -n "$(ls -A "$prefix" 2>/dev/null)" ]; }; then
    echo "run: $prefix is not a Wine prefix of a known kind (no #arch=win32 or #arch=win64 in its system.reg); set WINEPREFIX to a Wine prefix or a new folder, and choose ARCH=x86, which runs in both kinds." >&2
    exit 1
  fi
  [ -d "$prefix/dosdevices" ] || new_prefix=yes
fi
[ -z "$kind" ] && [ "${WINEARCH:-}" = win32 ] && kind=win32
if [ "$kind" = win32 ] && [ "$arch" = x64 ]; then
  echo "run: $prefix is a 32-bit Wine prefix, which runs only the x86 build; choose ARCH=x86." >&2
  exit 1
fi
# A 64-bit prefix made by a Wine without its 32-bit half (as the host's is) has no 32-bit system
# folder and runs no 32-bit program.
if [ "$kind" = win64 ] && [ "$arch" = x86 ] && [ ! -e "$prefix/drive_c/windows/syswow64/kernel32.dll" ]; then
  no32="$prefix was made by a Wine without its 32-bit half, so it runs no 32-bit programs"
  if [ -n "${ARCH:-}" ]; then
    echo "run: $no32; choose ARCH=x64, or a new folder as WINEPREFIX for the x86 build." >&2
    exit 1
  fi
  echo "run: $no32; starting the x64 build instead (ARCH=x64)." >&2
  arch=x64
  [ -n "${CORVELLE_WINE:-}" ] || route=host
fi

# The environment's Wine never runs on a prefix that another Wine made or last updated: it would
# update the prefix to its own version, and a server of the other version may be running for it.
# A Wine that makes or updates a prefix writes the time of its wine.inf to .update-timestamp
# ("disable" there keeps every Wine from updating it).
if [ "$route" = env ] && [ -s "$prefix/.update-timestamp" ]; then
  root=$(tools/wine/setup.sh)
  env_wine="the Wine environment's Wine $(dpkg-query --admindir="$root/var/lib/dpkg" -W -f '${Version}' wine)"
  # Wine writes the stamp with a CRLF line end ("1676758571\r\n").
  stamp=$(head -c 40 "$prefix/.update-timestamp" | tr -d '\r\n')
  if [ "$stamp" != disable ] && [ "$stamp" != "$(stat -c %Y "$root/usr/share/wine/wine.inf")" ]; then
    found="another Wine than $env_wine"
    if host_wine=$(command -v wine) &&
       [ "$(stat -c %Y "$(dirname "$(readlink -f "$host_wine")")/../share/wine/wine.inf" 2>/dev/null)" = "$stamp" ]; then
      found="$(wine --version 2>/dev/null) ($host_wine)"
    fi
    echo "run: $prefix was last updated by $found, which $env_wine would update to its own version; it is left as it is. Start the x86 build with that Wine where it runs 32-bit programs, choose ARCH=x64, or set WINEPREFIX to a new folder." >&2
    exit 1
  fi
fi

# Nor on a prefix that a Wine server holds (the user's Wine's, for the messenger, say): see
# prefix_refused.
if [ "$route" = env ] && prefix_refused "$prefix"; then
  exit 2
fi

# Which Wine runs which build, in one line.
if [ "$route" = host ]; then
  how=""
  [ "$arch" = x64 ] || how="; $(wine_x86_way "$kind")"
  echo "run: the $arch build, with your Wine: $(wine --version 2>/dev/null </dev/null) ($(command -v wine)$how)."
else
  env_root=$(tools/wine/setup.sh --root)
  echo "run: the $arch build, with the Wine environment's $(cat "$env_root/.wine-version" 2>/dev/null || echo "Wine ${CORVELLE_WINE:-8}")."
fi

preset=windows
[ "$arch" = x86 ] && preset=windows-x86
tools/install-deps.sh wine
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" --target corvelle
exe=$(realpath "build/$preset/src/ui/corvelle.exe")

export WINEPREFIX="$prefix" WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree,mshtml="}
# Debian's Wine 8 looks for its own fonts in "<data folder>\../fonts", a path that never resolves,
# so it finds none of them and draws the title bar's buttons without their Marlett symbols (the
# close box shows an "r"). Fontconfig shows Wine that one font, for the programs started here;
# every other font stays what the system offers.
fonts="$PWD/build/$preset/wine-fonts"
mkdir -p "$fonts"
ln -sf /usr/share/wine/fonts/marlett.ttf "$fonts/marlett.ttf"
printf '<?xml version="1.0"?>\n<fontconfig><include ignore_missing="yes">%s</include><dir>%s</dir></fontconfig>\n' \
  "$user_fonts" "$fonts" >"$fonts/fonts.conf"
export FONTCONFIG_FILE="$fonts/fonts.conf"
mkdir -p "$prefix"
if [ "$route" = host ]; then
  run_wine() { wine "$@"; }
else
  [ "$arch" = x64 ] && [ "$kind" != win32 ] && kind=win64
  # The Wine environment's Wine, on this prefix and on this display (with its cookie). Its server
  # is its own (the environment's /tmp is private): none other held the prefix above, and the
  # runner refuses again should one have started since. The server is given time to save the
  # registry and exit by itself before the environment ends.
  loader=/usr/lib/wine/wine64
  [ "$kind" = win32 ] && loader=/usr/lib/wine/wine
  run_wine() {
    tools/wine/env.sh -x -C "$PWD" -C "$prefix" -e WINEPREFIX="$prefix" \
      -e WINEARCH="${kind:-win64}" -e WINELOADER="$loader" -e WINEDLLOVERRIDES="$WINEDLLOVERRIDES" \
      -e WINEDEBUG="$WINEDEBUG" -e FONTCONFIG_FILE="$FONTCONFIG_FILE" -- \
      /bin/bash -c 'wine "$@"; status=$?; timeout 10 wineserver -w; exit $status' wine "$@"
  }
fi
# A new prefix is made before the program starts, so that start-up is not timed out.
if [ -n "$new_prefix" ]; then
  run_wine wineboot -i >/dev/null 2>&1 </dev/null || true
fi

if [ -n "${DISPLAY:-}" ]; then
  run_wine "$exe"
  exit
fi

echo "No display: running on a virtual screen."
mkdir -p "$(dirname "$shot")"
. tools/wine/xvfb.sh
start_xvfb 640x480
# Ending the virtual screen ends the Wine processes whose windows are on it, which are only the
# ones started here; the prefix's server and anything else running in it (the messenger, say) go
# on. A server started here stops by itself once nothing uses it.
# The environment's run, once its program has gone, waits for its own server to save and exit;
# waiting for it here means the next `make run` on the prefix finds no server of this one left.
wine_pid=""
finish() {
  kill "$xvfb_pid" 2>/dev/null || true
  if [ "$route" = env ] && [ -n "$wine_pid" ]; then
    for _ in $(seq 150); do kill -0 "$wine_pid" 2>/dev/null || break; sleep 0.1; done
    # A Wine program that outlives its screen (Wine 10's start.exe was seen to) would keep the
    # environment's run going: it is stopped as Ctrl-C stops it, its server asked to save first.
    if kill -0 "$wine_pid" 2>/dev/null; then
      pkill -TERM -P "$wine_pid" 2>/dev/null || true
      for _ in $(seq 200); do kill -0 "$wine_pid" 2>/dev/null || break; sleep 0.1; done
    fi
  fi
}
trap finish EXIT

# A Wine desktop draws the window's frame and title bar itself, as there is no window manager.
log=$(mktemp)
trap 'finish; rm -f "$log"' EXIT
run_wine explorer /desktop=Corvelle,640x480 "$exe" >"$log" 2>&1 </dev/null &
wine_pid=$!

# The window is up once its background colour (#8BA2C2) is on the screen.
for _ in $(seq 120); do
  sleep 0.5
  if ! kill -0 "$wine_pid" 2>/dev/null; then
    echo "run: Wine ended before the window appeared:" >&2
    tail -n 5 "$log" >&2
    exit 1
  fi
  # grep reads the whole histogram: stopping at the first match (-q) would end convert by SIGPIPE,
  # which pipefail counts as a miss.
  if import -window root "$shot" 2>/dev/null &&
     convert "$shot" -format %c histogram:info:- 2>/dev/null | grep -i '#8BA2C2' >/dev/null; then
    sleep 1  # let the banner and buttons finish painting
    import -window root "$shot"
    echo "Screenshot of the window after start-up: $shot"
    exit 0
  fi
done
echo "run: the window did not appear within 60 s" >&2
exit 1
