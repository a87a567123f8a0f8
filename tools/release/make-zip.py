#!/usr/bin/env python3
"""Writes a release archive: make-zip.py ARCHIVE FOLDER_NAME STAGE_DIR.

Every file of STAGE_DIR goes into the archive under FOLDER_NAME/, in name order, with the time
SOURCE_DATE_EPOCH (the commit's), through zipwriter. Text files (.txt) get Windows line ends.
"""
import os
import sys
import time

import zipwriter


def main() -> int:
    archive, folder, stage = sys.argv[1:4]
    # Zip times are local times of no stated zone, from 1980 on; UTC is taken as that zone.
    stamp = time.gmtime(max(int(os.environ["SOURCE_DATE_EPOCH"]), 315532800))[:6]
    names = sorted(
        os.path.relpath(os.path.join(root, name), stage)
        for root, _, files in os.walk(stage)
        for name in files
    )
    entries = []
    for name in names:
        with open(os.path.join(stage, name), "rb") as f:
            data = f.read()
        if name.endswith(".txt"):
            data = data.replace(b"\r\n", b"\n").replace(b"\n", b"\r\n")
        entries.append((folder + "/" + name.replace(os.sep, "/"), data))
    with open(archive + ".part", "wb") as f:
        f.write(zipwriter.archive(entries, stamp))
    os.replace(archive + ".part", archive)
    return 0


if __name__ == "__main__":
    sys.exit(main())
