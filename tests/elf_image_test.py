"""Checks the hardening of a Linux executable, read with Debian's
python3-pyelftools: the runtime-free image, or with --c-library the C
library build's static PIE, which keeps what the C library brings.

Usage: elf_image_test.py [--c-library] EXECUTABLE"""

import io
import pathlib
import struct
import sys
import unittest

from elftools.common.exceptions import ELFError
from elftools.elf.elffile import ELFFile

PF_X, PF_W, PF_R = 1, 2, 4
DF_BIND_NOW, DF_1_NOW = 0x8, 0x1
RELOCATION_SIZES = ("DT_PLTRELSZ", "DT_RELASZ", "DT_RELSZ", "DT_RELRSZ")
# The control-flow marks each machine's code carries, as a property and its
# bits: branch target identification and pointer authentication on aarch64,
# indirect branch tracking and shadow stacks on x86-64. pyelftools names the
# x86 property and reads its value, and leaves the aarch64 one as bytes.
CONTROL_FLOW = {"EM_AARCH64": (0xC0000000, 0x3), "EM_X86_64": ("GNU_PROPERTY_X86_FEATURE_1_AND", 0x3)}
STACK_GUARD = {"__stack_chk_guard", "__stack_chk_fail"}
# What the C library's own __stack_chk_fail reports, which a program's own
# would leave out of the image.
C_LIBRARY_REPORT = b"stack smashing detected"
# The landing pads an entry may open with: endbr64; bti c or bti jc.
LANDING_PADS = {"EM_X86_64": {0xFA1E0FF3}, "EM_AARCH64": {0xD503245F, 0xD50324DF}}


def direct_calls(machine, code, address):
    """Where the direct calls in code, loaded at address, go, in order: call
    rel32 on x86-64 (looked for at every byte), bl on aarch64."""
    if machine == "EM_X86_64":
        return [address + i + 5 + int.from_bytes(code[i + 1:i + 5], "little", signed=True)
                for i in range(len(code) - 4) if code[i] == 0xE8]
    words = [int.from_bytes(code[i:i + 4], "little") for i in range(0, len(code) - 3, 4)]
    return [address + 4 * i + 4 * ((word & 0x3FFFFFF) - ((word & 0x2000000) << 1))
            for i, word in enumerate(words) if word >> 26 == 0x25]


def problems(data, runtime_free=True):
    """Every way the executable falls short; empty when right."""
    found = []
    try:
        elf = ELFFile(io.BytesIO(data))
        segments = list(elf.iter_segments())
        kinds = [segment["p_type"] for segment in segments]
        tags = {tag.entry.d_tag: tag.entry.d_val
                for segment in segments if segment["p_type"] == "PT_DYNAMIC"
                for tag in segment.iter_tags()}
        features = {prop.pr_type: prop.pr_data if isinstance(prop.pr_data, int)
                    else int.from_bytes(prop.pr_data, "little")
                    for segment in segments if segment["p_type"] == "PT_NOTE"
                    for note in segment.iter_notes() if note["n_type"] == "NT_GNU_PROPERTY_TYPE_0"
                    for prop in note["n_desc"]}
        symbols = [symbol for section in elf.iter_sections() if section.name in (".symtab", ".dynsym")
                   for symbol in list(section.iter_symbols())[1:]]  # past the null one
        undefined = sum(1 for symbol in symbols if symbol["st_shndx"] == "SHN_UNDEF")
        defined = {symbol.name for symbol in symbols if symbol["st_shndx"] != "SHN_UNDEF"}
        comment = elf.get_section_by_name(".comment") is not None
        entry = elf.header.e_entry
        text = next(section for section in elf.iter_sections()
                    if section["sh_addr"] <= entry < section["sh_addr"] + section["sh_size"])
        entry_code = text.data()[entry - text["sh_addr"]:][:64]
    except (ELFError, struct.error, ValueError, StopIteration) as error:
        return [f"unreadable: {error}"]
    if elf.header.e_type != "ET_DYN":
        found.append(f"type {elf.header.e_type}, not position-independent")
    if "PT_INTERP" in kinds:
        found.append("asks for a program interpreter")
    if any(s["p_type"] == "PT_LOAD" and s["p_flags"] & PF_W and s["p_flags"] & PF_X for s in segments):
        found.append("a segment is both writable and executable")
    stacks = [s["p_flags"] for s in segments if s["p_type"] == "PT_GNU_STACK"]
    if stacks != [PF_R | PF_W]:
        found.append(f"stack flags {stacks}, not read and write only")
    if "DT_NEEDED" in tags:
        found.append("needs a shared library")
    if runtime_free and any(tags.get(tag, 0) for tag in RELOCATION_SIZES):
        found.append("has relocations that nothing would apply")  # the C library applies its own
    if tags and not (tags.get("DT_FLAGS", 0) & DF_BIND_NOW and tags.get("DT_FLAGS_1", 0) & DF_1_NOW):
        found.append("not bound now")
    if tags and "PT_GNU_RELRO" not in kinds:
        found.append("no read-only region after relocation")
    if not runtime_free:
        if "SetStackGuard" in defined or C_LIBRARY_REPORT not in data:
            found.append("a stack guard of its own, not the C library's")
        return found
    if comment:
        found.append("names the compiler that built it (.comment)")
    marks, bits = CONTROL_FLOW.get(elf.header.e_machine, (None, 0))
    if features.get(marks, 0) & bits != bits:
        found.append(f"control-flow marks {features}, not {bits:#x} of {marks}")
    if symbols and not STACK_GUARD <= defined:  # a stripped image keeps no names to look for
        found.append("no stack guard of its own")
    machine = elf.header.e_machine
    if int.from_bytes(entry_code[:4], "little") not in LANDING_PADS.get(machine, set()):
        found.append(f"the entry opens with {entry_code[:4].hex()}, no landing pad")
    callees = {symbol["st_value"]: symbol.name for symbol in symbols
               if symbol.name in ("SetStackGuard", "StartProgram")}
    calls = [callees[to] for to in direct_calls(machine, entry_code, entry) if to in callees]
    if symbols and calls[:2] != ["SetStackGuard", "StartProgram"]:
        found.append(f"the entry calls {calls}, not SetStackGuard before StartProgram")
    if undefined:
        found.append(f"{undefined} undefined symbols")
    return found


class LinuxImage(unittest.TestCase):
    image = runtime_free = None  # from the command line

    def test_is_hardened(self):
        self.assertEqual(problems(self.image, self.runtime_free), [])


if __name__ == "__main__":
    LinuxImage.runtime_free = sys.argv[1] != "--c-library"
    LinuxImage.image = pathlib.Path(sys.argv[-1]).read_bytes()
    unittest.main(argv=sys.argv[:1], verbosity=2)
