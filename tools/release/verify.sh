#!/bin/bash
# Checks downloaded release archives against a rebuild: tools/release/verify.sh ZIP...
# Each archive's README.txt names the commit it was built from; that commit must be in this
# repository (git fetch it from the publisher's source). It is built with `make dist`, unsigned, in
# a clean clone in a temporary folder (once for all archives of one commit), and each archive is
# held to it by tools/release/verify-release.py: identical only if it is byte for byte what the
# release's zip writer makes of the rebuild's files with the downloaded programs, and those programs
# are the rebuild's once their signatures (checked, one signer for all) are removed.
# One line per archive, every archive checked even when one is refused: "identical: ..." naming the
# archive, the full commit and, if signed, the signer's subject, certificate fingerprint and
# timestamp, or "not identical: ..." with the reason. Relative paths are taken from the folder
# given as CORVELLE_FROM (make verify passes the folder make was started in), else this one.
# With REBUILT=FOLDER, the archives are compared with the release in FOLDER, a `make dist` of that
# commit made earlier, instead of building again. CERT_SHA256=FINGERPRINT... (SHA-256 of the
# signer's certificate) makes an archive signed by any other certificate, or unsigned, not
# identical.
# Exit code: 0 all identical; 1 any archive not identical; 2 no archive named.
set -euo pipefail
from=${CORVELLE_FROM:-$PWD}
absolute() { (cd "$from" && realpath -m -- "$1"); }
zips=()
for zip in "$@"; do zips+=("$(absolute "$zip")"); done
[ -z "${REBUILT:-}" ] || REBUILT=$(absolute "$REBUILT")
cd "$(dirname "$0")/../.."
[ $# -gt 0 ] ||
  { echo "usage: make verify ZIP=corvelle-VERSION-ARCH.zip (several: ZIP=\"a.zip b.zip\")" \
      "[CERT_SHA256=fingerprint]" >&2
    exit 2; }
tools/install-deps.sh release
export CERT_SHA256=${CERT_SHA256:-}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
declare -A rebuilt
status=0
# One archive: prints its line; returns 1 unless it is identical.
check() {
  local zip=$1 name fact version commit state builds tree log
  name=$(basename "$zip")
  say() { echo "not identical: $name${commit:+ (commit $commit)}: $*"; }
  commit=""
  [ -f "$zip" ] || { say "there is no such file"; return 1; }
  fact=$(python3 tools/release/verify-release.py info "$zip") ||
    { echo "not identical: $fact"; return 1; }
  read -r version _ commit state <<<"$fact"
  [ "$state" = clean ] ||
    { say "it was built from uncommitted changes; it cannot be rebuilt"; return 1; }
  git cat-file -e "$commit^{commit}" 2>/dev/null || {
    say "this repository does not have that commit (git fetch it from the publisher's source)"
    return 1; }
  git cat-file -e "$commit:src/Version.h" 2>/dev/null &&
    git show "$commit:Makefile" 2>/dev/null | grep -q '^dist:' || {
    say "that commit is older than the release tools (no src/Version.h or make dist); it cannot" \
      "be rebuilt this way"; return 1; }
  builds=$(git show "$commit:src/Version.h" |
             sed -n 's/^#define CORVELLE_VERSION_TEXT "\([^"]*\)"$/\1/p')
  [ "$builds" = "$version" ] || {
    say "it holds version $version, but that commit builds version ${builds:-(none)}"; return 1; }
  if [ -n "${REBUILT:-}" ]; then
    rebuilt[$commit]=$REBUILT
  elif [ -z "${rebuilt[$commit]:-}" ]; then
    tree="$work/$commit"
    echo "verify: building commit ${commit:0:7} in $tree (make dist, unsigned)..." >&2
    git clone -q --shared --no-checkout . "$tree"
    git -C "$tree" checkout -q --detach "$commit"
    if ! env -u CORVELLE_SIGN_PKCS12 -u CORVELLE_SIGN_PASSWORD_FILE -u MAKEFLAGS \
           make -s -C "$tree" dist >"$work/build.log" 2>&1; then
      log="${TMPDIR:-/tmp}/corvelle-verify-$commit.log"
      cp "$work/build.log" "$log"
      rebuilt[$commit]=failed
      say "this machine cannot rebuild that commit: make dist failed" \
        "($(grep -i -m 1 'error' "$log" | sed 's/^ *//'); all of it in $log)"
      return 1
    fi
    rebuilt[$commit]="$tree/dist"
  fi
  [ "${rebuilt[$commit]}" != failed ] ||
    { say "this machine cannot rebuild that commit (above)"; return 1; }
  python3 tools/release/verify-release.py compare "$zip" "${rebuilt[$commit]}"
}
for zip in "${zips[@]}"; do
  check "$zip" || status=1
done
exit $status
