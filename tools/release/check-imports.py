#!/usr/bin/env python3
"""Checks that shipped Windows programs start on the oldest Windows their build supports.

    tools/release/check-imports.py LIST EXE...

Reads every import of each EXE, the delay-loaded ones too (PE32: the x86 build, for Windows XP SP3;
PE32+: the x64 build, for Windows 7) and fails on any that LIST does not allow that build: a DLL
that LIST does not name, a function that LIST does not name for its DLL, one that LIST says is
newer than the build's oldest Windows or only on the other architecture, or an import by ordinal.
It also fails when the PE header asks for a newer Windows (its OS or subsystem version), which that
Windows would refuse to start, and when an x86 program's load configuration is not the size that
Windows XP's loader takes.

LIST has one function a line: DLL, function, the oldest Windows client that has it ("NT4", "2000",
"XP", "Vista" or "7") and, for a function only one architecture's Windows has, "x86" or "x64".
Prints each fault on a line and exits 1 when there is any.
"""

import sys

from pe import PeError, PeFile

WINDOWS = ["NT4", "2000", "XP", "Vista", "7"]
# The oldest Windows of each build, by the PE header's Machine field: its name, its index in WINDOWS
# and its version as the PE header's OS and subsystem fields write it.
BUILDS = {
    0x014C: ("x86", "XP", (5, 1)),
    0x8664: ("x64", "7", (6, 1)),
}


def read_list(path):
    allowed = {}
    with open(path, encoding="utf-8") as f:
        for number, line in enumerate(f, 1):
            line = line.split("#", 1)[0].strip()
            if not line:
                continue
            fields = line.split()
            if len(fields) not in (3, 4) or fields[2] not in WINDOWS or fields[3:] not in (
                    [], ["x86"], ["x64"]):
                raise ValueError("%s:%d: expected DLL FUNCTION %s [x86|x64]"
                                 % (path, number, "|".join(WINDOWS)))
            allowed[(fields[0].lower(), fields[1])] = (fields[2], fields[3] if fields[3:] else None)
    return allowed


def check(path, allowed):
    faults = []
    try:
        pe = PeFile.open(path)
        imports = pe.imports()
    except (OSError, PeError) as e:
        return ["%s: %s" % (path, e)]
    if pe.machine not in BUILDS:
        return ["%s: machine 0x%x is neither x86 nor x64" % (path, pe.machine)]
    build, oldest, version = BUILDS[pe.machine]
    for field, value in (("OS", pe.os_version), ("subsystem", pe.subsystem_version)):
        if value > version:
            faults.append("%s (%s): %s version %d.%d in the PE header; Windows %s is %d.%d"
                          % (path, build, field, value[0], value[1], oldest, *version))
    dlls = {dll for dll, _ in allowed}
    for how, dll, function in imports:
        key = (dll.lower(), function)
        since, only = allowed.get(key, (None, None))
        if key[0] not in dlls:
            faults.append("%s (%s): %s %s, a DLL not in the list" % (path, build, how, dll))
        elif since is None:
            faults.append("%s (%s): %s %s!%s, not in the list" % (path, build, how, dll, function))
        elif only not in (None, build):
            faults.append("%s (%s): %s %s!%s, which only %s Windows has"
                          % (path, build, how, dll, function, only))
        elif WINDOWS.index(since) > WINDOWS.index(oldest):
            faults.append("%s (%s): %s %s!%s, which needs Windows %s; the build is for Windows %s"
                          % (path, build, how, dll, function, since, oldest))
    if build == "x86":
        # The size in an x86 load configuration's data directory entry is a version check, and
        # Windows XP's loader knows one: Microsoft's PE format reference says that "for
        # compatibility with Windows XP and earlier versions of Windows, the size must be 64 for
        # x86 images". The structure's own Size field gives its real length, which may be more
        # (the safe exception handler table that XP SP2 reads when Size reaches it, fields of
        # later Windows) but not less: XP reads the 64 bytes as the structure's fields. GNU ld as
        # Debian 12 has it writes no load configuration; other linkers and newer runtimes do.
        entry, structure = pe.load_config_sizes() or (64, None)
        if entry != 64:
            faults.append("%s (x86): load configuration of %d bytes in its data directory entry; "
                          "Windows XP takes only 64" % (path, entry))
        if structure is not None and structure < 64:
            faults.append("%s (x86): load configuration structure of %d bytes, less than the 64 "
                          "that Windows XP reads" % (path, structure))
    return faults


def main(argv):
    if len(argv) < 3:
        print("usage: check-imports.py LIST EXE...", file=sys.stderr)
        return 2
    allowed = read_list(argv[1])
    faults = []
    for path in argv[2:]:
        try:
            faults += check(path, allowed)
        except PeError as e:
            faults.append("%s: %s" % (path, e))
    for fault in faults:
        print(fault, file=sys.stderr)
    if faults:
        print("check-imports: %d import(s) or header field(s) the oldest supported Windows lacks; "
              "check each on Microsoft's reference page before adding it to %s"
              % (len(faults), argv[1]), file=sys.stderr)
        return 1
    print("check-imports: %d program(s) import only what their oldest Windows has" % (len(argv) - 2))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
