#!/bin/bash
# tools/x86-env.sh [-x] [-C DIR]... [-e VAR=VALUE]... [--] CMD [ARGS...]
# Runs CMD inside the x86 environment (tools/x86-env-setup.sh builds it when needed), where
# `wine` runs 32-bit Windows programs as well as 64-bit ones.
#   -C DIR       DIR of the host at the same path inside (repeatable; default: the current folder)
#   -e VAR=VAL   an environment variable inside (repeatable)
#   -x           DISPLAY set to the host's X server (else the command starts its own Xvfb)
# Inside: WINELOADER=/usr/lib/wine/wine64 (set it to /usr/lib/wine/wine, with WINEARCH=win32, for a
# 32-bit prefix), WINEDEBUG=-all, and CORVELLE_X86_ROUTE=native or emulated.
#
# Where Linux runs 32-bit programs, Wine's i386 loader runs natively. Where it does not, private
# user, mount and pid namespaces get their own binfmt_misc entry (Linux 6.7 and later) that hands
# i386 programs to qemu-i386: only the 32-bit processes are emulated; wineserver and 64-bit
# programs stay native. Either way the host is not changed: its mounts, its binfmt entries and its
# processes are those of the namespaces, which end with CMD, and everything still running in them
# is killed then.
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

route=$(x86_route) || exit 1
root=$("$here/x86-env-setup.sh")
for d in "${binds[@]}"; do
  case "$d" in /|"$root"|"$root"/*) echo "x86-env: refusing to mount $d inside" >&2; exit 2 ;; esac
done

display=""
[ "$host_x" = 1 ] && display=${DISPLAY:-}

# Use the environment under a shared lock, so that no set-up replaces it meanwhile.
exec 9<"$root/.complete"
flock -s 9
touch "$root/.used"

export X86_ROOT=$root X86_CWD=$(pwd -P) X86_ROUTE=$route X86_DISPLAY=$display
X86_BINDS=$(printf '%s\n' "${binds[@]}") X86_EXTRA=$(printf '%s\n' "${extra[@]+"${extra[@]}"}")
export X86_BINDS X86_EXTRA
# The namespaces' first process (pid 1 inside) runs CMD; when it ends, the kernel kills everything
# else in the pid namespace, and the mounts and the binfmt instance go with the namespaces.
exec 3<&0
unshare --user --map-root-user --mount --propagation private --pid --fork --kill-child -- \
  /bin/bash -c '
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
  CORVELLE_X86_ROUTE="$X86_ROUTE" "${envs[@]+"${envs[@]}"}" \
  /bin/bash -c "cd \"\$0\" && exec \"\$@\"" "$X86_CWD" "$@"
' x86-env "$@" <&3 &
ns=$!
# unshare --fork waits for its child and ignores SIGINT and SIGTERM; pass them on by killing the
# namespace's first process, which takes every process of the namespace with it.
trap 'kill -KILL $(cat /proc/$ns/task/*/children 2>/dev/null) 2>/dev/null || true' INT TERM HUP
status=0
while :; do
  wait "$ns" && status=0 || status=$?
  kill -0 "$ns" 2>/dev/null || break
done
exit "$status"
