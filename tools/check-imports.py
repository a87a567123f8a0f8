#!/usr/bin/env python3
"""Checks that shipped Windows programs start on the oldest Windows their build supports.

    tools/check-imports.py LIST EXE...

Reads every import of each EXE (PE32: the x86 build, for Windows XP SP3; PE32+: the x64 build, for
Windows 7) and fails on any that LIST does not allow that build: a DLL that LIST does not name, a
function that LIST does not name for its DLL, one that LIST says is newer than the build's oldest
Windows, or an import by ordinal. It also fails when the PE header asks for a newer Windows (its
OS or subsystem version), which that Windows would refuse to start.

LIST has one function a line: DLL, function, and the oldest Windows client that has it
("NT4", "2000", "XP", "Vista" or "7"). Prints each fault on a line and exits 1 when there is any.
"""

import struct
import sys

WINDOWS = ["NT4", "2000", "XP", "Vista", "7"]
# The oldest Windows of each build, by the PE header's Machine field: its name, its index in WINDOWS
# and its version as the PE header's OS and subsystem fields write it.
BUILDS = {
    0x014C: ("x86", "XP", (5, 1)),
    0x8664: ("x64", "7", (6, 1)),
}


class PeFile:
    """The parts of a PE image this check reads."""

    def __init__(self, path):
        with open(path, "rb") as f:
            self.data = f.read()
        if self.data[:2] != b"MZ":
            raise ValueError("not a PE image")
        pe = self.u32(0x3C)
        if self.data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("not a PE image")
        self.machine = self.u16(pe + 4)
        sections = self.u16(pe + 6)
        optional_size = self.u16(pe + 20)
        optional = pe + 24
        self.pe32_plus = self.u16(optional) == 0x20B
        self.os_version = (self.u16(optional + 40), self.u16(optional + 42))
        self.subsystem_version = (self.u16(optional + 48), self.u16(optional + 50))
        directories = optional + (112 if self.pe32_plus else 96)
        self.import_rva = self.u32(directories + 8)
        table = optional + optional_size
        self.sections = [struct.unpack_from("<IIII", self.data, table + 40 * i + 8)
                         for i in range(sections)]

    def u16(self, offset):
        return struct.unpack_from("<H", self.data, offset)[0]

    def u32(self, offset):
        return struct.unpack_from("<I", self.data, offset)[0]

    def offset(self, rva):
        for virtual_size, address, raw_size, raw in self.sections:
            if address <= rva < address + max(virtual_size, raw_size):
                return rva - address + raw
        raise ValueError("address 0x%x outside every section" % rva)

    def text(self, rva):
        start = self.offset(rva)
        return self.data[start:self.data.index(b"\0", start)].decode("ascii")

    def imports(self):
        """(dll, function) pairs; an import by ordinal as '#n'."""
        if self.import_rva == 0:
            return []
        found = []
        descriptor = self.offset(self.import_rva)
        width, ordinal_flag = (8, 1 << 63) if self.pe32_plus else (4, 1 << 31)
        while True:
            lookup, _, _, name, thunks = struct.unpack_from("<5I", self.data, descriptor)
            descriptor += 20
            if name == 0:
                return found
            dll = self.text(name)
            entry = self.offset(lookup or thunks)
            while True:
                value = struct.unpack_from("<Q" if self.pe32_plus else "<I", self.data, entry)[0]
                entry += width
                if value == 0:
                    break
                if value & ordinal_flag:
                    found.append((dll, "#%d" % (value & 0xFFFF)))
                else:
                    found.append((dll, self.text((value & 0x7FFFFFFF) + 2)))


def read_list(path):
    allowed = {}
    with open(path, encoding="utf-8") as f:
        for number, line in enumerate(f, 1):
            line = line.split("#", 1)[0].strip()
            if not line:
                continue
            fields = line.split()
            if len(fields) != 3 or fields[2] not in WINDOWS:
                raise ValueError("%s:%d: expected DLL FUNCTION %s" % (path, number, "|".join(WINDOWS)))
            allowed[(fields[0].lower(), fields[1])] = fields[2]
    return allowed


def check(path, allowed):
    faults = []
    pe = PeFile(path)
    if pe.machine not in BUILDS:
        return ["%s: machine 0x%x is neither x86 nor x64" % (path, pe.machine)]
    build, oldest, version = BUILDS[pe.machine]
    for field, value in (("OS", pe.os_version), ("subsystem", pe.subsystem_version)):
        if value > version:
            faults.append("%s (%s): %s version %d.%d in the PE header; Windows %s is %d.%d"
                          % (path, build, field, value[0], value[1], oldest, *version))
    dlls = {dll for dll, _ in allowed}
    for dll, function in pe.imports():
        key = (dll.lower(), function)
        since = allowed.get(key)
        if key[0] not in dlls:
            faults.append("%s (%s): imports %s, a DLL not in the list" % (path, build, dll))
        elif since is None:
            faults.append("%s (%s): imports %s!%s, not in the list" % (path, build, dll, function))
        elif WINDOWS.index(since) > WINDOWS.index(oldest):
            faults.append("%s (%s): imports %s!%s, which needs Windows %s; the build is for Windows %s"
                          % (path, build, dll, function, since, oldest))
    return faults


def main(argv):
    if len(argv) < 3:
        print("usage: check-imports.py LIST EXE...", file=sys.stderr)
        return 2
    allowed = read_list(argv[1])
    faults = []
    for path in argv[2:]:
        faults += check(path, allowed)
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
