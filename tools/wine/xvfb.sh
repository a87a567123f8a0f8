# Sourced by the Wine scripts: start_xvfb SIZE [ARG...] starts Xvfb with a screen of SIZE (e.g.
# 1024x768) and the further Xvfb arguments given (e.g. -auth FILE), with wm-state.py beside it,
# exports DISPLAY and sets xvfb_pid; it fails when Xvfb does not start. Xvfb picks a free display
# itself and reports it once it accepts clients (-displayfd): it tries each display in turn until
# it can listen on it, and its abstract socket is shared by everything in one network namespace, so an Xvfb inside the
# Wine environment (whose /tmp is its own) never takes a display of the host's.
start_xvfb() {
  local size=$1 report n=""
  shift
  xvfb_pid=""
  report=$(mktemp "${TMPDIR:-/tmp}/corvelle-xvfb.XXXXXX")
  Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp "$@" 3>"$report" >/dev/null 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 200); do
    n=$(sed -n '1s/^\([0-9][0-9]*\)$/\1/p' "$report")
    [ -z "$n" ] || break
    kill -0 "$xvfb_pid" 2>/dev/null || break
    sleep 0.05
  done
  rm -f "$report"
  if [ -n "$n" ]; then
    export DISPLAY=":$n"
    # The part of a window manager that Wine waits for (wm-state.py), where Python's X library is
    # (on the host; not inside a Wine environment). It ends with the screen.
    if /usr/bin/python3 -c 'import Xlib' 2>/dev/null; then
      /usr/bin/python3 "$(dirname "${BASH_SOURCE[0]}")/wm-state.py" </dev/null >/dev/null 2>&1 &
    fi
    return 0
  fi
  kill "$xvfb_pid" 2>/dev/null || true
  wait "$xvfb_pid" 2>/dev/null || true
  xvfb_pid=""
  echo "Xvfb did not start" >&2
  return 1
}
