#!/usr/bin/env python3
"""Writes tampered and bad copies of a release archive for test-release.sh:
tamper.py SIGNED_ZIP UNSIGNED_ZIP BASE OLD_COMMIT < CASES

CASES has one "NAME WORDS" a line; BASE/bad/NAME is written for each (BASE holds the programs
that osslsigncode made: mallory-*.exe re-signed by another certificate, blob-*.exe with an
unauthenticated blob, and the unsigned corvelle.exe), and the lines are copied to BASE/expected.
The copies are written with the release's own zip writer, so that each has only its one fault.
"""
import re
import struct
import sys
import zipfile
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[3] / "tools" / "release"))
import authenticode  # noqa: E402
import zipwriter  # noqa: E402
from pe import PeFile  # noqa: E402

signed_zip, unsigned_zip, base, old_commit = sys.argv[1:5]
base = Path(base)
bad = base / "bad"


def read(path):
    with zipfile.ZipFile(path) as archive:
        return ([(i.filename, archive.read(i)) for i in archive.infolist()],
                archive.infolist()[0].date_time)


entries, stamp = read(signed_zip)
unsigned_entries, _ = read(unsigned_zip)
folder = entries[0][0].split("/")[0]
raw = Path(signed_zip).read_bytes()


def replaced(changes: dict, source=None):
    """The entries with the programs named in changes replaced: bytes, or a function of them."""
    return [(name, changes[name.rsplit("/", 1)[1]](data) if callable(
        changes.get(name.rsplit("/", 1)[1])) else changes.get(name.rsplit("/", 1)[1], data))
            for name, data in (source or entries)]


def program(name):
    return (base / name).read_bytes()


def flip_signature(data):
    pe = PeFile(data)
    top = authenticode.Node(pe.signature())
    signer = top.child(1).child(0).children()[-1].child(0)
    signature = signer.children()[5].content
    at = data.index(signature) + len(signature) // 2
    return data[:at] + bytes([data[at] ^ 1]) + data[at + 1:]


def grow_table(data):
    pe = PeFile(data)
    address, size = pe.certificate_table()
    grown = bytearray(data + b"\xa5" * 4096)
    struct.pack_into("<I", grown, pe.security_entry + 4, size + 4096)
    struct.pack_into("<I", grown, address, struct.unpack_from("<I", data, address)[0] + 4096)
    return bytes(grown)


def table_type(data):
    address, _ = PeFile(data).certificate_table()
    return data[:address + 6] + struct.pack("<H", 1) + data[address + 8:]


def flip(at):
    return lambda data: data[:at] + bytes([data[at] ^ 1]) + data[at + 1:]


def readme(change):
    return [(name, change(data) if name.endswith("/README.txt") else data)
            for name, data in entries]


def archive(items):
    return zipwriter.archive(items, stamp)


def with_comment(data):
    return data[:-2] + struct.pack("<H", 7) + b"comment"


def duplicate():
    import io
    import warnings
    buffer = io.BytesIO()
    warnings.simplefilter("ignore")
    with zipfile.ZipFile(buffer, "w", zipfile.ZIP_DEFLATED) as out:
        out.writestr(f"{folder}/corvelle.exe", program("mallory-corvelle.exe"))
        for name, data in entries:
            out.writestr(zipfile.ZipInfo(name, stamp), data)
    return buffer.getvalue()


cases = {
    "flipped-signature.zip": lambda: archive(replaced({"corvelle.exe": flip_signature})),
    "resigned-by-mallory.zip": lambda: archive(replaced({
        "corvelle.exe": program("mallory-corvelle.exe"),
        "corvelle-cli.exe": program("mallory-corvelle-cli.exe")})),
    "one-resigned.zip": lambda: archive(replaced({"corvelle.exe": program("mallory-corvelle.exe")})),
    "grown-certificate-table.zip": lambda: archive(replaced({"corvelle.exe": grow_table})),
    "unauthenticated-blob.zip": lambda: archive(replaced({
        "corvelle.exe": program("blob-corvelle.exe"),
        "corvelle-cli.exe": program("blob-corvelle-cli.exe")})),
    "duplicate-entry.zip": duplicate,
    "comment.zip": lambda: with_comment(raw),
    "prepended.zip": lambda: b"\0" * 512 + raw,
    "appended.zip": lambda: raw + b"appended",
    "not-a-zip.zip": lambda: b"not a zip archive\n",
    "damaged.zip": lambda: raw[:5000],
    "one-unsigned.zip": lambda: archive(replaced({"corvelle.exe": program("corvelle.exe")})),
    "other-version.zip": lambda: archive([(n.replace(folder, "corvelle-0.9-x86"), d)
                                          for n, d in entries]),
    "other-table-type.zip": lambda: archive(replaced({"corvelle.exe": table_type})),
    "truncated-program.zip": lambda: archive(replaced({"corvelle.exe": lambda d: d[:5000]})),
    "changed-byte.zip": lambda: archive(replaced({"corvelle-cli.exe": flip(0x500)},
                                                 unsigned_entries)),
    "changed-signed-program.zip": lambda: archive(replaced({"corvelle-cli.exe": flip(0x500)})),
    "unknown-commit.zip": lambda: archive(readme(lambda d: re.sub(
        rb"built from commit [0-9a-f]{40}", b"built from commit " + b"0" * 40, d))),
    "older-commit.zip": lambda: archive(readme(lambda d: re.sub(
        rb"built from commit [0-9a-f]{40}", b"built from commit " + old_commit.encode(), d))),
    "dirty.zip": lambda: archive(readme(lambda d: re.sub(
        rb"(built from commit [0-9a-f]{40})", rb"\1, with uncommitted changes", d))),
    "reordered.zip": lambda: archive(list(reversed(entries))),
}
lines = sys.stdin.read()
for line in lines.splitlines():
    name = line.split()[0]
    (bad / name).write_bytes(cases[name]())
(base / "expected").write_text(lines)
