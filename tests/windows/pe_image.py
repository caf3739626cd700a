"""A small reader for PE32 and PE32+ images: headers, sections, imports,
base relocations, the x64 exception directory and resources. Raises
ValueError on anything malformed."""

import struct

PE32 = 0x10B
PE32_PLUS = 0x20B


def _layout(address):
    """The optional header's (name, format) fields; address is "I" in PE32
    and "Q" in PE32+, which also has no base_of_data."""
    fields = [("magic", "H"), ("major_linker_version", "B"), ("minor_linker_version", "B"),
              ("size_of_code", "I"), ("size_of_initialized_data", "I"),
              ("size_of_uninitialized_data", "I"), ("address_of_entry_point", "I"),
              ("base_of_code", "I")]
    if address == "I":
        fields.append(("base_of_data", "I"))
    fields += [("image_base", address), ("section_alignment", "I"), ("file_alignment", "I")]
    fields += [(name, "H") for name in (
        "major_os_version", "minor_os_version", "major_image_version", "minor_image_version",
        "major_subsystem_version", "minor_subsystem_version")]
    fields += [(name, "I") for name in (
        "win32_version_value", "size_of_image", "size_of_headers", "checksum")]
    fields += [("subsystem", "H"), ("dll_characteristics", "H")]
    fields += [(name, address) for name in (
        "size_of_stack_reserve", "size_of_stack_commit", "size_of_heap_reserve",
        "size_of_heap_commit")]
    fields += [("loader_flags", "I"), ("number_of_rva_and_sizes", "I")]
    return fields


# {magic: (field names, struct format, {field: offset in the header}, thunk format)}
OPTIONAL_HEADERS = {}
for magic, address in ((PE32, "I"), (PE32_PLUS, "Q")):
    fields = _layout(address)
    offsets = {}
    for name, kind in fields:
        offsets[name] = struct.calcsize("<" + "".join(k for n, k in fields[:len(offsets)]))
    OPTIONAL_HEADERS[magic] = ([name for name, _ in fields],
                               "<" + "".join(kind for _, kind in fields), offsets, "<" + address)

IMPORT_DIRECTORY = 1
RESOURCE_DIRECTORY = 2
EXCEPTION_DIRECTORY = 3
BASE_RELOCATION_DIRECTORY = 5


class PeImage:
    def __init__(self, data):
        self.data = bytes(data)
        if self.data[:2] != b"MZ":
            raise ValueError("no MZ header")
        pe = self._unpack("<I", 0x3C)[0]
        if self.data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("no PE signature")
        (self.machine, section_count, self.timestamp, _, _, optional_size,
         self.characteristics) = self._unpack("<HHIIIHH", pe + 4)

        optional = pe + 24
        self.magic = self._unpack("<H", optional)[0]
        if self.magic not in OPTIONAL_HEADERS:
            raise ValueError(f"optional header magic {self.magic:#x}")
        names, layout, offsets, self._thunk = OPTIONAL_HEADERS[self.magic]
        self.optional = dict(zip(names, self._unpack(layout, optional)))
        # File offset of each optional header field, to patch an image by name.
        self.field_offsets = {name: optional + offset for name, offset in offsets.items()}
        directories = optional + struct.calcsize(layout)
        self.directories = [self._unpack("<II", directories + 8 * i)
                            for i in range(self.optional["number_of_rva_and_sizes"])]

        self.sections = []
        table = optional + optional_size
        for i in range(section_count):
            (name, virtual_size, virtual_address, raw_size, raw_pointer, _, _, _, _,
             flags) = self._unpack("<8sIIIIIIHHI", table + 40 * i)
            self.sections.append({
                "name": name.rstrip(b"\0").decode("ascii"),
                "virtual_size": virtual_size, "virtual_address": virtual_address,
                "raw_size": raw_size, "raw_pointer": raw_pointer, "flags": flags,
            })

    def _unpack(self, layout, offset):
        if offset < 0 or offset + struct.calcsize(layout) > len(self.data):
            raise ValueError(f"read past the end of the image at {offset:#x}")
        return struct.unpack_from(layout, self.data, offset)

    def section_at(self, rva):
        for section in self.sections:
            start = section["virtual_address"]
            if start <= rva < start + max(section["virtual_size"], section["raw_size"]):
                return section
        return None

    def offset_of(self, rva):
        section = self.section_at(rva)
        if section is None or rva - section["virtual_address"] >= section["raw_size"]:
            raise ValueError(f"RVA {rva:#x} has no bytes in the file")
        return section["raw_pointer"] + rva - section["virtual_address"]

    def directory(self, index):
        return self.directories[index] if index < len(self.directories) else (0, 0)

    def string_at(self, rva):
        start = self.offset_of(rva)
        end = self.data.index(b"\0", start)
        return self.data[start:end].decode("ascii")

    def imports(self):
        """{dll name: [function names, or '#ordinal']} in table order."""
        result = {}
        rva, size = self.directory(IMPORT_DIRECTORY)
        if size == 0:
            return result
        entry = self.offset_of(rva)
        while True:
            lookup, _, _, name, address_table = self._unpack("<IIIII", entry)
            if (lookup, name, address_table) == (0, 0, 0):
                return result
            thunk = self.offset_of(lookup or address_table)
            functions = result.setdefault(self.string_at(name), [])
            ordinal_flag = 1 << (8 * struct.calcsize(self._thunk) - 1)
            while (value := self._unpack(self._thunk, thunk)[0]) != 0:
                if value & ordinal_flag:
                    functions.append(f"#{value & 0xFFFF}")
                else:
                    functions.append(self.string_at(value + 2))  # past the hint
                thunk += struct.calcsize(self._thunk)
            entry += 20

    def relocations(self):
        """[(type, rva)] of every base relocation entry."""
        result = []
        rva, size = self.directory(BASE_RELOCATION_DIRECTORY)
        if size == 0:
            return result
        start = self.offset_of(rva)
        block = start
        while block < start + size:
            page, block_size = self._unpack("<II", block)
            if block_size < 8 or block_size % 2:
                raise ValueError(f"bad relocation block size {block_size}")
            for i in range(8, block_size, 2):
                entry = self._unpack("<H", block + i)[0]
                result.append((entry >> 12, page + (entry & 0xFFF)))
            block += block_size
        return result

    def runtime_functions(self):
        """[(begin, end, unwind info RVA)] of every x64 RUNTIME_FUNCTION."""
        rva, size = self.directory(EXCEPTION_DIRECTORY)
        start = self.offset_of(rva) if size else 0
        return [self._unpack("<III", start + at) for at in range(0, size - size % 12, 12)]

    def unwind_version(self, rva):
        return self.data[self.offset_of(rva)] & 7

    def resources(self):
        """[(type, name, language, bytes)] of every resource."""
        rva, size = self.directory(RESOURCE_DIRECTORY)
        if size == 0:
            return []
        base = self.offset_of(rva)
        found = []

        def walk(offset, path, depth):
            if depth > 3:
                raise ValueError("resource tree deeper than three levels")
            _, _, _, _, named, numbered = self._unpack("<IIHHHH", base + offset)
            for i in range(named + numbered):
                name, target = self._unpack("<II", base + offset + 16 + 8 * i)
                if name & 0x80000000:
                    length = self._unpack("<H", base + (name & 0x7FFFFFFF))[0]
                    start = base + (name & 0x7FFFFFFF) + 2
                    key = self.data[start:start + 2 * length].decode("utf-16-le")
                else:
                    key = name
                if target & 0x80000000:
                    walk(target & 0x7FFFFFFF, path + [key], depth + 1)
                else:
                    data_rva, data_size, _, _ = self._unpack("<IIII", base + target)
                    start = self.offset_of(data_rva)
                    found.append((*path, key, self.data[start:start + data_size]))

        walk(0, [], 1)
        return found
