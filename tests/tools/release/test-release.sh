#!/bin/bash
# The release is reproducible, well formed, and can be signed and still checked, and make verify
# says "identical" only for what is. Two builds of the current commit, in two clones in two
# different folders, one after the other (so at two different times): `make dist` unsigned in the
# first; in the second, `make dist` with inputs that must be refused before anything is built (a
# wrong password, a password file of two lines, an expired certificate, not a certificate, a
# timestamp server that does not answer, a publisher name that makes no winget identifier, an
# invalid CORVELLE_PACKAGE_ID), each with one line that names the cause and dist/ left as it was,
# then signed with a throw-away self-signed certificate (its password file ending in CRLF) and
# timestamped by a local server, which `osslsigncode verify` accepts, under a publisher name in
# Japanese. Both give the same programs (SHA256SUMS-programs). The first build is the rebuild
# (REBUILT=) that every `make verify` below compares with: the four honest archives are identical,
# naming the commit, and for the signed ones the signer, its fingerprint and the timestamp;
# CERT_SHA256 of the right certificate is accepted and of another refused. Then one `make verify`
# of tampered and bad archives, each of which must get its own not-identical line naming what is
# wrong, while the honest archive among them is still identical. The manifests' check
# (tools/release/check-release.py, run by make dist) must see a wrong hash, a path the archive
# lacks and a manifest its schema rejects. Last, a build of a tree with changes (a file deleted but
# still in git's index) is named -dirty and deletes no archive of another name (a third build).
# Uncommitted changes are not part of this: it tests what the commit builds.
set -euo pipefail
cd "$(dirname "$0")/../../.."
tools/install-deps.sh release
[ -z "$(git status --porcelain)" ] ||
  echo "test-release: the tree has uncommitted changes; testing the commit $(git rev-parse --short HEAD)." >&2

base=$(mktemp -d)
trap 'rm -rf "$base"' EXIT
fail() { echo "test-release: FAILED: $*" >&2; exit 1; }
first="$base/one/corvelle"
second="$base/second-folder/a/corvelle"
version=$(sed -n 's/^#define CORVELLE_VERSION_TEXT "\([^"]*\)"$/\1/p' src/Version.h)
for tree in "$first" "$second"; do
  git clone -q --no-local --no-hardlinks . "$tree"
done
echo "test-release: make dist in $first" >&2
make -s -C "$first" dist >/dev/null

# A throw-away publisher's certificate, and others that must be refused.
cert="$base/cert"
mkdir "$cert"
printf 'throw-away 7f3a\n' >"$cert/password"
printf 'not the password\n' >"$cert/wrong-password"
printf 'throw-away 7f3a\r\n' >"$cert/password-crlf"
printf 'throw-away 7f3a\nsecond line\n' >"$cert/password-two-lines"
openssl req -x509 -newkey rsa:2048 -nodes -keyout "$cert/key.pem" -out "$cert/cert.pem" -days 2 \
  -subj "/CN=Corvelle test publisher" -addext extendedKeyUsage=codeSigning 2>/dev/null
openssl req -new -key "$cert/key.pem" -subj "/CN=Expired publisher" 2>/dev/null |
  openssl x509 -req -signkey "$cert/key.pem" -days -1 -out "$cert/expired.pem" 2>/dev/null
openssl req -x509 -newkey rsa:2048 -nodes -keyout "$cert/mallory.key" -out "$cert/mallory.pem" \
  -days 2 -subj "/CN=Mallory Impostor" -addext extendedKeyUsage=codeSigning 2>/dev/null
for name in cert expired; do
  openssl pkcs12 -export -inkey "$cert/key.pem" -in "$cert/$name.pem" -out "$cert/$name.p12" \
    -passout "file:$cert/password"
done
echo "not a certificate" >"$cert/junk.p12"
# A timestamp server (RFC 3161 over HTTP) on this machine, answering with openssl's.
openssl req -x509 -newkey rsa:2048 -nodes -keyout "$cert/tsa.key" -out "$cert/tsa.pem" -days 2 \
  -subj "/CN=Corvelle test timestamps" -addext "extendedKeyUsage=critical,timeStamping" 2>/dev/null
printf '[tsa]\ndefault_tsa=t\n[t]\nserial=%s\nsigner_cert=%s\nsigner_key=%s\n' \
  "$cert/serial" "$cert/tsa.pem" "$cert/tsa.key" >"$cert/tsa.cnf"
printf 'signer_digest=sha256\ndefault_policy=1.2.3.4.1\ndigests=sha256\ness_cert_id_alg=sha256\n' \
  >>"$cert/tsa.cnf"
echo 01 >"$cert/serial"
python3 - "$cert" <<'EOF' &
import http.server, subprocess, sys
cert = sys.argv[1]
class Stamp(http.server.BaseHTTPRequestHandler):
    def do_POST(self):
        query = self.rfile.read(int(self.headers["Content-Length"]))
        reply = subprocess.run(["openssl", "ts", "-reply", "-config", f"{cert}/tsa.cnf",
                                "-queryfile", "/dev/stdin", "-out", "/dev/stdout"],
                               input=query, capture_output=True, check=True).stdout
        self.send_response(200)
        self.send_header("Content-Type", "application/timestamp-reply")
        self.send_header("Content-Length", str(len(reply)))
        self.end_headers()
        self.wfile.write(reply)
    def log_message(self, *args):
        pass
server = http.server.HTTPServer(("127.0.0.1", 0), Stamp)
open(f"{cert}/tsa.port.part", "w").write(str(server.server_port))
__import__("os").rename(f"{cert}/tsa.port.part", f"{cert}/tsa.port")
server.serve_forever()
EOF
tsa=$!
trap 'kill "$tsa"; rm -rf "$base"' EXIT
for _ in $(seq 50); do [ -e "$cert/tsa.port" ] && break; sleep 0.1; done
timestamps="http://127.0.0.1:$(cat "$cert/tsa.port")/"

# An archive of another name, as an earlier release leaves it, is not make dist's to delete.
mkdir "$second/dist"
echo earlier >"$second/dist/corvelle-0.9-x86.zip"
refused() {  # CAUSE P12 PASSWORD_FILE [TIMESTAMP_URL [NAME=VALUE...]]
  local cause=$1 p12=$2 password=$3 timestamp=${4:-} output
  if output=$(env CORVELLE_SIGN_PKCS12="$p12" CORVELLE_SIGN_PASSWORD_FILE="$password" \
                CORVELLE_SIGN_TIMESTAMP="$timestamp" "${@:5}" "$second/tools/release/dist.sh" 2>&1); then
    fail "make dist signed with $(basename "$p12") ($cause)"
  fi
  [[ "$(tail -n 1 <<<"$output")" == "dist: "*"$cause"* ]] ||
    fail "make dist with $(basename "$p12") did not end with one line naming '$cause': $output"
  ! grep -q -e throw-away -e "not the password" <<<"$output" || fail "make dist printed the password"
  [ "$(ls "$second/dist")" = corvelle-0.9-x86.zip ] || fail "a refused make dist changed dist/"
}
refused "does not open" "$cert/cert.p12" "$cert/wrong-password"
refused "expired" "$cert/expired.p12" "$cert/password"
refused "not a PKCS#12 file" "$cert/junk.p12" "$cert/password"
refused "timestamp server" "$cert/cert.p12" "$cert/password" http://127.0.0.1:9/
refused "must hold the password on one line" "$cert/cert.p12" "$cert/password-two-lines"
refused "gives no winget package identifier" "$cert/cert.p12" "$cert/password" "" \
  "CORVELLE_PUBLISHER=The Very Long Publisher Name Of Software Inc"
refused "is not a winget package identifier" "$cert/cert.p12" "$cert/password" "" \
  "CORVELLE_PACKAGE_ID=Corvelle"

sleep 2  # the second build must not meet the first one's second on the clock
echo "test-release: make dist in $second, signed and timestamped" >&2
CORVELLE_SIGN_PKCS12="$cert/cert.p12" CORVELLE_SIGN_PASSWORD_FILE="$cert/password-crlf" \
  CORVELLE_SIGN_TIMESTAMP=$timestamps CORVELLE_PUBLISHER="株式会社テスト" \
  make -s -C "$second" dist >/dev/null
[ -e "$second/dist/winget/$version/株式会社テスト.Corvelle.yaml" ] ||
  fail "the winget manifests are not named after the publisher: $(ls "$second/dist/winget/$version")"
cmp -s "$first/dist/SHA256SUMS-programs" "$second/dist/SHA256SUMS-programs" ||
  fail "the signed release's programs are not the unsigned release's once the signatures are removed"
mkdir "$base/signed"
(cd "$base/signed" && unzip -q "$second/dist/corvelle-$version-x86.zip" &&
   unzip -q "$second/dist/corvelle-$version-x64.zip")
for program in "$base"/signed/*/*.exe; do
  osslsigncode verify -CAfile "$cert/cert.pem" -TSA-CAfile "$cert/tsa.pem" -in "$program" \
    >"$base/verify.log" 2>&1 && grep -q "Timestamp Server Signature verification: ok" "$base/verify.log" ||
    fail "osslsigncode does not accept the signature and timestamp of $program: $(tail -n 3 "$base/verify.log")"
done

# osslsigncode's removal of a signature gives the bytes the release tools' own removal gives.
for program in "$base"/signed/*/corvelle.exe; do
  osslsigncode remove-signature -in "$program" -out "$base/removed.exe" >/dev/null
  sed -n "s#  .*/corvelle.exe\$##p" "$first/dist/SHA256SUMS-programs" |
    grep -qx "$(sha256sum <"$base/removed.exe" | cut -d' ' -f1)" ||
    fail "osslsigncode remove-signature does not give back the build of $program"
  rm "$base/removed.exe"
done

fingerprint=$(openssl x509 -in "$cert/cert.pem" -noout -fingerprint -sha256 | cut -d= -f2)
verify() {  # [NAME=VALUE...] -- ZIP...: make verify against the first build; output in $out
  local settings=()
  while [ "$1" != -- ]; do settings+=("$1"); shift; done
  shift
  status=0
  out=$(env "${settings[@]}" make -s -C "$first" verify REBUILT="$first/dist" ZIP="$*" \
          2>"$base/verify.err") || status=$?
}
echo "test-release: make verify of both releases against the first build" >&2
verify -- "$first"/dist/*.zip "$second"/dist/corvelle-"$version"-*.zip
echo "$out"
commit=$(git -C "$first" rev-parse HEAD)
proved="^identical: corvelle-$version-x[86][64].zip (commit $commit) is the release of that commit, "
signer="signed by CN=Corvelle test publisher (certificate SHA-256 $(tr -d : <<<"${fingerprint,,}")),"
[ "$status" = 0 ] && [ "$(grep -c "$proved" <<<"$out")" = 4 ] &&
  [ "$(grep -c "$signer timestamped 20[0-9-]* [0-9:]* UTC; signer not checked$" <<<"$out")" = 2 ] ||
  fail "the releases are not all identical to a rebuild, naming commit, signer and timestamp"
verify CERT_SHA256="$fingerprint" -- "$second/dist/corvelle-$version-x64.zip"
[ "$status" = 0 ] && [[ "$out" == *"; signer is one of CERT_SHA256" ]] ||
  fail "CERT_SHA256 of the signer's certificate is refused: $out"
verify CERT_SHA256="$(printf '%064d' 0)" -- "$second/dist/corvelle-$version-x64.zip"
[ "$status" != 0 ] &&
  [[ "$out" == "not identical: "*"that certificate is not one of CERT_SHA256" ]] ||
  fail "CERT_SHA256 of another certificate is accepted: $out"

# Tampered and bad archives, each named after what is wrong with it, and what verify must say.
mkdir "$base/bad"
git -C "$first" commit-tree -m "no release tools" "$(git -C "$first" mktree </dev/null)" \
  >"$base/old-commit"
for program in corvelle.exe corvelle-cli.exe; do
  osslsigncode remove-signature -in "$base/signed/corvelle-$version-x86/$program" \
    -out "$base/$program" >/dev/null
  osslsigncode sign -certs "$cert/mallory.pem" -key "$cert/mallory.key" -h sha256 \
    -in "$base/$program" -out "$base/mallory-$program" >/dev/null
  osslsigncode add -addUnauthenticatedBlob -in "$base/signed/corvelle-$version-x86/$program" \
    -out "$base/blob-$program" >/dev/null
done
python3 tests/tools/release/tamper.py "$second/dist/corvelle-$version-x86.zip" \
  "$first/dist/corvelle-$version-x86.zip" "$base" "$(cat "$base/old-commit")" <<'EOF'
flipped-signature.zip         corvelle.exe: the signature does not verify with its certificate
resigned-by-mallory.zip       signed by CN=Mallory Impostor
one-resigned.zip              its programs are signed by different certificates
grown-certificate-table.zip   bytes in its certificate table after the signature
unauthenticated-blob.zip      the signature carries unsigned data that is not a timestamp
duplicate-entry.zip           it holds corvelle-VERSION-x86/corvelle.exe twice
comment.zip                   it has a zip comment
prepended.zip                 it has data before its first entry
appended.zip                  it has data after its end
not-a-zip.zip                 is not a readable zip archive
damaged.zip                   is not a readable zip archive
one-unsigned.zip              corvelle.exe is not signed, but corvelle-cli.exe is
other-version.zip             it holds version 0.9, but that commit builds version VERSION
other-table-type.zip          corvelle.exe has a certificate table of type 0x0001
truncated-program.zip         corvelle.exe is truncated
changed-byte.zip              corvelle-cli.exe differs from the rebuild at byte 0x500
changed-signed-program.zip    corvelle-cli.exe: the signature is not over this program
unknown-commit.zip            this repository does not have that commit
older-commit.zip              that commit is older than the release tools
dirty.zip                     it was built from uncommitted changes
reordered.zip                 its bytes are not what the release's zip writer makes of its files
EOF
cp "$second/dist/corvelle-$version-x86.zip" "$base/bad/honest.zip"
# Relative paths are taken from the folder make is started in; one refusal does not stop the others.
if (cd "$base/bad" && env CERT_SHA256="$fingerprint" make -s -C "$first" verify \
      REBUILT="$first/dist" ZIP="$(ls | tr '\n' ' ')" >"$base/verify.out" 2>"$base/verify.err"); then
  fail "verify accepted tampered archives: $(cat "$base/verify.out")"
fi
cat "$base/verify.out"
[ "$(wc -l <"$base/verify.out")" = $(($(wc -l <"$base/expected") + 1)) ] ||
  fail "verify did not print one line per archive"
grep -qx "identical: honest.zip (commit $commit) is the release of that commit, $signer .*; signer is one of CERT_SHA256" \
  "$base/verify.out" || fail "the honest archive among tampered ones is not identical"
while read -r zip words; do
  line=$(grep -F -- "not identical: $zip" "$base/verify.out") &&
    [[ "$line" == *"${words//VERSION/$version}"* ]] ||
    fail "verify of $zip did not say '$words': ${line:-nothing}"
done <"$base/expected"

# The manifests' check finds a wrong hash and a program the archive does not hold.
cp -r "$first/dist" "$base/manifests"
sed -i 's/InstallerSha256: .[0-9A-F]/InstallerSha256: '"'"'X/' \
  "$base/manifests/winget/$version/"*.installer.yaml
sed -i '0,/"corvelle.exe",/s//"corvelle-cmd.exe",/' "$base/manifests/corvelle.json"
sed -i 's/"license": "MIT"/"license": 5/' "$base/manifests/corvelle.json"
if python3 tools/release/check-release.py "$base/manifests" >"$base/manifests.out"; then
  fail "check-release.py accepted manifests with a wrong hash and a missing program"
fi
grep -q "winget: wrong InstallerSha256" "$base/manifests.out" &&
  grep -q "winget: Corvelle.Corvelle.installer.yaml: not valid by winget-1.10.0/$(
            )manifest.installer.1.10.0.json at Installers/0/InstallerSha256" "$base/manifests.out" &&
  grep -q "corvelle.json: not valid by scoop/schema.json at license" "$base/manifests.out" &&
  grep -q "corvelle-cmd.exe is not in" "$base/manifests.out" ||
  fail "check-release.py did not name the manifests' faults: $(cat "$base/manifests.out")"

echo "test-release: make dist of a tree with the last listed file deleted" >&2
rm "$second/$(git -C "$second" ls-files | tail -n 1)"
make -s -C "$second" dist >/dev/null
for kept in corvelle-0.9-x86.zip "corvelle-$version-x86.zip" "corvelle-$version-x64.zip"; do
  [ -e "$second/dist/$kept" ] || fail "make dist deleted $kept"
done
(cd "$second/dist" && sha256sum --quiet -c SHA256SUMS && sha256sum --quiet -c SHA256SUMS-dirty) ||
  fail "the dirty build changed the signed release, or wrote no -dirty archives with SHA256SUMS-dirty"
grep -q -- "-dirty-x64.zip" "$second/dist/SHA256SUMS-dirty" || fail "the dirty build is not named -dirty"
verify -- "$second/dist/corvelle-$version-dirty-x64.zip"
[ "$status" != 0 ] && [[ "$out" == *"uncommitted changes"* ]] ||
  fail "verify accepted a -dirty build: $out"

echo "test-release: two builds in two folders are identical, the signed one once its signatures" \
  "are removed; make verify tells each tampered copy; the archives and manifests are well formed:" >&2
cat "$first/dist/SHA256SUMS"
