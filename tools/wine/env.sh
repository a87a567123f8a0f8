#!/bin/bash
# tools/wine/env.sh [-x] [-C DIR]... [-e VAR=VALUE]... [--] CMD [ARGS...]
# Runs CMD inside the Wine environment (tools/wine/setup.sh builds it when needed), where
# `wine` runs 32-bit Windows programs as well as 64-bit ones. CORVELLE_WINE=8 (the default), 10 or
# 10-wow64 chooses the environment: Debian 12's Wine, Debian 13's, or Debian unstable's new WoW64
# (which runs 32-bit programs only where Linux does; see tools/wine/setup.sh).
#   -C DIR       DIR of the host at the same path inside (repeatable; default: the current folder)
#   -e VAR=VAL   an environment variable inside (repeatable)
#   -x           the host's X display inside: DISPLAY, and the cookie XAUTHORITY names (or
#                ~/.Xauthority) as a copy of its own (else the command starts its own Xvfb)
# Inside: WINELOADER=/usr/lib/wine/wine64 where the Wine has two loaders (set it to
# /usr/lib/wine/wine, with WINEARCH=win32, for a 32-bit prefix), WINEDEBUG=-all, CORVELLE_WINE,
# and CORVELLE_X86_ROUTE=native or emulated.
#
# Where Linux runs 32-bit programs, Wine's i386 loader runs natively. Where it does not, private
# user, mount and pid namespaces get their own binfmt_misc entry (Linux 6.7 and later) that hands
# i386 programs to qemu-i386: only the 32-bit processes are emulated; wineserver and 64-bit
# programs stay native. Either way the host is not changed: its mounts, its binfmt entries and its
# processes are those of the namespaces, which end with CMD.
#
# Stopped by SIGINT, SIGTERM or SIGHUP (Ctrl-C, a time limit), it first asks every Wine server
# inside to save its registry and exit (their SIGTERM), gives them 15 s, then ends everything left.
# Killed outright, it takes the namespaces with it (the kernel's parent-death signal).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/arch.sh"
# The name its messages (and arch.sh's) begin with.
# shellcheck disable=SC2034
CORVELLE_ME=wine-env
binds=() extra=() host_x=0
while [ $# -gt 0 ]; do
  case "$1" in
    -C) binds+=("$(realpath "$2")"); shift 2 ;;
    -e) extra+=("$2"); shift 2 ;;
    -x) host_x=1; shift ;;
    --) shift; break ;;
    *) break ;;
  esac
done
[ $# -ge 1 ] || { sed -n '2,8p' "$0" >&2; exit 2; }
[ ${#binds[@]} -gt 0 ] || binds=("$(pwd -P)")

# One Wine server per prefix: a prefix handed in that a server already holds (the host's Wine's,
# another run's) is refused, as is another user's, before anything starts.
for e in "${extra[@]+"${extra[@]}"}"; do
  case "$e" in WINEPREFIX=?*) ! prefix_refused "${e#WINEPREFIX=}" || exit 2 ;; esac
done
route=$(x86_route) || exit 1
root=$("$here/setup.sh" --root)
for d in "${binds[@]}"; do
  case "$d" in /|"$root"|"$root"/*) echo "wine-env: refusing to mount $d inside" >&2; exit 2 ;; esac
done

display="" cookie=""
if [ "$host_x" = 1 ]; then
  display=${DISPLAY:-}
  cookie=${XAUTHORITY:-${HOME:-/root}/.Xauthority}
  [ -r "$cookie" ] || cookie=""
fi

# The environment's lock, held shared from before it is looked at until the end, so that no
# set-up removes it meanwhile; the set-up, when one is needed, takes the same lock alone.
mkdir -p "$(dirname "$root")"
while :; do
  exec 9>>"$root.lock"
  flock -s 9
  [ -f "$root/.complete" ] && break
  exec 9>&-
  "$here/setup.sh" >/dev/null
done
touch "$root/.used"

export ENV_ROOT=$root ENV_CWD=$(pwd -P) ENV_ROUTE=$route ENV_DISPLAY=$display ENV_COOKIE=$cookie
export ENV_WINE=${CORVELLE_WINE:-8}
ENV_I386=$i386_binfmt_match ENV_BINDS=$(printf '%s\n' "${binds[@]}") ENV_EXTRA=$(printf '%s\n' "${extra[@]+"${extra[@]}"}")
export ENV_I386 ENV_BINDS ENV_EXTRA
# The namespaces' first process (pid 1 inside) runs CMD; when it ends, the kernel kills everything
# else in the pid namespace, and the mounts and the binfmt instance go with the namespaces.
exec 3<&0
setpriv --pdeathsig KILL unshare --user --map-root-user --mount --propagation private --pid --fork \
  --kill-child -- /bin/bash -c '
set -e
r=$ENV_ROOT
if [ "$ENV_ROUTE" = emulated ]; then
  # binfmt_misc of this user namespace only; i386 ELF executables go to qemu-i386 (F: opened now,
  # so it works inside the chroot).
  mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc
  printf "%s" ":qemu-i386:M::$ENV_I386:$r/usr/local/bin/qemu-i386-static:F" \
    >/proc/sys/fs/binfmt_misc/register
fi
mount -t proc proc "$r/proc"
mount --rbind /sys "$r/sys"
mount --rbind /dev "$r/dev"
mount -t tmpfs -o mode=1777 tmpfs "$r/tmp"
[ -z "$ENV_DISPLAY" ] || { mkdir -p "$r/tmp/.X11-unix"; mount --bind /tmp/.X11-unix "$r/tmp/.X11-unix"; }
xauth=""
if [ -n "$ENV_DISPLAY" ] && [ -n "$ENV_COOKIE" ]; then
  cp "$ENV_COOKIE" "$r/tmp/.Xauthority" && xauth=/tmp/.Xauthority
fi
while IFS= read -r d; do
  [ -n "$d" ] || continue
  mkdir -p "$r$d"; mount --bind "$d" "$r$d"
done <<<"$ENV_BINDS"
envs=()
while IFS= read -r e; do [ -n "$e" ] && envs+=("$e"); done <<<"$ENV_EXTRA"
loader=""
[ ! -x "$r/usr/lib/wine/wine64" ] || loader=WINELOADER=/usr/lib/wine/wine64
exec unshare --root="$r" --wd="$ENV_CWD" /usr/bin/env -i HOME=/root USER=root LANG=C.UTF-8 \
  TERM="${TERM:-dumb}" PATH=/usr/local/bin:/usr/bin:/bin:/usr/sbin:/sbin XDG_RUNTIME_DIR=/tmp \
  $loader WINEDEBUG=-all ${ENV_DISPLAY:+DISPLAY=$ENV_DISPLAY} ${xauth:+XAUTHORITY=$xauth} \
  CORVELLE_WINE="$ENV_WINE" CORVELLE_X86_ROUTE="$ENV_ROUTE" "${envs[@]+"${envs[@]}"}" "$@"
' wine-env "$@" <&3 &
ns=$!
# unshare --fork waits for its child and ignores SIGINT and SIGTERM. Stopping ends the namespace's
# first process, which takes every process of the namespace with it; but first every Wine server
# inside is asked to save and exit, as a Wine server keeps registry changes in memory and writes
# them only every so often and when it exits: killed outright, it loses what a program it served
# has reported done.
stop() {
  local init servers
  trap '' INT TERM HUP
  init=$(cat /proc/$ns/task/*/children 2>/dev/null) || return 0
  init=${init%% *}
  [ -n "$init" ] || return 0
  # The Wine servers of the namespace's processes.
  servers=$(pgrep --ns "$init" --nslist pid '^wineserver' || true)
  if [ -n "$servers" ]; then
    # shellcheck disable=SC2086
    kill -TERM $servers 2>/dev/null || true
    for _ in $(seq 150); do
      # shellcheck disable=SC2086
      kill -0 $servers 2>/dev/null || break
      sleep 0.1
    done
  fi
  kill -KILL "$init" 2>/dev/null || true
}
trap stop INT TERM HUP
status=0
while :; do
  wait "$ns" && status=0 || status=$?
  kill -0 "$ns" 2>/dev/null || break
done
exit "$status"
