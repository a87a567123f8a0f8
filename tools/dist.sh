#!/bin/bash
# Builds the release from the current commit, in a clean build folder, and writes
#   dist/corvelle-VERSION-x86.zip, dist/corvelle-VERSION-x64.zip and dist/SHA256SUMS.
# Each archive holds the programs of its build, README.txt (installed by the build, which fills in
# the banner's address), Corvelle's licence and that of the code they include (Windows line ends)
# in one folder.
# The result depends only on the commit: no build paths or clock times go into the executables or
# the archives; every date is the commit's. A tree with uncommitted changes is built as it stands,
# with "-dirty" in the archive names and its checksums in dist/SHA256SUMS-dirty, so that such a
# build is never taken for the commit's. Files of other names in dist/ are left as they are.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh wine

sums=SHA256SUMS
version=$(sed -n 's/^#define CORVELLE_VERSION_TEXT "\([^"]*\)"$/\1/p' src/Version.h)
[ -n "$version" ] || { echo "dist: no version in src/Version.h" >&2; exit 1; }
commit=$(git rev-parse --short HEAD)
export SOURCE_DATE_EPOCH
SOURCE_DATE_EPOCH=$(git log -1 --format=%ct HEAD)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/src"
if [ -z "$(git status --porcelain)" ]; then
  git archive --format=tar HEAD | tar -x -C "$work/src"
else
  echo "dist: the tree has uncommitted changes; building it as it stands, named -dirty." >&2
  version="$version-dirty" sums=SHA256SUMS-dirty
  # Files deleted but still in git's index are left out (an if, so that the loop's status is 0).
  git ls-files -z --cached --others --exclude-standard |
    while IFS= read -r -d '' f; do if [ -e "$f" ]; then printf '%s\0' "$f"; fi; done |
    tar --null -T - -c | tar -x -C "$work/src"
fi

mkdir -p dist
rm -f "dist/$sums" "dist/corvelle-$version-x86.zip" "dist/corvelle-$version-x64.zip"
for arch in x86 x64; do
  preset=windows
  [ "$arch" = x86 ] && preset=windows-x86
  echo "dist: building the $arch programs of $commit..." >&2
  (cd "$work/src" &&
     cmake --preset "$preset" -DCORVELLE_TESTS=OFF >/dev/null &&
     cmake --build --preset "$preset" >/dev/null &&
     cmake --install "build/$preset" --prefix "$work/stage-$arch" >/dev/null)
  # Corvelle's licence, and that of giflib's decoder, which the programs carry, go with every copy.
  cp "$work/src/LICENSE" "$work/stage-$arch/LICENSE.txt"
  cp "$work/src/third_party/giflib/COPYING" "$work/stage-$arch/giflib-COPYING.txt"
  python3 tools/make_zip.py "dist/corvelle-$version-$arch.zip" "corvelle-$version-$arch" \
    "$work/stage-$arch"
done
(cd dist && sha256sum "corvelle-$version-x86.zip" "corvelle-$version-x64.zip" >"$sums")
echo "dist: release of $commit in dist/:" >&2
cat "dist/$sums"
