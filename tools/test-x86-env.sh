#!/bin/bash
# Checks of the x86 environment itself (tools/x86-env-setup.sh, tools/x86-env.sh):
#  - a run stopped from outside (as Ctrl-C or a time limit stops it) leaves nothing on the host: no
#    process, no mount, no binfmt entry; on the emulated route too, which registers one inside;
#  - a set-up that cannot reach the mirror fails with one line, removes the half-made environment
#    that an earlier set-up left, and leaves nothing that a run would take for ready.
set -euo pipefail
cd "$(dirname "$0")/.."
. tools/arch.sh
x86_route >/dev/null || exit 1
root=$(tools/x86-env-setup.sh)
failures=0
fail() { echo "FAILED: $*" >&2; failures=$((failures + 1)); }

# What the environment has left on the host: processes whose root is in it, and mounts in it.
leftovers() {
  local p
  for p in /proc/[0-9]*; do
    case "$(readlink "$p/root" 2>/dev/null)" in "$root"|"$root"/*) echo "process ${p#/proc/}" ;; esac
  done
  awk -v r="$root" '$5 == r || index($5, r "/") == 1 { print "mount " $5 }' /proc/self/mountinfo
  [ ! -e /proc/sys/fs/binfmt_misc/qemu-i386 ] || echo "binfmt entry qemu-i386"
}

for route in native emulated; do
  [ "$route" = native ] && [ "$(x86_route)" = emulated ] && continue
  # A command that starts a server, a virtual screen and a sleeper, then hangs.
  CORVELLE_X86_ROUTE=$route tools/x86-env.sh -- /bin/bash -c '
    . tools/xvfb.sh; start_xvfb 320x240
    WINEPREFIX=/tmp/p wineserver -p; sleep 600 & sleep 600' >/dev/null 2>&1 &
  runner=$!
  for _ in $(seq 100); do
    [ -n "$(leftovers | grep '^process' || true)" ] && break
    sleep 0.2
  done
  sleep 2
  [ -n "$(leftovers)" ] || fail "$route: the run under test never started"
  kill -TERM "$runner"
  wait "$runner" 2>/dev/null || true
  left=""
  for _ in $(seq 50); do
    left=$(leftovers)
    [ -z "$left" ] && break
    sleep 0.2
  done
  [ -z "$left" ] || fail "$route: left on the host after the run was stopped: $(echo $left)"
done

# A set-up cut short earlier, then a mirror that cannot be reached.
cache=$(mktemp -d /var/tmp/corvelle-x86-env-test.XXXXXX)
trap 'rm -rf --one-file-system "$cache"' EXIT
key=$(sha256sum tools/x86-env-setup.sh | cut -c1-16)
mkdir -p "$cache/x86-env-$key/usr/lib/wine"
out=$(CORVELLE_X86_ENV_CACHE=$cache CORVELLE_X86_MIRROR=http://127.0.0.1:9/debian \
  tools/x86-env-setup.sh 2>&1 >/dev/null) && fail "set-up with an unreachable mirror succeeded"
last=$(printf '%s\n' "$out" | grep -v '(+[0-9]* s)$' || true)
[ "$(printf '%s\n' "$last" | wc -l)" = 1 ] && case "$last" in *debootstrap*failed*) true ;; *) false ;; esac ||
  fail "set-up with an unreachable mirror did not say so in one line: $last"
[ ! -e "$cache/x86-env-$key/.complete" ] || fail "a failed set-up marked its environment ready"
[ ! -e "$cache/x86-env-$key/usr/lib/wine" ] || fail "the half-made environment was kept"

[ "$failures" = 0 ] || exit 1
echo "x86 environment: a stopped run leaves nothing behind; a failed set-up says why and is redone." >&2
