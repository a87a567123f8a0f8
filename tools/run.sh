#!/bin/bash
# Starts corvelle.exe under Wine in the user's Wine prefix (WINEPREFIX, default ~/.wine), where the
# messenger's settings live.
#   With a display (DISPLAY set): opens the window and waits until it is closed.
#   Without one: runs on a virtual screen (Xvfb with a Wine desktop), saves a screenshot of the
#   window after start-up to the file named by the second argument, prints its path and exits.
set -euo pipefail
exe=$(realpath "$1")
shot=$(realpath -m "${2:-corvelle-screenshot.png}")
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree,mshtml="}

if [ -n "${DISPLAY:-}" ]; then
  exec wine "$exe"
fi

echo "No display: running on a virtual screen."
. "$(dirname "$0")/xvfb.sh"
start_xvfb 640x480
finish() {
  wineserver -k >/dev/null 2>&1 || true
  kill "$xvfb_pid" 2>/dev/null || true
}
trap finish EXIT

# A new prefix is made on first use; make it before the program starts so start-up is not timed out.
wineboot -i >/dev/null 2>&1 </dev/null || true
# A Wine desktop draws the window's frame and title bar itself, as there is no window manager.
wine explorer /desktop=Corvelle,640x480 "$exe" >/dev/null 2>&1 </dev/null &

# The window is up once its background colour (#8BA2C2) is on the screen.
for _ in $(seq 120); do
  sleep 0.5
  if import -window root "$shot" 2>/dev/null &&
     convert "$shot" -format %c histogram:info:- 2>/dev/null | grep -qi '#8BA2C2'; then
    sleep 1  # let the banner and buttons finish painting
    import -window root "$shot"
    echo "Screenshot of the window after start-up: $shot"
    exit 0
  fi
done
echo "run: the window did not appear within 60 s" >&2
exit 1
