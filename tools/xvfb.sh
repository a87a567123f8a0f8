# Sourced by the Wine scripts: start_xvfb SIZE starts Xvfb on the first free display with a screen
# of SIZE (e.g. 1024x768), exports DISPLAY and sets xvfb_pid; it fails when no display is free.
# A display is taken when its lock file or socket exists, or when its abstract socket is listed in
# /proc/net/unix: those are shared by everything in one network namespace, so an Xvfb inside the
# x86 environment (whose /tmp is its own) still sees the host's displays there.
start_xvfb() {
  xvfb_pid=""
  for n in $(seq 91 140); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
    grep -q "@/tmp/.X11-unix/X$n\$" /proc/net/unix 2>/dev/null && continue
    Xvfb ":$n" -screen 0 "$1x24" -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    export DISPLAY=":$n"
    for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
    kill -0 "$xvfb_pid" 2>/dev/null && return 0
  done
  echo "no free X display" >&2
  return 1
}
