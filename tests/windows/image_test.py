"""Checks every property a Windows image must have, read with Debian's
python3-pefile, each from the toolchain family that can write it.

Usage: image_test.py IMAGE MANIFEST TARGET FAMILY VERSION LINK_TIME, where
TARGET is x86 or AMD64, FAMILY gnu, llvm-mingw or msvc, VERSION the
project's, as 1.2.3, and LINK_TIME the sources' date in seconds since 1970."""

import pathlib
import re
import struct
import sys
import unittest
import xml.etree.ElementTree as ElementTree

import pefile

FILE = pefile.IMAGE_CHARACTERISTICS
DLL = pefile.DLL_CHARACTERISTICS
SECTION_EXECUTE = pefile.SECTION_CHARACTERISTICS["IMAGE_SCN_MEM_EXECUTE"]
RELOCATION_PADDING = pefile.RELOCATION_TYPE["IMAGE_REL_BASED_ABSOLUTE"]
RT_VERSION = pefile.RESOURCE_TYPE["RT_VERSION"]
RT_MANIFEST = pefile.RESOURCE_TYPE["RT_MANIFEST"]
US_ENGLISH, UNICODE = 0x409, 1200
VFT_APP, VOS_NT_WINDOWS32 = 1, 0x40004
NO_SEH, GUARD_CF = DLL["IMAGE_DLLCHARACTERISTICS_NO_SEH"], DLL["IMAGE_DLLCHARACTERISTICS_GUARD_CF"]
DLL_BOTH = (DLL["IMAGE_DLLCHARACTERISTICS_DYNAMIC_BASE"] | DLL["IMAGE_DLLCHARACTERISTICS_NX_COMPAT"]
            | DLL["IMAGE_DLLCHARACTERISTICS_TERMINAL_SERVER_AWARE"])
# The debug entry of extended characteristics, and its mark of CET (shadow
# stack) compatibility.
EX_DLLCHARACTERISTICS, CET_COMPAT = 20, 0x1

# What differs between the two images (cmake/QuovexWindows.cmake says why),
# with the stack cookie's well-known default, which the loader replaces.
TARGETS = {
    "x86": {"machine": 0x14C, "magic": pefile.OPTIONAL_HEADER_MAGIC_PE,
            "file_flag": FILE["IMAGE_FILE_32BIT_MACHINE"], "dll_characteristics": DLL_BOTH,
            "relocation": pefile.RELOCATION_TYPE["IMAGE_REL_BASED_HIGHLOW"], "cookie": 0xBB40E64E},
    "AMD64": {"machine": 0x8664, "magic": pefile.OPTIONAL_HEADER_MAGIC_PE_PLUS,
              "file_flag": FILE["IMAGE_FILE_LARGE_ADDRESS_AWARE"],
              "dll_characteristics": DLL_BOTH | DLL["IMAGE_DLLCHARACTERISTICS_HIGH_ENTROPY_VA"],
              "relocation": pefile.RELOCATION_TYPE["IMAGE_REL_BASED_DIR64"], "cookie": 0x00002B992DDFA232},
}
# What each family writes beyond that: its largest x86 and x64 images; on
# x64 a function table entry for every function (GCC's) or for those that
# need one (clang leaves out leaves that touch no stack); from the MSVC ABI
# a load configuration with the cookie, Control Flow Guard and CET.
FAMILIES = {"gnu": {"max_size": {"x86": 5120, "AMD64": 6144}, "every_function": True, "guard": False},
            "llvm-mingw": {"max_size": {"x86": 5120, "AMD64": 6144}, "every_function": False, "guard": False},
            "msvc": {"max_size": {"x86": 6144, "AMD64": 7168}, "every_function": False, "guard": True}}
# Code that is no function: padding, import thunks (jmp through the import
# table) and the linker's empty constructor and destructor lists.
NOT_A_FUNCTION = re.compile(rb"(?:[\x90\xcc]|\xff\x25[\s\S]{4}|\xff{8}|\x00{8})*\Z")
COPYRIGHT = next(line for line in (pathlib.Path(__file__).parents[2] / "LICENSE").read_text().splitlines()
                 if line.startswith("Copyright "))
IMPORTS = {"KERNEL32.dll": ["ExitProcess", "GetStdHandle", "SetConsoleTitleA", "WriteConsoleA"]}
# Vista, 7, 8, 8.1, and 10 and 11.
SUPPORTED_OS = {"{e2011457-1546-43c5-a5fe-008deee3d3f0}", "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",
                "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}", "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",
                "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"}


def unwind_problems(image, every_function):
    """Where the x64 function table falls short: it must hold version 1
    unwind info and, where the family writes one for every function, leave
    out only code that is no function."""
    functions = sorted((f.struct.BeginAddress, f.struct.EndAddress, f.unwindinfo)
                       for f in getattr(image, "DIRECTORY_ENTRY_EXCEPTION", []))
    found = [] if functions else ["no function table (.pdata)"]
    found += [f"unwind info of {begin:#x} is not version 1"
              for begin, _, unwind in functions if unwind is None or unwind.Version != 1]
    for section in (s for s in image.sections if every_function and s.Characteristics & SECTION_EXECUTE):
        at, stop = section.VirtualAddress, section.VirtualAddress + section.Misc_VirtualSize
        for begin, end, _ in functions + [(stop, stop, None)]:
            if begin > at and not NOT_A_FUNCTION.match(image.get_data(at, begin - at)):
                found.append(f"code at {at:#x}..{begin:#x} has no function table entry")
            at = max(at, end)
    return found


def version_problems(image, project_version):
    """What the version resource lacks: an application's fixed part with the
    project's version, and the strings Explorer shows, in one US English,
    Unicode block that the Translation names."""
    found = []
    major, minor, patch = (int(part) for part in project_version.split("."))
    fixed = image.VS_FIXEDFILEINFO[0]
    for name in ("File", "Product"):
        numbers = (getattr(fixed, name + "VersionMS"), getattr(fixed, name + "VersionLS"))
        if numbers != ((major << 16) | minor, patch << 16):
            found.append(f"{name} version numbers are not {project_version}")
    if (fixed.FileType, fixed.FileOS) != (VFT_APP, VOS_NT_WINDOWS32):
        found.append(f"file type {fixed.FileType}, system {fixed.FileOS:#x}: not a Windows application")
    blocks = {table.LangID.decode(): table.entries
              for info in image.FileInfo[0] for table in getattr(info, "StringTable", [])}
    translations = [var.entry.get(b"Translation")
                    for info in image.FileInfo[0] for var in getattr(info, "Var", [])]
    if list(blocks) != [f"{US_ENGLISH:04X}{UNICODE:04X}"]:
        found.append(f"string blocks {list(blocks)}, not one US English and Unicode")
    if translations != [f"{US_ENGLISH:#06x} {UNICODE:#06x}"]:
        found.append(f"translations {translations}, not the string block's")
    strings = next(iter(blocks.values()), {})
    for key, value in (("FileVersion", project_version), ("ProductVersion", project_version),
                       ("ProductName", "quovex"), ("OriginalFilename", "quovex.exe"),
                       ("LegalCopyright", COPYRIGHT), ("FileDescription", "quovex")):
        if strings.get(key.encode()) != value.encode():
            found.append(f"version string {key} is not {value}")
    return found


def load_configuration_problems(image, x86, cookie, guard):
    """What the loader would miss: on x86 NO_SEH or a SafeSEH table; with guard
    (the MSVC ABI) a cookie at its well-known default, for the loader to set,
    Control Flow Guard's table (instrumented, table present) and the CET mark."""
    config = getattr(image, "DIRECTORY_ENTRY_LOAD_CONFIG", None)
    config = config and config.struct
    found = ["neither NO_SEH nor a SafeSEH table"] if x86 and not (
        image.OPTIONAL_HEADER.DllCharacteristics & NO_SEH or config and config.SEHandlerTable) else []
    if not guard or not config:
        return found + (["no load configuration"] if guard else [])
    size, at = (4 if x86 else 8), config.SecurityCookie - image.OPTIONAL_HEADER.ImageBase
    if not config.SecurityCookie or image.get_data(at, size) != cookie.to_bytes(size, "little"):
        found.append("no stack cookie at its default for the loader to set")
    if config.GuardFlags & 0x500 != 0x500:
        found.append(f"guard flags {config.GuardFlags:#x}: no Control Flow Guard table")
    marks = [image.get_data(entry.struct.AddressOfRawData, 1)[0] for entry in image.DIRECTORY_ENTRY_DEBUG
             if entry.struct.Type == EX_DLLCHARACTERISTICS] if hasattr(image, "DIRECTORY_ENTRY_DEBUG") else []
    return found + ([] if any(mark & CET_COMPAT for mark in marks) else ["not marked CET compatible"])


def problems(image_bytes, manifest_bytes, processor, family, project_version, link_time):
    """Every way the image differs from what it must be; empty when right."""
    found = []

    def expect(condition, text):
        if not condition:
            found.append(text)

    try:
        image = pefile.PE(data=image_bytes)
        header, optional = image.FILE_HEADER, image.OPTIONAL_HEADER
        target, family = TARGETS[processor], FAMILIES[family]
        expect(len(image_bytes) <= family["max_size"][processor], f"image is {len(image_bytes)} bytes")
        expect(header.Machine == target["machine"], f"machine {header.Machine:#x}")
        expect(optional.Magic == target["magic"], f"optional header magic {optional.Magic:#x}")
        expect(header.TimeDateStamp == link_time != 0, f"link time {header.TimeDateStamp}, not {link_time}")
        flags = header.Characteristics
        expect(flags & FILE["IMAGE_FILE_EXECUTABLE_IMAGE"], "not marked executable")
        expect(flags & target["file_flag"], f"characteristics {flags:#x} lack {target['file_flag']:#x}")
        expect(not flags & FILE["IMAGE_FILE_DLL"], "marked as a DLL")
        expect(not flags & FILE["IMAGE_FILE_RELOCS_STRIPPED"], "relocations stripped")
        expect(b"GCC:" not in image_bytes, "names the compiler that built it")

        expect(optional.Subsystem == pefile.SUBSYSTEM_TYPE["IMAGE_SUBSYSTEM_WINDOWS_CUI"],
               f"subsystem {optional.Subsystem}")
        for name in ("Subsystem", "OperatingSystem"):
            version = (getattr(optional, f"Major{name}Version"), getattr(optional, f"Minor{name}Version"))
            expect(version == (6, 0), f"{name} version {version}")
        # NO_SEH is the x86 linker's to write or not (below).
        wanted = target["dll_characteristics"] | (GUARD_CF if family["guard"] else 0)
        have = optional.DllCharacteristics & ~(NO_SEH if processor == "x86" else 0)
        expect(have == wanted, f"DLL characteristics {optional.DllCharacteristics:#x}, not {wanted:#x}")
        found += load_configuration_problems(image, processor == "x86", target["cookie"], family["guard"])
        for field in ("SizeOfStackReserve", "SizeOfHeapReserve"):
            expect(getattr(optional, field) == 0x100000, f"{field} {getattr(optional, field):#x}")
        for field in ("SizeOfStackCommit", "SizeOfHeapCommit"):
            expect(getattr(optional, field) == 0x1000, f"{field} {getattr(optional, field):#x}")

        entry = image.get_section_by_rva(optional.AddressOfEntryPoint)
        expect(entry is not None and entry.Characteristics & SECTION_EXECUTE,
               "entry point outside executable code")

        kinds = {relocation.type for block in getattr(image, "DIRECTORY_ENTRY_BASERELOC", [])
                 for relocation in block.entries}
        expect(target["relocation"] in kinds, "no base relocations to move the image by")
        expect(kinds <= {RELOCATION_PADDING, target["relocation"]},
               f"base relocations of the types {kinds}")

        imports = {entry.dll.decode(): sorted(i.name.decode() for i in entry.imports)
                   for entry in getattr(image, "DIRECTORY_ENTRY_IMPORT", [])}
        expect(imports == IMPORTS, f"imports {imports}")

        if processor == "AMD64":
            found += unwind_problems(image, family["every_function"])

        resources = [(kind.id, name.id, language.data.lang | language.data.sublang << 10,
                      image.get_data(language.data.struct.OffsetToData, language.data.struct.Size))
                     for kind in image.DIRECTORY_ENTRY_RESOURCE.entries
                     for name in kind.directory.entries for language in name.directory.entries]
        expect([r[:3] for r in resources] == [(RT_VERSION, 1, US_ENGLISH), (RT_MANIFEST, 1, US_ENGLISH)],
               f"resources {[r[:3] for r in resources]}")
        expect((RT_MANIFEST, 1, US_ENGLISH, manifest_bytes) in resources,
               "embedded manifest differs from resources/")
        found += version_problems(image, project_version)
    except (pefile.PEFormatError, AttributeError, IndexError, UnicodeDecodeError, struct.error) as error:
        found.append(f"unreadable image: {error}")
    return found


class WindowsImage(unittest.TestCase):
    image = manifest = target = family = version = link_time = None  # from the command line

    def test_has_every_required_property(self):
        self.assertEqual(problems(self.image, self.manifest, self.target, self.family, self.version,
                                  self.link_time), [])

    def test_manifest_asks_for_the_callers_rights_on_every_windows_since_vista(self):
        root = ElementTree.fromstring(self.manifest)
        levels = root.findall(".//{urn:schemas-microsoft-com:asm.v3}requestedExecutionLevel")
        self.assertEqual([level.attrib for level in levels],
                         [{"level": "asInvoker", "uiAccess": "false"}])
        systems = root.findall(".//{urn:schemas-microsoft-com:compatibility.v1}supportedOS")
        self.assertEqual(sorted(system.get("Id") for system in systems), sorted(SUPPORTED_OS))


if __name__ == "__main__":
    image, manifest, target, family, WindowsImage.version, link_time = sys.argv[1:7]
    WindowsImage.image, WindowsImage.manifest = (pathlib.Path(p).read_bytes() for p in (image, manifest))
    WindowsImage.target, WindowsImage.family, WindowsImage.link_time = target, family, int(link_time)
    unittest.main(argv=sys.argv[:1], verbosity=2)
