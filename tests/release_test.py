"""Checks the release artifacts in DIST as a user receives them, each thing
the README's "Install and release" says of them. Reads images with Debian's
python3-pyelftools and python3-pefile.

Usage: release_test.py DIST"""

import contextlib
import glob
import hashlib
import io
import os
import re
import subprocess
import sys
import tarfile
import tempfile
import unittest
import zipfile

import pefile
from elftools.elf.elffile import ELFFile

from run_program import OUTPUT

DIST = ""
SOURCE = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
# The machine each archive's name says, as its image's headers name it.
MACHINES = {"-win32.zip": 0x14C, "-win64.zip": 0x8664,
            "-linux-x86_64.tar.gz": "EM_X86_64", "_amd64.deb": "EM_X86_64",
            "-linux-aarch64.tar.gz": "EM_AARCH64", "_arm64.deb": "EM_AARCH64"}


def artifacts(pattern):
    return sorted(glob.glob(os.path.join(DIST, pattern)))


def members(archive):
    """Every file of an archive as a user unpacks it, by name."""
    if archive.endswith(".zip"):
        with zipfile.ZipFile(archive) as packed:
            return {name: packed.read(name) for name in packed.namelist() if not name.endswith("/")}
    if archive.endswith(".deb"):
        data = subprocess.run(["dpkg-deb", "--fsys-tarfile", archive], check=True,
                              capture_output=True).stdout
        packed = tarfile.open(fileobj=io.BytesIO(data))
    else:
        packed = tarfile.open(archive)
    with packed:
        return {entry.name: packed.extractfile(entry).read() for entry in packed if entry.isfile()}


def machine(image):
    if image.startswith(b"MZ"):
        return pefile.PE(data=image, fast_load=True).FILE_HEADER.Machine
    return ELFFile(io.BytesIO(image)).header.e_machine


class Release(unittest.TestCase):
    def test_each_image_is_for_the_machine_its_archive_names(self):
        archives = artifacts("*.zip") + artifacts("*-linux-*.tar.gz") + artifacts("*.deb")
        self.assertTrue(archives, "no archive")
        for archive in archives:
            with self.subTest(os.path.basename(archive)):
                want = next((m for end, m in MACHINES.items() if archive.endswith(end)), None)
                self.assertIsNotNone(want, "a name that says no machine")
                images = [data for name, data in members(archive).items()
                          if os.path.basename(os.path.dirname(name)) == "bin"]
                self.assertEqual([machine(image) for image in images], [want])
                if not images[0].startswith(b"MZ"):
                    symbols = ELFFile(io.BytesIO(images[0])).get_section_by_name(".symtab")
                    self.assertIsNone(symbols, "the program is not stripped")

    def test_each_zip_holds_the_licence_and_a_read_me_with_windows_line_ends(self):
        for archive in artifacts("*.zip"):
            files = {os.path.basename(name): data for name, data in members(archive).items()}
            for text in ("LICENSE.txt", "README.txt"):
                with self.subTest(archive=os.path.basename(archive), text=text):
                    lines = files.get(text, b"").splitlines(keepends=True)
                    self.assertTrue(lines, "missing or empty")
                    self.assertEqual([line for line in lines if not line.endswith(b"\r\n")], [])

    def test_the_checksums_cover_and_verify_every_artifact(self):
        with open(os.path.join(DIST, "SHA256SUMS")) as sums:
            listed = dict(reversed(line.split()) for line in sums)
        self.assertEqual(set(listed), set(os.listdir(DIST)) - {"SHA256SUMS"})
        for name, digest in listed.items():
            with open(os.path.join(DIST, name), "rb") as file:
                self.assertEqual(hashlib.sha256(file.read()).hexdigest(), digest, name)

    def test_the_debs_are_lintian_clean(self):
        for deb in artifacts("*.deb"):
            with self.subTest(os.path.basename(deb)):
                lintian = subprocess.run(["lintian", "--fail-on", "error,warning", deb],
                                         capture_output=True, text=True)
                self.assertEqual(lintian.returncode, 0, lintian.stdout)

    def test_the_native_deb_has_a_clean_manual_page_and_a_working_program(self):
        architecture = subprocess.run(["dpkg", "--print-architecture"], check=True,
                                      capture_output=True, text=True).stdout.strip()
        debs = artifacts(f"*_{architecture}.deb")
        self.assertEqual(len(debs), 1, f"one .deb for {architecture}")
        with tempfile.TemporaryDirectory() as root:
            subprocess.run(["dpkg-deb", "-x", debs[0], root], check=True)
            manual = subprocess.run(["man", "--warnings", "-l", f"{root}/usr/share/man/man1/quovex.1.gz"],
                                    capture_output=True, text=True)
            self.assertEqual((manual.returncode, manual.stderr), (0, ""))
            self.assertEqual(output_of(f"{root}/usr/bin/quovex"), OUTPUT)

    def test_the_source_archive_holds_every_tracked_file_and_nothing_else(self):
        tracked = subprocess.run(["git", "-C", SOURCE, "ls-files", "-z"], check=True,
                                 capture_output=True, text=True).stdout.split("\0")[:-1]
        archive = source_archive()
        folder = os.path.basename(archive)[:-len(".tar.gz")]
        with tarfile.open(archive) as packed:
            names = {entry.name for entry in packed if not entry.isdir()}
        self.assertEqual(names, {f"{folder}/{name}" for name in tracked})

    def test_the_source_archive_builds_the_program_and_both_shipped_windows_images(self):
        with unpacked_sources() as source:
            for preset in ("run", "windows-x86-msvc", "windows-x64-msvc"):
                with self.subTest(preset):
                    for step in (["--preset", preset, "-DBUILD_TESTING=OFF"], ["--build", "--preset", preset]):
                        built = subprocess.run(["cmake", *step], cwd=source, capture_output=True, text=True)
                        self.assertEqual(built.returncode, 0, built.stdout + built.stderr)
            self.assertEqual(output_of(f"{source}/build/run/quovex"), OUTPUT)

    def test_a_version_without_a_changelog_entry_is_refused(self):
        # Among them one that the top entry's version starts with.
        with unpacked_sources() as source, open(f"{source}/resources/debian/changelog") as changelog:
            top = re.match(r"quovex \(([0-9.]+)\)", changelog.readline())[1]
            with open(f"{source}/CMakeLists.txt") as file:
                project = file.read()
            for version in ("9.9.9", top.rpartition(".")[0]):
                with self.subTest(version):
                    with open(f"{source}/CMakeLists.txt", "w") as file:
                        file.write(re.sub(r"(project\(quovex\s+VERSION )[0-9.]+", rf"\g<1>{version}", project))
                    released = subprocess.run(["scripts/release", "--no-check"], cwd=source,
                                              capture_output=True, text=True)
                    self.assertNotEqual(released.returncode, 0)
                    self.assertIn(f"give version {version} an entry", released.stderr)


def output_of(program):
    """What the program writes, with no input and no terminal."""
    return subprocess.run([program], stdin=subprocess.DEVNULL, capture_output=True,
                          start_new_session=True).stdout


def source_archive():
    archives = [a for a in artifacts("quovex-*.tar.gz") if "-linux-" not in a]
    assert len(archives) == 1, archives
    return archives[0]


@contextlib.contextmanager
def unpacked_sources():
    """The source archive unpacked in a scratch folder, away from any clone."""
    with tempfile.TemporaryDirectory() as folder:
        subprocess.run(["tar", "-xzf", source_archive(), "-C", folder], check=True)
        yield glob.glob(os.path.join(folder, "quovex-*"))[0]


if __name__ == "__main__":
    DIST = sys.argv[1]
    unittest.main(argv=sys.argv[:1], verbosity=2)
