#!/bin/bash
# tools/x86-env-setup.sh [--root]
# Builds, once, the environment in which both builds' programs run under one Wine version, and
# prints its root: a chroot of a Debian release with its Wine for both architectures (wine64 and
# wine32:i386), Xvfb, CTest, ImageMagick and qemu-i386. The host's own Wine stays as it is.
# tools/x86-env.sh runs commands inside it.
#   CORVELLE_WINE=8 (the default): Debian 12 "bookworm" and its Wine 8.0
#   CORVELLE_WINE=10: Debian 13 "trixie" and its Wine 10.0
#   --root: only prints the root (built or not), for the runner's lock.
#
# The environment is cached under CORVELLE_X86_ENV_CACHE (default /var/cache/corvelle), in a folder
# named after the Wine version and this script's checksum, so a change here builds a new one. It is
# used only once its last step has written ".complete": a set-up cut short (Ctrl-C, killed, disk
# full, mirror unreachable) is removed and started again by the next run.
#
# One lock file beside each environment, "<root>.lock": runs of tools/x86-env.sh hold it shared
# from before they look at the environment until they end; a set-up holds it alone while it builds
# or removes that environment, so it never removes one that a run is using or about to use.
#
# qemu-i386 comes from Debian 13 for both: Debian 12's qemu 7.2 runs 32-bit Wine about 100 times
# slower than qemu 10. It is static-pie, so it runs in a chroot of the older release. It is used
# only where Linux refuses 32-bit programs (see tools/x86-env.sh).
#
# Host changes: the cache folder, and the mmdebstrap package if it is missing. Every mount made here
# lives in a private mount namespace that ends with the step that made it.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
cache=${CORVELLE_X86_ENV_CACHE:-/var/cache/corvelle}
wine=${CORVELLE_WINE:-8}
fail() { echo "x86 environment: $*" >&2; exit 1; }
case "$wine" in
  8) suite=bookworm gnutls=libgnutls30 ;;
  10) suite=trixie gnutls=libgnutls30t64 ;;
  *) fail "CORVELLE_WINE=$wine: choose 8 (Debian 12's Wine) or 10 (Debian 13's)." ;;
esac
qemu_suite=trixie
key=$(sha256sum "$here/x86-env-setup.sh" | cut -c1-16)
root="$cache/x86-env-wine$wine-$key"
if [ "${1:-}" = --root ]; then
  echo "$root"
  exit 0
fi

[ "$(id -u)" = 0 ] || fail "building it needs root (mmdebstrap, chroot)."
mkdir -p "$cache" || fail "cannot create $cache."
exec 9>>"$root.lock"
flock 9
[ -f "$root/.complete" ] && { echo "$root"; exit 0; }

log="$root.log"
t0=$(date +%s)
say() { echo "x86 environment: $* (+$(( $(date +%s) - t0 )) s)" >&2; }
# step WHAT CMD...: runs CMD with its output in the log; on failure, one line naming the step and
# the log's last line.
# The step runs in a process group of its own, which an interruption ends as a whole (a signal
# to this script alone would otherwise wait for the step to finish).
step_pid=""
step() {
  local what=$1; shift
  say "$what"
  echo "=== $what" >>"$log"
  setsid "$@" >>"$log" 2>&1 </dev/null &
  step_pid=$!
  if ! wait "$step_pid"; then
    fail "$what failed: $(grep -v '^\s*$' "$log" | tail -n 1) (log: $log)"
  fi
  step_pid=""
}
interrupted() {
  [ -z "$step_pid" ] || kill -TERM -- "-$step_pid" 2>/dev/null || true
  echo "x86 environment: set-up interrupted; the next run starts it again." >&2
  exit 130
}
trap interrupted INT TERM HUP

# A set-up cut short left a root without .complete: it is removed. So are environments of other
# versions of this script that no run has used for a day (tools/x86-env.sh touches .used), so that
# two checkouts of different versions do not take turns rebuilding; and only while no run or
# set-up holds their lock: the versions before there were two Wines locked ".complete" for their
# runs and "x86-env.lock" for their set-ups. Never across a mount: none lives on the host.
# free_to_remove OLD: true when the lock or locks of OLD are taken here (on fds 7 and 8).
free_to_remove() {
  case "$1" in
    "$cache"/x86-env-wine*) exec 8>>"$1.lock" ;;
    *) exec 8>>"$cache/x86-env.lock" ;;
  esac
  flock -n 8 || return 1
  [ ! -f "$1/.complete" ] || { exec 7<"$1/.complete" && flock -n 7; }
}
for old in "$cache"/x86-env-wine"$wine"-*/ "$cache"/x86-env-[0-9a-f]*/; do
  old=${old%/}
  [ -d "$old" ] || continue
  if [ "$old" != "$root" ]; then
    [ -f "$old/.complete" ] && [ -n "$(find "$old/.used" -mmin -1440 2>/dev/null)" ] && continue
    if ! free_to_remove "$old"; then
      say "leaving $old: in use"
      exec 7<&- 8>&-
      continue
    fi
  fi
  say "removing $old"
  rm -rf --one-file-system "$old" "$old.log"
  case "$old" in "$root") ;; "$cache"/x86-env-wine*) rm -f "$old.lock" ;; esac
  exec 7<&- 8>&-
done
: >"$log"

# About 4 GB for this environment, and for every other one being built beside it meanwhile (make
# test builds two at once) what it has not yet taken of its own 4 GB. A set-up in progress holds
# its lock alone and has no ".complete" yet.
need_kb=$((4 * 1024 * 1024)) building=""
for other in "$cache"/*.lock; do
  other=${other%.lock}
  [ "$other" != "$root" ] && [ -d "$other" ] && [ ! -f "$other/.complete" ] || continue
  exec 8<"$other.lock"
  if ! flock -n -s 8; then
    used_kb=$(du -sk --one-file-system "$other" 2>/dev/null | cut -f1)
    [ "${used_kb:-0}" -ge $((4 * 1024 * 1024)) ] || need_kb=$((need_kb + 4 * 1024 * 1024 - ${used_kb:-0}))
    building="$building ${other##*/}"
  fi
  exec 8<&-
done
free_kb=$(df -Pk "$cache" | awk 'NR == 2 { print $4 }')
[ "$free_kb" -ge "$need_kb" ] ||
  fail "needs about $((need_kb / 1024 / 1024)) GB free in $cache${building:+ (this one and what is left to build of${building})}; $((free_kb / 1024)) MB are."

# The mirror this host's apt uses.
mirror=${CORVELLE_X86_MIRROR:-$({ cat /etc/apt/sources.list.d/*.sources /etc/apt/sources.list 2>/dev/null || true; } |
  awk '/^URIs:/ { print $2; exit } /^deb / { print ($2 ~ /^\[/ ? $3 : $2); exit }')}
[ -n "$mirror" ] || fail "no Debian mirror found in /etc/apt; set CORVELLE_X86_MIRROR."

if ! command -v mmdebstrap >/dev/null; then
  step "installing mmdebstrap on the host" \
    env DEBIAN_FRONTEND=noninteractive sh -c 'apt-get update -qq && apt-get install -y -qq mmdebstrap'
fi

# Wine for both architectures, with the fonts the host's wine package brings (the buttons' "MS
# Sans Serif" falls back to Liberation Sans; without it a wider face clips "Enable Corvelle"),
# the X libraries both loaders open at run time, a virtual screen, CTest, and the screenshot tools.
xlibs="libxrender1 libxrandr2 libxi6 libxcursor1 libxfixes3 libxcomposite1 libxinerama1 libxxf86vm1 $gnutls"
packages="wine wine64 wine32:i386 fonts-wine fonts-liberation libdbus-1-3 xvfb xauth cmake python3
  imagemagick procps $xlibs $(for p in $xlibs; do printf '%s:i386 ' "$p"; done)"
# qemu-i386 from the newer release's qemu-user, unpacked from its package with that release's
# package lists kept apart from the environment's own.
qemu_hook='set -e; q=$1/var/tmp/qemu; mkdir -p $q/lists/partial $q/archives/partial
  echo "deb [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] '"$mirror $qemu_suite"' main" >$q/sources.list
  chroot "$1" sh -c "cd /var/tmp/qemu && opts=\"-o Dir::Etc::sourcelist=/var/tmp/qemu/sources.list -o Dir::Etc::sourceparts=- -o Dir::State::Lists=/var/tmp/qemu/lists\" && apt-get \$opts update -q && apt-get \$opts download -q qemu-user:amd64 && dpkg-deb -x qemu-user_*.deb x && install -m 755 x/usr/bin/qemu-i386 /usr/local/bin/qemu-i386-static"
  rm -rf $q; chroot "$1" /usr/local/bin/qemu-i386-static --version'
# `wine` and `wine-stable` (which wineboot, winepath and the other tools call) start the loader
# named by WINELOADER: the 64-bit one unless a 32-bit prefix asks for /usr/lib/wine/wine. In a
# 64-bit prefix, Wine itself starts the i386 loader for a 32-bit program.
loader_hook='for tool in wine wine-stable; do
    printf "#!/bin/sh\nexec \"\${WINELOADER:-/usr/lib/wine/wine64}\" \"\$@\"\n" >"$1/usr/local/bin/$tool"
    chmod 755 "$1/usr/local/bin/$tool"
  done'

# One call makes the root of both architectures; in a private mount namespace, so the mounts it
# makes in the new root go with it, even when it is killed.
# shellcheck disable=SC2086
step "mmdebstrap $suite (Wine $wine, 64- and 32-bit) from $mirror into $root" \
  unshare --mount --propagation private mmdebstrap --mode=root --variant=minbase \
    --architectures=amd64,i386 --aptopt='APT::Install-Recommends "false"' \
    --include="$(echo $packages | tr ' ' ,)" \
    --customize-hook="$qemu_hook" --customize-hook="$loader_hook" \
    "$suite" "$root" "$mirror"

touch "$root/.used"
echo "$key" >"$root/.complete"
say "ready: $(du -sh --one-file-system "$root" | cut -f1) in $root"
echo "$root"
