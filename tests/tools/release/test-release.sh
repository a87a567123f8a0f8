#!/bin/bash
# The release is reproducible, well formed, and can be signed and still checked. From two clones of
# the current commit in two different folders, one after the other (so at two different times):
# `make dist` unsigned in the first; in the second, `make dist` with certificates that must be
# refused (wrong password, expired, not a certificate, a timestamp server that does not answer),
# each with one line that names the cause and dist/ left as it was, then signed with a throw-away
# self-signed certificate and timestamped by a local server, which `osslsigncode verify` accepts. Both give the same programs
# (SHA256SUMS-programs). `make verify` then rebuilds the commit in a third folder and finds all four
# archives identical to the rebuild (the unsigned ones to the byte, which names any file that
# differs), and names the program in which a signed archive had a byte changed; damaged archives,
# another version, an unknown commit and a -dirty build each get one line and exit 1. The
# manifests are checked by tools/check_release.py (in make dist), which must see a wrong hash and
# a path the archive lacks. Last, a build of a tree with changes (a file deleted but still in git's
# index) is named -dirty and deletes no archive of another name. Uncommitted changes are not part
# of this: it tests what the commit builds.
set -euo pipefail
cd "$(dirname "$0")/.."
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
python3 tools/check_release.py "$first/dist"

# A throw-away publisher's certificate, and others that must be refused.
cert="$base/cert"
mkdir "$cert"
printf 'throw-away 7f3a\n' >"$cert/password"
printf 'not the password\n' >"$cert/wrong-password"
openssl req -x509 -newkey rsa:2048 -nodes -keyout "$cert/key.pem" -out "$cert/cert.pem" -days 2 \
  -subj "/CN=Corvelle test publisher" -addext extendedKeyUsage=codeSigning 2>/dev/null
openssl req -new -key "$cert/key.pem" -subj "/CN=Expired publisher" 2>/dev/null |
  openssl x509 -req -signkey "$cert/key.pem" -days -1 -out "$cert/expired.pem" 2>/dev/null
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
refused() {
  local cause=$1 p12=$2 password=$3 timestamp=${4:-} output
  if output=$(CORVELLE_SIGN_PKCS12=$p12 CORVELLE_SIGN_PASSWORD_FILE=$password \
                CORVELLE_SIGN_TIMESTAMP=$timestamp "$second/tools/dist.sh" 2>&1); then
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

sleep 2  # the second build must not meet the first one's second on the clock
echo "test-release: make dist in $second, signed and timestamped" >&2
CORVELLE_SIGN_PKCS12="$cert/cert.p12" CORVELLE_SIGN_PASSWORD_FILE="$cert/password" \
  CORVELLE_SIGN_TIMESTAMP=$timestamps make -s -C "$second" dist >/dev/null
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

echo "test-release: make verify of both releases against a rebuild" >&2
zips=$(echo "$first"/dist/*.zip "$second"/dist/corvelle-"$version"-*.zip)
make -s -C "$first" verify ZIP="$zips" >"$base/verify.out" || true
cat "$base/verify.out"
[ "$(grep -c '^identical' "$base/verify.out")" = 4 ] || fail "the releases are not all identical to a rebuild"

# verify must name the program with a changed byte, and refuse what it cannot rebuild, in one line.
mkdir "$base/changed" "$base/other"
python3 - "$second/dist/corvelle-$version-x86.zip" "$base" <<'EOF'
import re, sys, zipfile
source, base = sys.argv[1:]
folder = source.rsplit("/", 1)[1][:-4]
with zipfile.ZipFile(source) as archive:
    files = {info: archive.read(info) for info in archive.infolist()}
def write(path, change):
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as out:
        for info, data in files.items():
            name, data = change(info.filename, data)
            out.writestr(name, data)
def one_byte(name, data):
    if name.endswith("/corvelle-cli.exe"):
        data = data[:0x500] + bytes([data[0x500] ^ 1]) + data[0x501:]
    return name, data
write(f"{base}/changed/{folder}.zip", one_byte)
write(f"{base}/other/corvelle-0.9-x86.zip",
      lambda name, data: (name.replace(folder, "corvelle-0.9-x86"), data))
write(f"{base}/other/unknown-commit.zip", lambda name, data: (name, re.sub(
    rb"built from commit [0-9a-f]{40}", b"built from commit " + b"0" * 40, data)))
with open(source, "rb") as f:
    open(f"{base}/other/damaged.zip", "wb").write(f.read()[:5000])
EOF
expect_refusal() {
  local zip=$1 words=$2 output
  if output=$(make -s -C "$first" verify REBUILT="$first/dist" ZIP="$zip" 2>/dev/null); then
    fail "verify accepted $zip"
  fi
  [ "$(wc -l <<<"$output")" = 1 ] && [[ "$output" == *"$words"* ]] ||
    fail "verify of $(basename "$zip") did not say in one line '$words': $output"
}
expect_refusal "$base/changed/corvelle-$version-x86.zip" "corvelle-cli.exe differs from the rebuild at byte 0x500"
expect_refusal "$base/other/corvelle-0.9-x86.zip" "holds version 0.9"
expect_refusal "$base/other/unknown-commit.zip" "not in this repository"
expect_refusal "$base/other/damaged.zip" "not a readable zip archive"

# The manifests' check finds a wrong hash and a program the archive does not hold.
cp -r "$first/dist" "$base/manifests"
sed -i 's/InstallerSha256: .[0-9A-F]/InstallerSha256: '"'"'X/' \
  "$base/manifests/winget/$version/"*.installer.yaml
sed -i '0,/"corvelle.exe",/s//"corvelle-cmd.exe",/' "$base/manifests/corvelle.json"
if python3 tools/check_release.py "$base/manifests" >"$base/manifests.out"; then
  fail "check_release.py accepted manifests with a wrong hash and a missing program"
fi
grep -q "winget: wrong InstallerSha256" "$base/manifests.out" &&
  grep -q "corvelle-cmd.exe is not in" "$base/manifests.out" ||
  fail "check_release.py did not name the manifests' faults: $(cat "$base/manifests.out")"

echo "test-release: make dist of a tree with the last listed file deleted" >&2
rm "$second/$(git -C "$second" ls-files | tail -n 1)"
make -s -C "$second" dist >/dev/null
for kept in corvelle-0.9-x86.zip "corvelle-$version-x86.zip" "corvelle-$version-x64.zip"; do
  [ -e "$second/dist/$kept" ] || fail "make dist deleted $kept"
done
(cd "$second/dist" && sha256sum --quiet -c SHA256SUMS && sha256sum --quiet -c SHA256SUMS-dirty) ||
  fail "the dirty build changed the signed release, or wrote no -dirty archives with SHA256SUMS-dirty"
grep -q -- "-dirty-x64.zip" "$second/dist/SHA256SUMS-dirty" || fail "the dirty build is not named -dirty"
expect_refusal "$second/dist/corvelle-$version-dirty-x64.zip" "uncommitted changes"

echo "test-release: two builds in two folders are identical, the signed one once its signatures are removed; the archives and manifests are well formed:" >&2
cat "$first/dist/SHA256SUMS"
