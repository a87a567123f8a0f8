#!/bin/bash
# tools/x86-env.sh [-x] [-C DIR]... [-e VAR=VALUE]... [--] CMD [ARGS...]
# Runs CMD inside the Wine environment (tools/x86-env-setup.sh builds it when needed), where
# `wine` runs 32-bit Windows programs as well as 64-bit ones. CORVELLE_WINE=8 (the default) or 10
# chooses the environment: Debian 12's Wine or Debian 13's.
#   -C DIR       DIR of the host at the same path inside (repeatable; default: the current folder)
#   -e VAR=VAL   an environment variable inside (repeatable)
#   -x           the host's X display inside: DISPLAY, and the cookie XAUTHORITY names (or
#                ~/.Xauthority) as a copy of its own (else the command starts its own Xvfb)
# Inside: WINELOADER=/usr/lib/wine/wine64 (set it to /usr/lib/wine/wine, with WINEARCH=win32, for a
# 32-bit prefix), WINEDEBUG=-all, CORVELLE_WINE, and CORVELLE_X86_ROUTE=native or emulated.
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
root=$("$here/x86-env-setup.sh" --root)
for d in "${binds[@]}"; do
  case "$d" in /|"$root"|"$root"/*) echo "x86-env: refusing to mount $d inside" >&2; exit 2 ;; esac
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
  "$here/x86-env-setup.sh" >/dev/null
done
touch "$root/.used"

export X86_ROOT=$root X86_CWD=$(pwd -P) X86_ROUTE=$route X86_DISPLAY=$display X86_COOKIE=$cookie
export X86_WINE=${CORVELLE_WINE:-8}
X86_BINDS=$(printf '%s\n' "${binds[@]}") X86_EXTRA=$(printf '%s\n' "${extra[@]+"${extra[@]}"}")
export X86_BINDS X86_EXTRA
# The namespaces' first process (pid 1 inside) runs CMD; when it ends, the kernel kills everything
# else in the pid namespace, and the mounts and the binfmt instance go with the namespaces.
exec 3<&0
setpriv --pdeathsig KILL unshare --user --map-root-user --mount --propagation private --pid --fork \
  --kill-child -- /bin/bash -c '
set -e
r=$X86_ROOT
if [ "$X86_ROUTE" = emulated ]; then
  # binfmt_misc of this user namespace only; i386 ELF executables go to qemu-i386 (F: opened now,
  # so it works inside the chroot).
  mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc
  printf "%s" ":qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:$r/usr/local/bin/qemu-i386-static:F" \
    >/proc/sys/fs/binfmt_misc/register
fi
mount -t proc proc "$r/proc"
mount --rbind /sys "$r/sys"
mount --rbind /dev "$r/dev"
mount -t tmpfs -o mode=1777 tmpfs "$r/tmp"
[ -z "$X86_DISPLAY" ] || { mkdir -p "$r/tmp/.X11-unix"; mount --bind /tmp/.X11-unix "$r/tmp/.X11-unix"; }
xauth=""
if [ -n "$X86_DISPLAY" ] && [ -n "$X86_COOKIE" ]; then
  cp "$X86_COOKIE" "$r/tmp/.Xauthority" && xauth=/tmp/.Xauthority
fi
while IFS= read -r d; do
  [ -n "$d" ] || continue
  mkdir -p "$r$d"; mount --bind "$d" "$r$d"
done <<<"$X86_BINDS"
envs=()
while IFS= read -r e; do [ -n "$e" ] && envs+=("$e"); done <<<"$X86_EXTRA"
cd "$r"
exec chroot "$r" /usr/bin/env -i HOME=/root USER=root LANG=C.UTF-8 TERM="${TERM:-dumb}" \
  PATH=/usr/local/bin:/usr/bin:/bin:/usr/sbin:/sbin XDG_RUNTIME_DIR=/tmp \
  WINELOADER=/usr/lib/wine/wine64 WINEDEBUG=-all ${X86_DISPLAY:+DISPLAY=$X86_DISPLAY} \
  ${xauth:+XAUTHORITY=$xauth} CORVELLE_WINE="$X86_WINE" CORVELLE_X86_ROUTE="$X86_ROUTE" "${envs[@]+"${envs[@]}"}" \
  /bin/bash -c "cd \"\$0\" && exec \"\$@\"" "$X86_CWD" "$@"
' x86-env "$@" <&3 &
ns=$!
# unshare --fork waits for its child and ignores SIGINT and SIGTERM. Stopping ends the namespace's
# first process, which takes every process of the namespace with it; but first every Wine server
# inside is asked to save and exit, as a Wine server keeps registry changes in memory and writes
# them only every so often and when it exits: killed outright, it loses what a program it served
# has reported done.
in_namespace() {
  local init p comm
  init=$(cat /proc/$ns/task/*/children 2>/dev/null) || return 0
  init=${init%% *}
  [ -n "$init" ] || return 0
  echo "init $init"
  for p in /proc/[0-9]*; do
    # -ef: the same namespace (the links name one inode); no process started per entry.
    if [ "$p/ns/pid" -ef "/proc/$init/ns/pid" ] 2>/dev/null; then
      read -r comm <"$p/comm" 2>/dev/null || comm=""
      echo "${p#/proc/} $comm"
    fi
  done
}
stop() {
  local init servers
  trap '' INT TERM HUP
  local processes
  processes=$(in_namespace)
  init=$(sed -n 's/^init //p' <<<"$processes")
  [ -n "$init" ] || return 0
  servers=$(awk '$2 ~ /^wineserver/ { print $1 }' <<<"$processes")
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
