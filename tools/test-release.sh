#!/bin/bash
# The release is reproducible and well formed. Builds it twice with `make dist`, from two clones of
# the current commit in two different folders, one after the other (so at two different times),
# and compares the two to the byte; on a difference it names the archive and the file in it that
# differ. Then checks the archives' contents (tools/check_release.py). Uncommitted changes are not
# part of this: it tests what the commit builds.
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
  [ "$tree" = "$second" ] && sleep 2
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
echo "test-release: two builds in two folders are identical; the archives are well formed:" >&2
cat "$first/dist/SHA256SUMS"
