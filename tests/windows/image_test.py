"""Checks every property a Windows image must have, straight from its
bytes, and that the check itself notices a wrong value.

Usage: image_test.py IMAGE MANIFEST TARGET VERSION, where TARGET is x86 or
AMD64 and VERSION the project's, as 1.2.3."""

import pathlib
import re
import struct
import sys
import unittest
import xml.etree.ElementTree as ElementTree

from pe_image import PE32, PE32_PLUS, PeImage

SUBSYSTEM_CONSOLE = 3
FILE_RELOCS_STRIPPED = 0x0001
FILE_EXECUTABLE_IMAGE = 0x0002
FILE_LARGE_ADDRESS_AWARE = 0x0020
FILE_32BIT_MACHINE = 0x0100
FILE_DLL = 0x2000
DLL_HIGH_ENTROPY_VA = 0x0020
DLL_DYNAMIC_BASE = 0x0040
DLL_NX_COMPAT = 0x0100
DLL_TERMINAL_SERVER_AWARE = 0x8000
SECTION_EXECUTE = 0x20000000
RELOCATION_PADDING = 0
RT_VERSION = 16
RT_MANIFEST = 24
FIXED_FILE_INFO_SIGNATURE = 0xFEEF04BD
DLL_BOTH = DLL_DYNAMIC_BASE | DLL_NX_COMPAT | DLL_TERMINAL_SERVER_AWARE

# What differs between the two images.
# x86 exception handling walks frames on the stack; x64 needs a function
# table entry for every function that calls, saves a register or moves the
# stack pointer.
TARGETS = {
    "x86": {"machine": 0x14C, "magic": PE32, "file_flag": FILE_32BIT_MACHINE,
            "dll_characteristics": DLL_BOTH, "relocation": 3,  # HIGHLOW
            "max_size": 5 * 1024, "unwind_tables": False},
    "AMD64": {"machine": 0x8664, "magic": PE32_PLUS, "file_flag": FILE_LARGE_ADDRESS_AWARE,
              "dll_characteristics": DLL_BOTH | DLL_HIGH_ENTROPY_VA, "relocation": 10,  # DIR64
              "max_size": 6 * 1024, "unwind_tables": True},
}
# Code that is no function: padding, import thunks (jmp through the import
# table) and the linker's empty constructor and destructor lists.
NOT_A_FUNCTION = re.compile(rb"(?:[\x90\xcc]|\xff\x25[\s\S]{4}|\xff{8}|\x00{8})*\Z")
COPYRIGHT = next(line for line in (pathlib.Path(__file__).parents[2] / "LICENSE").read_text().splitlines()
                 if line.startswith("Copyright "))
IMPORTS = {"KERNEL32.dll": ["ExitProcess", "GetStdHandle", "SetConsoleTitleA", "WriteConsoleA"]}


def unwind_problems(image):
    """Where the x64 function table falls short: it must cover every
    function, with unwind info inside the image, and leave out only code
    that is no function."""
    functions = sorted(image.runtime_functions())
    found = [] if functions else ["no function table (.pdata)"]
    found += [f"unwind info of {begin:#x} is not version 1"
              for begin, _, unwind in functions if image.unwind_version(unwind) != 1]
    for section in (s for s in image.sections if s["flags"] & SECTION_EXECUTE):
        at, stop = section["virtual_address"], section["virtual_address"] + section["virtual_size"]
        for begin, end, _ in functions + [(stop, stop, 0)]:
            if begin > at and not NOT_A_FUNCTION.match(
                    image.data[image.offset_of(at):image.offset_of(at) + begin - at]):
                found.append(f"code at {at:#x}..{begin:#x} has no function table entry")
            at = max(at, end)
    return found


def version_problems(resource, project_version):
    """What the version resource lacks: its fixed numbers, and the strings
    Explorer shows, each a UTF-16 key and value, the value 32-bit aligned."""
    found = []
    major, minor, patch = (int(part) for part in project_version.split("."))
    numbers = struct.pack("<IIIIII", FIXED_FILE_INFO_SIGNATURE, 0x10000, (major << 16) | minor,
                          patch << 16, (major << 16) | minor, patch << 16)
    if numbers not in resource:
        found.append(f"version numbers are not {project_version}")
    for key, value in (("FileVersion", project_version), ("ProductVersion", project_version),
                       ("ProductName", "quovex"), ("OriginalFilename", "quovex.exe"),
                       ("LegalCopyright", COPYRIGHT), ("FileDescription", None)):
        text = re.escape(value.encode("utf-16-le")) if value else rb"(?:[^\0]\0)+"
        if not re.search(re.escape(key.encode("utf-16-le")) + rb"\0\0(?:\0\0)?" + text + rb"\0\0",
                         resource):
            found.append(f"version string {key} is not {value or 'a text'}")
    return found


def problems(image_bytes, manifest_bytes, target, project_version):
    """Every way the image differs from what it must be; empty when right."""
    found = []

    def expect(condition, text):
        if not condition:
            found.append(text)

    try:
        image = PeImage(image_bytes)
        optional = image.optional
        expect(len(image_bytes) <= target["max_size"], f"image is {len(image_bytes)} bytes")
        expect(image.machine == target["machine"], f"machine {image.machine:#x}")
        expect(image.magic == target["magic"], f"optional header magic {image.magic:#x}")
        expect(image.timestamp == 0, f"link timestamp {image.timestamp:#x}")
        flags = image.characteristics
        expect(flags & FILE_EXECUTABLE_IMAGE, "not marked executable")
        expect(flags & target["file_flag"], f"characteristics {flags:#x} lack {target['file_flag']:#x}")
        expect(not flags & FILE_DLL, "marked as a DLL")
        expect(not flags & FILE_RELOCS_STRIPPED, "relocations stripped")

        expect(optional["subsystem"] == SUBSYSTEM_CONSOLE, f"subsystem {optional['subsystem']}")
        version = (optional["major_subsystem_version"], optional["minor_subsystem_version"])
        expect(version == (6, 0), f"subsystem version {version}")
        wanted = target["dll_characteristics"]
        expect(optional["dll_characteristics"] == wanted,
               f"DLL characteristics {optional['dll_characteristics']:#x}, not {wanted:#x}")
        for field, value in (("size_of_stack_reserve", 0x100000), ("size_of_stack_commit", 0x1000),
                             ("size_of_heap_reserve", 0x100000), ("size_of_heap_commit", 0x1000)):
            expect(optional[field] == value, f"{field} {optional[field]:#x}, not {value:#x}")

        entry = image.section_at(optional["address_of_entry_point"])
        expect(entry is not None and entry["flags"] & SECTION_EXECUTE,
               "entry point outside executable code")

        # Windows moves an image only when it has a base relocation table.
        relocations = image.relocations()
        expect(any(kind == target["relocation"] for kind, _ in relocations),
               "no base relocations to move the image by")
        expect(all(kind in (RELOCATION_PADDING, target["relocation"]) for kind, _ in relocations),
               "base relocations of an unexpected type")

        imports = image.imports()
        expect({dll: sorted(names) for dll, names in imports.items()} == IMPORTS,
               f"imports {imports}")

        if target["unwind_tables"]:
            found += unwind_problems(image)

        resources = image.resources()
        expect([r[:2] for r in resources] == [(RT_VERSION, 1), (RT_MANIFEST, 1)],
               f"resources {[r[:3] for r in resources]}")
        expect((RT_MANIFEST, 1, 0x409, manifest_bytes) in resources,
               "embedded manifest differs from resources/")
        version = [data for kind, _, _, data in resources if kind == RT_VERSION]
        found += version_problems(version[0] if version else b"", project_version)
    except (ValueError, IndexError, UnicodeDecodeError, struct.error) as error:
        found.append(f"unreadable image: {error}")
    return found


class WindowsImage(unittest.TestCase):
    image = b""
    manifest = b""
    target = {}
    version = ""

    def test_has_every_required_property(self):
        self.assertEqual(problems(self.image, self.manifest, self.target, self.version), [])

    def test_manifest_requests_as_invoker_without_ui_access(self):
        namespace = "{urn:schemas-microsoft-com:asm.v3}"
        root = ElementTree.fromstring(self.manifest)
        levels = root.findall(f".//{namespace}requestedExecutionLevel")
        self.assertEqual([level.attrib for level in levels],
                         [{"level": "asInvoker", "uiAccess": "false"}])

    def test_check_notices_wrong_values(self):
        image = PeImage(self.image)
        pe = struct.unpack_from("<I", self.image, 0x3C)[0]
        text = image.sections[0]
        other_machine = next(t["machine"] for t in TARGETS.values() if t is not self.target)
        wanted = self.target["dll_characteristics"]
        address = "<Q" if image.magic == PE32_PLUS else "<I"

        def patched(offset, layout, value):
            data = bytearray(self.image)
            if isinstance(offset, str):
                offset = image.field_offsets[offset]
            struct.pack_into(layout, data, offset, value)
            return bytes(data)

        def renamed(old, new):
            return self.image.replace(old, new, 1)

        wrong = {
            "machine": patched(pe + 4, "<H", other_machine),
            "timestamp": patched(pe + 8, "<I", 1),
            "relocations stripped": patched(pe + 22, "<H",
                                            image.characteristics | FILE_RELOCS_STRIPPED),
            "subsystem": patched("subsystem", "<H", 2),
            "subsystem version": patched("major_subsystem_version", "<H", 5),
            "no ASLR": patched("dll_characteristics", "<H", wanted & ~DLL_DYNAMIC_BASE),
            "no NX": patched("dll_characteristics", "<H", wanted & ~DLL_NX_COMPAT),
            "no terminal server": patched("dll_characteristics", "<H",
                                          wanted & ~DLL_TERMINAL_SERVER_AWARE),
            "high entropy": patched("dll_characteristics", "<H", wanted ^ DLL_HIGH_ENTROPY_VA),
            "stack reserve": patched("size_of_stack_reserve", address, 0x200000),
            "heap commit": patched("size_of_heap_commit", address, 0x2000),
            "entry point": patched("address_of_entry_point", "<I",
                                   image.sections[-1]["virtual_address"]),
            "no relocation table": patched(image.field_offsets["number_of_rva_and_sizes"] + 4 + 8 * 5,
                                           "<Q", 0),
            "import name": renamed(b"GetStdHandle", b"GetStdHandlf"),
            "import library": renamed(b"KERNEL32.dll", b"KERNELXX.dll"),
            "manifest": renamed(b"asInvoker", b"asInvokeR"),
            "truncated": self.image[:text["raw_pointer"] + 16],
            "too large": self.image + bytes(self.target["max_size"]),
        }
        for name, image_bytes in wrong.items():
            with self.subTest(name):
                self.assertNotEqual(problems(image_bytes, self.manifest, self.target, self.version),
                                    [])


if __name__ == "__main__":
    with open(sys.argv[1], "rb") as file:
        WindowsImage.image = file.read()
    with open(sys.argv[2], "rb") as file:
        WindowsImage.manifest = file.read()
    WindowsImage.target = TARGETS[sys.argv[3]]
    WindowsImage.version = sys.argv[4]
    unittest.main(argv=sys.argv[:1], verbosity=2)
