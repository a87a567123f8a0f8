#!/bin/bash
# Checks downloaded release archives against a rebuild: tools/verify.sh ZIP...
# Each archive's README.txt names the commit it was built from; that commit must be in this
# repository (git fetch it from the publisher's source). It is built with `make dist`, unsigned, in
# a clean clone in a temporary folder (once for all archives of one commit), and every file of the
# archive is compared with the rebuild's, the programs with any publisher's signature removed
# (tools/verify_release.py). One line per archive: identical, or the file that differs and where.
# With REBUILT=FOLDER, the archives are compared with the release in FOLDER, a `make dist` of that
# commit made earlier, instead of building again.
# Exit code: 0 all identical; 1 a difference, or an archive that is not a release of a commit this
# repository can rebuild (one line saying which).
set -euo pipefail
zips=()
for zip in "$@"; do zips+=("$(realpath -m "$zip")"); done
[ -z "${REBUILT:-}" ] || REBUILT=$(realpath -m "$REBUILT")
cd "$(dirname "$0")/.."
[ $# -gt 0 ] ||
  { echo "usage: make verify ZIP=corvelle-VERSION-ARCH.zip (several: ZIP=\"a.zip b.zip\")" >&2
    exit 2; }
tools/install-deps.sh release

refuse() { echo "verify: $*"; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
declare -A rebuilt
status=0
for zip in "${zips[@]}"; do
  fact=$(python3 tools/verify_release.py info "$zip") || refuse "$fact"
  read -r version _ commit state <<<"$fact"
  name=$(basename "$zip")
  [ "$state" = clean ] ||
    refuse "$name was built from uncommitted changes to commit $commit; it cannot be rebuilt"
  git cat-file -e "$commit^{commit}" 2>/dev/null ||
    refuse "$name names commit $commit, which is not in this repository (git fetch it)"
  builds=$(git show "$commit:src/Version.h" |
             sed -n 's/^#define CORVELLE_VERSION_TEXT "\([^"]*\)"$/\1/p')
  [ "$builds" = "$version" ] ||
    refuse "$name holds version $version, but the commit it names ($commit) builds version $builds"
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
      refuse "this machine cannot rebuild commit $commit: make dist failed" \
        "($(grep -i -m 1 'error' "$log" | sed 's/^ *//'); all of it in $log)"
    fi
    rebuilt[$commit]="$tree/dist"
  fi
  python3 tools/verify_release.py compare "$zip" "${rebuilt[$commit]}" || status=1
done
exit $status
