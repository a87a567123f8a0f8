#!/bin/bash
# Builds, once, the environment in which the x86 build's programs run under Wine, and prints its
# root. A chroot of this host's Debian release with both Wines (wine64 and wine32:i386), Xvfb,
# CTest and qemu-i386: the host's own Wine stays 64-bit only, and both builds are tested on the
# same Wine version. tools/x86-env.sh runs commands inside it.
#
# The environment is cached under CORVELLE_X86_ENV_CACHE (default /var/cache/corvelle), in a folder
# named after this script's checksum, so a change here builds a new one (and removes the old).
# It is used only once its last step has written ".complete": a set-up cut short (Ctrl-C, killed,
# disk full, mirror unreachable) is removed and started again by the next run.
#
# Only the qemu-i386 binary comes from the newer Debian release (CORVELLE_X86_QEMU_SUITE, default
# trixie): Debian 12's qemu 7.2 runs 32-bit Wine about 100 times slower than qemu 10. It is
# static-pie, so it runs in a chroot of the older release. It is used only where Linux refuses
# 32-bit programs (see tools/x86-env.sh).
#
# Host changes: the cache folder, and the debootstrap package if it is missing. Every mount made
# here lives in a private mount namespace that ends with the step that made it.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
cache=${CORVELLE_X86_ENV_CACHE:-/var/cache/corvelle}
key=$(sha256sum "$here/x86-env-setup.sh" | cut -c1-16)
root="$cache/x86-env-$key"
qemu_suite=${CORVELLE_X86_QEMU_SUITE:-trixie}
suite=$(. /etc/os-release && echo "$VERSION_CODENAME")

fail() { echo "x86 environment: $*" >&2; exit 1; }
[ "$(id -u)" = 0 ] || fail "building it needs root (debootstrap, chroot)."
mkdir -p "$cache" || fail "cannot create $cache."

# Runs of tools/x86-env.sh hold this lock shared while they use an environment; a set-up holds
# it alone, so it never removes one in use and never runs twice at once.
exec 9>"$cache/x86-env.lock"
flock -s 9
[ -f "$root/.complete" ] && { echo "$root"; exit 0; }
flock -u 9
flock 9
[ -f "$root/.complete" ] && { echo "$root"; exit 0; }

log="$cache/x86-env-$key.log"
t0=$(date +%s)
say() { echo "x86 environment: $* (+$(( $(date +%s) - t0 )) s)" >&2; }
# step WHAT CMD...: runs CMD with its output in the log; on failure, one line naming the step and
# the log's last line.
step() {
  local what=$1; shift
  say "$what"
  echo "=== $what" >>"$log"
  if ! "$@" >>"$log" 2>&1; then
    fail "$what failed: $(grep -v '^\s*$' "$log" | tail -n 1) (log: $log)"
  fi
}
trap 'echo "x86 environment: set-up interrupted; the next run starts it again." >&2; exit 130' INT TERM HUP

# A set-up cut short left a root without .complete: it is removed. So are environments of other
# versions of this script that no run has used for a day (tools/x86-env.sh touches .used), so that
# two checkouts of different versions do not take turns rebuilding. Never across a mount: none
# lives on the host.
for old in "$cache"/x86-env-*/; do
  old=${old%/}
  [ -d "$old" ] || continue
  if [ "$old" != "$root" ] && [ -f "$old/.complete" ] &&
     [ -n "$(find "$old/.used" -mmin -1440 2>/dev/null)" ]; then
    continue
  fi
  say "removing $old"
  rm -rf --one-file-system "$old" "$old.log"
done
: >"$log"

free_kb=$(df -Pk "$cache" | awk 'NR == 2 { print $4 }')
[ "$free_kb" -ge $((4 * 1024 * 1024)) ] ||
  fail "needs about 4 GB free in $cache; $((free_kb / 1024)) MB are."

# The mirror this host's apt uses.
mirror=${CORVELLE_X86_MIRROR:-$({ cat /etc/apt/sources.list.d/*.sources /etc/apt/sources.list 2>/dev/null || true; } |
  awk '/^URIs:/ { print $2; exit } /^deb / { print ($2 ~ /^\[/ ? $3 : $2); exit }')}
[ -n "$mirror" ] || fail "no Debian mirror found in /etc/apt; set CORVELLE_X86_MIRROR."

if ! command -v debootstrap >/dev/null; then
  step "installing debootstrap on the host" \
    env DEBIAN_FRONTEND=noninteractive sh -c 'apt-get update -qq && apt-get install -y -qq debootstrap'
fi

# In a private mount namespace: the mounts debootstrap makes in the new root go with it, even when
# it is killed.
step "debootstrap $suite from $mirror into $root" \
  unshare --mount --propagation private debootstrap --variant=minbase "$suite" "$root" "$mirror"

# in_root CMD...: runs CMD in the chroot with proc, dev and a private /tmp, in a private mount
# namespace and pid namespace, so nothing stays mounted or running after it.
in_root() {
  unshare --mount --propagation private --pid --fork --kill-child -- /bin/bash -c '
    set -e; r=$1; shift
    mount -t proc proc "$r/proc"; mount --rbind /dev "$r/dev"; mount -t tmpfs tmpfs "$r/tmp"
    exec chroot "$r" /usr/bin/env -i PATH=/usr/local/bin:/usr/bin:/bin:/usr/sbin:/sbin HOME=/root \
      LANG=C.UTF-8 DEBIAN_FRONTEND=noninteractive "$@"' in_root "$root" "$@"
}

cp /etc/resolv.conf "$root/etc/resolv.conf" 2>/dev/null || true
# Wine for both architectures, with the fonts the host's wine package brings (the buttons' "MS
# Sans Serif" falls back to Liberation Sans; without it a wider face clips "Enable Corvelle"),
# the X libraries both loaders open at run time, a virtual screen, CTest, and the screenshot tools.
step "installing Wine (64- and 32-bit), Xvfb and CTest in the chroot" in_root /bin/bash -c '
  set -e
  dpkg --add-architecture i386
  apt-get update -q
  xlibs="libxrender1 libxrandr2 libxi6 libxcursor1 libxfixes3 libxcomposite1 libxinerama1 libxxf86vm1 libgnutls30"
  apt-get install -y -q --no-install-recommends \
    wine wine64 wine32:i386 fonts-wine fonts-liberation libdbus-1-3 xvfb xauth \
    cmake python3 imagemagick procps $xlibs $(for p in $xlibs; do printf "%s:i386 " "$p"; done)
  apt-get clean'

step "taking qemu-i386 from $qemu_suite's qemu-user package" in_root /bin/bash -c '
  set -e
  q=/var/tmp/qemu && mkdir -p $q/lists/partial && cd $q
  echo "deb [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] '"$mirror $qemu_suite"' main" >sources.list
  opts="-o Dir::Etc::sourcelist=$q/sources.list -o Dir::Etc::sourceparts=- -o Dir::State::Lists=$q/lists"
  apt-get $opts update -q
  apt-get $opts download -q qemu-user:amd64
  dpkg-deb -x qemu-user_*.deb x
  install -m 755 x/usr/bin/qemu-i386 /usr/local/bin/qemu-i386-static
  cd / && rm -rf $q
  /usr/local/bin/qemu-i386-static --version'

# `wine` and `wine-stable` (which wineboot, winepath and the other tools call) start the loader
# named by WINELOADER: the 64-bit one unless a 32-bit prefix asks for /usr/lib/wine/wine. In a
# 64-bit prefix, Wine itself starts the i386 loader for a 32-bit program.
for tool in wine wine-stable; do
  printf '#!/bin/sh\nexec "${WINELOADER:-/usr/lib/wine/wine64}" "$@"\n' >"$root/usr/local/bin/$tool"
  chmod 755 "$root/usr/local/bin/$tool"
done
touch "$root/.used"
echo "$key" >"$root/.complete"
say "ready: $(du -sh --one-file-system "$root" | cut -f1) in $root"
echo "$root"
