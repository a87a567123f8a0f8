#!/usr/bin/env python3
"""Checks the release in a dist folder: check_release.py DIST.

SHA256SUMS names both archives with their right checksums; each archive holds one folder with
README.txt in Windows line ends with the banner's address filled in, the licences, and the programs
of its build; every program is a Windows program of the archive's architecture whose manifest
names that same architecture (Windows refuses to start a program whose manifest names another one,
and Wine does not check), and it imports system DLLs only. Both programs, the window and the
command line, are in each. Prints one line per fault and exits 1 if there is any.
"""
import hashlib
import re
import struct
import sys
import zipfile
from pathlib import Path

PROGRAMS = ("corvelle.exe", "corvelle-cli.exe")
MACHINES = {"x86": (0x014C, "x86"), "x64": (0x8664, "amd64")}
SYSTEM_DLLS = {
    "advapi32.dll", "comctl32.dll", "gdi32.dll", "kernel32.dll", "msimg32.dll", "msvcrt.dll",
    "ole32.dll", "oleaut32.dll", "shell32.dll", "shlwapi.dll", "user32.dll", "uxtheme.dll",
}


def pe_machine(data: bytes) -> int:
    if data[:2] != b"MZ":
        return -1
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        return -1
    return struct.unpack_from("<H", data, pe + 4)[0]


def imported_dlls(data: bytes) -> set:
    """The DLL names of the import table, read through the section table."""
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    sections, optional_size = struct.unpack_from("<H12xH", data, pe + 6)
    optional = pe + 24
    magic = struct.unpack_from("<H", data, optional)[0]
    directories = optional + (96 if magic == 0x10B else 112)
    import_rva = struct.unpack_from("<I", data, directories + 8)[0]
    table = optional + optional_size
    spans = [struct.unpack_from("<8xIIII", data, table + 40 * i) for i in range(sections)]

    def offset(rva: int) -> int:
        for size, address, raw_size, raw in spans:
            if address <= rva < address + max(size, raw_size):
                return raw + rva - address
        raise ValueError(f"address {rva:#x} is in no section")

    names = set()
    entry = offset(import_rva)
    while True:
        name_rva = struct.unpack_from("<I", data, entry + 12)[0]
        if name_rva == 0:
            return names
        start = offset(name_rva)
        names.add(data[start:data.index(b"\0", start)].decode("ascii").lower())
        entry += 20


def check_archive(path: Path, arch: str, faults: list) -> None:
    machine, manifest_arch = MACHINES[arch]
    with zipfile.ZipFile(path) as archive:
        names = archive.namelist()
        folder = path.stem
        if any(not name.startswith(folder + "/") for name in names):
            faults.append(f"{path.name}: not everything is in the folder {folder}/")
        for licence in ("LICENSE.txt", "giflib-COPYING.txt"):
            if f"{folder}/{licence}" not in names:
                faults.append(f"{path.name}: no {licence} (the licence of its code)")
        if folder + "/README.txt" not in names:
            faults.append(f"{path.name}: no README.txt")
        else:
            text = archive.read(folder + "/README.txt")
            if b"\n" in text.replace(b"\r\n", b"") or b"\r\n" not in text:
                faults.append(f"{path.name}: README.txt does not have Windows line ends only")
            if b"@CORVELLE_SITE@" in text:
                faults.append(f"{path.name}: README.txt does not name the banner's address")
        programs = [name for name in names if name.endswith(".exe")]
        for program in PROGRAMS:
            if f"{folder}/{program}" not in programs:
                faults.append(f"{path.name}: no {program}")
        for name in programs:
            data = archive.read(name)
            if pe_machine(data) != machine:
                faults.append(f"{path.name}: {name} is not an {arch} Windows program")
                continue
            found = re.search(rb'<assemblyIdentity[^>]*name="Corvelle"[^>]*'
                              rb'processorArchitecture="([^"]*)"', data)
            if not found:
                faults.append(f"{path.name}: {name} has no manifest naming its architecture")
            elif found.group(1).decode() != manifest_arch:
                faults.append(f"{path.name}: {name}'s manifest names {found.group(1).decode()}, "
                              f"not {manifest_arch}")
            foreign = imported_dlls(data) - SYSTEM_DLLS
            if foreign:
                faults.append(f"{path.name}: {name} imports {', '.join(sorted(foreign))}")


def main() -> int:
    dist = Path(sys.argv[1])
    faults = []
    sums = {}
    for line in (dist / "SHA256SUMS").read_text().splitlines():
        digest, name = line.split(maxsplit=1)
        sums[name.lstrip("*")] = digest
    for arch in MACHINES:
        matches = [name for name in sums if name.endswith(f"-{arch}.zip")]
        if len(matches) != 1:
            faults.append(f"SHA256SUMS: {len(matches)} archives for {arch}")
            continue
        path = dist / matches[0]
        if hashlib.sha256(path.read_bytes()).hexdigest() != sums[matches[0]]:
            faults.append(f"SHA256SUMS: wrong checksum for {path.name}")
        check_archive(path, arch, faults)
    for fault in faults:
        print(f"release: {fault}")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
