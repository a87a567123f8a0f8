#!/bin/bash
# The release is reproducible and well formed. Builds it twice with `make dist`, from two clones of
# the current commit in two different folders, one after the other (so at two different times),
# and compares the two to the byte; on a difference it names the archive and the file in it that
# differ. Then checks the archives' contents (tools/check_release.py), and that a build of a tree
# with changes (a file deleted but still in git's index) is named -dirty and deletes no archive of
# another name. Uncommitted changes are not part of this: it tests what the commit builds.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh wine
[ -z "$(git status --porcelain)" ] ||
  echo "test-release: the tree has uncommitted changes; testing the commit $(git rev-parse --short HEAD)." >&2

base=$(mktemp -d)
trap 'rm -rf "$base"' EXIT
first="$base/one/corvelle"
second="$base/second-folder/a/corvelle"
for tree in "$first" "$second"; do
  git clone -q --no-local --no-hardlinks . "$tree"
  # The second build must not meet the first one's second on the clock.
  if [ "$tree" = "$second" ]; then
    sleep 2
    # An archive of another name, as an earlier release leaves it, is not make dist's to delete.
    mkdir "$second/dist"
    echo earlier >"$second/dist/corvelle-0.9-x86.zip"
  fi
  echo "test-release: make dist in $tree" >&2
  make -s -C "$tree" dist >/dev/null
done

if ! cmp -s "$first/dist/SHA256SUMS" "$second/dist/SHA256SUMS"; then
  echo "test-release: FAILED: two builds of the same commit differ:" >&2
  diff "$first/dist/SHA256SUMS" "$second/dist/SHA256SUMS" >&2 || true
  for zip in "$first"/dist/*.zip; do
    name=$(basename "$zip")
    cmp -s "$zip" "$second/dist/$name" && continue
    mkdir -p "$base/x1/$name" "$base/x2/$name"
    (cd "$base/x1/$name" && unzip -q "$zip")
    (cd "$base/x2/$name" && unzip -q "$second/dist/$name")
    report=$(diff -rq "$base/x1/$name" "$base/x2/$name" | sed "s#$base/x[12]/$name/##g" || true)
    if [ -n "$report" ]; then
      printf '%s\n' "$report" | sed "s#^#  $name: #" >&2
    else
      echo "  $name: the same files, different archive bytes (names, order, times or attributes)" >&2
    fi
  done
  exit 1
fi
python3 tools/check_release.py "$first/dist"

echo "test-release: make dist of a tree with the last listed file deleted" >&2
rm "$second/$(git -C "$second" ls-files | tail -n 1)"
make -s -C "$second" dist >/dev/null
version=$(sed -n 's/^#define CORVELLE_VERSION_TEXT "\([^"]*\)"$/\1/p' src/Version.h)
for kept in corvelle-0.9-x86.zip "corvelle-$version-x86.zip" "corvelle-$version-x64.zip"; do
  [ -e "$second/dist/$kept" ] || { echo "test-release: FAILED: make dist deleted $kept" >&2; exit 1; }
done
cmp -s "$first/dist/SHA256SUMS" "$second/dist/SHA256SUMS" ||
  { echo "test-release: FAILED: the dirty build changed SHA256SUMS" >&2; exit 1; }
(cd "$second/dist" && sha256sum --quiet -c SHA256SUMS-dirty) ||
  { echo "test-release: FAILED: no -dirty archives with their SHA256SUMS-dirty" >&2; exit 1; }
grep -q -- "-dirty-x64.zip" "$second/dist/SHA256SUMS-dirty" ||
  { echo "test-release: FAILED: the dirty build is not named -dirty" >&2; exit 1; }

echo "test-release: two builds in two folders are identical; the archives are well formed:" >&2
cat "$first/dist/SHA256SUMS"
