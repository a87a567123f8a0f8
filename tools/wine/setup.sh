#!/bin/bash
# tools/wine/setup.sh [--root]
# Builds, once, the Wine environment in which both builds' programs run under one Wine version,
# and prints its root: a Debian root with its Wine, Xvfb, CTest and ImageMagick. The host's own
# Wine stays as it is. tools/wine/env.sh runs commands inside it.
#   CORVELLE_WINE=8 (the default): Debian 12 "bookworm" and its Wine 8.0, for both architectures
#     (wine64, and wine32:i386: the 32-bit loader), with qemu-i386
#   CORVELLE_WINE=10: Debian 13 "trixie" and its Wine 10.0, the same way
#   CORVELLE_WINE=10-wow64: Debian unstable's Wine 10 for amd64 alone: "new WoW64", whose 64-bit
#     loader runs 32-bit programs itself in a 64-bit prefix, as the Wines of Arch, Fedora and
#     Debian's next release do. It executes 32-bit code, so it serves only where Linux runs 32-bit
#     programs. (Unstable's wine32:i386 is not added: its libraries' versions for i386 and amd64
#     differ in the mirror's snapshot, so they cannot be installed together; and a 32-bit loader
#     would not be the new way.)
#   --root: only prints the root (built or not), for the runner's lock.
# Each environment checks the Wine version it got, names it in its last line, and keeps it in
# <root>/.wine-version.
#
# The environment is cached under CORVELLE_WINE_ENV_CACHE (default /var/cache/corvelle), in a folder
# named after the Wine version and this script's checksum, so a change here builds a new one. It is
# used only once its last step has written ".complete": a set-up cut short (Ctrl-C, killed, disk
# full, mirror unreachable) is removed and started again by the next run.
#
# One lock file beside each environment, "<root>.lock": runs of tools/wine/env.sh hold it shared
# from before they look at the environment until they end; a set-up holds it alone while it builds
# or removes that environment, so it never removes one that a run is using or about to use.
#
# qemu-i386 comes from Debian 13 for both: Debian 12's qemu 7.2 runs 32-bit Wine about 100 times
# slower than qemu 10. It is static-pie, so it runs in a chroot of the older release. It is used
# only where Linux refuses 32-bit programs (see tools/wine/env.sh).
#
# Host changes: the cache folder, and the mmdebstrap package if it is missing. Every mount made here
# lives in a private mount namespace that ends with the step that made it.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
cache=${CORVELLE_WINE_ENV_CACHE:-${CORVELLE_X86_ENV_CACHE:-/var/cache/corvelle}}
wine=${CORVELLE_WINE:-8}
fail() { echo "Wine environment: $*" >&2; exit 1; }
# suite, the Wine version it must bring (a pattern), and its architectures.
archs=amd64,i386 apt_opts=()
case "$wine" in
  8) suite=bookworm gnutls=libgnutls30 version='8.0*' ;;
  10) suite=trixie gnutls=libgnutls30t64 version='10.0*' ;;
  # The mirror serves unstable as a snapshot whose Release file is past its Valid-Until.
  10-wow64) suite=sid gnutls=libgnutls30t64 version='10.0*' archs=amd64
    apt_opts=(--aptopt='Acquire::Check-Valid-Until "false"') ;;
  *) fail "CORVELLE_WINE=$wine: choose 8 (Debian 12's Wine), 10 (Debian 13's) or 10-wow64 (Debian unstable's new WoW64)." ;;
esac
qemu_suite=trixie
key=$(sha256sum "$here/setup.sh" | cut -c1-16)
root="$cache/wine-env-$wine-$key"
if [ "${1:-}" = --root ]; then
  echo "$root"
  exit 0
fi

[ "$(id -u)" = 0 ] || fail "building it needs root (mmdebstrap, chroot)."
mkdir -p "$cache" || fail "cannot create $cache."
# A complete environment is answered under the shared lock that its runs hold, so that this never
# waits for them; only a set-up takes the lock alone.
exec 9>>"$root.lock"
flock -s 9
[ -f "$root/.complete" ] && { echo "$root"; exit 0; }
flock 9
[ -f "$root/.complete" ] && { echo "$root"; exit 0; }

log="$root.log"
t0=$(date +%s)
say() { echo "Wine environment: $* (+$(( $(date +%s) - t0 )) s)" >&2; }
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
  echo "Wine environment: set-up interrupted; the next run starts it again." >&2
  exit 130
}
trap interrupted INT TERM HUP

# A set-up cut short left a root without .complete: it is removed. So are environments of other
# versions of this script that no run has used for a day (tools/wine/env.sh touches .used), so that
# two checkouts of different versions do not take turns rebuilding; and only while no run or
# set-up holds their lock: the versions before there were two Wines locked ".complete" for their
# runs and "x86-env.lock" for their set-ups (and named their environments "x86-env-..."). Never
# across a mount: none lives on the host.
# free_to_remove OLD: true when the lock or locks of OLD are taken here (on fds 7 and 8).
free_to_remove() {
  case "$1" in
    "$cache"/wine-env-*|"$cache"/x86-env-wine*) exec 8>>"$1.lock" ;;
    *) exec 8>>"$cache/x86-env.lock" ;;
  esac
  flock -n 8 || return 1
  [ ! -f "$1/.complete" ] || { exec 7<"$1/.complete" && flock -n 7; }
}
# (The key is hexadecimal: wine-env-10-[0-9a-f]* leaves wine-env-10-wow64-* alone.)
for old in "$cache"/wine-env-"$wine"-[0-9a-f]*/ "$cache"/x86-env-wine"$wine"-*/ "$cache"/x86-env-[0-9a-f]*/; do
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
  case "$old" in "$root") ;; "$cache"/wine-env-*|"$cache"/x86-env-wine*) rm -f "$old.lock" ;; esac
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
mirror=${CORVELLE_WINE_ENV_MIRROR:-${CORVELLE_X86_MIRROR:-}}
mirror=${mirror:-$({ cat /etc/apt/sources.list.d/*.sources /etc/apt/sources.list 2>/dev/null || true; } |
  awk '/^URIs:/ { print $2; exit } /^deb / { print ($2 ~ /^\[/ ? $3 : $2); exit }')}
[ -n "$mirror" ] || fail "no Debian mirror found in /etc/apt; set CORVELLE_WINE_ENV_MIRROR."

if ! command -v mmdebstrap >/dev/null; then
  step "installing mmdebstrap on the host" \
    env DEBIAN_FRONTEND=noninteractive sh -c 'apt-get update -qq && apt-get install -y -qq mmdebstrap'
fi

# Wine for both architectures, with the fonts the host's wine package brings (the buttons' "MS
# Sans Serif" falls back to Liberation Sans; without it a wider face clips "Enable Corvelle"),
# the X libraries both loaders open at run time, a virtual screen, CTest, and the screenshot tools.
xlibs="libxrender1 libxrandr2 libxi6 libxcursor1 libxfixes3 libxcomposite1 libxinerama1 libxxf86vm1 $gnutls"
packages="wine wine64 fonts-wine fonts-liberation libdbus-1-3 xvfb xauth cmake python3 imagemagick
  procps $xlibs"
[ "$archs" = amd64 ] || packages="$packages wine32:i386 $(for p in $xlibs; do printf '%s:i386 ' "$p"; done)"
# qemu-i386 from the newer release's qemu-user, unpacked from its package with that release's
# package lists kept apart from the environment's own.
qemu_hook='set -e; q=$1/var/tmp/qemu; mkdir -p $q/lists/partial $q/archives/partial
  echo "deb [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] '"$mirror $qemu_suite"' main" >$q/sources.list
  chroot "$1" sh -c "cd /var/tmp/qemu && opts=\"-o Dir::Etc::sourcelist=/var/tmp/qemu/sources.list -o Dir::Etc::sourceparts=- -o Dir::State::Lists=/var/tmp/qemu/lists\" && apt-get \$opts update -q && apt-get \$opts download -q qemu-user:amd64 && dpkg-deb -x qemu-user_*.deb x && install -m 755 x/usr/bin/qemu-i386 /usr/local/bin/qemu-i386-static"
  rm -rf $q; chroot "$1" /usr/local/bin/qemu-i386-static --version'
# `wine` and `wine-stable` (which wineboot, winepath and the other tools call) start the loader
# named by WINELOADER: the 64-bit one unless a 32-bit prefix asks for /usr/lib/wine/wine. In a
# 64-bit prefix, Wine itself starts the i386 loader for a 32-bit program. Unstable's Wine keeps
# its loader and server in /usr/lib/x86_64-linux-gnu/wine and runs 32-bit programs in that loader
# itself; its `wineserver` is put on PATH.
loader_hook='if [ -x "$1/usr/lib/wine/wine64" ]; then
    for tool in wine wine-stable; do
      printf "#!/bin/sh\nexec \"\${WINELOADER:-/usr/lib/wine/wine64}\" \"\$@\"\n" >"$1/usr/local/bin/$tool"
      chmod 755 "$1/usr/local/bin/$tool"
    done
  fi
  [ -e "$1/usr/bin/wineserver" ] || [ -L "$1/usr/bin/wineserver" ] || ln -s /usr/lib/x86_64-linux-gnu/wine/wineserver "$1/usr/local/bin/wineserver"'

hooks=(--customize-hook="$loader_hook")
[ "$archs" = amd64 ] || hooks+=(--customize-hook="$qemu_hook")

# One call makes the root of both architectures; in a private mount namespace, so the mounts it
# makes in the new root go with it, even when it is killed.
# shellcheck disable=SC2086
step "mmdebstrap $suite (Wine $wine, $archs) from $mirror into $root" \
  unshare --mount --propagation private mmdebstrap --mode=root --variant=minbase \
    --architectures="$archs" --aptopt='APT::Install-Recommends "false"' "${apt_opts[@]+"${apt_opts[@]}"}" \
    --include="$(echo $packages | tr ' ' ,)" \
    "${hooks[@]}" "$suite" "$root" "$mirror"

# The Wine it got: the version asked for, and for 10-wow64 a new-WoW64 Wine (32-bit Windows
# libraries beside the 64-bit loader, and no 32-bit loader).
got=$(dpkg-query --admindir="$root/var/lib/dpkg" -W -f '${Version}' wine64 2>/dev/null || true)
# shellcheck disable=SC2254
case "$got" in $version) ;; *) fail "$suite brought Wine '${got:-none}', not Wine $wine as asked; the environment is not used (log: $log)." ;; esac
kind="64- and 32-bit loaders"
if [ "$archs" = amd64 ]; then
  [ -f "$root/usr/lib/x86_64-linux-gnu/wine/i386-windows/ntdll.dll" ] && [ ! -e "$root/usr/lib/wine/wine" ] ||
    fail "$suite's Wine $got is not a new-WoW64 Wine (no i386-windows beside its 64-bit loader); the environment is not used."
  kind="new WoW64"
fi
echo "Wine $got ($suite, $kind)" >"$root/.wine-version"

touch "$root/.used"
echo "$key" >"$root/.complete"
say "ready: $(cat "$root/.wine-version"), $(du -sh --one-file-system "$root" | cut -f1) in $root"
echo "$root"
