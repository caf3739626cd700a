"""Checks what an install stages, as a distribution packs it: the program
with its symbols kept (for a debug package), the manual page and documents.

Usage: install_test.py BUILD_DIR"""

import os
import subprocess
import sys
import tempfile
import unittest

from elftools.elf.elffile import ELFFile

BUILD = ""


class Install(unittest.TestCase):
    def test_stages_the_program_unstripped_its_manual_page_and_documents(self):
        with tempfile.TemporaryDirectory() as stage:
            subprocess.run(["cmake", "--install", BUILD, "--prefix", "/usr"], check=True,
                           env=dict(os.environ, DESTDIR=stage), stdout=subprocess.DEVNULL)
            for path in ("bin/quovex", "share/man/man1/quovex.1.gz",
                         "share/doc/quovex/README.md", "share/doc/quovex/LICENSE"):
                self.assertTrue(os.path.isfile(f"{stage}/usr/{path}"), path)
            with open(f"{stage}/usr/bin/quovex", "rb") as program:
                self.assertIsNotNone(ELFFile(program).get_section_by_name(".symtab"), "stripped")


if __name__ == "__main__":
    BUILD = sys.argv[1]
    unittest.main(argv=sys.argv[:1], verbosity=2)
