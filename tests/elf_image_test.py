"""Checks the hardening of the runtime-free Linux executable straight from
its ELF headers, and that the check itself notices a wrong value.

Usage: elf_image_test.py EXECUTABLE"""

import struct
import sys
import unittest

ET_DYN = 3
PT_LOAD, PT_DYNAMIC, PT_INTERP = 1, 2, 3
PT_GNU_STACK, PT_GNU_RELRO, PT_GNU_PROPERTY = 0x6474E551, 0x6474E552, 0x6474E553
EM_AARCH64 = 183
NT_GNU_PROPERTY_TYPE_0 = 5
# Branch target identification and pointer authentication.
GNU_PROPERTY_AARCH64_FEATURE_1_AND, AARCH64_BTI_PAC = 0xC0000000, 0x3
PF_X, PF_W = 1, 2
DT_NEEDED, DT_PLTRELSZ, DT_RELASZ, DT_RELSZ, DT_FLAGS, DT_RELRSZ = 1, 2, 8, 18, 30, 35
DT_FLAGS_1 = 0x6FFFFFFB
DF_BIND_NOW, DF_1_NOW = 0x8, 0x1
SHT_SYMTAB, SHT_DYNSYM = 2, 11
RELOCATION_SIZES = (DT_PLTRELSZ, DT_RELASZ, DT_RELSZ, DT_RELRSZ)


class Elf:
    """The parts of a 64-bit little-endian ELF file that the check reads,
    with the file offset of each program header and dynamic entry."""

    def __init__(self, data):
        if data[:6] != b"\x7fELF\x02\x01":
            raise ValueError("not a 64-bit little-endian ELF file")
        self.data = data
        (self.type, self.machine, _, _, phoff, shoff, _, _, phentsize, phnum, shentsize,
         shnum, shstrndx) = struct.unpack_from("<HHIQQQIHHHHHH", data, 16)
        self.segments = []  # (offset of the header, type, flags, file offset, size)
        for i in range(phnum):
            at = phoff + i * phentsize
            kind, flags, offset, _, _, size = struct.unpack_from("<IIQQQQ", data, at)
            self.segments.append((at, kind, flags, offset, size))
        self.dynamic = []  # (offset of the entry, tag, value)
        for _, kind, _, offset, size in self.segments:
            if kind == PT_DYNAMIC:
                for at in range(offset, offset + size, 16):
                    tag, value = struct.unpack_from("<qQ", data, at)
                    self.dynamic.append((at, tag, value))
        self.properties = {}  # GNU property type: its 32-bit value
        for _, kind, _, offset, size in self.segments:
            if kind == PT_GNU_PROPERTY:
                namesz, descsz, note = struct.unpack_from("<III", data, offset)
                at = offset + 12 + (namesz + 3) // 4 * 4
                while note == NT_GNU_PROPERTY_TYPE_0 and at + 8 <= offset + 12 + namesz + descsz:
                    property_type, datasz = struct.unpack_from("<II", data, at)
                    self.properties[property_type] = struct.unpack_from("<I", data, at + 8)[0]
                    at += 8 + (datasz + 7) // 8 * 8
        self.symbols = []  # (offset of the entry, section index)
        sections = [struct.unpack_from("<IIQQQQIIQQ", data, shoff + i * shentsize)
                    for i in range(shnum)]
        names = sections[shstrndx][4] if shstrndx < shnum else 0
        self.section_names = [data[names + name:data.index(b"\0", names + name)].decode()
                              for name, *_ in sections]
        for _, kind, _, _, offset, size, _, _, _, entsize in sections:
            if kind in (SHT_SYMTAB, SHT_DYNSYM):
                for at in range(offset + entsize, offset + size, entsize):  # past the null one
                    self.symbols.append((at, struct.unpack_from("<H", data, at + 6)[0]))


def problems(data):
    """Every way the executable falls short; empty when right."""
    found = []
    try:
        elf = Elf(data)
    except (ValueError, struct.error) as error:
        return [f"unreadable: {error}"]
    kinds = [kind for _, kind, _, _, _ in elf.segments]
    tags = {tag: value for _, tag, value in elf.dynamic}
    if elf.type != ET_DYN:
        found.append(f"type {elf.type}, not position-independent")
    if PT_INTERP in kinds:
        found.append("asks for a program interpreter")
    if any(kind == PT_LOAD and flags & PF_W and flags & PF_X for _, kind, flags, _, _ in elf.segments):
        found.append("a segment is both writable and executable")
    stacks = [flags for _, kind, flags, _, _ in elf.segments if kind == PT_GNU_STACK]
    if stacks != [PF_W | 4]:
        found.append(f"stack flags {stacks}, not read and write only")
    if DT_NEEDED in tags:
        found.append("needs a shared library")
    if any(tags.get(tag, 0) for tag in RELOCATION_SIZES):
        found.append("has relocations that nothing would apply")
    if elf.dynamic and not (tags.get(DT_FLAGS, 0) & DF_BIND_NOW and tags.get(DT_FLAGS_1, 0) & DF_1_NOW):
        found.append("not bound now")
    if elf.dynamic and PT_GNU_RELRO not in kinds:
        found.append("no read-only region after relocation")
    if ".comment" in elf.section_names:
        found.append("names the compiler that built it (.comment)")
    features = elf.properties.get(GNU_PROPERTY_AARCH64_FEATURE_1_AND, 0)
    if elf.machine == EM_AARCH64 and features & AARCH64_BTI_PAC != AARCH64_BTI_PAC:
        found.append(f"aarch64 features {features:#x}, not BTI and PAC")
    undefined = sum(1 for _, section in elf.symbols if section == 0)
    if undefined:
        found.append(f"{undefined} undefined symbols")
    return found


class LinuxImage(unittest.TestCase):
    image = b""

    def test_is_hardened(self):
        self.assertEqual(problems(self.image), [])

    def test_check_notices_wrong_values(self):
        elf = Elf(self.image)

        def patched(offset, layout, *values):
            data = bytearray(self.image)
            struct.pack_into(layout, data, offset, *values)
            return bytes(data)

        def segment(kind):
            return next(at for at, k, _, _, _ in elf.segments if k == kind)

        def entry(tag):
            return next(at for at, t, _ in elf.dynamic if t == tag)

        code = next(at for at, k, flags, _, _ in elf.segments if k == PT_LOAD and flags & PF_X)
        wrong = {
            "fixed address": patched(16, "<H", 2),
            "interpreter": patched(segment(PT_GNU_STACK), "<I", PT_INTERP),
            "writable code": patched(code + 4, "<I", 7),
            "executable stack": patched(segment(PT_GNU_STACK) + 4, "<I", 7),
            "library needed": patched(entry(DT_FLAGS), "<q", DT_NEEDED),
            "relocations": patched(entry(DT_FLAGS), "<qQ", DT_RELASZ, 24),
            "lazy binding": patched(entry(DT_FLAGS_1) + 8, "<Q", 0),
            "no relro": patched(segment(PT_GNU_RELRO), "<I", 0),
        }
        if elf.symbols:
            wrong["undefined symbol"] = patched(elf.symbols[0][0] + 6, "<H", 0)
        for name, data in wrong.items():
            with self.subTest(name):
                self.assertNotEqual(problems(data), [])


if __name__ == "__main__":
    with open(sys.argv[1], "rb") as file:
        LinuxImage.image = file.read()
    unittest.main(argv=sys.argv[:1], verbosity=2)
