#!/usr/bin/env python3
"""Compares a downloaded release archive with a rebuild, signed or not.

  verify-release.py info ZIP             prints "VERSION ARCH COMMIT clean|dirty": the version and
                                         architecture of the archive's folder, the commit its
                                         README.txt names and whether that had uncommitted changes
  verify-release.py compare ZIP REBUILT  prints one line: whether ZIP is identical to the archive
                                         of its name in the folder REBUILT (a `make dist` of its
                                         commit, unsigned), and if not, why; exits 1 if not
  verify-release.py hashes ZIP...        prints the SHA-256 of every program in the archives, with
                                         any signature removed, as SHA256SUMS-programs holds them

An archive is identical when its bytes are what the release's zip writer makes of the rebuild's
files, in the rebuild's order, with the programs replaced by the download's; when each downloaded
program, without its signature, is the rebuild's; and, for a signed archive, when every program's
signature is one Authenticode signature that verifies over that program, carries nothing
unsigned but a timestamp, and all programs are signed by one certificate. The line names the
archive, the full commit, and for a signed archive the signer's subject, the SHA-256 fingerprint of
its certificate and the timestamp. CERT_SHA256 (in the environment: fingerprints, separated by
spaces or commas; colons and case do not matter) makes a signer that is none of them "not
identical"; without it the line says "signer not checked".
"""
import hashlib
import os
import re
import sys
import zipfile
from pathlib import Path

import authenticode
import zipwriter
from pe import PeError, PeFile

COMMIT_LINE = re.compile(rb"built from commit ([0-9a-f]{40})(,? with uncommitted changes)?")


class BadInput(Exception):
    pass


def open_zip(path: Path) -> zipfile.ZipFile:
    try:
        archive = zipfile.ZipFile(path)
        bad = archive.testzip()
    except (OSError, zipfile.BadZipFile, EOFError, ValueError, NotImplementedError) as e:
        raise BadInput(f"{path.name} is not a readable zip archive ({e})") from None
    if bad is not None:
        raise BadInput(f"{path.name} is a damaged zip archive ({bad} does not match its CRC)")
    return archive


def info(path: Path):
    """(version, architecture, commit, built from uncommitted changes) of a release archive."""
    with open_zip(path) as archive:
        folders = {name.split("/", 1)[0] for name in archive.namelist()}
        found = (re.fullmatch(r"corvelle-(.+)-(x86|x64)", folders.pop()) if len(folders) == 1
                 else None)
        if not found:
            raise BadInput(f"{path.name} is not a Corvelle release "
                           "(one folder corvelle-VERSION-ARCH)")
        readme = f"{found.group(0)}/README.txt"
        commit = COMMIT_LINE.search(archive.read(readme)) if readme in archive.namelist() else None
        if not commit:
            raise BadInput(f"{path.name}: its README.txt names no commit to rebuild")
        return found.group(1), found.group(2), commit.group(1).decode(), bool(commit.group(2))


def wanted_fingerprints() -> set:
    text = os.environ.get("CERT_SHA256", "")
    found = {part.replace(":", "").lower() for part in re.split(r"[\s,]+", text) if part}
    bad = [f for f in found if not re.fullmatch(r"[0-9a-f]{64}", f)]
    if bad:
        raise BadInput(f"CERT_SHA256 holds {bad[0]}, which is not a SHA-256 fingerprint "
                       "(64 hexadecimal digits)")
    return found


def layout_fault(raw: bytes, archive: zipfile.ZipFile):
    """What makes an archive more than its entries, named; None if nothing of that kind."""
    names = archive.namelist()
    twice = sorted({name for name in names if names.count(name) > 1})
    if twice:
        return f"it holds {twice[0]} twice (an unzip tool may extract either)"
    if archive.comment:
        return "it has a zip comment"
    if not raw.startswith(b"PK\3\4") or min(i.header_offset for i in archive.infolist()) != 0:
        return "it has data before its first entry"
    if raw[-22:-18] != b"PK\5\6":
        return "it has data after its end"
    return None


def difference(name: str, data: bytes, want: bytes) -> str:
    differ = next((i for i, (a, b) in enumerate(zip(data, want)) if a != b), None)
    if name.endswith(".exe") and differ is not None:
        # A changed program has another checksum too: name the change itself.
        field = PeFile(data).checksum_offset
        differ = next((i for i, (a, b) in enumerate(zip(data, want))
                       if a != b and not field <= i < field + 4), differ)
    at = differ if differ is not None else min(len(data), len(want))
    return (f"{name.rsplit('/', 1)[-1]} differs from the rebuild at byte {at:#x} "
            f"({len(data)} bytes, the rebuild's {len(want)})")


def verdict(path: Path, rebuilt_dir: Path, fingerprints: set) -> tuple:
    """(identical, what was proved or what is wrong)."""
    raw = path.read_bytes()
    version, arch, commit, _ = info(path)  # by the folder inside, as a download may be renamed
    rebuilt_path = rebuilt_dir / f"corvelle-{version}-{arch}.zip"
    if not rebuilt_path.is_file():
        raise BadInput(f"{path.name}: the rebuild made no {rebuilt_path.name}")
    about = f"{path.name} (commit {commit})"
    with open_zip(path) as ours, open_zip(rebuilt_path) as theirs:
        fault = layout_fault(raw, ours)
        if fault:
            return False, f"{about}: {fault}"
        names, expected = ours.namelist(), theirs.namelist()
        for name in expected:
            if name not in names:
                return False, f"{about}: it lacks {name}"
        for name in names:
            if name not in expected:
                return False, f"{about}: it holds {name}, which the rebuild does not"
        entries, signers, unsigned = [], {}, []
        for name in expected:
            data, want = ours.read(name), theirs.read(name)
            entries.append((name, data))
            program = name.rsplit("/", 1)[-1]
            if name.endswith(".exe"):
                try:
                    pe = PeFile(data)
                    signers[program] = authenticode.check(pe)
                except authenticode.Unsigned:
                    unsigned.append(program)
                except (PeError, authenticode.BadSignature) as e:
                    return False, f"{about}: {program} {e}".replace(f"{program} the ",
                                                                     f"{program}: the ")
                data = pe.unsigned()
            if data != want:
                return False, f"{about}: {difference(name, data, want)}"
        date_time = theirs.infolist()[0].date_time
    if signers and unsigned:
        return False, (f"{about}: {unsigned[0]} is not signed, but {next(iter(signers))} is "
                       "(a signed release signs every program)")
    if raw != zipwriter.archive(entries, date_time):
        return False, (f"{about}: its bytes are not what the release's zip writer makes of its "
                       "files (order, compression, times or attributes differ)")
    if not signers:
        if fingerprints:
            return False, f"{about}: it is not signed, and CERT_SHA256 asks for a signer"
        return True, f"{about} is the release of that commit, unsigned, the same to the byte"
    if len({s.fingerprint for s in signers.values()}) > 1:
        return False, (f"{about}: its programs are signed by different certificates ("
                       + "; ".join(f"{p}: {s.subject}, SHA-256 {s.fingerprint}"
                                   for p, s in signers.items()) + ")")
    signer = next(iter(signers.values()))
    by = (f"signed by {signer.subject} (certificate SHA-256 {signer.fingerprint}), "
          + (f"timestamped {signer.timestamp}" if signer.timestamp else "not timestamped"))
    if fingerprints and signer.fingerprint not in fingerprints:
        return False, f"{about}: {by}: that certificate is not one of CERT_SHA256"
    trust = "signer is one of CERT_SHA256" if fingerprints else "signer not checked"
    return True, f"{about} is the release of that commit, {by}; {trust}"


def hashes(paths) -> list:
    lines = []
    for path in paths:
        with open_zip(path) as archive:
            for name in sorted(n for n in archive.namelist() if n.endswith(".exe")):
                try:
                    data = PeFile(archive.read(name)).unsigned()
                except PeError as e:
                    raise BadInput(f"{path.name}: {name} {e}") from None
                lines.append(f"{hashlib.sha256(data).hexdigest()}  {name}")
    return lines


def main() -> int:
    if len(sys.argv) < 3 or sys.argv[1] not in ("info", "compare", "hashes"):
        print(__doc__.split("\n\n")[1], file=sys.stderr)
        return 2
    command, args = sys.argv[1], [Path(a) for a in sys.argv[2:]]
    try:
        if command == "info":
            version, arch, commit, dirty = info(args[0])
            print(version, arch, commit, "dirty" if dirty else "clean")
            return 0
        if command == "hashes":
            print("\n".join(hashes(args)))
            return 0
        identical, line = verdict(args[0], args[1], wanted_fingerprints())
        print(("identical: " if identical else "not identical: ") + line)
        return 0 if identical else 1
    except BadInput as e:
        print(("not identical: " if command == "compare" else "") + str(e))
        return 1


if __name__ == "__main__":
    sys.exit(main())
