"""The parts of a Windows program (PE image) that the release tools read: its header fields,
sections and imports (check-imports.py, check-release.py) and its Authenticode certificate table
(verify-release.py).

Every read is bounds-checked: a truncated or malformed program raises PeError (a ValueError) with a
sentence, never struct.error or IndexError.

A publisher's signature (Authenticode) is a certificate table appended to a program: signing writes
its place into the PE header's security directory entry, pads the file to 8 bytes before it, and
recomputes the header's checksum. unsigned() undoes all three, which gives back the linker's output
byte for byte (as `osslsigncode remove-signature` does; this one needs no osslsigncode, so that a
user can print the programs' checksums with Python alone).
"""
import hashlib
import re
import struct

MACHINES = {0x014C: "x86", 0x8664: "x64"}
WIN_CERT_REVISION_2_0 = 0x0200
WIN_CERT_TYPE_PKCS_SIGNED_DATA = 0x0002


class PeError(ValueError):
    pass


def checksum(data: bytes, offset: int) -> int:
    """The PE image checksum: 16-bit one's-complement sum of the file without the field at offset,
    plus its length."""
    padded = data + b"\0" * (len(data) % 2)
    words = struct.unpack(f"<{len(padded) // 2}H", padded)
    total = sum(words) - sum(struct.unpack_from("<2H", data, offset))
    while total >> 16:
        total = (total & 0xFFFF) + (total >> 16)
    return (total + len(data)) & 0xFFFFFFFF


class PeFile:
    def __init__(self, data: bytes):
        self.data = data
        if data[:2] != b"MZ":
            raise PeError("is not a Windows program")
        pe = self.u32(0x3C)
        if data[pe:pe + 4] != b"PE\0\0":
            raise PeError("is not a Windows program")
        self.machine = self.u16(pe + 4)
        sections = self.u16(pe + 6)
        optional_size = self.u16(pe + 20)
        optional = pe + 24
        self.pe32_plus = self.u16(optional) == 0x20B
        self.image_base = self.unpack("<Q" if self.pe32_plus else "<I",
                                      optional + (24 if self.pe32_plus else 28))[0]
        self.os_version = (self.u16(optional + 40), self.u16(optional + 42))
        self.subsystem_version = (self.u16(optional + 48), self.u16(optional + 50))
        self.checksum_offset = optional + 64
        directories = optional + (112 if self.pe32_plus else 96)
        count = self.u32(directories - 4)
        # Each data directory entry: (RVA, size), (0, 0) where the header has none.
        self.directories = [self.unpack("<II", directories + 8 * i) if i < count else (0, 0)
                            for i in range(16)]
        # Entry 4, the certificate table, holds a file offset rather than an RVA.
        self.security_entry = directories + 8 * 4
        table = optional + optional_size
        # (virtual size, RVA, raw size, file offset) of each section.
        self.sections = [self.unpack("<IIII", table + 40 * i + 8) for i in range(sections)]
        self.sections_end = max((raw + raw_size for _, _, raw_size, raw in self.sections),
                                default=0)
        if self.sections_end > len(data):
            raise PeError(f"is truncated ({len(data)} bytes; its sections end at "
                          f"{self.sections_end})")

    @classmethod
    def open(cls, path):
        with open(path, "rb") as f:
            return cls(f.read())

    def unpack(self, layout, offset):
        try:
            if offset < 0:
                raise struct.error
            return struct.unpack_from(layout, self.data, offset)
        except struct.error:
            raise PeError(f"is truncated or malformed (no {struct.calcsize(layout)} bytes at "
                          f"{offset:#x})") from None

    def u16(self, offset):
        return self.unpack("<H", offset)[0]

    def u32(self, offset):
        return self.unpack("<I", offset)[0]

    def offset(self, rva):
        for virtual_size, address, raw_size, raw in self.sections:
            if address <= rva < address + max(virtual_size, raw_size):
                return rva - address + raw
        raise PeError("address 0x%x outside every section" % rva)

    def text(self, rva):
        start = self.offset(rva)
        end = self.data.find(b"\0", start)
        if end < 0:
            raise PeError(f"is truncated or malformed (no end to the name at {start:#x})")
        return self.data[start:end].decode("ascii", "replace")

    # --- Imports ---

    def import_dlls(self):
        """The DLL names of the import table, in lower case."""
        return {dll.lower() for how, dll, _ in self.imports() if how == "imports"}

    def imports(self):
        """(how, dll, function): how is "imports" or "delay-loads"; an import by ordinal as '#n'."""
        found = []
        rva = self.directories[1][0]
        while rva:
            lookup, _, _, name, thunks = self.unpack("<5I", self.offset(rva))
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
        while rva and self.u32(self.offset(rva) + 4):
            listed.append(rva)
            rva += 32
        for rva in listed + [rva for rva in self.unlisted_delay_descriptors() if rva not in listed]:
            attributes, name, _, _, table = self.unpack("<5I", self.offset(rva))
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
                except (PeError, struct.error):
                    pass
        return found

    def names(self, how, dll, table, base):
        """The functions of one DLL's import name table at RVA table, whose entries are base on."""
        found = []
        width, ordinal_flag = (8, 1 << 63) if self.pe32_plus else (4, 1 << 31)
        entry = self.offset(table)
        while True:
            value = self.unpack("<Q" if self.pe32_plus else "<I", entry)[0]
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

    # --- The certificate table ---

    @property
    def signed(self) -> bool:
        return self.directories[4][1] != 0

    def certificate_table(self):
        """(offset, size) of the certificate table, which must be the file's last bytes, after the
        sections and at most 7 bytes of zeros; None for an unsigned program."""
        address, size = self.directories[4]
        if size == 0 and address == 0:
            return None
        if size == 0 or address + size != len(self.data) or address < self.sections_end:
            raise PeError("has a certificate table that is not at its end")
        gap = self.data[self.sections_end:address]
        if len(gap) > 7 or any(gap):
            raise PeError(f"has {len(gap)} bytes between its sections and its certificate table")
        return address, size

    def signature(self) -> bytes:
        """The DER SignedData of the certificate table, which must be exactly one WIN_CERTIFICATE
        (revision 2.0, PKCS_SIGNED_DATA) holding one DER value of its stated length, followed by
        at most 7 zero bytes."""
        address, size = self.certificate_table()
        length, revision, kind = self.unpack("<IHH", address)
        if revision != WIN_CERT_REVISION_2_0:
            raise PeError(f"has a certificate of revision {revision:#06x}, not 0x0200")
        if kind != WIN_CERT_TYPE_PKCS_SIGNED_DATA:
            raise PeError(f"has a certificate table of type {kind:#06x}, not PKCS#7 signed data")
        if not 8 < length <= size:
            raise PeError(f"has a certificate of {length} bytes in a table of {size}")
        body = self.data[address + 8:address + size]
        der_length = der_size(body)
        if der_length is None or der_length > length - 8:
            raise PeError("has a certificate that is not one DER value of its stated length")
        rest = body[der_length:]
        if len(rest) > 7 or any(rest):
            raise PeError(f"has {len(rest)} bytes in its certificate table after the signature")
        return body[:der_length]

    def unsigned(self) -> bytes:
        """The program without its Authenticode signature; unsigned programs are returned as they
        are."""
        if self.certificate_table() is None:
            return self.data
        body = bytearray(self.data[:self.sections_end])
        struct.pack_into("<II", body, self.security_entry, 0, 0)
        struct.pack_into("<I", body, self.checksum_offset, checksum(bytes(body),
                                                                   self.checksum_offset))
        return bytes(body)

    def authenticode_digest(self, algorithm: str) -> bytes:
        """The digest Authenticode signs: the file up to its certificate table, without the
        checksum and the security directory entry."""
        end = self.certificate_table()[0] if self.signed else len(self.data)
        digest = hashlib.new(algorithm)
        digest.update(self.data[:self.checksum_offset])
        digest.update(self.data[self.checksum_offset + 4:self.security_entry])
        digest.update(self.data[self.security_entry + 8:end])
        return digest.digest()


def der_size(data: bytes):
    """The size of the DER value at the start of data, header included; None where it cannot be
    one."""
    if len(data) < 2:
        return None
    length = data[1]
    if length < 0x80:
        size = 2 + length
    else:
        count = length & 0x7F
        if count == 0 or count > 4 or len(data) < 2 + count:
            return None
        size = 2 + count + int.from_bytes(data[2:2 + count], "big")
    return size if size <= len(data) else None
