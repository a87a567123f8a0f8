#!/usr/bin/env python3
"""Compares a downloaded release archive with a rebuild, signed or not.

  verify_release.py info ZIP             prints "VERSION ARCH COMMIT clean|dirty": the version and
                                         architecture of the archive's folder, the commit its
                                         README.txt names and whether that had uncommitted changes
  verify_release.py compare ZIP REBUILT  compares every file of ZIP with the archive named after
                                         ZIP's folder in the folder REBUILT, after removing the
                                         signatures from ZIP's programs; prints one line, exits 1
                                         on a difference
  verify_release.py hashes ZIP...        prints the SHA-256 of every program in the archives, with
                                         any signature removed, as SHA256SUMS-programs holds them

A publisher's signature (Authenticode) is a certificate table appended to a program: signing writes
its place into the PE header's security directory entry, pads the file to 8 bytes before it, and
recomputes the header's checksum. Removing it undoes all three, which gives back the linker's
output byte for byte. Bad input (no zip, no Corvelle release, no commit named) is one line and
exit code 2.
"""
import hashlib
import re
import struct
import sys
import zipfile
from pathlib import Path

COMMIT_LINE = re.compile(rb"built from commit ([0-9a-f]{40})(,? with uncommitted changes)?")


class BadInput(Exception):
    pass


def pe_layout(data: bytes):
    """Offsets of the checksum and of the security directory entry, and where the sections end."""
    if len(data) < 0x40 or data[:2] != b"MZ":
        raise BadInput("not a Windows program")
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0" or len(data) < pe + 24 + 96:
        raise BadInput("not a Windows program")
    sections, optional_size = struct.unpack_from("<H12xH", data, pe + 6)
    optional = pe + 24
    magic = struct.unpack_from("<H", data, optional)[0]
    directories = optional + (96 if magic == 0x10B else 112)
    table = optional + optional_size
    end = max((raw + raw_size for raw_size, raw in
               (struct.unpack_from("<16xII", data, table + 40 * i) for i in range(sections))),
              default=0)
    return optional + 64, directories + 4 * 8, end


def pe_checksum(data: bytes, checksum_offset: int) -> int:
    """The PE image checksum: 16-bit one's-complement sum of the file without the field, plus its
    length."""
    padded = data + b"\0" * (len(data) % 2)
    words = struct.unpack(f"<{len(padded) // 2}H", padded)
    total = sum(words) - sum(struct.unpack_from("<2H", data, checksum_offset))
    while total >> 16:
        total = (total & 0xFFFF) + (total >> 16)
    return (total + len(data)) & 0xFFFFFFFF


def strip_signature(data: bytes) -> bytes:
    """The program without its Authenticode signature; unsigned programs are returned unchanged."""
    checksum_offset, security_entry, sections_end = pe_layout(data)
    address, size = struct.unpack_from("<II", data, security_entry)
    if size == 0:
        return data
    if address + size != len(data) or address < sections_end:
        raise BadInput("has a signature that is not at its end")
    body = bytearray(data[:address])
    # The zeros signing put between the last section and the table, when the file did not end on
    # 8 bytes.
    if len(body) - sections_end < 8 and not any(body[sections_end:]):
        del body[sections_end:]
    struct.pack_into("<II", body, security_entry, 0, 0)
    struct.pack_into("<I", body, checksum_offset, pe_checksum(bytes(body), checksum_offset))
    return bytes(body)


def is_signed(data: bytes) -> bool:
    return struct.unpack_from("<I", data, pe_layout(data)[1] + 4)[0] != 0


def open_zip(path: Path) -> zipfile.ZipFile:
    try:
        archive = zipfile.ZipFile(path)
        bad = archive.testzip()
    except (OSError, zipfile.BadZipFile, EOFError) as e:
        raise BadInput(f"{path.name} is not a readable zip archive ({e})") from None
    if bad is not None:
        raise BadInput(f"{path.name} is a damaged zip archive ({bad} does not match its CRC)")
    return archive


def info(path: Path):
    """(version, architecture, commit, built from uncommitted changes) of a release archive."""
    with open_zip(path) as archive:
        folders = {name.split("/", 1)[0] for name in archive.namelist()}
        found = re.fullmatch(r"corvelle-(.+)-(x86|x64)", folders.pop()) if len(folders) == 1 else None
        if not found:
            raise BadInput(f"{path.name} is not a Corvelle release (one folder corvelle-VERSION-ARCH)")
        readme = f"{found.group(0)}/README.txt"
        commit = COMMIT_LINE.search(archive.read(readme)) if readme in archive.namelist() else None
        if not commit:
            raise BadInput(f"{path.name}: its README.txt names no commit to rebuild")
        return found.group(1), found.group(2), commit.group(1).decode(), bool(commit.group(2))


def compare(path: Path, rebuilt_dir: Path) -> str:
    """One line: identical, or the first file that differs and where."""
    version, arch, _, _ = info(path)  # by the folder inside, as a download may be renamed
    rebuilt_path = rebuilt_dir / f"corvelle-{version}-{arch}.zip"
    if not rebuilt_path.is_file():
        raise BadInput(f"the rebuild made no {rebuilt_path.name}")
    with open_zip(path) as ours, open_zip(rebuilt_path) as theirs:
        names, expected = ours.namelist(), theirs.namelist()
        for name in expected:
            if name not in names:
                return f"DIFFERS: {path.name} lacks {name}"
        signed = 0
        for name in names:
            if name not in expected:
                return f"DIFFERS: {path.name} holds {name}, which the rebuild does not"
            data, want = ours.read(name), theirs.read(name)
            if name.endswith(".exe"):
                try:
                    signed += is_signed(data)
                    data = strip_signature(data)
                except BadInput as e:
                    return f"DIFFERS: {name} {e}"
            if data != want:
                # A changed program has another checksum too: name the change itself.
                checksum = range(pe_layout(data)[0], pe_layout(data)[0] + 4) \
                    if name.endswith(".exe") else range(0)
                differ = [i for i, (a, b) in enumerate(zip(data, want)) if a != b]
                at = next((i for i in differ if i not in checksum),
                          min(len(data), len(want)) if len(data) != len(want) else differ[0])
                return (f"DIFFERS: {name} differs from the rebuild at byte {at:#x} "
                        f"({len(data)} bytes, the rebuild's {len(want)})")
    if not signed and path.read_bytes() != rebuilt_path.read_bytes():
        return (f"DIFFERS: {path.name} holds the same files as the rebuild, but the archive's bytes "
                "differ (names, order, times or attributes)")
    how = f"once {signed} signatures are removed" if signed else "to the byte"
    return f"identical: {path.name} is the same as the rebuild, {how}"


def hashes(paths) -> list:
    lines = []
    for path in paths:
        with open_zip(path) as archive:
            for name in sorted(n for n in archive.namelist() if n.endswith(".exe")):
                try:
                    data = strip_signature(archive.read(name))
                except BadInput as e:
                    raise BadInput(f"{path.name}: {name} {e}") from None
                lines.append(f"{hashlib.sha256(data).hexdigest()}  {name}")
    return lines


def main() -> int:
    command, args = sys.argv[1], [Path(a) for a in sys.argv[2:]]
    try:
        if command == "info":
            version, arch, commit, dirty = info(args[0])
            print(version, arch, commit, "dirty" if dirty else "clean")
            return 0
        if command == "hashes":
            print("\n".join(hashes(args)))
            return 0
        line = compare(args[0], args[1])
        print(line)
        return 0 if line.startswith("identical") else 1
    except BadInput as e:
        print(e)
        return 2


if __name__ == "__main__":
    sys.exit(main())
