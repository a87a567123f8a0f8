"""Checks the Authenticode signature of a program (pe.PeFile) and says who signed it and when.

check(pe) returns a Signer or raises Unsigned/BadSignature with a sentence. It accepts only what
`make dist` writes: one signer, SHA-256, the signed attributes' digest of the signed content, that
content's digest of this very program, a signature over the signed attributes that verifies with
the signer's certificate (through openssl), and no unsigned attribute but one timestamp, whose own
signature verifies and which stamps this signature. It does not decide whether to trust the
signer: that is what its certificate's SHA-256 fingerprint is for (CERT_SHA256 in make verify).
"""
import datetime
import hashlib
import os
import subprocess
import tempfile
from dataclasses import dataclass

from pe import PeError, der_size

OID_SIGNED_DATA = "1.2.840.113549.1.7.2"
OID_SPC_INDIRECT_DATA = "1.3.6.1.4.1.311.2.1.4"
OID_CONTENT_TYPE = "1.2.840.113549.1.9.3"
OID_MESSAGE_DIGEST = "1.2.840.113549.1.9.4"
OID_SIGNING_TIME = "1.2.840.113549.1.9.5"
OID_COUNTERSIGNATURE = "1.2.840.113549.1.9.6"  # the older timestamp
OID_RFC3161_TIMESTAMP = "1.3.6.1.4.1.311.3.3.1"
OID_TST_INFO = "1.2.840.113549.1.9.16.1.4"
DIGESTS = {"2.16.840.1.101.3.4.2.1": "sha256", "2.16.840.1.101.3.4.2.2": "sha384",
           "2.16.840.1.101.3.4.2.3": "sha512", "1.3.14.3.2.26": "sha1"}
SHA256 = "2.16.840.1.101.3.4.2.1"
# How a signer may say it signed: RSA (PKCS#1 v1.5), alone or named with SHA-256, or ECDSA.
SIGNATURE_ALGORITHMS = {"1.2.840.113549.1.1.1", "1.2.840.113549.1.1.11", "1.2.840.10045.4.3.2",
                        "1.2.840.10045.2.1"}
VERSION_1 = b"\x02\x01\x01"


class Unsigned(Exception):
    pass


class BadSignature(Exception):
    pass


@dataclass
class Signer:
    subject: str
    fingerprint: str  # SHA-256 of the certificate, lower-case hex
    timestamp: str  # "" without one


class Node:
    """One DER value: its tag, its whole encoding (raw) and its contents."""

    def __init__(self, data: bytes, start: int = 0):
        size = der_size(data[start:])
        if size is None:
            raise BadSignature("the signature is not well-formed DER")
        self.tag = data[start]
        self.raw = data[start:start + size]
        header = 2 + (self.raw[1] & 0x7F if self.raw[1] & 0x80 else 0)
        self.content = self.raw[header:]

    def children(self):
        found, at = [], 0
        while at < len(self.content):
            child = Node(self.content, at)
            found.append(child)
            at += len(child.raw)
        return found

    def child(self, index, tag=None):
        children = self.children()
        if index >= len(children) or (tag is not None and children[index].tag != tag):
            raise BadSignature("the signature is not a PKCS#7 SignedData of Authenticode")
        return children[index]

    def oid(self) -> str:
        if self.tag != 0x06 or not self.content:
            raise BadSignature("the signature is not a PKCS#7 SignedData of Authenticode")
        first, value, parts = self.content[0], 0, []
        parts += [str(min(first // 40, 2)), str(first - 40 * min(first // 40, 2))]
        for byte in self.content[1:]:
            value = value << 7 | byte & 0x7F
            if not byte & 0x80:
                parts.append(str(value))
                value = 0
        return ".".join(parts)


def attributes(node: Node) -> dict:
    """{OID: [values]} of a SET of attributes; an attribute that comes twice is refused."""
    found = {}
    for attribute in node.children():
        if attribute.tag != 0x30:
            raise BadSignature("the signature has an attribute that is not one")
        oid = attribute.child(0).oid()
        if oid in found:
            raise BadSignature(f"the signature has attribute {oid} twice")
        found[oid] = attribute.child(1, 0x31).children()
    return found


def sha256_algorithm(node: Node, what: str) -> None:
    """An AlgorithmIdentifier must be SHA-256 with absent or NULL parameters, and nothing more."""
    parts = node.children() if node.tag == 0x30 else []
    if (not parts or parts[0].oid() != SHA256 or len(parts) > 2
            or (len(parts) == 2 and parts[1].raw != b"\x05\x00")):
        raise BadSignature(f"{what} is not of SHA-256 alone")


def openssl(*args, stdin=None) -> subprocess.CompletedProcess:
    return subprocess.run(["openssl", *args], input=stdin, capture_output=True)


def certificate_identity(certificate: Node):
    """(issuer, serial) of an X.509 certificate, as their DER."""
    tbs = certificate.child(0, 0x30)
    fields = tbs.children()
    if fields and fields[0].tag == 0xA0:  # [0] version
        fields = fields[1:]
    if len(fields) < 3:
        raise BadSignature("the signature holds a certificate that is not X.509")
    return fields[2].raw, fields[0].raw


def verify_signer(signer: Node, certificates: list, content_type: str, content: bytes,
                  what: str):
    """Checks one SignerInfo over content (the bytes its messageDigest covers); returns its
    certificate's DER and its signed attributes."""
    fields = signer.children()
    if len(fields) < 6 or fields[3].tag != 0xA0:
        raise BadSignature(f"{what} has no signed attributes")
    if signer.tag != 0x30 or [f.tag for f in fields[1:3]] != [0x30, 0x30] or fields[5].tag != 0x04:
        raise BadSignature(f"{what} is not a PKCS#7 SignerInfo")
    issuer_serial, digest_oid, signed, signature = fields[1], fields[2], fields[3], fields[5]
    algorithm = DIGESTS.get(digest_oid.child(0).oid())
    if algorithm is None:
        raise BadSignature(f"{what} uses an unknown digest")
    wanted = (issuer_serial.child(0).raw, issuer_serial.child(1).raw)
    certificate = next((c for c in certificates if certificate_identity(c) == wanted), None)
    if certificate is None:
        raise BadSignature(f"{what} does not hold its signer's certificate")
    signed_attributes = attributes(signed)
    if content_type and [v.oid() for v in signed_attributes.get(OID_CONTENT_TYPE, [])] != [
            content_type]:
        raise BadSignature(f"{what} signs another kind of content")
    digest = signed_attributes.get(OID_MESSAGE_DIGEST, [])
    if len(digest) != 1 or digest[0].content != hashlib.new(algorithm, content).digest():
        raise BadSignature(f"{what}'s signed attributes are not of its content")
    # The signature is over the signed attributes as a DER SET (tag 0x31 for the [0] stored).
    with tempfile.TemporaryDirectory() as folder:
        paths = {name: os.path.join(folder, name) for name in ("cert", "key", "sig", "data")}
        with open(paths["cert"], "wb") as f:
            f.write(certificate.raw)
        with open(paths["sig"], "wb") as f:
            f.write(signature.content)
        with open(paths["data"], "wb") as f:
            f.write(b"\x31" + signed.raw[1:])
        key = openssl("x509", "-inform", "DER", "-in", paths["cert"], "-noout", "-pubkey")
        with open(paths["key"], "wb") as f:
            f.write(key.stdout)
        result = openssl("dgst", f"-{algorithm}", "-verify", paths["key"], "-signature",
                         paths["sig"], paths["data"])
        if key.returncode or result.returncode:
            raise BadSignature(f"{what} does not verify with its certificate")
    return certificate, signed_attributes


def generalized_time(node: Node) -> str:
    text = node.content.decode("ascii", "replace")
    try:
        if node.tag == 0x17:  # UTCTime
            when = datetime.datetime.strptime(text[:12], "%y%m%d%H%M%S")
        else:
            when = datetime.datetime.strptime(text[:14], "%Y%m%d%H%M%S")
    except ValueError:
        raise BadSignature("the timestamp's time is unreadable") from None
    return when.strftime("%Y-%m-%d %H:%M:%S UTC")


def timestamp(unsigned: dict, certificates: list, signature: bytes) -> str:
    """The time of the one timestamp among the unsigned attributes, checked; "" without one."""
    others = sorted(set(unsigned) - {OID_COUNTERSIGNATURE, OID_RFC3161_TIMESTAMP})
    if others:
        raise BadSignature(f"the signature carries unsigned data that is not a timestamp "
                           f"(attribute {', '.join(others)})")
    stamps = [(oid, value) for oid, values in unsigned.items() for value in values]
    if not stamps:
        return ""
    if len(stamps) > 1:
        raise BadSignature("the signature carries more than one timestamp")
    oid, stamp = stamps[0]
    if oid == OID_COUNTERSIGNATURE:
        _, attributes_ = verify_signer(stamp, certificates, None, signature,
                                       "the timestamp")
        times = attributes_.get(OID_SIGNING_TIME, [])
        if len(times) != 1:
            raise BadSignature("the timestamp names no time")
        return generalized_time(times[0])
    # An RFC 3161 token: a SignedData of a TSTInfo, whose message imprint is the digest of the
    # signature it stamps. openssl checks the token's own signature (not whom its signer is).
    content = stamp.child(1, 0xA0).child(0, 0x30).child(2, 0x30)
    if content.child(0).oid() != OID_TST_INFO:
        raise BadSignature("the timestamp is not an RFC 3161 token")
    info = Node(content.child(1, 0xA0).child(0, 0x04).content)
    imprint = info.child(2, 0x30)
    algorithm = DIGESTS.get(imprint.child(0).child(0).oid())
    if algorithm is None or imprint.child(1).content != hashlib.new(algorithm, signature).digest():
        raise BadSignature("the timestamp is not of this signature")
    result = openssl("cms", "-verify", "-noverify", "-inform", "DER", "-binary", "-out",
                     os.devnull, stdin=stamp.raw)
    if result.returncode:
        raise BadSignature("the timestamp's signature does not verify")
    return generalized_time(info.child(4))


def check(pe) -> Signer:
    if not pe.signed:
        raise Unsigned("is not signed")
    try:
        data = pe.signature()
    except PeError as e:
        raise BadSignature(str(e)) from None
    try:
        return check_signed_data(pe, Node(data))
    except (BadSignature, UnicodeError):
        raise
    except (IndexError, ValueError) as e:
        raise BadSignature(f"the signature is malformed ({e})") from None


def check_signed_data(pe, top: Node) -> Signer:
    if top.tag != 0x30 or top.child(0).oid() != OID_SIGNED_DATA:
        raise BadSignature("the signature is not a PKCS#7 SignedData")
    if len(top.children()) != 2 or len(top.child(1, 0xA0).children()) != 1:
        raise BadSignature("the signature holds more than one SignedData")
    signed_data = top.child(1, 0xA0).child(0, 0x30)
    fields = signed_data.children()
    if len(fields) < 4 or fields[0].raw != VERSION_1 or fields[1].tag != 0x31:
        raise BadSignature("the signature is not a PKCS#7 SignedData of version 1")
    digests = fields[1].children()
    if len(digests) != 1:
        raise BadSignature("the signature names more than one digest")
    sha256_algorithm(digests[0], "the signature's digest")
    if [f.tag for f in fields[3:-1]] not in ([], [0xA0]):
        raise BadSignature("the signature holds more than certificates (revocation lists or "
                           "data of no kind it may have)")
    content_info = signed_data.child(2, 0x30)
    if content_info.child(0).oid() != OID_SPC_INDIRECT_DATA:
        raise BadSignature("the signature is not an Authenticode signature")
    indirect = content_info.child(1, 0xA0).child(0, 0x30)
    digest_info = indirect.child(1, 0x30)
    sha256_algorithm(digest_info.child(0), "the signed program's digest")
    if digest_info.child(1, 0x04).content != pe.authenticode_digest("sha256"):
        raise BadSignature("the signature is not over this program (its digest differs)")
    certificates = next((f.children() for f in fields[3:] if f.tag == 0xA0), [])
    signers = fields[-1].children() if fields[-1].tag == 0x31 else []
    if len(signers) != 1:
        raise BadSignature(f"the signature has {len(signers)} signers, not one")
    signer = signers[0]
    parts = signer.children()
    if len(parts) < 6 or parts[0].raw != VERSION_1:
        raise BadSignature("the signature's signer is not of version 1")
    sha256_algorithm(parts[2], "the signer's digest")
    algorithm = parts[4].children() if parts[4].tag == 0x30 else []
    if (not algorithm or algorithm[0].oid() not in SIGNATURE_ALGORITHMS or len(algorithm) > 2
            or (len(algorithm) == 2 and algorithm[1].raw != b"\x05\x00")):
        raise BadSignature("the signer names no signature algorithm of RSA or ECDSA")
    if len(parts) > 7 or (len(parts) == 7 and parts[6].tag != 0xA1):
        raise BadSignature("the signature's signer holds more than its attributes and signature")
    for certificate in certificates:
        if openssl("x509", "-inform", "DER", "-noout", stdin=certificate.raw).returncode:
            raise BadSignature("the signature holds a certificate that is not X.509")
    certificate, _ = verify_signer(signer, certificates, OID_SPC_INDIRECT_DATA,
                                   indirect.content, "the signature")
    last = signer.children()[-1]
    unsigned = attributes(last) if last.tag == 0xA1 else {}
    when = timestamp(unsigned, certificates, signer.children()[5].content)
    subject = openssl("x509", "-inform", "DER", "-noout", "-subject", "-nameopt", "RFC2253",
                      stdin=certificate.raw).stdout.decode("utf-8", "replace").strip()
    return Signer(subject.removeprefix("subject="),
                  hashlib.sha256(certificate.raw).hexdigest(), when)
