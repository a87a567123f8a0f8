#!/bin/bash
# Runs a command as on a Linux that refuses 32-bit x86 programs (some virtual machines' kernels),
# on one that runs them:
#   tools/wine/without-32bit.sh make test
# The command runs in a user namespace whose own binfmt_misc hands every 32-bit x86 program to
# /bin/false, so it fails as the kernel's refusal would; the Wine environments' emulation, in
# namespaces of their own below it, still reaches qemu-i386. Needs what that emulation needs:
# Linux 6.7 or later and user namespaces. Inside the namespace apt cannot install and mmdebstrap
# cannot give files their owners, so the packages of `make test` and the Wine 8 and Wine 10
# environments are made first, here (the same environments either way: their set-up does not
# depend on the route).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/arch.sh"
if [ $# = 0 ]; then
  echo "usage: $0 COMMAND [ARGUMENT...]" >&2
  exit 2
fi
if ! why=$(can_emulate_x86); then
  echo "without-32bit: cannot run a command as on a Linux that refuses 32-bit programs: $why." >&2
  exit 1
fi
"$here/../install-deps.sh" wine
"$here/../install-deps.sh" release
for wine in 8 10; do
  CORVELLE_WINE=$wine "$here/setup.sh" >/dev/null
done
exec unshare --user --map-root-user --mount --propagation private -- bash -c '
  mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc &&
    printf "%s" "$1" >/proc/sys/fs/binfmt_misc/register || exit 1
  . "$2/arch.sh"
  if CORVELLE_ME=without-32bit runs_32bit_programs; then
    echo "without-32bit: 32-bit programs still run in the namespace; not running $3." >&2
    exit 1
  fi
  shift 2
  exec "$@"' - ":refuse-i386:M::$i386_binfmt_match:/bin/false:" "$here" "$@"
