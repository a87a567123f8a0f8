#!/usr/bin/env python3
"""Checks the release in a dist folder: check-release.py DIST.

SHA256SUMS names both archives with their right checksums; each archive holds one folder with
README.txt in Windows line ends with the banner's address filled in, the licences, and the programs
of its build; every program is a Windows program of the archive's architecture whose manifest
names that same architecture (Windows refuses to start a program whose manifest names another one,
and Wine does not check), and it imports system DLLs only. Both programs, the window and the
command line, are in each. SHA256SUMS-programs holds the programs' checksums without any signature.
The package managers' manifests, where there are any, name every archive with its checksum and its
address under the site's download/ folder, and only paths that are in the archive, and each is
valid by its package manager's published schema (schemas/: winget's 1.10.0 manifests, scoop's
schema.json), read offline. Prints one line per fault and exits 1 if there is any.
check-release.py DIST SHA256SUMS-dirty checks a -dirty build's files.
"""
import hashlib
import json
import re
import sys
import zipfile
from pathlib import Path

import jsonschema
import yaml

from pe import PeError, PeFile

SCHEMAS = Path(__file__).resolve().parent / "schemas"

PROGRAMS = ("corvelle.exe", "corvelle-cli.exe")
MACHINES = {"x86": (0x014C, "x86"), "x64": (0x8664, "amd64")}
SYSTEM_DLLS = {
    "advapi32.dll", "comctl32.dll", "gdi32.dll", "kernel32.dll", "msimg32.dll", "msvcrt.dll",
    "ole32.dll", "oleaut32.dll", "shell32.dll", "shlwapi.dll", "user32.dll", "uxtheme.dll",
}


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
            try:
                pe = PeFile(data)
                imported = pe.import_dlls()
            except PeError as e:
                faults.append(f"{path.name}: {name} {e}")
                continue
            if pe.machine != machine:
                faults.append(f"{path.name}: {name} is not an {arch} Windows program")
                continue
            found = re.search(rb'<assemblyIdentity[^>]*name="Corvelle"[^>]*'
                              rb'processorArchitecture="([^"]*)"', data)
            if not found:
                faults.append(f"{path.name}: {name} has no manifest naming its architecture")
            elif found.group(1).decode() != manifest_arch:
                faults.append(f"{path.name}: {name}'s manifest names {found.group(1).decode()}, "
                              f"not {manifest_arch}")
            foreign = imported - SYSTEM_DLLS
            if foreign:
                faults.append(f"{path.name}: {name} imports {', '.join(sorted(foreign))}")


def program_hashes(paths) -> list:
    """SHA256SUMS-programs' lines: each program's SHA-256 without its signature."""
    lines = []
    for path in paths:
        with zipfile.ZipFile(path) as archive:
            for name in sorted(n for n in archive.namelist() if n.endswith(".exe")):
                data = PeFile(archive.read(name)).unsigned()
                lines.append(f"{hashlib.sha256(data).hexdigest()}  {name}")
    return lines


def sha256(path: Path) -> str:
    return hashlib.sha256(path.read_bytes()).hexdigest()


def schema_faults(what: str, manifest, schema_path: Path) -> list:
    """One line for each place where manifest breaks the schema (a draft-07 JSON schema that
    refers to nothing outside itself)."""
    schema = json.loads(schema_path.read_text(encoding="utf-8"))
    validator = jsonschema.Draft7Validator(schema)
    return [f"{what}: not valid by {schema_path.parent.name}/{schema_path.name} at "
            f"{'/'.join(map(str, error.absolute_path)) or 'its top'}: {error.message}"
            for error in sorted(validator.iter_errors(manifest), key=lambda e: list(e.path))]


def check_scoop(dist: Path, zips: dict, contents: dict, faults: list) -> None:
    manifest = json.loads((dist / "corvelle.json").read_text())
    faults += schema_faults("corvelle.json", manifest, SCHEMAS / "scoop" / "schema.json")
    site = manifest["homepage"]
    for arch, scoop_arch in (("x86", "32bit"), ("x64", "64bit")):
        entry, name = manifest["architecture"][scoop_arch], zips[arch]
        later = manifest["autoupdate"]["architecture"][scoop_arch]
        if entry["url"] != f"{site}/download/{name}" or later["url"].replace(
                "$version", manifest["version"]) != entry["url"]:
            faults.append(f"corvelle.json: {scoop_arch} is not from {site}/download/{name}")
        if entry["hash"] != sha256(dist / name):
            faults.append(f"corvelle.json: wrong hash for {name}")
        for path in manifest["bin"] + [shortcut[0] for shortcut in manifest["shortcuts"]]:
            if f"{entry['extract_dir']}/{path}" not in contents[arch]:
                faults.append(f"corvelle.json: {entry['extract_dir']}/{path} is not in {name}")
    found = re.search(manifest["checkver"]["regex"], (dist / "SHA256SUMS").read_text())
    if not found or found.group(1) != manifest["version"]:
        faults.append(f"corvelle.json: checkver does not find {manifest['version']} in SHA256SUMS")


def check_winget(dist: Path, version: str, zips: dict, contents: dict, faults: list) -> None:
    files = {}
    for path in sorted((dist / "winget" / version).iterdir()):
        manifest = yaml.safe_load(path.read_text(encoding="utf-8"))
        files[manifest["ManifestType"]] = manifest
        schema = SCHEMAS / "winget-1.10.0" / f"manifest.{manifest['ManifestType']}.1.10.0.json"
        if schema.is_file():
            faults += schema_faults(f"winget: {path.name}", manifest, schema)
    if sorted(files) != ["defaultLocale", "installer", "version"]:
        faults.append(f"winget: manifests {sorted(files)}, not version, installer, defaultLocale")
        return
    for kind, manifest in files.items():
        if (manifest["PackageIdentifier"], manifest["PackageVersion"]) != (
                files["version"]["PackageIdentifier"], version):
            faults.append(f"winget: the {kind} manifest names another package or version")
    if files["defaultLocale"]["PackageLocale"] != files["version"]["DefaultLocale"]:
        faults.append("winget: the default locale's manifest is of another locale")
    installer = files["installer"]
    if (installer["InstallerType"], installer["NestedInstallerType"]) != ("zip", "portable"):
        faults.append("winget: the installer is not a zip of portable programs")
    site = files["defaultLocale"]["PackageUrl"]
    for entry in installer["Installers"]:
        name = zips.get(entry["Architecture"], "")
        if entry["InstallerUrl"] != f"{site}/download/{name}":
            faults.append(f"winget: {entry['Architecture']} is not from {site}/download/")
            continue
        if entry["InstallerSha256"].lower() != sha256(dist / name):
            faults.append(f"winget: wrong InstallerSha256 for {name}")
        paths = {f["RelativeFilePath"].replace("\\", "/"): f.get("PortableCommandAlias")
                 for f in entry["NestedInstallerFiles"]}
        for path in paths:
            if path not in contents[entry["Architecture"]]:
                faults.append(f"winget: {path} is not in {name}")
        aliases = {path.rsplit("/", 1)[-1]: alias for path, alias in paths.items()}
        if aliases.get("corvelle-cli.exe") != "corvelle-cli":
            faults.append(f"winget: {name}'s command line is not installed as corvelle-cli")
    if sorted(entry["Architecture"] for entry in installer["Installers"]) != ["x64", "x86"]:
        faults.append("winget: not one installer for each of x64 and x86")


def main() -> int:
    dist = Path(sys.argv[1])
    sums_name = sys.argv[2] if len(sys.argv) > 2 else "SHA256SUMS"
    faults = []
    sums = {}
    for line in (dist / sums_name).read_text().splitlines():
        digest, name = line.split(maxsplit=1)
        sums[name.lstrip("*")] = digest
    zips, contents = {}, {}
    for arch in MACHINES:
        matches = [name for name in sums if name.endswith(f"-{arch}.zip")]
        if len(matches) != 1:
            faults.append(f"{sums_name}: {len(matches)} archives for {arch}")
            continue
        path = dist / matches[0]
        if sha256(path) != sums[matches[0]]:
            faults.append(f"{sums_name}: wrong checksum for {path.name}")
        check_archive(path, arch, faults)
        zips[arch] = path.name
        with zipfile.ZipFile(path) as archive:
            contents[arch] = set(archive.namelist())
    program_sums = dist / sums_name.replace("SHA256SUMS", "SHA256SUMS-programs")
    try:
        if sorted(program_sums.read_text().splitlines()) != sorted(
                program_hashes(dist / name for name in zips.values())):
            faults.append(f"{program_sums.name}: not the programs' checksums without signature")
    except (OSError, PeError) as e:
        faults.append(f"{program_sums.name}: {e}")
    if len(zips) == 2 and (dist / "corvelle.json").exists():
        version = zips["x86"][len("corvelle-"):-len("-x86.zip")]
        try:
            check_scoop(dist, zips, contents, faults)
            check_winget(dist, version, zips, contents, faults)
        except (OSError, KeyError, TypeError, IndexError, ValueError, yaml.YAMLError) as e:
            faults.append(f"manifests: unreadable or incomplete ({type(e).__name__}: {e})")
    for fault in faults:
        print(f"release: {fault}")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
