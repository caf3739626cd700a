"""Checks the build's choices from a configure alone, each in a scratch
folder: what a plain configure tests, with and without the test tools, that
the presets require those tools and add the exhaustive check, and that a
distribution's builds keep the ELF check.

Usage: configure_test.py SOURCE_DIR"""

import os
import shutil
import subprocess
import sys
import tempfile
import unittest

SOURCE = ""


class Configure(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        # A copy of the sources, so that the presets' own build folders are
        # scratch ones too.
        cls.scratch = tempfile.TemporaryDirectory()
        cls.source = os.path.join(cls.scratch.name, "source")
        shutil.copytree(SOURCE, cls.source, ignore=shutil.ignore_patterns(".git", "build", "dist"))
        # No GoogleTest, and an interpreter that cannot import Debian's modules.
        python = os.path.join(cls.scratch.name, "python3")
        with open(python, "w") as wrapper:
            wrapper.write('#!/bin/sh\nexec /usr/bin/python3 -S "$@"\n')
        os.chmod(python, 0o755)
        cls.without_tools = ["-DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON", f"-DPython3_EXECUTABLE={python}"]
        cls.folder = os.path.join(cls.scratch.name, "build")

    @classmethod
    def tearDownClass(cls):
        cls.scratch.cleanup()

    def run_here(self, *command):
        return subprocess.run(command, cwd=self.source, capture_output=True, text=True,
                              env=dict(os.environ, CMAKE_GENERATOR="Ninja"))

    def configure(self, *options, preset=None):
        """A fresh configure: plain into a scratch folder, or of a preset
        into its own folder of the copy."""
        where = ["--preset", preset] if preset else ["-B", self.folder]
        return self.run_here("cmake", "--fresh", *where, *options)

    def listed(self, *options):
        """How many tests ctest lists."""
        listing = self.run_here("ctest", *options, "-N")
        self.assertEqual(listing.returncode, 0, listing.stderr)
        return int(listing.stdout.rsplit("Total Tests:", 1)[1])

    def test_a_plain_configure_leaves_out_the_exhaustive_check(self):
        self.assertEqual(self.configure().returncode, 0)
        self.assertEqual(self.listed("--test-dir", self.folder, "-L", "exhaustive"), 0)

    def test_a_plain_configure_without_the_test_tools_names_what_it_leaves_out(self):
        configured = self.configure(*self.without_tools)
        self.assertEqual(configured.returncode, 0, configured.stderr)
        self.assertIn("Tests left out for want of their tools:", configured.stdout)
        for package in ("python3-pyelftools", "libgtest-dev"):
            self.assertIn(package, configured.stdout)

    def test_the_presets_require_the_test_tools(self):
        configured = self.configure(*self.without_tools, preset="release")
        self.assertNotEqual(configured.returncode, 0)
        self.assertIn("Missing", configured.stderr)

    def test_the_release_preset_adds_the_exhaustive_check(self):
        self.assertEqual(self.configure(preset="release").returncode, 0)
        self.assertEqual(self.listed("--preset", "release", "-L", "exhaustive"), 1)

    def test_a_distributions_builds_keep_the_elf_check(self):
        # Build type None, and the C library build, a static PIE here.
        for options in (["-DCMAKE_BUILD_TYPE=None"], ["-DQUOVEX_RUNTIME_FREE=OFF"]):
            with self.subTest(options=options):
                self.assertEqual(self.configure(*options).returncode, 0)
                self.assertEqual(self.listed("--test-dir", self.folder, "-R", "^elf_image$"), 1)


if __name__ == "__main__":
    SOURCE = sys.argv[1]
    unittest.main(argv=sys.argv[:1], verbosity=2)
