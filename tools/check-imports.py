#!/usr/bin/env python3
"""Checks that shipped Windows programs start on the oldest Windows their build supports.

    tools/check-imports.py LIST EXE...

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

import re
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
        self.image_base = (struct.unpack_from("<Q", self.data, optional + 24)[0] if self.pe32_plus
                           else self.u32(optional + 28))
        self.os_version = (self.u16(optional + 40), self.u16(optional + 42))
        self.subsystem_version = (self.u16(optional + 48), self.u16(optional + 50))
        directories = optional + (112 if self.pe32_plus else 96)
        count = self.u32(directories - 4)
        # Each data directory entry: (RVA, size), (0, 0) where the header has none.
        self.directories = [struct.unpack_from("<II", self.data, directories + 8 * i)
                            if i < count else (0, 0) for i in range(16)]
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
        """(how, dll, function): how is "imports" or "delay-loads"; an import by ordinal as '#n'."""
        found = []
        rva = self.directories[1][0]
        while rva:
            lookup, _, _, name, thunks = struct.unpack_from("<5I", self.data, self.offset(rva))
            if name == 0:
                break
            found += self.names("imports", self.text(name), lookup or thunks, 0)
            rva += 20
        # The delay-load descriptors, which the delay-load helper reads when a function is first
        # called: a function Windows lacks fails there, at run time, rather than at start-up, so
        # these are held to the same list. Data directory 13 lists them, except where GNU ld made
        # the program: it lists none, and each function's thunk hands the helper its descriptor.
        listed = []
        rva = self.directories[13][0]
        while rva and struct.unpack_from("<I", self.data, self.offset(rva) + 4)[0]:
            listed.append(rva)
            rva += 32
        for rva in listed + [rva for rva in self.unlisted_delay_descriptors() if rva not in listed]:
            attributes, name, _, _, table = struct.unpack_from("<5I", self.data, self.offset(rva))
            # Attribute bit 0 clear: the older form, whose addresses (here and in the name table)
            # are virtual addresses rather than RVAs.
            base = 0 if attributes & 1 else self.image_base
            found += self.names("delay-loads", self.text(name - base), table - base, base)
        return found

    def unlisted_delay_descriptors(self):
        """RVAs of whatever in the sections reads as a delay-load descriptor of the RVA form, the
        one binutils' dlltool writes: a DLL's name, a module handle, an address table and a name
        table whose every entry reads."""
        found = []
        for _, address, raw_size, raw in self.sections:
            block = self.data[raw:raw + raw_size]
            for match in re.finditer(b"\x01\0\0\0", block):
                if match.start() % 4:
                    continue
                try:
                    _, name, handle, addresses, table = struct.unpack_from("<5I", block,
                                                                            match.start())
                    if handle and addresses and re.fullmatch(r"[!-~]+\.dll", self.text(name), re.I):
                        self.names("", "", table, 0)
                        found.append(address + match.start())
                except (ValueError, struct.error):
                    pass
        return found

    def names(self, how, dll, table, base):
        """The functions of one DLL's import name table at RVA table, whose entries are base on."""
        found = []
        width, ordinal_flag = (8, 1 << 63) if self.pe32_plus else (4, 1 << 31)
        entry = self.offset(table)
        while True:
            value = struct.unpack_from("<Q" if self.pe32_plus else "<I", self.data, entry)[0]
            entry += width
            if value == 0:
                return found
            if value & ordinal_flag:
                found.append((how, dll, "#%d" % (value & 0xFFFF)))
            else:
                found.append((how, dll, self.text(((value - base) & 0x7FFFFFFF) + 2)))

    def load_config_sizes(self):
        """The load configuration's size in its data directory entry and in the structure's own
        first field (None where the entry points nowhere); None without a load configuration."""
        rva, size = self.directories[10]
        if rva == 0 and size == 0:
            return None
        return size, (self.u32(self.offset(rva)) if rva else None)


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
    pe = PeFile(path)
    if pe.machine not in BUILDS:
        return ["%s: machine 0x%x is neither x86 nor x64" % (path, pe.machine)]
    build, oldest, version = BUILDS[pe.machine]
    for field, value in (("OS", pe.os_version), ("subsystem", pe.subsystem_version)):
        if value > version:
            faults.append("%s (%s): %s version %d.%d in the PE header; Windows %s is %d.%d"
                          % (path, build, field, value[0], value[1], oldest, *version))
    dlls = {dll for dll, _ in allowed}
    for how, dll, function in pe.imports():
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
