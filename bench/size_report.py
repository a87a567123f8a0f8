#!/usr/bin/env python3
"""Sums a GNU ld link map by where each input section came from, to show where an executable's
bytes go: each of our object files on its own, each library archive as a whole.

usage: size_report.py LINK.map"""
import collections
import os
import re
import sys

ENTRY = re.compile(r"^ (\.\S+)\s+0x([0-9a-f]+)\s+0x([0-9a-f]+)\s+(\S.*)$")
NAME_ONLY = re.compile(r"^ (\.\S+)\s*$")
CONTINUED = re.compile(r"^\s+0x([0-9a-f]+)\s+0x([0-9a-f]+)\s+(\S.*)$")


def origin(path):
    archive = re.match(r"(.*?\.a)\((.*)\)$", path)
    if archive:
        name = os.path.basename(archive.group(1))
        # Our libraries, and objects.a: the executable's own objects (WinMain, the resources).
        if name.startswith("libcorvelle") or name == "objects.a":
            return "ours: " + archive.group(2).replace(".obj", "")
        return name
    name = os.path.basename(path)
    return "ours: " + name.replace(".obj", "") if "CMakeFiles" in path else name


def main():
    sizes = collections.Counter()
    kinds = collections.defaultdict(collections.Counter)
    in_map = False
    pending = None
    with open(sys.argv[1], encoding="utf-8", errors="replace") as lines:
        for line in lines:
            if line.startswith("Linker script and memory map"):
                in_map = True
                continue
            if not in_map:
                continue
            match = ENTRY.match(line)
            if match:
                section, address, size, path = match.groups()
            elif pending and CONTINUED.match(line):
                section = pending
                address, size, path = CONTINUED.match(line).groups()
            else:
                named = NAME_ONLY.match(line)
                pending = named.group(1) if named else None
                continue
            pending = None
            if int(address, 16) == 0 or section.startswith(".debug"):
                continue
            where = origin(path.strip())
            sizes[where] += int(size, 16)
            kinds[where][section.split("$")[0]] += int(size, 16)
    try:
        for where, size in sizes.most_common():
            detail = ", ".join(f"{kind} {count}" for kind, count in kinds[where].most_common(3))
            print(f"{size:8d} bytes  {where}  ({detail})")
    except BrokenPipeError:  # the reader wanted only the first lines
        sys.stderr.close()


if __name__ == "__main__":
    main()
