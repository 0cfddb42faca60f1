"""Reads a PE file's header time stamps and its resources, without Windows.

Used by the release checks: the texts the guides must name are read from the
DLL as it ships, whichever processor it is built for.
"""
import struct

RT_DIALOG = 5
RT_STRING = 6
RT_VERSION = 16


class PeFile:
    """A PE image's sections and resource tree; raises ValueError if malformed."""

    def __init__(self, data):
        self.data = data
        if data[:2] != b"MZ":
            raise ValueError("no MZ header")
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("no PE header")
        sections, self.time_stamp = struct.unpack_from("<HI", data, pe + 6)
        optional_size = struct.unpack_from("<H", data, pe + 20)[0]
        optional = pe + 24
        magic = struct.unpack_from("<H", data, optional)[0]
        directories = optional + (96 if magic == 0x10B else 112)
        self.resource_rva = struct.unpack_from("<I", data, directories + 2 * 8)[0]
        self.sections = []
        table = optional + optional_size
        for i in range(sections):
            va, raw_size, raw = struct.unpack_from("<I I I", data, table + 40 * i + 12)
            virtual_size = struct.unpack_from("<I", data, table + 40 * i + 8)[0]
            self.sections.append((va, max(virtual_size, raw_size), raw))

    def offset(self, rva):
        for va, size, raw in self.sections:
            if va <= rva < va + size:
                return rva - va + raw
        raise ValueError("address 0x%x is in no section" % rva)

    def _directory(self, rva):
        """The time stamp and the (id, is_directory, rva) entries of one directory."""
        at = self.offset(rva)
        stamp = struct.unpack_from("<I", self.data, at + 4)[0]
        named, numbered = struct.unpack_from("<HH", self.data, at + 12)
        entries = []
        for i in range(named + numbered):
            name, target = struct.unpack_from("<II", self.data, at + 16 + 8 * i)
            entries.append((name, bool(target & 0x80000000),
                            self.resource_rva + (target & 0x7FFFFFFF)))
        return stamp, entries

    def resource_time_stamps(self):
        """The time stamps of every directory of the resource tree."""
        stamps, pending = [], [self.resource_rva]
        while pending:
            stamp, entries = self._directory(pending.pop())
            stamps.append(stamp)
            pending.extend(rva for _, is_dir, rva in entries if is_dir)
        return stamps

    def resources(self, type_id):
        """{(name id, language): bytes} of one resource type."""
        found = {}
        for type_name, _, type_rva in self._directory(self.resource_rva)[1]:
            if type_name != type_id:
                continue
            for name, _, name_rva in self._directory(type_rva)[1]:
                for language, _, leaf in self._directory(name_rva)[1]:
                    rva, size = struct.unpack_from("<II", self.data, self.offset(leaf))
                    at = self.offset(rva)
                    found[(name, language)] = self.data[at:at + size]
        return found

    def strings(self):
        """{language: {string id: text}} of the string tables."""
        tables = {}
        for (block, language), blob in self.resources(RT_STRING).items():
            at = 0
            for i in range(16):
                length = struct.unpack_from("<H", blob, at)[0]
                text = blob[at + 2:at + 2 + 2 * length].decode("utf-16-le")
                at += 2 + 2 * length
                if text:
                    tables.setdefault(language, {})[(block - 1) * 16 + i] = text
        return tables

    def dialog_texts(self, dialog_id):
        """{language: {control id: text}} of one dialog (DLGTEMPLATE form)."""
        tables = {}
        for (name, language), blob in self.resources(RT_DIALOG).items():
            if name == dialog_id:
                tables[language] = _dialog_items(blob)
        return tables


def _name_or_ordinal(blob, at):
    """(text or ordinal, offset after it) of a string-or-ordinal field."""
    if struct.unpack_from("<H", blob, at)[0] == 0xFFFF:
        return struct.unpack_from("<H", blob, at + 2)[0], at + 4
    end = at
    while struct.unpack_from("<H", blob, end)[0] != 0:
        end += 2
    return blob[at:end].decode("utf-16-le"), end + 2


def _dialog_items(blob):
    """{control id: text} of a DLGTEMPLATE; raises ValueError for DLGTEMPLATEEX."""
    style, _, count = struct.unpack_from("<IIH", blob, 0)
    if style == 0xFFFF0001:
        raise ValueError("an extended dialog template")
    at = 18
    for _ in range(3):                       # menu, class, caption
        _, at = _name_or_ordinal(blob, at)
    if style & 0x40:                         # DS_SETFONT: point size and face
        _, at = _name_or_ordinal(blob, at + 2)
    items = {}
    for _ in range(count):
        at = (at + 3) & ~3
        control = struct.unpack_from("<h", blob, at + 16)[0]
        _, at = _name_or_ordinal(blob, at + 18)      # class
        text, at = _name_or_ordinal(blob, at)
        at += 2 + struct.unpack_from("<H", blob, at)[0]
        items[control] = text
    return items


def load(path):
    with open(path, "rb") as f:
        return PeFile(f.read())
