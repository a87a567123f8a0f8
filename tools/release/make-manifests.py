#!/usr/bin/env python3
"""Writes the manifests of two Windows package managers for the release in a folder:
make-manifests.py OUT VERSION SITE PUBLISHER
make-manifests.py --identifier PUBLISHER   prints winget's package identifier, or one line why
                                           there is none (exit 1)

The archives OUT/corvelle-VERSION-{x86,x64}.zip are to be published at SITE/download/, beside the
latest release's SHA256SUMS. Written:
  OUT/corvelle.json                  scoop's manifest, which finds later versions in that SHA256SUMS
  OUT/winget/VERSION/ID.yaml, ID.installer.yaml, ID.locale.en-US.yaml
                                     winget's manifests, ID being PUBLISHER.Corvelle (the
                                     publisher's name without what winget's identifiers may not
                                     hold: white space, dots, \ / : * ? " < > | and controls), or
                                     CORVELLE_PACKAGE_ID where set
Both install both programs from the archive's folder and put them on the PATH; the command line
is called corvelle-cli, the window gets a Start menu shortcut where the manager makes one.
"""
import hashlib
import json
import os
import re
import sys
from pathlib import Path

WINGET_SCHEMA = "1.10.0"
DESCRIPTION = ("Switches an instant messenger's multi-instance mode on and off and suppresses its "
               "advertisements, through per-user registry values")
ARCHITECTURES = {"x64": "64bit", "x86": "32bit"}  # winget's names, scoop's names
PROGRAMS = ("corvelle.exe", "corvelle-cli.exe")


def yaml_text(value, indent=""):
    """YAML for the nested dicts, lists and strings of these manifests; every string quoted."""
    if isinstance(value, str):
        return "'" + value.replace("'", "''") + "'"
    lines = []
    for key, item in value.items():
        if isinstance(item, list):
            lines.append(f"{indent}{key}:")
            for element in item:
                first, *rest = yaml_text(element, indent + "  ").splitlines()
                lines.append(f"{indent}- {first.lstrip()}")
                lines.extend(rest)
        elif isinstance(item, dict):
            lines.append(f"{indent}{key}:")
            lines.append(yaml_text(item, indent + "  "))
        else:
            lines.append(f"{indent}{key}: {yaml_text(item)}")
    return "\n".join(lines)


def write_yaml(path: Path, kind: str, fields: dict) -> None:
    schema = f"https://aka.ms/winget-manifest.{kind}.{WINGET_SCHEMA}.schema.json"
    path.write_text(encoding="utf-8", data=f"# yaml-language-server: $schema={schema}\n"
                    + yaml_text({**fields, "ManifestType": kind, "ManifestVersion": WINGET_SCHEMA})
                    + "\n")


# What winget's 1.10.0 schema allows as a package identifier: 2 to 8 parts of 1 to 32 characters.
IDENTIFIER_PART = r'[^.\s\\/:*?"<>|\x01-\x1f]'
IDENTIFIER = re.compile(rf"{IDENTIFIER_PART}{{1,32}}(\.{IDENTIFIER_PART}{{1,32}}){{1,7}}")


class NoIdentifier(Exception):
    pass


def identifier(publisher: str) -> str:
    given = os.environ.get("CORVELLE_PACKAGE_ID", "")
    if given:
        if not IDENTIFIER.fullmatch(given) or len(given) > 128:
            raise NoIdentifier(f"CORVELLE_PACKAGE_ID={given} is not a winget package identifier "
                               "(2 to 8 parts separated by dots, each 1 to 32 characters, no "
                               "white space or \\ / : * ? \" < > |)")
        return given
    part = re.sub(IDENTIFIER_PART.replace("[^", "[", 1), "", publisher)
    if not 1 <= len(part) <= 32:
        raise NoIdentifier(f"the publisher name \"{publisher}\" gives no winget package identifier "
                           f"(\"{part}\" is {len(part)} characters, not 1 to 32): set "
                           "CORVELLE_PACKAGE_ID=Publisher.Corvelle")
    return part + ".Corvelle"


def main() -> int:
    if sys.argv[1] == "--identifier":
        try:
            print(identifier(sys.argv[2]))
        except NoIdentifier as e:
            print(e)
            return 1
        return 0
    out, version, site, publisher = Path(sys.argv[1]), *sys.argv[2:5]
    download = f"{site}/download"
    identity = {"PackageIdentifier": identifier(publisher), "PackageVersion": version}
    digests = {arch: hashlib.sha256(zip_path.read_bytes()).hexdigest()
               for arch in ARCHITECTURES
               for zip_path in [out / f"corvelle-{version}-{arch}.zip"]}

    scoop = {
        "version": version,
        "description": DESCRIPTION + ".",
        "homepage": site,
        "license": "MIT",
        "architecture": {
            scoop_arch: {"url": f"{download}/corvelle-{version}-{arch}.zip", "hash": digests[arch],
                         "extract_dir": f"corvelle-{version}-{arch}"}
            for arch, scoop_arch in ARCHITECTURES.items()},
        "bin": list(PROGRAMS),
        "shortcuts": [["corvelle.exe", "Corvelle"]],
        "checkver": {"url": f"{download}/SHA256SUMS", "regex": r"corvelle-([\d.]+)-x64\.zip"},
        "autoupdate": {
            "architecture": {
                scoop_arch: {"url": f"{download}/corvelle-$version-{arch}.zip",
                             "extract_dir": f"corvelle-$version-{arch}"}
                for arch, scoop_arch in ARCHITECTURES.items()},
            "hash": {"url": "$baseurl/SHA256SUMS"},
        },
    }
    (out / "corvelle.json").write_text(json.dumps(scoop, indent=4, ensure_ascii=False) + "\n",
                                       encoding="utf-8")

    folder = out / "winget" / version
    folder.mkdir(parents=True)
    name = identity["PackageIdentifier"]
    write_yaml(folder / f"{name}.yaml", "version", {**identity, "DefaultLocale": "en-US"})
    write_yaml(folder / f"{name}.installer.yaml", "installer", {
        **identity,
        "InstallerType": "zip",
        "NestedInstallerType": "portable",
        "Installers": [{
            "Architecture": arch,
            "InstallerUrl": f"{download}/corvelle-{version}-{arch}.zip",
            "InstallerSha256": digests[arch].upper(),
            "NestedInstallerFiles": [
                {"RelativeFilePath": f"corvelle-{version}-{arch}\\corvelle.exe"},
                {"RelativeFilePath": f"corvelle-{version}-{arch}\\corvelle-cli.exe",
                 "PortableCommandAlias": "corvelle-cli"}],
        } for arch in ARCHITECTURES],
    })
    write_yaml(folder / f"{name}.locale.en-US.yaml", "defaultLocale", {
        **identity,
        "PackageLocale": "en-US",
        "Publisher": publisher,
        "PublisherUrl": site,
        "PackageName": "Corvelle",
        "PackageUrl": site,
        "License": "MIT",
        "ShortDescription": DESCRIPTION + ".",
    })
    return 0


if __name__ == "__main__":
    sys.exit(main())
