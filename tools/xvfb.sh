# Sourced by the Wine scripts: start_xvfb SIZE starts Xvfb on the first free display with a screen
# of SIZE (e.g. 1024x768), exports DISPLAY and sets xvfb_pid; it fails when no display is free.
# A display is free only when neither its lock file and socket in /tmp nor its abstract socket
# exist: a server whose /tmp we cannot see (in a chroot or container on the same network) still
# holds the abstract socket, which X clients try first, so a second server on that number would
# fail and our programs would draw on the other one's screen. Two scripts may also pick the same
# free display at once; only one Xvfb gets it (its process id is in the lock file), and the other
# moves on to the next display.
display_in_use() {
  [ -e "/tmp/.X$1-lock" ] || [ -e "/tmp/.X11-unix/X$1" ] ||
    grep -qa "@/tmp/.X11-unix/X$1\$" /proc/net/unix 2>/dev/null
}

start_xvfb() {
  xvfb_pid=""
  local n owner
  for n in $(seq 91 140); do
    display_in_use "$n" && continue
    Xvfb ":$n" -screen 0 "$1x24" -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    owner=""
    for _ in $(seq 100); do
      owner=$(tr -d ' \n' 2>/dev/null <"/tmp/.X$n-lock" || true)
      [ -n "$owner" ] && [ "$owner" != "$xvfb_pid" ] && break
      [ "$owner" = "$xvfb_pid" ] && [ -e "/tmp/.X11-unix/X$n" ] && break
      sleep 0.1
    done
    if [ "$owner" = "$xvfb_pid" ] && [ -e "/tmp/.X11-unix/X$n" ]; then
      export DISPLAY=":$n"
      return 0
    fi
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
    xvfb_pid=""
  done
  echo "no free X display" >&2
  return 1
}
