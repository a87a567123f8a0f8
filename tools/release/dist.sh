#!/bin/bash
# Builds the release from the current commit, in a clean build folder, and writes into dist/:
#   corvelle-VERSION-x86.zip, corvelle-VERSION-x64.zip
#       each holds the programs of its build, README.txt (installed by the build, which fills in the
#       banner's address and the commit), Corvelle's licence and that of the code they include
#       (Windows line ends) in one folder;
#   SHA256SUMS            the archives' checksums;
#   SHA256SUMS-programs   the programs' checksums as built, before any signature;
#   corvelle.json, winget/VERSION/   the manifests of the scoop and winget package managers
#       (tools/release/make-manifests.py), which find the archives under CORVELLE_SITE/download/.
# The result depends only on the commit: no build paths or clock times go into the executables or
# the archives; every date is the commit's. A tree with uncommitted changes is built as it stands,
# with "-dirty" in the archive names, its checksums in dist/SHA256SUMS-dirty and
# SHA256SUMS-programs-dirty, and no manifests, so that such a build is never taken for the
# commit's. Files of other names in dist/ are left as they are.
#
# A publisher signs every program (Authenticode, SHA-256) before it is zipped, with
#   CORVELLE_SIGN_PKCS12=FILE          the certificate and its key, a PKCS#12 file;
#   CORVELLE_SIGN_PASSWORD_FILE=FILE   a file holding its password on one line (ending in LF, CRLF
#                                      or nothing), which the tools read from there and no
#                                      command line carries;
#   CORVELLE_SIGN_TIMESTAMP=URL        optional, an RFC 3161 timestamp server.
# CORVELLE_PUBLISHER names the publisher in the manifests (default Corvelle); winget's package
# identifier is made of it, or set with CORVELLE_PACKAGE_ID where it makes none. The certificate is
# tried on a small program before the build, so that a wrong password, an expired or unreadable
# certificate or a timestamp server that does not answer stops it at once with one line. Each
# signed archive must be identical to the unsigned one by tools/release/verify-release.py, as
# make verify will find it: signatures that verify, and the unsigned programs once they are
# removed. Everything is written to a staging folder, checked by tools/release/check-release.py
# and moved into dist/ only when whole, so that a failure leaves dist/ as it was.
set -euo pipefail
# The certificate's files may be named relative to where this is started.
p12=${CORVELLE_SIGN_PKCS12:+$(realpath -m "$CORVELLE_SIGN_PKCS12")}
password=${CORVELLE_SIGN_PASSWORD_FILE:+$(realpath -m "$CORVELLE_SIGN_PASSWORD_FILE")}
timestamp=${CORVELLE_SIGN_TIMESTAMP:-}
cd "$(dirname "$0")/../.."
tools/install-deps.sh release

fail() { echo "dist: $*" >&2; exit 1; }
sums=SHA256SUMS
version=$(sed -n 's/^#define CORVELLE_VERSION_TEXT "\([^"]*\)"$/\1/p' src/Version.h)
[ -n "$version" ] || fail "no version in src/Version.h"
commit=$(git rev-parse HEAD)
built_from=$commit
export SOURCE_DATE_EPOCH
SOURCE_DATE_EPOCH=$(git log -1 --format=%ct HEAD)

publisher=${CORVELLE_PUBLISHER:-Corvelle}
why=$(python3 tools/release/make-manifests.py --identifier "$publisher") || fail "$why"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/src" "$work/out" "$work/unsigned"

# osslsigncode signs FILE in place with the publisher's certificate; its messages go to
# $work/sign.log (they never hold the password).
sign() {
  local file=$1
  shift
  osslsigncode sign -pkcs12 "$p12" -readpass "$password" -h sha256 -n Corvelle "$@" \
    -in "$file" -out "$file.signed" >"$work/sign.log" 2>&1 && mv "$file.signed" "$file"
}
osslsigncode_error() {
  { grep -v -E '^\s*(Connecting to .*|Failed|Succeeded)?\s*$' "$work/sign.log" || true; } |
    head -n 1
}

if [ -n "$p12$password" ]; then
  [ -n "$p12" ] && [ -n "$password" ] ||
    fail "CORVELLE_SIGN_PKCS12 and CORVELLE_SIGN_PASSWORD_FILE go together:" \
      "set both to sign, neither to build unsigned"
  [ -f "$p12" ] && [ -r "$p12" ] || fail "cannot read the certificate file $p12"
  [ -f "$password" ] && [ -r "$password" ] || fail "cannot read the password file $password"
  # The password is the file's one line without its line end: openssl and osslsigncode take a
  # CR or a second line differently, so both are given a copy that holds the password alone.
  python3 - "$password" "$work/password" <<'EOF' ||
import os, sys
data = open(sys.argv[1], "rb").read()
for end in (b"\r\n", b"\n"):
    if data.endswith(end):
        data = data[:-len(end)]
        break
if b"\n" in data or b"\r" in data:
    sys.exit(1)
fd = os.open(sys.argv[2], os.O_WRONLY | os.O_CREAT | os.O_EXCL, 0o600)
os.write(fd, data)
os.close(fd)
EOF
    fail "the password file $password must hold the password on one line"
  password_file=$password
  password="$work/password"
  openssl asn1parse -inform DER -in "$p12" >/dev/null 2>&1 ||
    fail "the certificate file $p12 is not a PKCS#12 file (it is damaged or of another kind)"
  pem="$work/certificate.pem"
  openssl pkcs12 -in "$p12" -passin "file:$password" -nokeys -clcerts -out "$pem" 2>/dev/null ||
    openssl pkcs12 -legacy -in "$p12" -passin "file:$password" -nokeys -clcerts -out "$pem" \
      2>/dev/null ||
    fail "the password in $password_file does not open the certificate file $p12"
  grep -q 'BEGIN CERTIFICATE' "$pem" || fail "the certificate file $p12 holds no certificate"
  subject=$(openssl x509 -in "$pem" -noout -subject -nameopt oneline | sed 's/^subject=//')
  end=$(openssl x509 -in "$pem" -noout -enddate | cut -d= -f2)
  openssl x509 -in "$pem" -noout -checkend 0 >/dev/null ||
    fail "the certificate in $p12 ($subject) expired on $end"
  start=$(openssl x509 -in "$pem" -noout -startdate | cut -d= -f2)
  [ "$(date -d "$start" +%s)" -le "$(date +%s)" ] ||
    fail "the certificate in $p12 ($subject) is not valid before $start"
  echo "dist: trying the certificate of $subject on a small program..." >&2
  printf 'int main(void) { return 0; }\n' | x86_64-w64-mingw32-gcc -x c - -o "$work/trial.exe"
  cp "$work/trial.exe" "$work/trial-untimed.exe"
  if ! sign "$work/trial.exe" ${timestamp:+-ts "$timestamp"}; then
    error=$(osslsigncode_error)
    if [ -n "$timestamp" ] && sign "$work/trial-untimed.exe"; then
      fail "the timestamp server $timestamp gave no timestamp (unreachable or refused): $error"
    fi
    fail "osslsigncode cannot sign with the certificate file $p12: $error"
  fi
fi

if [ -z "$(git status --porcelain)" ]; then
  git archive --format=tar HEAD | tar -x -C "$work/src"
else
  echo "dist: the tree has uncommitted changes; building it as it stands, named -dirty." >&2
  version="$version-dirty" sums=SHA256SUMS-dirty built_from="$commit, with uncommitted changes"
  # Files deleted but still in git's index are left out (an if, so that the loop's status is 0).
  git ls-files -z --cached --others --exclude-standard |
    while IFS= read -r -d '' f; do if [ -e "$f" ]; then printf '%s\0' "$f"; fi; done |
    tar --null -T - -c | tar -x -C "$work/src"
fi
program_sums=${sums/SHA256SUMS/SHA256SUMS-programs}

for arch in x86 x64; do
  preset=windows
  [ "$arch" = x86 ] && preset=windows-x86
  name="corvelle-$version-$arch"
  echo "dist: building the $arch programs of ${commit:0:7}..." >&2
  (cd "$work/src" &&
     cmake --preset "$preset" -DCORVELLE_TESTS=OFF -DCORVELLE_COMMIT="$built_from" >/dev/null &&
     cmake --build --preset "$preset" >/dev/null &&
     cmake --install "build/$preset" --prefix "$work/stage-$arch" >/dev/null)
  site=$(sed -n 's/^CORVELLE_SITE:STRING=//p' "$work/src/build/$preset/CMakeCache.txt")
  # Corvelle's licence, and that of giflib's decoder, which the programs carry, go with every copy.
  cp "$work/src/LICENSE" "$work/stage-$arch/LICENSE.txt"
  cp "$work/src/third_party/giflib/COPYING" "$work/stage-$arch/giflib-COPYING.txt"
  python3 tools/release/make-zip.py "$work/unsigned/$name.zip" "$name" "$work/stage-$arch"
  if [ -z "$p12" ]; then
    cp "$work/unsigned/$name.zip" "$work/out/"
    continue
  fi
  for program in "$work/stage-$arch"/*.exe; do
    sign "$program" -i "$site" ${timestamp:+-ts "$timestamp"} ||
      fail "signing $(basename "$program") failed: $(osslsigncode_error)"
  done
  python3 tools/release/make-zip.py "$work/out/$name.zip" "$name" "$work/stage-$arch"
  # What anyone who checks the download will do: check the signatures, remove them, compare.
  line=$(CERT_SHA256='' python3 tools/release/verify-release.py compare "$work/out/$name.zip" \
           "$work/unsigned") || fail "the signed archive is not the build: $line"
done
(cd "$work/out" && sha256sum "corvelle-$version-x86.zip" "corvelle-$version-x64.zip" >"$sums")
python3 tools/release/verify-release.py hashes "$work/unsigned/corvelle-$version-x86.zip" \
  "$work/unsigned/corvelle-$version-x64.zip" >"$work/out/$program_sums"
if [ "$sums" = SHA256SUMS ]; then
  python3 tools/release/make-manifests.py "$work/out" "$version" "$site" "$publisher"
fi
python3 tools/release/check-release.py "$work/out" "$sums" >&2 ||
  fail "the release is not well formed (above)"

mkdir -p dist
if [ -d "$work/out/winget" ]; then
  mkdir -p dist/winget
  rm -rf "dist/winget/$version"
  mv "$work/out/winget/$version" dist/winget/
  rmdir "$work/out/winget"
fi
for file in "$work/out"/*; do
  rm -f "dist/${file##*/}"
  mv "$file" dist/
done
echo "dist: release of ${commit:0:7}${p12:+, signed by $subject,} in dist/:" >&2
cat "dist/$sums"
