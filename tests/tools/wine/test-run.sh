#!/bin/bash
# `make run` as users start it, each in a Wine prefix of its own:
#  - without a display: it saves its screenshot where it was asked to (a name with a space) or by
#    default where the tree does not change;
#  - on a display that needs a cookie (as a desktop's X11 or Xwayland session does), the window
#    appears, with the x64 build and with the x86 build (on this machine's route for it);
#  - a second `make run` on one prefix starts the window again, on each route it takes here (the
#    x86 build's, and Wine 10's environment);
#  - a Wine's way of running 32-bit programs is read from what it has (32-bit loader, new WoW64),
#    and a new-WoW64 Wine as the user's own runs the x86 build, again and again on one prefix;
#  - a prefix behind a link is made in the folder it names; a link to nothing is refused in one line;
#  - a prefix that another Wine version last updated is refused in one line and left untouched
#    where the Wine environment's Wine would have run on it;
#  - a TMPDIR where the 32-bit probe cannot run (noexec) or cannot be written (full) stops it with
#    its line rather than a wrong answer.
set -euo pipefail
cd "$(dirname "$0")/../../.."
. tools/wine/arch.sh
. tools/wine/xvfb.sh
dir=$(mktemp -d /tmp/corvelle-run.XXXXXX)
xvfb_pid=""
cleanup() {
  local p
  for p in "$dir"/p-*; do
    [ -d "$p" ] && WINEPREFIX="$p" wineserver -k >/dev/null 2>&1 || true
  done
  [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$dir"
}
trap cleanup EXIT
failures=0
fail() { echo "test-run: FAILED: $*" >&2; failures=$((failures + 1)); }

run() { env -u DISPLAY WINEPREFIX="$dir/p-headless" ARCH=x64 make -s run "$@" >/dev/null; }
# headless WHAT PREFIX [MAKE ARGS]: `make run` without a display on PREFIX, as a user starts it
# (without ARCH: the x86 build); WHAT names the run in a failure.
headless() {
  local what=$1 prefix=$2; shift 2
  rm -f "$prefix.png"
  env -u DISPLAY WINEPREFIX="$prefix" make -s run SCREENSHOT="$prefix.png" "$@" >"$prefix.log" 2>&1 &&
    [ -s "$prefix.png" ] || fail "$what: $(tail -n 2 "$prefix.log")"
}
tree_before=$(git status --porcelain)
run
run SCREENSHOT="$dir/a b.png"
[ -s "$dir/a b.png" ] || fail "make run saved no '$dir/a b.png'"
[ "$(git status --porcelain)" = "$tree_before" ] ||
  fail "make run changed the tree: $(git status --porcelain)"

# A virtual screen that only a client with its cookie may use.
cookie=$dir/cookie
xauth -f "$cookie" add :0 . "$(mcookie)" 2>/dev/null
start_xvfb 800x600 -auth "$cookie"
xauth -f "$cookie" add "$DISPLAY" . "$(xauth -f "$cookie" list :0 | awk '{ print $3 }')" 2>/dev/null
XAUTHORITY=/nonexistent import -window root "$dir/none.png" 2>/dev/null &&
  fail "the virtual screen let a client in without the cookie"
export XAUTHORITY=$cookie
window_appears() {
  local arch=$1 runner found=""
  setsid env WINEPREFIX="$dir/p-$arch" ARCH="$arch" make -s run >"$dir/$arch.log" 2>&1 </dev/null &
  runner=$!
  for _ in $(seq 360); do
    sleep 0.5
    kill -0 "$runner" 2>/dev/null || break
    # grep reads the whole histogram: see tools/wine/run.sh.
    if import -window root "$dir/$arch.png" 2>/dev/null &&
       convert "$dir/$arch.png" -format %c histogram:info:- 2>/dev/null | grep -i '#8BA2C2' >/dev/null; then
      found=yes
      break
    fi
  done
  # Ctrl-C as a terminal sends it: to the whole group.
  kill -INT -- "-$runner" 2>/dev/null || true
  for _ in $(seq 100); do kill -0 "$runner" 2>/dev/null || break; sleep 0.2; done
  kill -KILL -- "-$runner" 2>/dev/null || true
  wait "$runner" 2>/dev/null || true
  [ -n "$found" ] || fail "ARCH=$arch: the window did not appear on a display that needs a cookie: $(tail -n 3 "$dir/$arch.log")"
}
window_appears x64
if x86_route >/dev/null 2>&1; then
  # The second `make run` on one prefix, as a user runs it every day, on the route the x86 build
  # takes here (the user's own Wine, or the environment's): the first run made the prefix.
  # The first run names the prefix by a link to an empty folder: the folder gets the prefix.
  mkdir "$dir/p-x86"
  ln -s p-x86 "$dir/link-x86"
  headless "make run on a new prefix behind a link" "$dir/link-x86"
  [ -f "$dir/p-x86/system.reg" ] && [ -L "$dir/link-x86" ] ||
    fail "make run on a prefix behind a link left the folder it names without a prefix"
  window_appears x86
  # The same on Wine 10's environment, both runs without a display.
  headless "make run WINE=10 on a new prefix" "$dir/p-wine10" WINE=10
  headless "make run WINE=10 a second time on the same prefix" "$dir/p-wine10" WINE=10
else
  echo "test-run: ARCH=x86 on a display not run: $(x86_route 2>&1 >/dev/null)" >&2
fi
kill "$xvfb_pid" 2>/dev/null || true
xvfb_pid=""
unset XAUTHORITY

# A new-WoW64 Wine as the user's own: the Wine environment's (Debian unstable's Wine 10), first on
# PATH as a `wine` that runs it there (env-wine.sh), beside its libraries as its package lays them
# out. Two runs on one new prefix: the window runs with that Wine (its line says so), which made
# the prefix.
if runs_32bit_programs; then
  root=$(CORVELLE_WINE=10-wow64 tools/wine/setup.sh)
  view=$dir/wow64-wine
  mkdir -p "$view/bin" "$view/lib/x86_64-linux-gnu"
  ln -s "$root/usr/lib/x86_64-linux-gnu/wine" "$view/lib/x86_64-linux-gnu/wine"
  cp tests/tools/wine/env-wine.sh "$view/bin/wine"
  p=$dir/p-wow64
  for n in first second; do
    PATH="$view/bin:$PATH" CORVELLE_ENV_WINE=10-wow64 CORVELLE_TOOLS=$PWD/tools \
      headless "make run with a new-WoW64 Wine as the user's own, the $n time" "$p"
    grep -q "^run: the x86 build, with your Wine: wine-10.*new WoW64" "$p.log" ||
      fail "make run with a new-WoW64 Wine as the user's own, the $n time, said: $(grep '^run:' "$p.log")"
    # Each call of that `wine` is a run of the environment that ends once its server has saved;
    # the last one outlives make run, as a Wine server does. A run still going after 30 s is
    # stopped as Ctrl-C stops it.
    for _ in $(seq 150); do pgrep -f -- "-e WINEPREFIX=$p" >/dev/null || break; sleep 0.2; done
    pkill -TERM -f -- "-e WINEPREFIX=$p" || true
    for _ in $(seq 150); do pgrep -f -- "-e WINEPREFIX=$p" >/dev/null || break; sleep 0.2; done
  done
  [ "$(tr -d '\r\n' <"$p/.update-timestamp")" = "$(stat -c %Y "$root/usr/share/wine/wine.inf")" ] &&
    grep -q '^#arch=win64' "$p/system.reg" ||
    fail "the prefix of the runs with a new-WoW64 Wine was not made by it as a 64-bit prefix"
else
  echo "test-run: make run with a new-WoW64 Wine not run: this Linux runs no 32-bit programs, which new WoW64 needs." >&2
fi

# A prefix that another Wine version made: with no Wine of its own for the x86 build, `make run`
# would run the Wine environment's Wine on it; it says so and does not touch it.
if x86_route >/dev/null 2>&1; then
  other=$dir/p-other
  mkdir -p "$other/drive_c"
  printf 'WINE REGISTRY Version 2\n#arch=win32\n' >"$other/system.reg"
  echo 1234567890 >"$other/.update-timestamp"
  before=$(cd "$other" && find . -printf '%p %s %T@\n' | sort)
  said=$(env -u DISPLAY WINEPREFIX="$other" ARCH=x86 tools/wine/run.sh 2>&1 >/dev/null) &&
    fail "make run ARCH=x86 went on in a prefix another Wine updated"
  [ "$(printf '%s\n' "$said" | wc -l)" = 1 ] && grep -q "was last updated by another Wine" <<<"$said" ||
    fail "on a prefix another Wine updated, make run said: $said"
  [ "$(cd "$other" && find . -printf '%p %s %T@\n' | sort)" = "$before" ] ||
    fail "make run changed a prefix another Wine updated"
fi

# How a Wine runs 32-bit programs, read from what it has: a 32-bit loader (any prefix), new WoW64
# (i386-windows beside its 64-bit loader's libraries: 64-bit prefixes only), or neither.
fake=$dir/fake
for layout in loader32 wow64 only64; do
  mkdir -p "$fake/$layout/bin" "$fake/$layout/lib/wine/x86_64-unix"
  touch "$fake/$layout/lib/wine/x86_64-unix/ntdll.so"
  printf '#!/bin/sh\n' >"$fake/$layout/bin/wine" && chmod +x "$fake/$layout/bin/wine"
done
printf '\177ELF\001\001' >"$fake/loader32/bin/wine-loader" && chmod +x "$fake/loader32/bin/wine-loader" &&
  ln -sf wine-loader "$fake/loader32/bin/wine"
mkdir -p "$fake/wow64/lib/wine/i386-windows" && touch "$fake/wow64/lib/wine/i386-windows/ntdll.dll"
way() { PATH="$fake/$1/bin:$PATH" bash -c '. tools/wine/arch.sh; wine_x86_way "$1"' - "$2" || echo none; }
[ "$(way loader32 win32)" = "32-bit loader $fake/loader32/bin/wine-loader" ] || fail "a 32-bit loader: $(way loader32 win32)"
[ "$(way wow64 win64)" = "new WoW64 $fake/wow64/lib/wine" ] || fail "new WoW64 in a 64-bit prefix: $(way wow64 win64)"
[ "$(way wow64 win32)" = none ] || fail "new WoW64 taken for a 32-bit prefix: $(way wow64 win32)"
[ "$(way only64 "")" = none ] || fail "a 64-bit-only Wine taken for one that runs the x86 build: $(way only64 "")"

# A prefix that is a link to nothing, named or as ~/.wine: one line, and nothing is made.
mkdir "$dir/home"
ln -s "$dir/nowhere" "$dir/dangling"
ln -s "$dir/nowhere" "$dir/home/.wine"
for how in "WINEPREFIX=$dir/dangling" "HOME=$dir/home"; do
  said=$(env -u DISPLAY -u WINEPREFIX "$how" tools/wine/run.sh 2>&1 >/dev/null) &&
    fail "make run went on with a prefix behind a link to nothing ($how)"
  [ "$(printf '%s\n' "$said" | wc -l)" = 1 ] && grep -q "which does not exist" <<<"$said" ||
    fail "with a prefix behind a link to nothing ($how), make run said: $said"
  [ ! -e "$dir/nowhere" ] || fail "make run made the folder a dangling link names ($how)"
done

if unshare -rm true 2>/dev/null; then
  mkdir "$dir/tmp"
  # probe_in OPTIONS FILL: make run with TMPDIR on a tmpfs mounted with OPTIONS, filled first when
  # FILL is yes; prints what it said.
  probe_in() {
    unshare -rm bash -c 'mount -t tmpfs -o "$2" none "$1" &&
      { [ "$3" != yes ] || dd if=/dev/zero of="$1/fill" bs=4k 2>/dev/null || true; } &&
      TMPDIR="$1" ARCH=x86 tools/wine/run.sh' - "$dir/tmp" "$1" "$2" 2>&1 >/dev/null && echo "went on"
  }
  said=$(probe_in noexec no || true)
  grep -q "cannot run the 32-bit probe" <<<"$said" || fail "with a noexec TMPDIR, make run said: $said"
  said=$(probe_in size=8k yes || true)
  grep -q "cannot write the 32-bit probe" <<<"$said" || fail "with a full TMPDIR, make run said: $said"
else
  echo "test-run: the noexec and full TMPDIR cases not run: no user namespaces to mount one in." >&2
fi

[ "$failures" = 0 ] || exit 1
echo "test-run: make run saves the screenshot asked for, shows the window on a display with a cookie, and refuses what it cannot run on in one line." >&2
