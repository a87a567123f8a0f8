#!/bin/bash
# Checks of the Wine environment itself (tools/wine/setup.sh, tools/wine/env.sh), on each route
# this Linux has (natively, emulated), and one line for a route it cannot have:
#  - stopped as Ctrl-C or a time limit stops it, a run first lets the Wine server inside save what
#    a program wrote, and leaves none of its processes; killed outright, it leaves none either;
#  - on a prefix that a program of the host's Wine holds, a run of the environment's Wine either
#    keeps what it reported done or refuses in one line and writes nothing (one server per prefix);
#  - a set-up of another version leaves an environment that a run holds, and this version's
#    answers at once for it;
#  - Ctrl-C ends the set-ups that make test starts in the background; the free space a set-up
#    asks for covers the other set-ups under way;
#  - a set-up that cannot reach the mirror fails with one line, removes the half-made environment
#    that an earlier set-up left, and leaves nothing that a run would take for ready;
#  - on a Linux older than 6.7 that runs 32-bit programs (as Debian 12's own), these checks pass,
#    the x86 programs run natively, and the emulated route is left out with one line.
# CORVELLE_WINE chooses the environment, as for tools/wine/env.sh; CORVELLE_WINE_ENV_ONLY_ROUTES=1
# checks only the runs (for the second environment, as the set-up is the same script).
set -euo pipefail
cd "$(dirname "$0")/../../.."
. tools/wine/arch.sh
x86_route >/dev/null || exit 1
root=$(tools/wine/setup.sh)
work=$(mktemp -d /var/tmp/corvelle-wine-env-test.XXXXXX)
held=""
cleanup() {
  [ -z "$held" ] || kill -TERM "$held" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf --one-file-system "$work"
}
trap cleanup EXIT
failures=0
fail() { echo "FAILED: $*" >&2; failures=$((failures + 1)); }

# The pid namespace of the run whose runner (tools/wine/env.sh) is RUNNER, and what runs in it.
run_namespace() {
  local unshare init
  for unshare in $(cat /proc/"$1"/task/*/children 2>/dev/null); do
    for init in $(cat /proc/"$unshare"/task/*/children 2>/dev/null); do
      readlink "/proc/$init/ns/pid" 2>/dev/null && return 0
    done
  done
  return 1
}
processes_in() {
  local p
  for p in /proc/[0-9]*; do
    [ "$(readlink "$p/ns/pid" 2>/dev/null)" = "$1" ] && echo "${p#/proc/}:$(cat "$p/comm" 2>/dev/null)"
  done
  true
}
# The Wine prefix the checks use; made once (under emulation that takes a while), and handed to
# the checks as on Linux 6.1 below.
prefix=${CORVELLE_WINE_ENV_TEST_PREFIX:-$work/prefix}
# start_run ROUTE MARK CMD: starts CMD in the environment, with W (a folder for its marks) and P
# (the prefix); returns once it has written MARK in W, with $runner and $ns set.
start_run() {
  local route=$1 mark=$2; shift 2
  rm -f "$work/$mark"
  mkdir -p "$prefix"
  CORVELLE_X86_ROUTE=$route tools/wine/env.sh -C "$PWD" -C "$work" -C "$prefix" -e W="$work" -e P="$prefix" \
    -- /bin/bash -c "$1" >"$work/run.log" 2>&1 </dev/null &
  runner=$!
  ns=""
  for _ in $(seq 6000); do
    [ -e "$work/$mark" ] && break
    kill -0 "$runner" 2>/dev/null || break
    sleep 0.1
  done
  ns=$(run_namespace "$runner") || ns=""
  [ -e "$work/$mark" ] && [ -n "$ns" ]
}
# gone NS: waits up to 20 s for the namespace's last process; prints what is left.
gone() {
  local left=""
  for _ in $(seq 200); do
    left=$(processes_in "$1")
    [ -z "$left" ] && return 0
    sleep 0.1
  done
  echo $left
  return 1
}

check_route() {
  local route=$1 left
  # A program's change reported done while a Windows program still runs (the window, say), then
  # SIGTERM: the server saves it before it goes. (With no Windows program left, the server would
  # save and exit by itself within seconds.) Where the server's periodic save happens to come
  # first, the check is made again with another value.
  local token attempt saved=""
  for attempt in 1 2 3; do
    token=$route-$RANDOM$RANDOM
    if ! start_run "$route" written 'export WINEPREFIX=$P; wineboot -i >/dev/null 2>&1
        sleep 600 | wine cmd >/dev/null 2>&1 &
        wine reg add "HKCU\Software\Corvelle test" /v Saved /d '"$token"' /f >/dev/null 2>&1 &&
        touch $W/written; wait'; then
      fail "$route: the run under test never wrote its value: $(tail -n 3 "$work/run.log")"
      kill -KILL "$runner" 2>/dev/null || true
      break
    fi
    grep -q "$token" "$prefix/user.reg" 2>/dev/null && saved=early || saved=""
    kill -TERM "$runner"
    wait "$runner" 2>/dev/null || true
    left=$(gone "$ns") || fail "$route: left after SIGTERM: $left"
    [ -n "$saved" ] && continue
    grep -q "^\"Saved\"=\"$token\"" "$prefix/user.reg" 2>/dev/null ||
      fail "$route: a value written before SIGTERM is not in the prefix afterwards"
    break
  done
  [ "$saved" != early ] || fail "$route: the server saved every value before the run was stopped, three times"
  # SIGKILL to the runner: the namespace dies with it, virtual screen and server included.
  if start_run "$route" started '. tools/wine/xvfb.sh; start_xvfb 320x240
      WINEPREFIX=$P wineserver -p; touch $W/started; sleep 600 & sleep 600'; then
    kill -KILL "$runner"
    wait "$runner" 2>/dev/null || true
    left=$(gone "$ns") || fail "$route: left after SIGKILL to the runner: $left"
  else
    fail "$route: the run under test never started: $(tail -n 3 "$work/run.log")"
    kill -KILL "$runner" 2>/dev/null || true
  fi
}

# One server per prefix. A program of the host's Wine holds a prefix (the messenger, say) and has
# changed something there; the environment's Wine is started on it as `make run` starts it and
# writes a value. A second server would report that done, then lose it when the host's server
# saves: so the run must either keep the value or refuse, in one line, touching nothing.
check_held_prefix() {
  local held=$work/held out status token=held-$RANDOM$RANDOM
  if ! command -v wine >/dev/null || ! command -v wineserver >/dev/null; then
    echo "Wine environment: the check of a prefix that the host's Wine holds not run: no wine and wineserver on PATH." >&2
    return 0
  fi
  mkdir -p "$held"
  WINEPREFIX=$held wineboot -i >/dev/null 2>&1 </dev/null || true
  WINEPREFIX=$held wineserver -w
  setsid bash -c 'sleep 600 | WINEPREFIX=$1 wine cmd >/dev/null 2>&1' - "$held" </dev/null &
  local holder=$!
  WINEPREFIX=$held wine reg add 'HKCU\Software\Corvelle test' /v Host /d 1 /f >/dev/null 2>&1 </dev/null
  out=$(tools/wine/env.sh -C "$PWD" -C "$held" -e WINEPREFIX="$held" -e WINEARCH=win64 -- /bin/bash -c \
    'wine reg add "HKCU\Software\Corvelle test" /v Kept /d "$0" /f >/dev/null 2>&1 && timeout 10 wineserver -w' \
    "$token" 2>&1 </dev/null) && status=0 || status=$?
  kill -TERM -- "-$holder" 2>/dev/null || true
  wait "$holder" 2>/dev/null || true
  WINEPREFIX=$held wineserver -w
  if [ "$status" = 0 ]; then
    grep -q "^\"Kept\"=\"$token\"" "$held/user.reg" ||
      fail "a value the environment's Wine wrote and reported done, on a prefix the host's Wine held, was lost"
  else
    [ "$(printf '%s\n' "$out" | wc -l)" = 1 ] && grep -q "already holds $held" <<<"$out" ||
      fail "on a prefix the host's Wine held, the environment's Wine said: $out"
    ! grep -q "$token" "$held/user.reg" || fail "the environment's Wine wrote to a prefix it refused"
  fi
}
check_held_prefix

route=$(x86_route)
check_route "$route"
if [ "$route" = native ]; then
  if why=$(can_emulate_x86); then
    check_route emulated
  else
    echo "Wine environment: the emulated route's checks not run: $why." >&2
  fi
fi

if [ -z "${CORVELLE_WINE_ENV_ONLY_ROUTES:-}" ]; then
  # A run holds the environment; a set-up of another version of the script, for which that
  # environment is old (unused for two days, as far as its marker tells), leaves it.
  other=$work/other && mkdir -p "$other"
  cp tools/wine/setup.sh "$other/" && echo "# another version" >>"$other/setup.sh"
  other_root=$(CORVELLE_WINE_ENV_CACHE=$(dirname "$root") "$other/setup.sh" --root)
  if start_run "$route" holding 'touch $W/holding; sleep 600'; then
    held=$runner
    touch -d '2 days ago' "$root/.used"
    out=$(CORVELLE_WINE_ENV_CACHE=$(dirname "$root") CORVELLE_WINE_ENV_MIRROR=http://127.0.0.1:9/debian \
      "$other/setup.sh" 2>&1 >/dev/null) || true
    [ -f "$root/.complete" ] || fail "a set-up of another version removed an environment in use: $out"
    grep -q "leaving $root: in use" <<<"$out" || fail "a set-up of another version did not say it left the environment in use: $out"
    kill -0 "$held" 2>/dev/null || fail "the run holding the environment ended during another set-up"
    # The set-up of this version answers at once for the environment a run holds (a check beside
    # the suites once waited for them to end).
    [ "$(timeout 20 tools/wine/setup.sh 2>/dev/null)" = "$root" ] ||
      fail "the set-up of an environment that a run holds did not answer within 20 s"
    kill -TERM "$held"; wait "$held" 2>/dev/null || true; held=""
    touch "$root/.used"
  else
    fail "the run holding the environment never started: $(tail -n 3 "$work/run.log")"
  fi
  rm -rf --one-file-system "$other_root" "$other_root.log" "$other_root.lock"

  # Ctrl-C while make test builds the Wine environments in the background: the terminal's SIGINT
  # to make's process group ends the set-ups it started, and no environment is taken for ready.
  cache=$work/cache-interrupted
  CORVELLE_WINE_ENV_CACHE=$cache setsid make -s TEST_TIMES= wine-environments >"$work/make.log" 2>&1 </dev/null &
  group=$!
  for _ in $(seq 600); do
    grep -qs '^=== mmdebstrap' "$cache"/*.log && break
    sleep 0.1
  done
  grep -qs '^=== mmdebstrap' "$cache"/*.log || fail "make wine-environments started no set-up: $(tail -n 2 "$work/make.log")"
  kill -INT -- "-$group" 2>/dev/null || true
  # What is left of them: make's process group, and the steps (in sessions of their own) working
  # in the cache.
  started() { { pgrep -g "$group"; pgrep -f -- "$cache"; } | sort -u || true; }
  for _ in $(seq 200); do
    [ -n "$(started)" ] || break
    sleep 0.1
  done
  left=$(started)
  if [ -n "$left" ]; then
    fail "Ctrl-C left the set-ups make test started: $(ps -o pid=,args= -p "$(echo $left | tr ' ' ,)")"
    # shellcheck disable=SC2086
    kill -KILL $left 2>/dev/null || true
  fi
  ! ls "$cache"/*/.complete >/dev/null 2>&1 || fail "an interrupted set-up marked its environment ready"
  rm -rf --one-file-system "$cache"

  # Free space for what is built together: on 6 GB, a set-up alone goes on to its first step
  # (here an unreachable mirror); beside another one being built (its lock held, no .complete), it
  # stops with one line before it starts. The other set-up's lock is held by a sleep itself, which
  # the end of the check ends (a sleep under flock outlived it, holding the caller's output open).
  if unshare -rm true 2>/dev/null; then
    space() {
      unshare -rm bash -c 'mount -t tmpfs -o size=6g none "$1" && cd "$1" && mkdir -p other &&
        if [ "$2" = beside ]; then (flock 9 && exec sleep 600) 9>other.lock >/dev/null 2>&1 & sleep 0.5; fi &&
        CORVELLE_WINE_ENV_CACHE=$1 CORVELLE_WINE_ENV_MIRROR=http://127.0.0.1:9/debian "$3" 2>&1 >/dev/null
        kill %1 2>/dev/null; true' \
        - "$work/space" "$1" "$PWD/tools/wine/setup.sh" | grep -v '(+[0-9]* s)$' || true
    }
    mkdir -p "$work/space"
    out=$(space alone)
    grep -q "mmdebstrap.*failed" <<<"$out" || fail "a set-up alone on 6 GB said: $out"
    out=$(space beside)
    [ "$(printf '%s\n' "$out" | wc -l)" = 1 ] && grep -q "needs about 8 GB free" <<<"$out" ||
      fail "a set-up beside another on 6 GB said: $out"
  fi

  # A set-up cut short earlier, then a mirror that cannot be reached.
  cache=$work/cache
  half=$(CORVELLE_WINE_ENV_CACHE=$cache tools/wine/setup.sh --root)
  mkdir -p "$half/usr/lib/wine"
  out=$(CORVELLE_WINE_ENV_CACHE=$cache CORVELLE_WINE_ENV_MIRROR=http://127.0.0.1:9/debian \
    tools/wine/setup.sh 2>&1 >/dev/null) && fail "set-up with an unreachable mirror succeeded"
  last=$(printf '%s\n' "$out" | grep -v '(+[0-9]* s)$' || true)
  [ "$(printf '%s\n' "$last" | wc -l)" = 1 ] && case "$last" in *mmdebstrap*failed*) true ;; *) false ;; esac ||
    fail "set-up with an unreachable mirror did not say so in one line: $last"
  [ ! -e "$half/.complete" ] || fail "a failed set-up marked its environment ready"
  [ ! -e "$half/usr/lib/wine" ] || fail "the half-made environment was kept"

  # The same route checks as Debian 12's own Linux 6.1 would see them: 32-bit programs run
  # natively (where this Linux refuses them, a user namespace of its own hands them to qemu-i386
  # first, so that they appear to run natively); emulation is not possible there.
  old=$work/old-kernel && mkdir -p "$old"
  printf '#!/bin/sh\n[ "$1" = -r ] && echo 6.1.0-28-amd64 || exec /bin/uname "$@"\n' >"$old/uname"
  chmod +x "$old/uname"
  as_old="PATH=$old:\$PATH CORVELLE_WINE_ENV_ONLY_ROUTES=1 CORVELLE_WINE_ENV_TEST_PREFIX=$prefix tests/tools/wine/test-wine-env.sh"
  if [ "$route" = native ]; then
    out=$(bash -c "$as_old" 2>&1) || fail "as on Linux 6.1: $out"
  else
    register=":qemu-i386:M::$i386_binfmt_match:$root/usr/local/bin/qemu-i386-static:F"
    out=$(unshare --user --map-root-user --mount --propagation private -- bash -c '
      mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc && printf "%s" "$1" >/proc/sys/fs/binfmt_misc/register &&
      eval "$2"' - "$register" "$as_old" 2>&1) || fail "as on Linux 6.1: $out"
  fi
  said=$(grep "emulated route's checks not run: .*Linux 6.7; this is Linux 6.1.0" <<<"$out") &&
    echo "As on Linux 6.1 (x86 programs run natively): ${said#Wine environment: }" >&2 ||
    fail "as on Linux 6.1, no line says the emulated route is left out: $out"
fi

[ "$failures" = 0 ] || exit 1
more="; a run's environment is kept; a failed set-up says why and is redone"
[ -z "${CORVELLE_WINE_ENV_ONLY_ROUTES:-}" ] || more=""
echo "Wine ${CORVELLE_WINE:-8} environment ($route): a stopped run saves what Wine wrote and leaves nothing behind$more." >&2
