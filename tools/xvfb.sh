# Sourced by the Wine scripts: start_xvfb SIZE [ARG...] starts Xvfb on the first free display with a
# screen of SIZE (e.g. 1024x768) and the further Xvfb arguments given (e.g. -auth FILE), exports
# DISPLAY and sets xvfb_pid; it fails when no display is free.
# A display is taken when its lock file or socket exists, or when its abstract socket is listed in
# /proc/net/unix: those are shared by everything in one network namespace, so an Xvfb inside the
# x86 environment (whose /tmp is its own) still sees the host's displays there.
# Two scripts may pick the same free display at once; only one Xvfb gets it (its process id is in
# the lock file), and the other moves on to the next display rather than use the winner's screen.
start_xvfb() {
  xvfb_pid=""
  local n owner size=$1
  shift
  for n in $(seq 91 140); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
    grep -q "@/tmp/.X11-unix/X$n\$" /proc/net/unix 2>/dev/null && continue
    Xvfb ":$n" -screen 0 "${size}x24" -nolisten tcp "$@" >/dev/null 2>&1 &
    xvfb_pid=$!
    owner=""
    for _ in $(seq 100); do
      owner=$(tr -d ' \n' 2>/dev/null <"/tmp/.X$n-lock" || true)
      [ -n "$owner" ] && [ "$owner" != "$xvfb_pid" ] && break
      [ "$owner" = "$xvfb_pid" ] && [ -e "/tmp/.X11-unix/X$n" ] && break
      sleep 0.1
    done
    if [ "$owner" = "$xvfb_pid" ] && [ -e "/tmp/.X11-unix/X$n" ] && kill -0 "$xvfb_pid" 2>/dev/null
    then
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
